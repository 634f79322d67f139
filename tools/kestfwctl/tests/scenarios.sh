#!/usr/bin/env bash
# kestfwctl scenarios, one per ctest:  scenarios.sh SCENARIO KESTFWCTL KESTSIMD SOURCE_DIR
# Multi-step scenarios share one kestsimd started here and reached with --socket.
set -uo pipefail
scenario=$1 ctl=$2 simd=$3 src=$4
here=$(cd "$(dirname "$0")" && pwd)
policy=$src/examples/policy.kfw
work=$(mktemp -d /tmp/kestfwctl-test-XXXXXX)
daemon=""
cleanup() {
    if [ -n "$daemon" ] && kill -0 "$daemon" 2>/dev/null; then
        kill -TERM "$daemon"
        wait "$daemon" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs kestfwctl; its stdout, stderr and status land in $work/out, $work/err and $rc.
run() {
    "$ctl" "$@" >"$work/out" 2>"$work/err"
    rc=$?
    # A crash or sanitizer report is never an acceptable answer.
    [ "$rc" -lt 128 ] || fail "kestfwctl $* died with status $rc: $(cat "$work/err")"
    ! grep -q "Sanitizer\|runtime error" "$work/err" || fail "kestfwctl $*: $(cat "$work/err")"
}

expect_rc() {
    [ "$rc" -eq "$1" ] || fail "expected exit $1, got $rc; stderr: $(cat "$work/err"); stdout: $(head -c 2000 "$work/out")"
}

# The one-line message a usage or input fault must give: exactly one line on stderr, nothing on stdout.
expect_one_line() {
    expect_rc "$1"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "expected one line on stderr, got: $(cat "$work/err")"
    grep -q "$2" "$work/err" || fail "expected \"$2\" in: $(cat "$work/err")"
    [ ! -s "$work/out" ] || fail "expected nothing on stdout, got: $(cat "$work/out")"
}

start_daemon() {
    "$simd" --tcp 127.0.0.1:0 --control "$work/control.sock" >"$work/daemon.out" 2>"$work/daemon.log" &
    daemon=$!
    for _ in $(seq 1 300); do
        grep -qx ready "$work/daemon.out" && break
        kill -0 "$daemon" 2>/dev/null || fail "kestsimd did not start: $(cat "$work/daemon.log")"
        sleep 0.05
    done
    port=$(sed -n 's/^listening tcp 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/daemon.out")
    [ -n "$port" ] || fail "kestsimd announced no port"
    sock=(--socket "127.0.0.1:$port")
}

# One line of the daemon's control language; fails unless the daemon answers "ok".
control() {
    local answer
    answer=$(python3 -c 'import socket,sys
s=socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); s.sendall((sys.argv[2]+"\n").encode())
print(s.makefile().readline().strip())' "$work/control.sock" "$1") || fail "control \"$1\" unreachable"
    [ "$answer" = ok ] || fail "control \"$1\": $answer"
}

case $scenario in
check_good)
    run check "$policy"
    expect_rc 0
    grep -q "^create ruleset main " "$work/out" || fail "no rule set main in: $(cat "$work/out")"
    [ "$(grep -c '^ *rule ' "$work/out")" -eq 8 ] || fail "expected 8 rules: $(cat "$work/out")"
    # The normalised text is itself a policy that normalises to the same text.
    cp "$work/out" "$work/normal.kfw"
    run check "$work/normal.kfw"
    expect_rc 0
    cmp -s "$work/out" "$work/normal.kfw" || fail "normalising twice changed the text: $(diff "$work/normal.kfw" "$work/out")"
    run check -q - <"$policy"
    expect_rc 0
    [ ! -s "$work/out" ] || fail "-q printed: $(cat "$work/out")"
    ;;
check_error)
    run check "$here/bad_policy.kfw"
    expect_rc 1
    sed "s|@FILE@|$here/bad_policy.kfw|" "$here/bad_policy.expected" >"$work/expected"
    diff -u "$work/expected" "$work/err" || fail "parse error output differs from the golden text"
    [ ! -s "$work/out" ] || fail "stdout not empty on a parse error"
    ;;
