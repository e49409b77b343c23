#!/usr/bin/env bash
# Builds every tree and runs every test: the engine on the host under sanitizers, and the Windows
# programs and tests under Wine (console tests in tmux, windowed ones under a private Xvfb).
#
# The shipped programs are 32-bit (PE32), and where this machine can run 32-bit programs the Windows suite runs
# with them. Where it cannot (a kernel without IA-32 emulation: Wine's 32-bit loader fails with "Exec format
# error"), the PE32 programs are still built and their static checks run, and the whole Wine suite runs with
# the same programs built for 64-bit Windows (PE32+) in 64-bit prefixes. PURGEWELL_TEST_WIN64=1 takes that path
# on any machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

# Asked once, before anything runs Wine: which kind of Windows program can run here.
if [ "${PURGEWELL_TEST_WIN64:-}" = 1 ]; then
  suite=win64 why="PURGEWELL_TEST_WIN64=1 asks for the 64-bit programs"
elif loader_error=$(/usr/lib/wine/wine --version 2>&1 >/dev/null); then
  suite=win32 why="this machine runs 32-bit programs"
else
  suite=win64
  # What the shell said of the loader, without its own script-and-line prefix.
  loader_error=${loader_error#*: line [0-9]*: }
  why="this machine cannot run 32-bit programs: \"${loader_error:-the 32-bit loader fails}\" (see dmesg: IA-32 emulation)"
fi
if [ "$suite" = win32 ]; then export PURGEWELL_WINE_LOADER=32; else export PURGEWELL_WINE_LOADER=64; fi
. scripts/wine-lib.sh
echo "== Windows suite: $suite programs ($why)"

jobs=$(nproc)
configure() {
  local tree=$1; shift
  cmake -S . -B "build/$tree" -DPURGEWELL_WERROR=ON "$@" >/dev/null
  cmake --build "build/$tree" -j "$jobs"
}
configure host-asan -DCMAKE_BUILD_TYPE=Debug -DPURGEWELL_SANITIZE=address
configure host-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPURGEWELL_SANITIZE=thread
configure host -DCMAKE_BUILD_TYPE=Release
# The PE32 tree always; its Wine tests only where they can run (their build makes the Wine prefixes).
pe32_wine_tests=OFF
[ "$suite" = win32 ] && pe32_wine_tests=ON
configure win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DPURGEWELL_WINE_TESTS=$pe32_wine_tests
[ "$suite" = win32 ] || configure win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

# A private X display for the windowed program's tests, ended by its process id.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
unit_prefix="$root/build/$suite/wine/unit"
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
results=()
# section NAME COMMAND...: runs one section and keeps its result for the summary.
section() {
  local name=$1; shift
  echo "== $name"
  if "$@"; then results+=("passed: $name"); else results+=("FAILED: $name"); status=1; fi
}
shellcheck_tree() {
  # Every shell script of the tree, .ci/run included (its name is fixed by CI); settings in .shellcheckrc.
  local shell_scripts
  mapfile -t shell_scripts < <(git ls-files '*.sh' .ci/run scripts/wine64-loader)
  shellcheck "${shell_scripts[@]}"
}
ansible_checks() {
  ansible-playbook --syntax-check -i deploy/inventory.example.ini deploy/purgewell.yml >/dev/null &&
    ansible-lint --offline -q deploy/purgewell.yml
}
wine_suite() {
  wine_start_server "$unit_prefix"
  ctest --test-dir "build/$suite" --output-on-failure -j "$jobs"
}

section "shell scripts (shellcheck)" shellcheck_tree
section "host tests (AddressSanitizer, UndefinedBehaviorSanitizer)" ctest --test-dir build/host-asan --output-on-failure
section "host tests (ThreadSanitizer)" ctest --test-dir build/host-tsan --output-on-failure
if [ "$suite" = win32 ]; then
  section "Windows tests under Wine: 32-bit programs (PE32) in 32-bit and 64-bit prefixes" wine_suite
else
  section "PE32 programs: static checks (imports on XP SP3, PE headers, hardening, no test hooks, resources, manifests)" \
    ctest --test-dir build/win32 --output-on-failure -j "$jobs"
  section "Windows tests under Wine: 64-bit programs (PE32+) in 64-bit prefixes" wine_suite
fi
section "deployment files (Ansible playbook syntax and lint)" ansible_checks

echo "== checksum speed (host, in-cache 40 KiB buffer)"
build/host/tests/host/crc32_benchmark --benchmark_min_time=0.2 2>/dev/null | grep -E '^Crc32' || true

echo "== summary"
echo "Windows suite: $suite programs, because $why"
if [ "$suite" = win64 ]; then
  echo "not run with 64-bit programs (each reported as skipped above), with the reason:"
  sed 's/^/  /' "build/$suite/skipped-tests"
  echo
fi
printf '%s\n' "${results[@]}"
exit $status
