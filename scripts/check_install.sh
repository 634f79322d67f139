#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and builds the consumer examples (C, and C++ with the
# exported classes) against it twice: with CMake's find_package(kestfw) and with pkg-config. Every
# program must run. The installed C++ headers must also compile together with nothing but the
# installed tree on the include path. Usage: check_install.sh BUILD_DIR
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
LD_LIBRARY_PATH=$libdir LD_PRELOAD=$shim "$work/by-cmake/kestfw_consumer_cxx"

cxx=$prefix/include/kestfw/cxx
[ -f "$cxx/model/KestFWRuleBuilder.h" ] || { echo "check_install: C++ headers not installed"; exit 1; }
all=$work/all_headers.cpp
(cd "$cxx" && find . -name '*.h' | sed 's|^\./||' | sort | sed 's|.*|#include "&"|') >"$all"
c++ -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I"$prefix/include" -I"$cxx" "$all" || {
    echo "check_install: the installed C++ headers do not compile on their own"
    exit 1
}

export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
cc -o "$work/by-pkgconfig" "$top/examples/consumer/consumer.c" $(pkg-config --cflags --libs kestfw)
LD_LIBRARY_PATH=$libdir LD_PRELOAD=$shim "$work/by-pkgconfig"
# shellcheck disable=SC2046
c++ -std=c++17 -o "$work/by-pkgconfig-cxx" "$top/examples/consumer/rules.cpp" $(pkg-config --cflags --libs kestfw)
LD_LIBRARY_PATH=$libdir LD_PRELOAD=$shim "$work/by-pkgconfig-cxx"
# The administrator's tool, its man page and completion come with the library.
ctl=$prefix/bin/kestfwctl
for f in "$ctl" "$prefix/share/man/man8/kestfwctl.8" "$prefix/share/bash-completion/completions/kestfwctl"; do
    [ -f "$f" ] || { echo "check_install: $f not installed"; exit 1; }
done
LD_LIBRARY_PATH=$libdir "$ctl" check -q "$top/examples/policy.kfw"

echo "check_install: installed into a temporary prefix; C and C++ consumers built by find_package and by pkg-config"
