#!/usr/bin/env bash
# Makes the Windows unit tests' prefix: make-unit-prefix.sh TEMPLATE PREFIX.
# Drive D: (fixed) is a scratch folder the tests create their files in at run time (each test its own folder);
# drive W: (fixed) holds a fixed tree for walks: a forged Vexlor.y file two levels deep and a looping link.
set -euo pipefail
here=$(cd "$(dirname "$0")/../../scripts" && pwd)
. "$here/wine-lib.sh"
template=$1 prefix=$2
wine_template "$template"
wine_copy "$template" "$prefix"
wine_map_drive "$prefix" d drive_d hd
tools=$(cd "$(dirname "$0")/../tools" && pwd)
wine_map_drive "$prefix" w drive_w hd
walk="$prefix/drive_w"
mkdir -p "$walk/level1/level2" "$walk/loop/inner" "$walk/empty"
printf 'plain text\n' > "$walk/readme.txt"
printf 'stand-in body' > "$walk/level1/level2/sample.exe"
"$tools/forge-crc32.py" "$walk/level1/level2/sample.exe" 0xB566B395
head -c 41985 /dev/zero > "$walk/level1/big.bin"
printf 'inside the loop\n' > "$walk/loop/inner/note.txt"
printf 'x' > "$walk/.dotfile"
# A directory link back to its own ancestor.
ln -sfn ../../loop "$walk/loop/inner/back"
wine_stop_server "$prefix"
touch "$prefix/.purgewell-unit"