load_show_diff)
    start_daemon
    run load "${sock[@]}" "$policy"
    expect_rc 0
    run show "${sock[@]}" rulesets
    expect_rc 0
    for rs in main mgmt main_L2; do grep -q "$rs" "$work/out" || fail "show rulesets lacks $rs: $(cat "$work/out")"; done
    run show "${sock[@]}" addrset web_servers
    expect_rc 0
    grep -q "10.0.2.0/24" "$work/out" || fail "show addrset lacks a member: $(cat "$work/out")"
    run diff "${sock[@]}" "$policy"
    expect_rc 0
    [ ! -s "$work/out" ] || fail "diff of the loaded policy printed: $(cat "$work/out")"
    # A refused statement: the line it starts on and the kernel's status, exit 1; the statements before
    # it were sent.
    run load "${sock[@]}" -e 'destroy ruleset no_such_set;'
    expect_rc 1
    grep -q "^kestfwctl: <cmd>:1: load: " "$work/err" || fail "refusal message: $(cat "$work/err")"
    printf 'create addrset w with {10.1.1.1}; # one;\n/* two;\n three; */ create ruleset "a;b" with {\n rule 10 inout protocol any from any to addrset w jumpto zz;\n};\n' \
        >"$work/jump.kfw"
    run load "${sock[@]}" "$work/jump.kfw"
    expect_one_line 1 "^kestfwctl: $work/jump.kfw:3: load: missing jump target (44)$"
    run show "${sock[@]}" addrset w
    expect_rc 0
    ;;
save_roundtrip)
    start_daemon
    run load "${sock[@]}" "$policy"
    expect_rc 0
    # A rule that jumps to a rule set named after its own: the saved text must create the target first.
    run load "${sock[@]}" -e 'create ruleset zz with { rule 1 inout protocol any from any to any pass; };
        create ruleset a with { rule 10 inout protocol any from any to addrset web_servers jumpto zz; };'
    expect_rc 0
    run save "${sock[@]}"
    expect_rc 0
    cp "$work/out" "$work/saved1.kfw"
    grep -q "set root ruleset main" "$work/saved1.kfw" || fail "save lost the root: $(cat "$work/saved1.kfw")"
    run load "${sock[@]}" -e 'clear root ruleset; destroy all ruleset; destroy all addrset;'
    expect_rc 0
    run show "${sock[@]}" rulesets --json
    expect_rc 0
    python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(1 if d["rulesets"] else 0)' "$work/out" ||
        fail "rule sets left after destroy all: $(cat "$work/out")"
    run load "${sock[@]}" "$work/saved1.kfw"
    expect_rc 0
    run save "${sock[@]}"
    expect_rc 0
    diff -u "$work/saved1.kfw" "$work/out" || fail "the saved text changed after a reload"
    run diff "${sock[@]}" "$policy"
    expect_rc 0
    ;;
