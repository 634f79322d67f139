#!/bin/sh
# The layering check must refuse a model/ header that includes cmd/, and name the line.
set -u
check=$1
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/model" "$dir/cmd"
printf '#include "base/KestFWLog.h"\n#include "cmd/KestFWCmd.h"\n' > "$dir/model/Climber.h"
printf '#include "model/KestFWRule.h"\n' > "$dir/cmd/Fine.h"
out=$(python3 "$check" "$dir") && { echo "climb not caught"; exit 1; }
[ "$out" = "$dir/model/Climber.h:2: model/ includes cmd/" ] || { echo "unexpected report: $out"; exit 1; }
exit 0
