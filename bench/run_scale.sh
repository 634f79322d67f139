#!/usr/bin/env bash
# Builds the scale programs and runs each at its default size, then the side-by-side comparison.
# Usage: bench/run_scale.sh [build-dir]   (about a minute per program on a quiet machine)
set -eu
BUILD=${1:-build}
cmake -S "$(dirname "$0")/.." -B "$BUILD" -DKESTFW_BENCH=ON >/dev/null
cmake --build "$BUILD" -j2 --target scale_policy scale_addrset scale_batch >/dev/null
for prog in scale_policy scale_addrset scale_batch; do
  "$BUILD/bench/$prog"
  echo
done
bash "$(dirname "$0")/compare.sh" "$BUILD"
