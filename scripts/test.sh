#!/usr/bin/env bash
# Sets everything up and runs the whole suite twice: once in the normal build
# (warnings are errors) and once with AddressSanitizer and
# UndefinedBehaviorSanitizer (without the tests that need a display); then
# the threaded suites with ThreadSanitizer and every fuzz target for
# FUZZ_SECONDS (default 15) seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"

scripts/setup.sh build -DORBO_WERROR=ON
ctest --test-dir build -j"$jobs" --output-on-failure

scripts/setup.sh build-asan -DORBO_WERROR=ON -DORBO_SANITIZE=ON -DORBO_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure -LE gui

scripts/tsan.sh
# A fixed seed makes the short run the same exploration on every machine:
# a slower machine runs a prefix of what a longer run here has passed.
FUZZ_SEED="${FUZZ_SEED-1}" scripts/fuzz.sh "${FUZZ_SECONDS:-15}"
echo "test.sh: all suites passed"
