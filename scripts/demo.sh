#!/usr/bin/env bash
# Runs the demo against the simulator daemon kestsimd, along both roads to it:
#  - the device channel: the demo's default handle opens the control device; the preloaded interposer
#    hands each control call to the daemon's forwarding socket (KESTSIM_SOCKET);
#  - the socket channel: FW_Initialize type 2 to the daemon's loopback TCP port.
# Both reach the one simulated module, which is first given a few rule sets through the daemon's
# control socket, so both reports show the same non-zero count. The daemon is stopped on the way out.
#   scripts/demo.sh [BUILD_DIR]        (default: build; RULESETS=<n> changes the seeded count)
set -euo pipefail
BUILD=${1:-build}
RULESETS=${RULESETS:-3}

for f in "$BUILD/sim/kestsimd" "$BUILD/sim/libkestsim_preload.so" "$BUILD/examples/kestfw_demo"; do
    [ -e "$f" ] || { echo "demo: $f is missing; build first (bash scripts/dev.sh run)" >&2; exit 1; }
done

dir=$(mktemp -d /tmp/kestfw-demo-XXXXXX)
daemon=""
cleanup() {
    if [ -n "$daemon" ] && kill -0 "$daemon" 2>/dev/null; then
        kill -TERM "$daemon"
        wait "$daemon" || true
    fi
    rm -rf "$dir"
}
trap cleanup EXIT

"$BUILD/sim/kestsimd" --tcp 127.0.0.1:0 --unix "$dir/forward.sock" --control "$dir/control.sock" \
    >"$dir/daemon.out" 2>"$dir/daemon.log" &
daemon=$!
for _ in $(seq 1 300); do
    grep -qx ready "$dir/daemon.out" && break
    if ! kill -0 "$daemon" 2>/dev/null; then
        echo "demo: kestsimd did not start:" >&2
        cat "$dir/daemon.log" >&2
        exit 1
    fi
    sleep 0.1
done
grep -qx ready "$dir/daemon.out" || { echo "demo: kestsimd was not ready in time" >&2; exit 1; }
port=$(sed -n 's/^listening tcp 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$dir/daemon.out")

# One line of the daemon's control language; prints the answer line.
control() {
    perl -MIO::Socket::UNIX -e '
        my $s = IO::Socket::UNIX->new(Peer => $ARGV[0]) or die "demo: cannot reach $ARGV[0]: $!\n";
        print $s "$ARGV[1]\n";
        my $answer = <$s>;
        defined $answer or die "demo: no answer to \"$ARGV[1]\"\n";
        print $answer;' "$dir/control.sock" "$1"
}

answer=$(control "seed rulesets host $RULESETS")
[ "$answer" = ok ] || { echo "demo: seeding failed: $answer" >&2; exit 1; }
echo "== kestsimd on 127.0.0.1:$port; the host-wide filter holds $RULESETS rule sets"

# The demo under the simulator's interposer, its control calls forwarded to the daemon. A sanitized
# build's demo would otherwise refuse a preloaded library ahead of its runtime.
demo() {
    ASAN_OPTIONS=${ASAN_OPTIONS:-verify_asan_link_order=0} KESTSIM_SOCKET="$dir/forward.sock" \
        LD_PRELOAD="$BUILD/sim/libkestsim_preload.so" "$BUILD/examples/kestfw_demo" "$@"
}

echo "== device channel: control device, forwarded by the interposer to $dir/forward.sock"
demo

# The messages go over TCP; the interposer is still there because FW_Exit opens the control device
# (it looks the default handle up to compare), which this machine only has through the simulator.
echo "== socket channel: FW_Initialize type 2 to 127.0.0.1:$port"
demo --socket 127.0.0.1 "$port"

echo "== kestsimd served $(control "show requests")"
