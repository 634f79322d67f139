#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and builds the consumer example against it twice: with
# CMake's find_package(kestfw) and with pkg-config. Both programs must run. Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
lib=$(find "$prefix" -name 'libkestfw.so.0' | head -n 1)
[ -n "$lib" ] || { echo "check_install: libkestfw.so.0 not installed"; exit 1; }
readelf -d "$lib" | grep -q 'SONAME.*libkestfw.so.0' || { echo "check_install: SONAME missing"; exit 1; }
libdir=$(dirname "$lib")
# No kernel module here: the installed simulator answers the control device in process.
shim=$libdir/libkestsim_preload.so
[ -f "$shim" ] || { echo "check_install: libkestsim_preload.so not installed"; exit 1; }

cmake -S "$top/examples/consumer" -B "$work/by-cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/by-cmake" >/dev/null
LD_LIBRARY_PATH=$libdir LD_PRELOAD=$shim "$work/by-cmake/kestfw_consumer"

export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
cc -o "$work/by-pkgconfig" "$top/examples/consumer/consumer.c" $(pkg-config --cflags --libs kestfw)
LD_LIBRARY_PATH=$libdir LD_PRELOAD=$shim "$work/by-pkgconfig"
# The administrator's tool, its man page and completion come with the library.
ctl=$prefix/bin/kestfwctl
for f in "$ctl" "$prefix/share/man/man8/kestfwctl.8" "$prefix/share/bash-completion/completions/kestfwctl"; do
    [ -f "$f" ] || { echo "check_install: $f not installed"; exit 1; }
done
LD_LIBRARY_PATH=$libdir "$ctl" check -q "$top/examples/policy.kfw"

echo "check_install: installed into a temporary prefix; consumer built by find_package and by pkg-config"
