#!/usr/bin/env bash
# The Debian package as a dealer's machine gets it:
#   tests/package.sh BUILD_DIR DEMO_TOOL
# Builds the package from the build folder, checks its files and declared dependencies,
# unpacks it into a scratch root and runs the unpacked programs as an ordinary user with a
# fresh HOME: the program folder is not theirs, so the settings file and the reports must land
# under that HOME. Run by root, the programs run as nobody, after a run as root that must leave
# the program folder alone too; run by anyone else, as that user, with the folder read-only.
set -euo pipefail
build=$1
demo=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "$(id -u)" -eq 0 ]; then
    user=nobody
else
    user=$(id -un)
fi
group=$(id -gn "$user")

scratch=$(mktemp -d /tmp/kerrowvantis-package.XXXXXX)
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
fail() { echo "package: $*" >&2; exit 1; }

# Into a folder of the test's own, so that a package left in the build folder is never taken.
(cd "$build" && cpack -G DEB -B "$scratch/cpack" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=("$scratch"/cpack/kerrowvantis_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no kerrowvantis_<version>_amd64.deb in $scratch/cpack"
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kerrowvantis ] || fail "package name $(field Package)"
[ "$(basename "$deb")" = "kerrowvantis_$(field Version)_amd64.deb" ] || fail "file name $(basename "$deb")"

root=$scratch/root
dpkg -x "$deb" "$root"
app=$root/usr/lib/kerrowvantis
for file in Kerrowvantis kerrowvantis-report libBarcodedll.so Kerrowvantis.installed \
    template/PrintTemplate.xml template/机动车销售统一发票清单.vts; do
    [ -f "$app/$file" ] || fail "missing /usr/lib/kerrowvantis/$file"
done
for link in kerrowvantis kerrowvantis-report; do
    [ -L "$root/usr/bin/$link" ] && [ -x "$root/usr/bin/$link" ] || fail "/usr/bin/$link does not lead to a program"
done
alias=$root/etc/fonts/conf.d/65-kerrowvantis-songti.conf
[ "$(readlink "$alias")" = ../../../usr/share/fontconfig/conf.avail/65-kerrowvantis-songti.conf ] &&
    grep -q '<family>宋体</family>' "$alias" || fail "the 宋体 alias is not linked into /etc/fonts/conf.d"
desktop=$root/usr/share/applications/kerrowvantis.desktop
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -qx 'Name\[zh_CN\]=.*' "$desktop" && grep -qx 'Name=Kerrowvantis' "$desktop" || fail "the desktop entry lacks its names"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 22 24 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
    [ -f "$png" ] || fail "no ${size}x${size} icon"
    /usr/bin/python3 "$here/icon_check.py" "$png" "$size" || fail "icon $png is not the seal with its sign"
done

# Every library the programs link comes from a package the package depends on, and what is
# loaded at run time (Qt's drivers, platform plugins and translations, the fonts, the authorities)
# is declared.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for needed in libqt6sql6-odbc libqt6sql6-sqlite qt6-qpa-plugins qt6-translations-l10n unixodbc fontconfig fonts-arphic-uming \
    ca-certificates; do
    grep -qx "$needed" <<<"$depends" || fail "Depends lacks $needed"
done
libraries=$(ldconfig -p)
ownerOf() { { dpkg -S "$1" 2>/dev/null || true; } | sed -n '1s/:.*//p'; }
for elf in "$app/Kerrowvantis" "$app/kerrowvantis-report" "$app/libBarcodedll.so"; do
    for soname in $(objdump -p "$elf" | awk '$1 == "NEEDED" { print $2 }'); do
        path=$(awk -v name="$soname" '$1 == name && /x86-64/ { print $NF }' <<<"$libraries" | sed -n 1p)
        [ -n "$path" ] || fail "$soname, which $(basename "$elf") needs, is not on this machine"
        # dpkg knows a file by the path its package gave, before or after /lib became /usr/lib.
        owner=$(ownerOf "$(readlink -f "$path")")
        [ -n "$owner" ] || owner=$(ownerOf "$path")
        [ -n "$owner" ] || owner=$(ownerOf "/usr$path")
        [ -n "$owner" ] || fail "no package holds $path"
        grep -qx "$owner" <<<"$depends" || fail "$(basename "$elf") needs $soname of $owner, which Depends lacks"
    done
done
# Each declared package is one Debian knows: installed here, or in the archive apt reads.
for package in $depends; do
    dpkg -s "$package" >/dev/null 2>&1 || apt-cache show "$package" >/dev/null 2>&1 ||
        fail "Depends names $package, which no archive holds"
done

# The unpacked program, started as the user would start it, with nothing of ours in the
# environment, not even a locale: it writes its settings under the fresh HOME, nothing into its
# own folder.
home=$scratch/home
mkdir -p "$home/run"
chmod 700 "$home/run"
[ "$(id -u)" -eq 0 ] || chmod -R a-w "$app"
as_user() {
    local as=()
    [ "$(id -u)" -ne 0 ] || as=(setpriv --reuid="$user" --regid="$group" --clear-groups)
    "${as[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/run" ODBCINI="$home/.odbc.ini" \
        QT_QPA_PLATFORM=offscreen "$@"
}
# Starts the unpacked program through the command before it and waits for the settings file.
startsAndWrites() {
    local settings=$1
    shift
    "$@" "$root/usr/bin/kerrowvantis" >"$scratch/program.log" 2>&1 &
    local program=$!
    for _ in $(seq 150); do
        [ -s "$settings" ] && break
        kill -0 $program 2>/dev/null || break
        sleep 0.2
    done
    kill $program 2>/dev/null || true
    wait $program 2>/dev/null || true
    [ -s "$settings" ] || { cat "$scratch/program.log" >&2; fail "the installed program wrote no $settings"; }
}
before=$(find "$app" -newer "$deb" | wc -l)
if [ "$(id -u)" -eq 0 ]; then
    # An administrator, who could write into the program folder, keeps to a HOME too.
    admin=$scratch/admin
    mkdir -p "$admin/run"
    chmod 700 "$admin/run"
    startsAndWrites "$admin/.config/Kerrowvantis/Kerrowvantis.ini" env -i PATH=/usr/bin:/bin HOME="$admin" \
        XDG_RUNTIME_DIR="$admin/run" QT_QPA_PLATFORM=offscreen
    chown -R "$user:$group" "$home"
fi
settings=$home/.config/Kerrowvantis/Kerrowvantis.ini
startsAndWrites "$settings" as_user
grep -q '^\[Other\]' "$settings" || fail "the settings file holds no [Other] section"
[ "$(find "$app" -newer "$deb" | wc -l)" = "$before" ] || fail "a program wrote into its own folder"
[ ! -e "$app/Kerrowvantis.ini" ] || fail "a settings file beside the installed program"

# The installed report tool: the data source from that settings file, the IC-card file into
# the user's documents by default.
# The demo database made without a locale too: its Chinese must arrive whole.
env -i PATH=/usr/bin:/bin ODBCINI="$home/.odbc.ini" HOME="$home" "$demo" setup kvpackage_demo "$home/invoicing.db" >/dev/null
[ "$(id -u)" -ne 0 ] || chown -R "$user:$group" "$home"
printf '[DataBase]\r\nDSN=kvpackage_demo\r\n' >>"$settings"
written=$(as_user "$root/usr/bin/kerrowvantis-report" ic-data --month 2026-11) || fail "kerrowvantis-report ic-data failed"
case $written in
"$home/Documents/Kerrowvantis/"*) ;;
*) fail "the IC-card file went to $written, not to the user's documents" ;;
esac
[ -s "$written" ] || fail "no $written"
list=$(as_user "$root/usr/bin/kerrowvantis-report" sales-list --month 2026-11) || fail "kerrowvantis-report sales-list failed"
case $list in
"$home/Documents/Kerrowvantis/报表/云岭瑞通汽车销售服务有限公司2026年11月机动车销售统一发票清单.xls") ;;
*) fail "the sales list went to $list" ;;
esac
echo "package: $(basename "$deb") unpacked and run as $user; settings in $settings"
