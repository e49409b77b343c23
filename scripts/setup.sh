#!/usr/bin/env bash
# Installs every build and test tool from Debian's packages; safe to run again.
set -euo pipefail

packages=(
  cmake make g++ git
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev
  wine wine32:i386 wine64 fonts-wine
  xvfb xdotool imagemagick x11-apps tmux
  python3 shellcheck procps
  clamav
  ansible ansible-lint
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "scripts/setup.sh: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
