#!/usr/bin/env bash
# Runs the demo program against the kernel-module simulator.
set -euo pipefail
BUILD=${1:-build}
LD_PRELOAD="$BUILD/sim/libkestsim_preload.so" "$BUILD/examples/kestfw_demo"
