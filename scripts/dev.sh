#!/usr/bin/env bash
# Set-up, build and run for a fresh Debian machine.
#   scripts/dev.sh run   install what is missing, build, run the demo against the simulator
#   scripts/dev.sh test  install what is missing, build and run the whole suite twice
#                        (normal build, then AddressSanitizer + UndefinedBehaviorSanitizer with
#                        LeakSanitizer); the Python package's tests run against the normal build;
#                        then the fuzzers, and the threaded suites under ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-$(nproc)}

install_missing() {
    local pkgs=(cmake g++ make flex bison libboost-dev libgtest-dev libgmock-dev libbenchmark-dev clang
                libclang-rt-14-dev python3-pytest libcli11-dev nlohmann-json3-dev)
    local missing=()
    for p in "${pkgs[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq "${missing[@]}"
    fi
}

configure_build() {  # dir, extra cmake args...
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$JOBS"
}

case "${1:-}" in
run)
    install_missing
    # Only what the demo needs: the library, the simulator and the programs, no test suites.
    configure_build build-run -DKESTFW_BENCH=OFF -DKESTFW_TESTS=OFF
    exec scripts/demo.sh build-run
    ;;
test)
    install_missing
    configure_build build
    (cd build && ctest --output-on-failure -j"$JOBS")
    # Fails on any failed test and on a run that collects none (pytest's exit 5).
    scripts/run_pytest.sh build
    scripts/check_install.sh build
    # The fuzz targets need clang with libFuzzer; only they are built there.
    cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKESTFW_FUZZ=ON \
        -DKESTFW_TESTS=OFF -DKESTFW_BENCH=OFF >/dev/null
    cmake --build build-fuzz -j"$JOBS" --target fuzzers
    build-fuzz/fuzz/run_fuzzers.sh
    # ThreadSanitizer: only the programs whose tests run many threads, to keep the whole command
    # within half an hour on two cores.
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTFW_TSAN=ON -DKESTFW_BENCH=OFF >/dev/null
    cmake --build build-tsan -j"$JOBS" --target rel_threads_test rel_daemon_load_test sim_daemon_test kestsimd
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    build-tsan/tests/rel_threads_test
    build-tsan/tests/rel_daemon_load_test
    build-tsan/tests/sim_daemon_test --gtest_filter='Daemon.ManyClients*'
    unset TSAN_OPTIONS
    # Last, so the command ends with ctest's summary.
    configure_build build-asan -DKESTFW_SANITIZE=ON -DKESTFW_BENCH=OFF
    (cd build-asan &&
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            ctest --output-on-failure -j"$JOBS")
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
