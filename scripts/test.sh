#!/usr/bin/env bash
# Builds everything and runs every test through CTest.
#   scripts/test.sh                      plain build in build/
#   scripts/test.sh --sanitize address,undefined   build in build-asan/
#   scripts/test.sh --sanitize thread              build in build-tsan/
# Extra arguments after "--" go to ctest (for example -L decode).
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=""
ctest_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) sanitize="$2"; shift 2 ;;
    --) shift; ctest_args=("$@"); break ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

bash scripts/deps.sh

build=build
case "$sanitize" in
  "") ;;
  thread) build=build-tsan ;;
  *) build=build-asan ;;
esac

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMETER_SANITIZE="$sanitize" >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1
cd "$build" && ctest --output-on-failure -j"$(nproc)" "${ctest_args[@]}"
