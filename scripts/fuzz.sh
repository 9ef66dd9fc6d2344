#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer in build-fuzz/ and runs each for a while.
#   scripts/fuzz.sh            60 seconds per target
#   scripts/fuzz.sh 600        10 minutes per target
#   scripts/fuzz.sh 60 2       two targets at a time (default one)
#   FUZZ_TARGETS="frame_decoder xml_packet" scripts/fuzz.sh 120   only these targets
# New inputs go to build-fuzz/corpus/<target>/; findings (crash-*, leak-*, timeout-*) to
# build-fuzz/findings/<target>/. Copy a finding into tests/fuzz/regressions/<target>/ once
# it is fixed, so the regression tests run it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
parallel="${2:-1}"
targets=(${FUZZ_TARGETS:-frame_decoder serial_assembly usb_reports text_table xml_packet report_descriptor})

# The usual packages, and clang with its libFuzzer runtime unless some version is there.
extra=()
command -v clang++ >/dev/null || extra+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || extra+=(libclang-rt-14-dev)
bash scripts/deps.sh "${extra[@]}"

build=build-fuzz
# The libraries get coverage feedback and both sanitizers; the targets link libFuzzer.
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMETER_LIBFUZZER=ON -DMETER_BUILD_TESTS=ON -DMETER_BUILD_BENCH=OFF \
  -DMETER_SANITIZE=address,undefined -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

run_one() {
  local t="$1"
  local corpus="$build/corpus/$t" findings="$build/findings/$t" log="$build/logs/fuzz_$t.log"
  mkdir -p "$corpus" "$findings" "$build/logs"
  local stamp="$build/logs/fuzz_$t.start"
  touch "$stamp"
  local status=0
  "$build/bin/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "tests/fuzz/corpus/$t" "tests/fuzz/regressions/$t" >"$log" 2>&1 || status=$?
  local execs cov ft found
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || true)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || true)
  found=$(find "$findings" -type f -newer "$stamp" | wc -l)
  printf '%-20s executions %-10s cov %-6s ft %-6s findings %s%s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" \
    "$found" "$([ "$status" -ne 0 ] && echo "  (stopped with status $status, see $log)")"
}

echo "Fuzzing ${#targets[@]} targets for ${seconds} s each, ${parallel} at a time"
running=0
for t in "${targets[@]}"; do
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait
