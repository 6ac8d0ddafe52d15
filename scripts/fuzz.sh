#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ and runs each for
# [seconds] (default 300). Inputs that add coverage go to build-fuzz/corpus/<target>/,
# a crash, leak or hang to build-fuzz/artifacts/; an input worth keeping belongs in
# fuzz/corpus/<target>/. Exit status 1 when a target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
targets=(dongle_events meter_protocol mlog)
# Longest input worth trying: a few event packets; a full logger directory; a file.
declare -A max_len=([dongle_events]=600 [meter_protocol]=8192 [mlog]=8192)

cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=None \
  "-DCMAKE_CXX_FLAGS=-O1 -gline-tables-only" -DMULTIMETER_FUZZ=ON \
  -DMULTIMETER_BUILD_TESTS=OFF -DMULTIMETER_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"

status=0
for target in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$target" build-fuzz/artifacts
  log="build-fuzz/fuzz_$target.log"
  if build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=25 \
       -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-" \
       "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "fuzz_$target: $runs runs in ${seconds}s ($rate/s), nothing found"
  else
    echo "fuzz_$target FOUND A PROBLEM (full log: $log):"
    grep -A40 -m1 -E '^==[0-9]+==|ERROR: libFuzzer|runtime error' "$log" || tail -n 40 "$log"
    status=1
  fi
done
exit $status
