#!/usr/bin/env bash
# Makes the Windows unit tests' prefix: make-unit-prefix.sh TEMPLATE PREFIX [ARCH], ARCH win32 (the default)
# or win64, the kind of Windows machine the template is.
# Drive D: (fixed) is a scratch folder the tests create their files in at run time (each test its own folder);
# drive W: (fixed) holds a fixed tree for walks: a forged Vexlor.y file two levels deep and a looping link;
# drives H: and J: are described below.
set -euo pipefail
here=$(cd "$(dirname "$0")/../../scripts" && pwd)
. "$here/wine-lib.sh"
template=$1 prefix=$2 arch=${3:-win32}
wine_template "$template" "$arch"
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

# plant FILE CRC: a stand-in Vexlor file, ordinary bytes whose CRC-32 is forged to CRC.
plant() {
  printf 'stand-in body' >"$1"
  "$tools/forge-crc32.py" "$1" "$2"
}

# Drive H: (fixed) is a hostile machine's drive. Names Windows maps to devices (only aux.log is a Vexlor copy),
# a FIFO and a link to /dev/zero, whose opens or reads would wait or never end; names outside the ANSI code
# page; a path over 300 characters; a second way into a folder through a directory link.
wine_map_drive "$prefix" h drive_h hd
hostile="$prefix/drive_h"
rm -rf "$hostile"
mkdir -p "$hostile/dev" "$hostile/names/Документы" "$hostile/links/folder"
plant "$hostile/dev/aux.log" 0xB566B395
for name in com1.dat nul.txt con prn lpt1.log; do printf 'plain text\n' > "$hostile/dev/$name"; done
mkfifo "$hostile/dev/fifo"
ln -s /dev/zero "$hostile/dev/zero"
plant "$hostile/names/Документы/файл.exe" 0x7278A0B5
plant "$hostile/names/文件.exe" 0x411A3D2A
long="$hostile/long/$(printf 'a%.0s' {1..72})/$(printf 'b%.0s' {1..72})/$(printf 'c%.0s' {1..72})/$(printf 'd%.0s' {1..72})"
mkdir -p "$long"
plant "$long/v.exe" 0xE100707E
plant "$hostile/links/folder/v.exe" 0x67081651
ln -s folder "$hostile/links/again"

# Drive J: (fixed) holds one tree 800 folders deep with a Vexlor copy at its bottom.
wine_map_drive "$prefix" j drive_j hd
deep="$prefix/drive_j/$(printf 'd/%.0s' {1..800})"
mkdir -p "$deep"
plant "$deep/v.exe" 0xB566B395
wine_stop_server "$prefix"
touch "$prefix/.purgewell-unit"
