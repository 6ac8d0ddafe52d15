#!/usr/bin/env bash
# Installs what is missing, then runs the test jobs in turn (asan, tsan and fuzz unless named;
# CI runs these three):
#   asan   the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)
#   plain  the build of everything into build/ (the tree scripts/demo.sh runs) and the whole suite
#   tsan   the threaded tests (link, dispatcher, recorders, logger download, the command
#          line end to end) under ThreadSanitizer (build-tsan/, only what they run is built)
#   fuzz   each fuzz target for 30 seconds (scripts/fuzz.sh runs them longer)
# Usage: scripts/test.sh [plain|asan|tsan|fuzz]...
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=("$@")
[ ${#jobs[@]} -eq 0 ] && jobs=(asan tsan fuzz)

# Sanitizer trees: light optimisation and line tables only, asserts on, no benchmarks.
sanitized=(-G Ninja -DCMAKE_BUILD_TYPE=None "-DCMAKE_CXX_FLAGS=-O1 -g1" -DMULTIMETER_BUILD_BENCH=OFF)
ctest_args=(--output-on-failure -j2 --timeout 600)

for job in "${jobs[@]}"; do
  echo "=== $job ($(date -u +%H:%M:%S))"
  case "$job" in
  plain)
    scripts/build.sh
    ctest --test-dir build "${ctest_args[@]}"
    ;;
  asan)
    cmake -S . -B build-asan "${sanitized[@]}" -DMULTIMETER_SANITIZE=address,undefined >/dev/null
    cmake --build build-asan
    # intercept_strndup=0: libxkbcommon reads past a buffer of libxcb's through strndup when
    # a program connects to a real X server; neither library is ours.
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:intercept_strndup=0 \
    LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build-asan "${ctest_args[@]}"
    ;;
  tsan)
    cmake -S . -B build-tsan "${sanitized[@]}" -DMULTIMETER_SANITIZE=thread >/dev/null
    cmake --build build-tsan --target test_base test_link test_protocol test_document test_logger test_e2e test_publish
    TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1" \
      ctest --test-dir build-tsan -L threads "${ctest_args[@]}"
    ;;
  fuzz)
    scripts/fuzz.sh 30
    ;;
  *)
    echo "unknown job: $job (plain, asan, tsan or fuzz)" >&2
    exit 2
    ;;
  esac
done