diff_one_rule)
    start_daemon
    run load "${sock[@]}" "$policy"
    expect_rc 0
    sed 's/rule 110 in protocol udp from 10.0.0.1-10.0.0.6 to any port 53 pass;/rule 110 in protocol udp from 10.0.0.1-10.0.0.6 to any port 53 drop;/' \
        "$policy" >"$work/changed.kfw"
    run diff "${sock[@]}" "$work/changed.kfw"
    expect_rc 1
    [ "$(grep -c '^@@' "$work/out")" -eq 1 ] || fail "expected one hunk: $(cat "$work/out")"
    grep -q '^@@ ruleset main @@$' "$work/out" || fail "hunk is not for main: $(cat "$work/out")"
    [ "$(grep -c '^[-+] ' "$work/out")" -eq 2 ] || fail "expected one rule out, one in: $(cat "$work/out")"
    grep -q '^-    rule 110 .* pass;$' "$work/out" || fail "old rule 110 missing: $(cat "$work/out")"
    grep -q '^+    rule 110 .* drop;$' "$work/out" || fail "new rule 110 missing: $(cat "$work/out")"
    # A new member and a set the file does not hold any more show in their own hunks.
    printf 'create addrset web_servers with { ip 10.0.1.10, 10.0.1.11, 10.0.2.0/24, 10.9.9.9 };\ndestroy ruleset main_L2;\n' \
        >"$work/more.kfw"
    run diff "${sock[@]}" "$work/more.kfw"
    expect_rc 1
    grep -q '^+    10.9.9.9' "$work/out" || fail "added member missing: $(cat "$work/out")"
    grep -q '^@@ ruleset main_L2 (removed) @@$' "$work/out" || fail "removed set missing: $(cat "$work/out")"
    ;;
json_matches_report)
    start_daemon
    run load "${sock[@]}" "$policy"
    expect_rc 0
    # Flows in the table, so the connection count compared is not just zero.
    control "seed flow host 7 6 10.0.0.1 1234 10.0.1.10 80"
    control "seed flow host 9 17 10.0.0.2 5353 10.0.1.11 53"
    for what in rulesets "ruleset main" addrsets "addrset web_servers" stats settings connections; do
        run show "${sock[@]}" $what
        expect_rc 0
        cp "$work/out" "$work/report.txt"
        run show "${sock[@]}" $what --json
        expect_rc 0
        python3 "$here/compare_json.py" $what "$work/out" "$work/report.txt" || fail "show $what: JSON and report differ"
    done
    ;;
dry_run)
    # One command per normalised statement, the address sets that ranges become included.
    run check "$policy"
    statements=$(grep -c '^\(create\|set\|destroy\)' "$work/out")
    run load --dry-run "$policy"
    expect_rc 0
    grep -Eq "^$policy: [1-9][0-9]* messages, $statements commands, [1-9][0-9]* bytes$" "$work/out" ||
        fail "dry-run summary: $(cat "$work/out")"
    ;;
bad_usage)
    run frobnicate
    expect_one_line 2 'unknown subcommand "frobnicate"'
    run show everything
    expect_one_line 2 "everything"
    run show ruleset
    expect_one_line 2 "needs a NAME"
    run load --socket 127.0.0.1:1 --sim "$policy"
    expect_one_line 2 "kestfwctl: "
    run load --socket nocolon "$policy"
    expect_one_line 2 "HOST:PORT"
    run
    expect_one_line 2 "kestfwctl: "
    run --version
    expect_rc 0
    grep -q "^kestfwctl [0-9]" "$work/out" || fail "--version: $(cat "$work/out")"
    for sub in "" check load show save diff; do
        run $sub --help
        expect_rc 0
        grep -qi "usage" "$work/out" || fail "$sub --help: $(cat "$work/out")"
    done
    ;;
bad_files)
    run check "$work/missing.kfw"
    expect_one_line 2 "missing.kfw: No such file or directory"
    touch "$work/secret.kfw"
    chmod 000 "$work/secret.kfw"
    if [ "$(id -u)" -ne 0 ]; then
        run check "$work/secret.kfw"
        expect_one_line 2 "secret.kfw: Permission denied"
    fi
    run check "$work"
    expect_one_line 2 "Is a directory"
    : >"$work/empty.kfw"
    run check "$work/empty.kfw"
    expect_one_line 1 "empty configuration"
    head -c 4096 /dev/urandom >"$work/garbage"
    printf '\0\1\2' >>"$work/garbage"
    run check - <"$work/garbage"
    expect_one_line 1 "not a configuration text"
    run load --sim - <"$work/garbage"
    expect_one_line 1 "not a configuration text"
    run diff --sim "$work/missing.kfw"
    expect_one_line 2 "No such file"
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac
exit 0
