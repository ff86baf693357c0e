#!/usr/bin/env bash
# Screenshots of the main window in a real X server (Xvfb), one per declaration mode:
#   scripts/screenshot.sh [output folder, default build/screenshots]
# Each copy of the program runs from a folder of its own with a settings file made here, so the
# settings beside build/bin are left alone. Xvfb has no notification area, so the program shows
# its window at start.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(realpath -m "${1:-$top/build/screenshots}")
mkdir -p "$out"

"$top/scripts/install-deps.sh" xvfb xauth imagemagick
[ -x "$top/build/bin/Kerrowvantis" ] || BUILD_TARGET=program "$top/scripts/build.sh"

for mode in 1 2; do
    folder=$(mktemp -d)
    cp "$top/build/bin/Kerrowvantis" "$top/build/bin/libBarcodedll.so" "$folder/"
    printf '[SBConfig]\r\nSBType=%s\r\n' "$mode" > "$folder/Kerrowvantis.ini"
    runtime=$(mktemp -d)
    chmod 700 "$runtime"
    XDG_RUNTIME_DIR=$runtime xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
        '$folder/Kerrowvantis' & program=\$!
        sleep 3
        import -window root '$out/mainwindow-mode$mode.png'
        kill \$program" 2>/dev/null
    rm -rf "$folder" "$runtime"
    echo "$out/mainwindow-mode$mode.png"
done
