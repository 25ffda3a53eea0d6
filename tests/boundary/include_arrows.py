#!/usr/bin/env python3
"""Fails when an include crosses an arrow of docs/architecture.md the wrong way.

usage: include_arrows.py SOURCE_DIR
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def arrows(root):
    """The folder arrows and the room arrows, each a name -> the names it may include."""
    tables = {"folder": {}, "room": {}}
    with open(os.path.join(root, "tests", "data", "boundary", "include-arrows.txt")) as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                kind, name, *allowed = line.split()
                tables[kind][name] = set(allowed)
    return tables["folder"], tables["room"]


def crossings(root):
    folders, rooms = arrows(root)
    for folder, allowed in folders.items():
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(base, name)
                relative = os.path.relpath(path, root)
                parts = relative.split(os.sep)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for included in INCLUDE.findall(f.read()):
                        head = included.split("/")
                        if len(head) < 2 or head[0] not in folders:
                            continue  # relative includes stay in their folder
                        if head[0] != folder and head[0] not in allowed:
                            yield relative, included
                        elif folder == "engine" and head[0] == "engine" and len(parts) > 2:
                            room, target = parts[1], head[1]
                            if target != room and target not in rooms.get(room, set()):
                                yield relative, included


def main():
    found = list(crossings(sys.argv[1]))
    for path, included in found:
        print(f"{path} includes {included}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
