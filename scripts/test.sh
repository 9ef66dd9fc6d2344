#!/usr/bin/env bash
# Builds everything and runs every test through CTest.
#   scripts/test.sh                      plain build in build/
#   scripts/test.sh --sanitize address,undefined   build in build-asan/
#   scripts/test.sh --sanitize thread              build in build-tsan/; by default only the
#                                                  tests with threads of our own (label threads)
# Extra arguments after "--" go to ctest (for example -L decode).
# Without arguments the quick tests run in build/, then the soak (label soak: the window at full
# load for five minutes) runs in build-asan/ under the address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: scripts/test.sh [--sanitize address,undefined | --sanitize thread] [-- <ctest arguments>]" >&2
  exit 2
}

sanitize=""
ctest_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize)
      { [ $# -ge 2 ] && [ -n "$2" ] && [ "$2" != "--" ]; } || { echo "--sanitize needs a value" >&2; usage; }
      sanitize="$2"
      shift 2 ;;
    --) shift; ctest_args=("$@"); break ;;
    -h|--help) usage ;;
    *) echo "unknown option: $1" >&2; usage ;;
  esac
done

bash scripts/deps.sh

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1

# build_and_test <dir> <sanitizers> <build targets, space-separated, or "all"> <ctest arguments...>
build_and_test() {
  local dir="$1" sanitizers="$2" targets="$3"
  shift 3
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMETER_SANITIZE="$sanitizers" >/dev/null
  if [ "$targets" = all ]; then
    cmake --build "$dir" -j"$(nproc)"
  else
    # shellcheck disable=SC2086
    cmake --build "$dir" -j"$(nproc)" --target $targets
  fi
  (cd "$dir" && ctest --output-on-failure -j"$(nproc)" "$@")
}

build=build
case "$sanitize" in
  "") ;;
  thread) build=build-tsan ;;
  *) build=build-asan ;;
esac

if [ -z "$sanitize" ] && [ ${#ctest_args[@]} -eq 0 ]; then
  build_and_test build "" all -LE soak
  build_and_test build-asan address,undefined test_soak -L soak --verbose
elif [ "$sanitize" = thread ] && [ ${#ctest_args[@]} -eq 0 ]; then
  # Qt itself is not built for ThreadSanitizer, so the run keeps to the tests whose threads
  # are our own: the HID readers and their hand-over to the user-interface thread, and the
  # MQTT publisher's queue between the reading's thread and the connection's. The broker tests
  # are left out: they start the broker with QProcess, and once a process has started a program
  # that way the sanitizer reports races on data every thread reaches only under its mutex.
  build_and_test build-tsan thread "test_link test_app test_publish" -L threads
else
  build_and_test "$build" "$sanitize" all "${ctest_args[@]}"
fi
