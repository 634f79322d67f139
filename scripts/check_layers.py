#!/usr/bin/env python3
"""Keeps the library's floors in order: no folder of src/ includes a folder above its own.

base <- util <- model <- transport <- frame <- cmd <- lang. Exit status 1 lists every include that
climbs; 0 when the tree is clean. Usage: check_layers.py [SRC_DIR]
"""
import os
import re
import sys

RANK = {"base": 0, "util": 1, "model": 2, "transport": 3, "frame": 4, "cmd": 5, "lang": 6}
INCLUDE = re.compile(r'\s*#\s*include\s+"(\w+)/')


def climbs(src):
    for sub, rank in RANK.items():
        for root, _, files in os.walk(os.path.join(src, sub)):
            for name in sorted(files):
                path = os.path.join(root, name)
                with open(path, errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if m and RANK.get(m.group(1), -1) > rank:
                            yield f"{path}:{number}: {sub}/ includes {m.group(1)}/"


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    found = list(climbs(src))
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
