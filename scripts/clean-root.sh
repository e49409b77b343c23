#!/usr/bin/env bash
# Proves that scripts/setup.sh installs everything the two commands need: makes a clean Debian 12 root with
# debootstrap, clones this repository into it and runs the README's two commands there, as root, as a new user
# would on a fresh machine.
#   scripts/clean-root.sh [--root DIR] [--drop PACKAGE] [--keep]
#     --root DIR      where the root is made (default /var/tmp/purgewell-clean-root; emptied first)
#     --drop PACKAGE  takes PACKAGE out of the clone's setup.sh list first, to see the commands fail without it
#     --keep          leaves the root in place afterwards (its mounts are always undone)
# Needs root. Debian's packages come from the mirrors this machine's apt uses. It takes about half an hour.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=/var/tmp/purgewell-clean-root drop="" keep=0
while [ $# -gt 0 ]; do
  case $1 in
    --root) root=$2; shift ;;
    --drop) drop=$2; shift ;;
    --keep) keep=1 ;;
    *) echo "clean-root.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ "$(id -u)" -eq 0 ] || { echo "clean-root.sh: run it as root (debootstrap, chroot and mounts need root)" >&2; exit 2; }
case $root in /*) ;; *) echo "clean-root.sh: --root must be an absolute path" >&2; exit 2 ;; esac
[ "$root" != / ] || { echo "clean-root.sh: --root / is this machine itself" >&2; exit 2; }

log() { echo "clean-root: $*"; }

# The Debian mirror of this machine's own apt configuration: the first URI serving bookworm.
mirror() {
  local sources
  sources=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  awk '/^URIs:/ {uri = $2} /^Suites:/ && / bookworm( |$)/ && uri != "" {print uri; exit}' <<<"$sources" |
    grep . || awk '$1 == "deb" && $3 == "bookworm" {print $2; exit}' /etc/apt/sources.list 2>/dev/null
}

mounts=()
mount_in_root() {  # mount_in_root TARGET MOUNT-ARGUMENTS...
  local target="$root$1"; shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounts=("$target" "${mounts[@]}")
}
cleanup() {
  local target
  for target in "${mounts[@]}"; do umount "$target" 2>/dev/null || umount -l "$target" 2>/dev/null || true; done
  if [ "$keep" = 0 ] && [ -d "$root" ]; then
    # Never into a mount left behind: /dev of the machine itself could be one.
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
      log "left $root in place: something is still mounted below it"
    else
      rm -rf --one-file-system "$root"
    fi
  fi
}
trap cleanup EXIT

if ! command -v debootstrap >/dev/null; then
  log "installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
fi
source_uri=$(mirror) || { echo "clean-root.sh: no bookworm mirror found in this machine's apt sources" >&2; exit 1; }

if findmnt -rn -o TARGET | grep -q "^$root\(/\|$\)"; then
  echo "clean-root.sh: something is mounted in $root; undo it first" >&2
  exit 1
fi
rm -rf --one-file-system "$root"
mkdir -p "$root"
log "debootstrap bookworm (minbase) into $root"
debootstrap --variant=minbase bookworm "$root" "$source_uri" >"$root.debootstrap.log" 2>&1 ||
  { tail -n 20 "$root.debootstrap.log" >&2; exit 1; }
rm -f "$root.debootstrap.log"

# The machine's own apt sources (security updates too) whose keys a clean root has, its name lookup, and no
# services started by packages.
rm -f "$root/etc/apt/sources.list"
for sources in /etc/apt/sources.list.d/*.sources; do
  [ -f "$sources" ] || continue
  key=$(sed -n 's/^Signed-By: *//p' "$sources" | head -n 1)
  if [ -z "$key" ] || [ -f "$root$key" ]; then cp "$sources" "$root/etc/apt/sources.list.d/"; fi
done
[ ! -f /etc/apt/sources.list ] || cp /etc/apt/sources.list "$root/etc/apt/sources.list"
cp /etc/resolv.conf "$root/etc/resolv.conf"
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"

# What Wine and the tests use of a running system.
mount_in_root /proc -t proc proc
mount_in_root /sys -t sysfs sysfs
mount_in_root /dev --bind /dev
mount_in_root /dev/pts -t devpts devpts -o newinstance,ptmxmode=0666
mount_in_root /dev/shm -t tmpfs tmpfs -o mode=1777
mount_in_root /tmp -t tmpfs tmpfs -o mode=1777

# The repository as committed (a clone, not the work tree), with git's own copy of the files.
log "cloning $repo into the root"
git clone -q "$repo" "$root/root/purgewell"
if [ -n "$drop" ]; then
  drop_pattern=$(printf '%s' "$drop" | sed 's/[][\.*^$+?(){}|/]/\\&/g')
  grep -qE "(^|[[:space:]])$drop_pattern([[:space:]]|$)" "$root/root/purgewell/scripts/setup.sh" ||
    { echo "clean-root.sh: $drop is not in scripts/setup.sh's list" >&2; exit 2; }
  sed -i -E "/^packages=\(/,/^\)/ s/(^|[[:space:]])$drop_pattern([[:space:]]|$)/\1\2/" \
    "$root/root/purgewell/scripts/setup.sh"
  log "dropped $drop from the clone's scripts/setup.sh"
fi

in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb ${PURGEWELL_TEST_WIN64:+PURGEWELL_TEST_WIN64=$PURGEWELL_TEST_WIN64} \
    bash -c "cd /root/purgewell && $1" </dev/null
}
status=0
log "bash scripts/demo.sh"
in_root "bash scripts/demo.sh" || { status=$?; log "scripts/demo.sh failed with exit code $status"; }
if [ $status -eq 0 ]; then
  log "bash scripts/test.sh"
  in_root "bash scripts/test.sh" || { status=$?; log "scripts/test.sh failed with exit code $status"; }
fi
if [ $status -eq 0 ]; then log "both commands passed in a clean root"; else log "FAILED (exit code $status)"; fi
exit $status
