#!/usr/bin/env python3
"""Per-folder include graph of the hand-written, non-test code.

Usage: tools/include_graph.py [ROOT]

Prints, for each top-level folder of the library and the tools, the folders its files include
headers from, with the number of include lines (generated tables under charset/tables/ left
out). The layers must only include downwards; this shows whether they do. Lines of code per
folder are counted by tools/line_counts.sh.
"""
import collections
import os
import re
import sys

FOLDERS = ["platform", "unicode", "text", "charset", "coding", "dates", "files", "component", "tools"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    edges = collections.Counter()
    for folder in FOLDERS:
        for base, _, names in os.walk(os.path.join(root, folder)):
            if "node_modules" in base or os.sep + "tables" in base:
                continue
            for name in names:
                if not name.endswith((".cpp", ".h", ".inc")):
                    continue
                path = os.path.join(base, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read().splitlines()
                for line in text:
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(1).split("/")[0]
                    if target in FOLDERS and target != folder:
                        edges[(folder, target)] += 1
    print("includes between folders (from -> to: include lines)")
    for folder in FOLDERS:
        targets = sorted((t, n) for (f, t), n in edges.items() if f == folder)
        if targets:
            print(f"  {folder:9} -> " + ", ".join(f"{t} {n}" for t, n in targets))


if __name__ == "__main__":
    main()
