#!/usr/bin/env python3
"""Builds a folder tree for the file benchmarks: FOLDERS folders spread over three
levels, FILES small files in all, every fifth one a .jpg, plus a dot folder that a walk
must skip.  Usage: make_tree.py DIR FILES [FILE_SIZE]"""
import os
import sys

root, total = sys.argv[1], int(sys.argv[2])
size = int(sys.argv[3]) if len(sys.argv) > 3 else 0
exts = ["jpg", "txt", "png", "xmp", "pdf"]
per_folder = 100
folders = max(1, total // per_folder)
payload = b"x" * size
made = 0
for f in range(folders):
    path = os.path.join(root, "a%02d" % (f // 100), "b%02d" % ((f // 10) % 10), "c%d" % (f % 10))
    os.makedirs(path, exist_ok=True)
    for i in range(per_folder):
        if made == total:
            break
        with open(os.path.join(path, "f%05d.%s" % (made, exts[made % len(exts)])), "wb") as out:
            out.write(payload)
        made += 1
os.makedirs(os.path.join(root, ".cache"), exist_ok=True)
with open(os.path.join(root, ".cache", "skipped.jpg"), "wb") as out:
    out.write(payload)
