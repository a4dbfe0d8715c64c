#!/usr/bin/env python3
"""Line and branch coverage per source folder, from gcovr's JSON summary.

Usage: coverage-report.py SUMMARY.json

A folder is the path below the source root up to the depth that names a part of the
system (src/host, src/image, src/platform/linux, fmwrapper, fmhost, ...), so that the
figures read against the layout rather than file by file.
"""
import json
import sys

# Folders whose sub-folders are reported on their own rather than summed into them.
SPLIT = {"src": 2, "src/platform": 3, "src/platform/linux": 4}


def folder_of(path):
    parts = path.split("/")
    depth = 1
    prefix = parts[0]
    while prefix in SPLIT and len(parts) > SPLIT[prefix]:
        depth = SPLIT[prefix]
        prefix = "/".join(parts[:depth])
    if depth >= len(parts):  # a file directly in the folder
        return "/".join(parts[:-1]) or "."
    return prefix


def percent(done, total):
    return f"{100.0 * done / total:5.1f}%" if total else "    -"


def main():
    with open(sys.argv[1]) as f:
        summary = json.load(f)
    folders = {}
    for item in summary["files"]:
        name = folder_of(item["filename"])
        row = folders.setdefault(name, [0, 0, 0, 0])
        row[0] += item["line_covered"]
        row[1] += item["line_total"]
        row[2] += item["branch_covered"]
        row[3] += item["branch_total"]
    width = max(len(n) for n in folders) if folders else 6
    print(f"{'folder':<{width}}  {'lines':>17}  {'branches':>17}")
    total = [0, 0, 0, 0]
    for name in sorted(folders):
        row = folders[name]
        total = [a + b for a, b in zip(total, row)]
        print(f"{name:<{width}}  {row[0]:>6}/{row[1]:<6} {percent(row[0], row[1])}"
              f"  {row[2]:>6}/{row[3]:<6} {percent(row[2], row[3])}")
    print(f"{'all':<{width}}  {total[0]:>6}/{total[1]:<6} {percent(total[0], total[1])}"
          f"  {total[2]:>6}/{total[3]:<6} {percent(total[2], total[3])}")


if __name__ == "__main__":
    main()
