#!/usr/bin/env python3
"""Parses vol_list answers with xml.etree.ElementTree and extracts every
volume field, as a script reading xcli output would. Prints one JSON object:
file -> best processor time in milliseconds over the runs."""
import json
import sys
import time
import xml.etree.ElementTree as ET

NUMBERS = {"size", "size_MiB", "capacity", "used_capacity", "used_capacity_MiB"}


def extract(path):
    root = ET.parse(path).getroot()
    volumes = []
    for volume in root.iter("volume"):
        record = {}
        for field in volume:
            value = field.get("value", "")
            record[field.tag] = int(value) if field.tag in NUMBERS else value
        volumes.append(record)
    return volumes


def main():
    runs = int(sys.argv[1])
    result = {}
    for path in sys.argv[2:]:
        best = None
        for _ in range(runs):
            start = time.process_time()
            volumes = extract(path)
            elapsed = (time.process_time() - start) * 1000.0
            best = elapsed if best is None else min(best, elapsed)
        result[path] = {"ms": best, "volumes": len(volumes)}
    print(json.dumps(result))


if __name__ == "__main__":
    main()
