#!/usr/bin/env bash
# Writes the Group Policy start-up script for one release: deploy/purgewell-startup.cmd with the SHA-256 of that
# release's PurgewellScan.exe, and optionally the share that holds it, filled in.
#   stamp-startup.sh PROGRAM [SHARE] > purgewell-startup.cmd
# SHARE is the program's folder as the machines reach it (\\server\purgewell); without it the script runs the
# program beside itself. Put the stamped script in the GPO's own folder, which only domain administrators change.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:?usage: stamp-startup.sh PROGRAM [SHARE] > purgewell-startup.cmd}
share=${2:-}
# The share goes into a cmd line as it stands: none of the characters cmd would read as its own.
if [[ "$share" == *[\"%\&\|\<\>^\(\)!]* ]]; then
  echo "stamp-startup.sh: the share may not hold \" % & | < > ^ ( ) or !" >&2
  exit 2
fi
hash=$(sha256sum "$program" | cut -d' ' -f1)
template="$here/purgewell-startup.cmd"
if ! grep -q '^set "PROGRAM_SHA256="' "$template" || ! grep -q '^set "SHARE="' "$template"; then
  echo "stamp-startup.sh: $template has no lines to stamp" >&2
  exit 1
fi
# sed's replacement treats \ and & as its own: the share's backslashes are doubled.
sed -e "s/^set \"PROGRAM_SHA256=\"/set \"PROGRAM_SHA256=$hash\"/" \
    -e "s/^set \"SHARE=\"/set \"SHARE=${share//\\/\\\\}\"/" "$template"
