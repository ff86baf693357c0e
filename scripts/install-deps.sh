#!/usr/bin/env bash
# Installs every Debian package Kerrowvantis needs to build, run and test, and the fontconfig
# alias that makes "宋体" a real font. Installs only what is missing; safe to run again.
#   scripts/install-deps.sh [PACKAGE...]   only the named packages (the developer scripts' own)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

packages=(
    build-essential cmake pkg-config
    qt6-base-dev libqt6sql6-odbc libqt6sql6-sqlite qt6-translations-l10n
    unixodbc-dev libsqliteodbc odbc-postgresql postgresql
    libssl-dev zlib1g-dev libxml2-dev libzip-dev
    libcurl4-openssl-dev openssl libfreexl-dev
    libzint-dev libzxing-dev poppler-utils
    libbenchmark-dev
    xvfb xauth x11-utils
    fontconfig fonts-arphic-uming
    gzip clang
    g++-mingw-w64-i686 g++-mingw-w64-x86-64
    python3-xlrd gnumeric strace
    desktop-file-utils
)

[ $# -eq 0 ] || packages=("$@")

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    sudo_cmd=(sudo)
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    # Waits for another installation that holds the package lock instead of failing.
    apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -qq)
    "${sudo_cmd[@]}" "${apt[@]}" update
    "${sudo_cmd[@]}" "${apt[@]}" install -y --no-install-recommends "${missing[@]}" >/dev/null
fi
[ $# -eq 0 ] || exit 0

alias_file=/etc/fonts/conf.d/65-kerrowvantis-songti.conf
if ! cmp -s "$here/fontconfig/65-kerrowvantis-songti.conf" "$alias_file"; then
    "${sudo_cmd[@]}" install -m 644 "$here/fontconfig/65-kerrowvantis-songti.conf" "$alias_file"
fi
