#!/usr/bin/env bash
# The titles of the program's boxes as a real X server sees them (the offscreen platform hides
# what the window system adds to a title):
#   tests/windowtitles.sh PROGRAM BARCODE_LIBRARY
# A copy without its invoicing database shows its "Error" box; a second copy started beside it
# shows its "Warning" box. Each title must stand exactly as the program set it.
set -euo pipefail
program=$1
library=$2
command -v xvfb-run >/dev/null || { echo "windowtitles: xvfb-run is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$program" "$library" "$folder/"
printf '[DataBase]\r\nDSN=kv_missing\r\n' > "$folder/Kerrowvantis.ini"
mkdir -m 700 "$folder/runtime"
export XDG_RUNTIME_DIR=$folder/runtime QT_QPA_PLATFORM=xcb

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -u
    program=$1/$(basename "$2")
    # Every named top-level window, as "name" lines.
    names() { xwininfo -root -tree | sed -n "s/^ *0x[0-9a-f]* \"\(.*\)\": .*/\1/p"; }
    waitFor() {
        for _ in $(seq 100); do names | grep -qx "$1" && return 0; sleep 0.2; done
        echo "windowtitles: no window titled \"$1\"; the windows are:" >&2; names >&2; return 1
    }
    "$program" & first=$!
    "$program" & second=$!
    status=0
    waitFor Error || status=1
    waitFor Warning || status=1
    if names | grep "Quorvant" | grep -qvx "Quorvant"; then
        echo "windowtitles: a title carries the program name:" >&2; names >&2; status=1
    fi
    kill $first $second 2>/dev/null
    wait 2>/dev/null
    exit $status' windowtitles "$folder" "$program"
