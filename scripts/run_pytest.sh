#!/usr/bin/env bash
# Runs the Python package's tests (python/tests) against a built tree: the built library, the
# simulator daemon kestsimd through the socket channel, and the simulator's preload library in the
# test process for the device channel. A run that collects no test fails: pytest's "no tests
# collected" (exit 5), like any other non-zero exit, is a failure here, and so is a run that
# reports fewer passed tests than MIN_PASSED.
#   scripts/run_pytest.sh [BUILD_DIR] [pytest arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
shift || true
# A selection (extra arguments) may rightly run few tests; the whole run has many.
if [ $# -gt 0 ]; then MIN_PASSED=${MIN_PASSED:-1}; else MIN_PASSED=${MIN_PASSED:-20}; fi
PYTHON=${PYTHON:-/usr/bin/python3}

for f in "$build/src/libkestfw.so" "$build/sim/kestsimd" "$build/sim/libkestsim_preload.so"; do
    [ -e "$f" ] || { echo "run_pytest: $f is missing; build first" >&2; exit 1; }
done

# The test folder unless the arguments name tests themselves (options alone select within it).
targets=("$@")
case " $* " in *python/tests*) ;; *) targets=("$top/python/tests" "$@") ;; esac
log=$(mktemp)
trap 'rm -f "$log"' EXIT
set +e
KESTFW_BUILD=$build KESTFW_LIBRARY=$build/src/libkestfw.so LD_PRELOAD=$build/sim/libkestsim_preload.so \
    ASAN_OPTIONS=${ASAN_OPTIONS:-verify_asan_link_order=0} \
    "$PYTHON" -m pytest -p no:cacheprovider -q "${targets[@]}" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e
if [ "$status" -eq 5 ]; then
    echo "run_pytest: pytest collected no tests" >&2
    exit 1
fi
[ "$status" -eq 0 ] || exit "$status"
passed=$(sed -n 's/.* \([0-9][0-9]*\) passed.*/\1/p; s/^\([0-9][0-9]*\) passed.*/\1/p' "$log" | tail -n 1)
if [ -z "$passed" ] || [ "$passed" -lt "$MIN_PASSED" ]; then
    echo "run_pytest: ${passed:-no} tests passed, at least $MIN_PASSED expected" >&2
    exit 1
fi
