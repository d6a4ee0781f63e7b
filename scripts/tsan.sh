#!/usr/bin/env bash
# Builds the suites that run threads (gcc, ThreadSanitizer) in build-tsan and
# runs their tests. A data race, a lock-order inversion or a thread leak
# fails the run. To cover another suite, add its test executable (and the
# programs it starts) to targets and its test names to tests.
#   scripts/tsan.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-tsan
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"

# The box worker and the page-call bridge; discovery's sweep and broadcast
# threads; the headless page host (its input thread and the worker); the
# local TCP relay and the virtual port's client; the port service
# (orbo-portd: its control loop and one bridge thread per port, the traffic
# monitors they share) and the page's pass-through and RFC 2217 through it.
targets=(orbo_app_tests discovery_tests orbo_e2e_bridge_tests orbo_vcom_tests orbo_vcom_e2e_tests
         orbo-cli orbo-boxsim orbo-portd)
tests='^(BoxWorker|BoxWorkerLifetime|PageCallTest|NavigationTest|ToolServices|SweepTest|BroadcastTest|PageHostTest|Relay|Relay/RelayPaths|VirtualPort|PortService|PagePassThrough|Rfc2217)\.'

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBO_WERROR=ON -DORBO_TSAN=ON \
    -DORBO_BUILD_GUI=OFF -DORBO_BUILD_BENCH=OFF \
    $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache) >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

# halt_on_error: a report fails the test (also in the programs the e2e tests
# start). The sanitizer needs the classic address-space layout on kernels
# with large mmap randomisation, hence setarch -R.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:exitcode=66:${TSAN_OPTIONS:-}"
setarch "$(uname -m)" -R ctest --test-dir "$build" -j"$(nproc)" --output-on-failure -R "$tests"
echo "tsan.sh: no races found"
