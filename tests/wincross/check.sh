#!/usr/bin/env bash
# Cross-builds the Windows parts with MinGW-w64 (tests/wincross/CMakeLists.txt) and reads the
# DLL's export table with the cross objdump: exactly the four plain names, in a DLL named
# Barcodedll.dll of the machine asked for.
#   check.sh TRIPLE SOURCE_DIR WORK_DIR ZINT_HEADER
# Exits 77 (skipped) when the cross compiler is missing, except under CI=true, where it fails.
set -euo pipefail
triple=$1 source=$2 work=$3 zint_header=$4

for tool in "$triple-gcc" "$triple-g++" "$triple-objdump"; do
    if ! command -v "$tool" >/dev/null; then
        echo "wincross: $tool is missing (scripts/install-deps.sh installs it)"
        [ "${CI:-}" = true ] && exit 1
        exit 77
    fi
done

cmake=${CMAKE:-cmake}
rm -rf "$work"
mkdir -p "$(dirname "$work")"
"$cmake" -S "$source/tests/wincross" -B "$work" -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_COMPILER="$triple-gcc" -DCMAKE_CXX_COMPILER="$triple-g++" \
    -DKV_SOURCE_DIR="$source" -DZINT_HEADER="$zint_header" >"$work.log" 2>&1 || { cat "$work.log"; exit 1; }
"$cmake" --build "$work" >>"$work.log" 2>&1 || { cat "$work.log"; exit 1; }

dll=$work/bin/Barcodedll.dll
case $triple in
i686-*) format=pei-i386 ;;
x86_64-*) format=pei-x86-64 ;;
*) echo "wincross: unknown machine $triple"; exit 1 ;;
esac
dump=$("$triple-objdump" -p "$dll")
grep -q "file format $format" <<<"$dump" || { echo "wincross: $dll is not $format"; exit 1; }
# The export directory's own name and the name pointer table, one name a line.
grep -Eq '^Name[[:space:]]+[0-9a-f]+ Barcodedll\.dll$' <<<"$dump" || { echo "wincross: the DLL does not call itself Barcodedll.dll"; grep -E '^Name' <<<"$dump"; exit 1; }
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
expected=$(printf '%s\n' FreePDF417Bitmap MakePDF417 MakePDF417Ex PrtPDF417)
if [ "$exports" != "$expected" ]; then
    echo "wincross: $dll exports"
    echo "$exports"
    echo "wincross: and not exactly"
    echo "$expected"
    exit 1
fi
echo "wincross: $triple: Barcodedll.dll exports $(paste -sd' ' <<<"$exports"); the GBK backend links; the ODBC headers compile"
