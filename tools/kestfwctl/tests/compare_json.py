#!/usr/bin/env python3
"""Checks that `kestfwctl show WHAT --json` says what the library's report for WHAT says, field by field.
usage: compare_json.py WHAT [NAME] JSON_FILE REPORT_FILE"""
import json
import re
import sys

args = sys.argv[1:]
what, json_path, report_path = args[0], args[-2], args[-1]
data = json.load(open(json_path))
lines = [l.rstrip("\n") for l in open(report_path)]
problems = []


def same(label, from_json, from_report):
    if from_json != from_report:
        problems.append(f"{label}: JSON {from_json!r}, report {from_report!r}")


def field(name):
    """The value of the report's first "name : value" line."""
    for l in lines:
        m = re.match(r"^\s*" + re.escape(name) + r"\s*:\s*(.*)$", l)
        if m:
            return m.group(1)
    problems.append(f"report has no {name!r} line")
    return None


def listed():
    """Report lines that are neither "key : value" lines nor comments."""
    return [l for l in lines if l and not l.startswith("#") and not re.match(r"^[A-Za-z ]+: ", l)]


def bare(member):
    return re.sub(r"^(ip|mac) ", "", member)


if what in ("rulesets", "addrsets"):
    key = what
    singular = what[:-1]
    names = [s["name"] for s in data[key]]
    same("count", len(names), int(field(f"{singular} count")))
    same("names", sorted(names), sorted(listed()))
elif what in ("ruleset", "addrset"):
    count_key = "rule_count" if what == "ruleset" else "address_count"
    count_label = "rule count" if what == "ruleset" else "address count"
    same("count", data[count_key], int(field(count_label)))
    same("generation", data["generation"], int(field("generation number")))
    shown = listed()
    if what == "ruleset":
        same("rule ids", [r["id"] for r in data["rules"]], [int(l.split()[1]) for l in shown])
        same("rules", len(data["rules"]), data["rule_count"])
    else:
        same("members", sorted(bare(m) for m in data["members"]), sorted(bare(l) for l in shown))
elif what == "stats":
    section = None
    seen = 0
    for l in lines:
        if l.startswith("PACKETS"):
            section = "packets"
        elif l.startswith("BYTES"):
            section = "bytes"
        m = re.match(r"^(v4|v6) (.+):\s+(\d+)\s+(\d+)$", l)
        if section and m:
            row = data[section][m.group(1)][m.group(2)]
            same(f"{section} {m.group(1)} {m.group(2)}", (row["in"], row["out"]), (int(m.group(3)), int(m.group(4))))
            seen += 1
        m = re.match(r"^L2 drop:\s+(\d+)\s+(\d+)$", l)
        if section and m:
            d = data["l2_drop"]
            same(f"{section} L2 drop", (d[section + "_in"], d[section + "_out"]), (int(m.group(1)), int(m.group(2))))
    if seen == 0:
        problems.append("no counter rows in the report")
elif what == "settings":
    same("fail policy", "fail " + data["fail_policy"], field("filter fail policy"))
    same("shared", "enabled" if data["shared_addrsets"] else "disabled", field("shared addrset"))
    shown = {}
    for l in lines:
        m = re.match(r"^   (\S+)\s*: (\d+)$", l)
        if m:
            shown[m.group(1)] = int(m.group(2))
    same("timeouts", data["timeouts"], shown)
elif what == "connections":
    same("count", data["count"], int(field("connection count")))
    same("flows", len(data["flows"]), data["count"])
    shown = [int(m.group(1), 16) for m in (re.search(r" 0x([0-9a-f]{16}) ", l) for l in lines) if m]
    same("flow ids", [f["flow_id"] for f in data["flows"]], shown)
else:
    problems.append(f"no comparison for {what}")

for p in problems:
    print(f"show {what}: {p}", file=sys.stderr)
sys.exit(1 if problems else 0)
