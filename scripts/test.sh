#!/usr/bin/env bash
# Builds every tree and runs every test: the engine on the host under sanitizers, and the Windows
# programs and tests under Wine (console tests in tmux, windowed ones under a private Xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/wine-lib.sh

bash scripts/setup.sh

jobs=$(nproc)
configure() {
  local tree=$1; shift
  cmake -S . -B "build/$tree" -DPURGEWELL_WERROR=ON "$@" >/dev/null
  cmake --build "build/$tree" -j "$jobs"
}
configure host-asan -DCMAKE_BUILD_TYPE=Debug -DPURGEWELL_SANITIZE=address
configure host-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPURGEWELL_SANITIZE=thread
configure host -DCMAKE_BUILD_TYPE=Release
configure win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

# A private X display for the windowed program's tests, ended by its process id.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
unit_prefix="$root/build/win32/wine/unit"
# Every wineserver a test of this tree started and left behind (a test killed half-way), by its process id.
stop_leftover_servers() {
  local proc pid prefix
  for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    # wineserver64 serves 32-bit prefixes too once Debian's wine64 is installed.
    case $(cat "$proc/comm" 2>/dev/null) in wineserver | wineserver32 | wineserver64) ;; *) continue ;; esac
    # A server may end between the two reads; then there is nothing left to stop.
    prefix=$( { tr '\0' '\n' <"$proc/environ"; } 2>/dev/null | sed -n 's/^WINEPREFIX=//p') || continue
    case $prefix in "$root/build/"*) kill "$pid" 2>/dev/null || true ;; esac
  done
}
cleanup() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  wine_stop_server "$unit_prefix"
  stop_leftover_servers
}
trap cleanup EXIT
export DISPLAY=":$display"

status=0
echo "== shell scripts (shellcheck)"
# Every shell script of the tree, .ci/run included (its name is fixed by CI); settings in .shellcheckrc.
mapfile -t shell_scripts < <(git ls-files '*.sh' .ci/run)
shellcheck "${shell_scripts[@]}" || status=1
echo "== host tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --test-dir build/host-asan --output-on-failure || status=1
echo "== host tests (ThreadSanitizer)"
ctest --test-dir build/host-tsan --output-on-failure || status=1
echo "== Windows tests under Wine"
wine_start_server "$unit_prefix"
ctest --test-dir build/win32 --output-on-failure -j "$jobs" || status=1

echo "== deployment files (Ansible playbook syntax and lint)"
ansible-playbook --syntax-check -i deploy/inventory.example.ini deploy/purgewell.yml >/dev/null || status=1
ansible-lint --offline -q deploy/purgewell.yml || status=1

echo "== checksum speed (host, in-cache 40 KiB buffer)"
build/host/tests/host/crc32_benchmark --benchmark_min_time=0.2 2>/dev/null | grep -E '^Crc32' || true

exit $status
