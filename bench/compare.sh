#!/usr/bin/env bash
# Side-by-side: the 100 000-rule policy of scale_policy (1 000 rule sets of 100 rules, 1 000 address
# sets) loaded by this library into the simulated module, and the same policy written in the syntax of
# other packet filters and loaded by their own tools in a private network namespace. A tool that is not
# installed, or a namespace that cannot be made, is skipped with a message; nothing is installed here.
# Usage: bench/compare.sh [build-dir] [rule-sets]
set -u
BUILD=${1:-build}
SETS=${2:-1000}
PER=100
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

if [ ! -x "$BUILD/bench/scale_policy" ]; then
  echo "no $BUILD/bench/scale_policy: configure with -DKESTFW_BENCH=ON and build first" >&2
  exit 1
fi

# Our figure: parse + evaluate through the device channel (wall clock, as the others are timed).
ours=$("$BUILD/bench/scale_policy" "$SETS" | awk '/^parse \+ evaluate, device channel/ {print $8}')
echo "libkestfw: ${SETS}x${PER} rules, parse + evaluate into the simulated module: ${ours} s (wall)"

gen_tables_text() {
  awk -v sets="$SETS" -v per="$PER" 'BEGIN {
    print "table inet bench {"
    for (s = 0; s < sets; s++)
      printf "  set as%d { type ipv4_addr; flags interval; elements = { 10.%d.%d.1, 10.%d.%d.2, 172.16.%d.0/24 } }\n",
             s, int(s / 256), s % 256, int(s / 256), s % 256, s % 256
    for (s = 0; s < sets; s++) {
      printf "  chain rs%d {\n", s
      for (r = 0; r < per; r++) {
        m = r % 4
        if (m == 0) printf "    ip daddr @as%d tcp dport { 80, 443 } log accept\n", (s + r) % sets
        else if (m == 1) printf "    ip saddr 10.%d.%d.0/24 udp dport %d drop\n", r, s % 256, 1000 + r
        else if (m == 2) printf "    ip saddr @as%d icmp type echo-request accept\n", s
        else printf "    ip saddr 192.168.%d.%d ip daddr != 10.0.0.0/8 tcp dport 22 reject\n", r, s % 256
      }
      print "  }"
    }
    print "}"
  }'
}

gen_restore_text() {
  awk -v sets="$SETS" -v per="$PER" 'BEGIN {
    print "*filter"
    for (s = 0; s < sets; s++) printf ":rs%d - [0:0]\n", s
    for (s = 0; s < sets; s++)
      for (r = 0; r < per; r++) {
        m = r % 4
        if (m == 0) printf "-A rs%d -p tcp -d 10.%d.%d.1 -m multiport --dports 80,443 -j ACCEPT\n", s, int(((s + r) % sets) / 256), ((s + r) % sets) % 256
        else if (m == 1) printf "-A rs%d -p udp -s 10.%d.%d.0/24 --dport %d -j DROP\n", s, r, s % 256, 1000 + r
        else if (m == 2) printf "-A rs%d -p icmp --icmp-type echo-request -s 10.%d.%d.1 -j ACCEPT\n", s, int(s / 256), s % 256
        else printf "-A rs%d -p tcp -s 192.168.%d.%d ! -d 10.0.0.0/8 --dport 22 -j REJECT\n", s, r, s % 256
      }
    print "COMMIT"
  }'
}

# Runs "$@" in a private network namespace; prints the wall seconds, or nothing when it failed.
timed_in_netns() {
  local start end
  start=$(date +%s.%N)
  if ! unshare -n -- "$@" >"$WORK/out" 2>&1; then
    sed -n 1,3p "$WORK/out" >&2
    return 1
  fi
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}'
}

compare() {
  local label=$1 tool=$2 file=$3
  shift 3
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$label: skipped ($tool is not installed)"
    return
  fi
  if ! unshare -n true 2>/dev/null; then
    echo "$label: skipped (no private network namespace can be made here)"
    return
  fi
  local theirs
  if ! theirs=$(timed_in_netns "$tool" "$@" "$file"); then
    echo "$label: skipped ($tool failed, see above)"
    return
  fi
  echo "$label: ${theirs} s (wall); ratio to libkestfw: $(awk -v t="$theirs" -v o="$ours" 'BEGIN {printf "%.1fx", t / o}')"
}

gen_tables_text >"$WORK/policy.tables"
gen_restore_text >"$WORK/policy.restore"
compare "table-syntax filter" nft "$WORK/policy.tables" -f
compare "restore-syntax filter (legacy)" iptables-legacy-restore "$WORK/policy.restore"
compare "restore-syntax filter" iptables-restore "$WORK/policy.restore"
