#!/usr/bin/env python3
"""Fails when an include crosses an arrow of docs/architecture.md the wrong way.

usage: include_arrows.py SOURCE_DIR
"""
import os
import re
import sys

# Folder -> folders its files may include (its own always).
FOLDERS = {
    "host": set(),
    "xiv": {"host"},
    "json": set(),
    "engine": {"xiv", "json", "host"},
    "hostrt": {"host"},
    "refhost": {"host"},
    "sim": set(),
}
# Room of engine/ -> rooms it may include (its own always).
ROOMS = {
    "boundary": {"common", "identity", "snapshot", "mount", "provision", "inventory"},
    "common": set(),
    "identity": {"common"},
    "snapshot": {"identity", "common"},
    "mount": {"snapshot", "identity", "common"},
    "provision": {"common"},
    "inventory": {"common"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def crossings(root):
    for folder, allowed in FOLDERS.items():
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
                        if len(head) < 2 or head[0] not in FOLDERS:
                            continue  # relative includes stay in their folder
                        if head[0] != folder and head[0] not in allowed:
                            yield relative, included
                        elif folder == "engine" and head[0] == "engine" and len(parts) > 2:
                            room, target = parts[1], head[1]
                            if target != room and target not in ROOMS.get(room, set()):
                                yield relative, included


def main():
    found = list(crossings(sys.argv[1]))
    for path, included in found:
        print(f"{path} includes {included}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
