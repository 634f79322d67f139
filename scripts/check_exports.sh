#!/usr/bin/env bash
# The dynamic symbols of libkestfw.so must be exactly the checked-in list: a function added without its
# line, or one lost, fails the build's tests. C names are compared as they are, C++ names demangled.
#   check_exports.sh LIBRARY LIST           compare
#   check_exports.sh LIBRARY LIST --update  rewrite LIST from LIBRARY
set -euo pipefail
lib=$1
list=$2
current=$(nm -D --defined-only "$lib" | awk '{print $3}' | sed 's/@.*//' | grep -v '^KESTFW_0$' | c++filt | LC_ALL=C sort -u)
if [ "${3:-}" = "--update" ]; then
    printf '%s\n' "$current" > "$list"
    echo "check_exports: wrote $(wc -l < "$list") symbols to $list"
    exit 0
fi
if ! diff <(LC_ALL=C sort -u "$list") <(printf '%s\n' "$current") > /tmp/check_exports.$$; then
    echo "check_exports: the exported symbols differ from $list ('<' listed but not exported, '>' exported but not listed):"
    cat /tmp/check_exports.$$
    rm -f /tmp/check_exports.$$
    exit 1
fi
rm -f /tmp/check_exports.$$
echo "check_exports: $(printf '%s\n' "$current" | wc -l) symbols, as listed"
