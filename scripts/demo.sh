#!/usr/bin/env bash
# Runs the demo against the simulator daemon kestsimd, along both roads to it:
#  - the device channel: the programs' default handle opens the control device; the preloaded
#    interposer hands each control call to the daemon's forwarding socket (KESTSIM_SOCKET);
#  - the socket channel: FW_Initialize type 2 to the daemon's loopback TCP port.
# Through each, kestfw_demo (C) creates the address set "web" and kestfw_policy (C++, the exported
# rule builder and command classes) installs two rule sets, makes one the layer-3 root and reports
# the rule-set count. After each program the daemon's control socket shows what the one simulated
# module now holds; the socket channel replaces what the device channel made, so generations go up.
# The daemon is stopped on the way out.
#   scripts/demo.sh [BUILD_DIR]        (default: build)
set -euo pipefail
BUILD=${1:-build}

for f in "$BUILD/sim/kestsimd" "$BUILD/sim/libkestsim_preload.so" "$BUILD/examples/kestfw_demo" \
    "$BUILD/examples/kestfw_policy" "$BUILD/examples/kestfw_readback"; do
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

echo "== kestsimd on 127.0.0.1:$port"

# The programs under the simulator's interposer, their control calls forwarded to the daemon. A
# sanitized build's program would otherwise refuse a preloaded library ahead of its runtime.
preloaded() {
    ASAN_OPTIONS=${ASAN_OPTIONS:-verify_asan_link_order=0} KESTSIM_SOCKET="$dir/forward.sock" \
        LD_PRELOAD="$BUILD/sim/libkestsim_preload.so" "$@"
}

# The answer's words in the fields given (cut -f), without the hex of member or rule records.
held() {
    local answer
    answer=$(control "$1")
    case "$answer" in error*) echo "demo: \"$1\" was refused: $answer" >&2; return 1 ;; esac
    echo "$answer" | cut -d' ' -f"$2"
}

# Both programs through one channel (their extra arguments choose it), each followed by what the
# module holds. Rule records are rendered by kestfw_demo --rules, i.e. by the library.
channel() {
    local addrset count roots rs info
    preloaded "$BUILD/examples/kestfw_demo" "$@"
    # "kind <k> generation <g> time <t> members <n>"
    addrset=($(held "show addrset host web" 3,5,9))
    echo "    kestsimd holds address set web: ${addrset[2]} members, kind ${addrset[0]}, generation ${addrset[1]}"
    preloaded "$BUILD/examples/kestfw_policy" "$@"
    count=$(held "show rulesets host" 2)
    roots=$(held "show roots host" 2-3)
    echo "    kestsimd holds $count rule sets; layer-3 root ${roots% *}, layer-2 root ${roots#* }"
    for rs in demo-l3 web-in; do
        info=$(held "show ruleset host $rs" 2-4)
        echo "    kestsimd holds $rs: ${info/ generation/ rules, generation}"
        control "show records host $rs" | "$BUILD/examples/kestfw_demo" --rules "$rs"
    done
    # The example policy file, loaded and sent by the library, then everything read back through the
    # library's own queries and reports.
    preloaded "$BUILD/examples/kestfw_readback" "$@" load "$POLICY"
    preloaded "$BUILD/examples/kestfw_readback" "$@" readback
    preloaded "$BUILD/examples/kestfw_readback" "$@" flows
    preloaded "$BUILD/examples/kestfw_readback" "$@" status
}

POLICY=$(cd "$(dirname "$0")/.." && pwd)/examples/policy.kfw
# A few tracked flows for the flow report: TCP and UDP over IPv4, TCP over IPv6.
for flow in "11 6 10.0.1.10 40001 10.0.2.7 443 3 12 1400 10 9800 1765000000" \
    "12 17 10.0.1.11 5353 10.0.0.1 53 1 1 80 1 120 1765000100" \
    "13 6 2001:db8::10 50000 2001:db8::20 22 2 40 5200 38 90000 1765000200"; do
    control "seed flow host $flow" >/dev/null
done

echo "== device channel: control device, forwarded by the interposer to $dir/forward.sock"
channel

# The messages go over TCP; the interposer is still there because FW_Exit opens the control device
# (it looks the default handle up to compare), which this machine only has through the simulator.
echo "== socket channel: FW_Initialize type 2 to 127.0.0.1:$port"
channel --socket 127.0.0.1 "$port"

echo "== kestsimd served $(control "show requests")"

# The administrator's tool against the same daemon over the socket channel: check the example policy,
# load it, show what the module holds, save it back as text and compare the policy with it.
ctl="$BUILD/tools/kestfwctl/kestfwctl"
policy="$(dirname "$0")/../examples/policy.kfw"
if [ -x "$ctl" ]; then
    echo "== kestfwctl against 127.0.0.1:$port with examples/policy.kfw"
    "$ctl" check -q "$policy" && echo "    check: examples/policy.kfw parses"
    "$ctl" load --socket "127.0.0.1:$port" "$policy" && echo "    load: sent"
    echo "    show rulesets:"
    "$ctl" show --socket "127.0.0.1:$port" rulesets | sed 's/^/        /'
    echo "    save:"
    "$ctl" save --socket "127.0.0.1:$port" | sed 's/^/        /'
    if "$ctl" diff --socket "127.0.0.1:$port" "$policy"; then
        echo "    diff: the module holds examples/policy.kfw"
    else
        echo "demo: kestfwctl diff found differences after loading the policy" >&2
        exit 1
    fi
fi
