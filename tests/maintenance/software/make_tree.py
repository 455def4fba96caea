#!/usr/bin/env python3
"""Writes a test tree: make_tree.py ROOT KIND COUNT
  wide  COUNT subfolders directly under ROOT
  files COUNT empty files spread over 100 subfolders of ROOT
  deep  a chain of COUNT-1 nested folders below ROOT and a file of 3 bytes in the
        last, so that the file lies COUNT levels below ROOT"""
import os, sys

root, kind, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
os.makedirs(root, exist_ok=True)
if kind == "wide":
    for i in range(count):
        os.makedirs(os.path.join(root, f"d{i:05d}"), exist_ok=True)
elif kind == "files":
    for i in range(count):
        folder = os.path.join(root, f"s{i % 100:02d}")
        if i < 100:
            os.makedirs(folder, exist_ok=True)
        open(os.path.join(folder, f"f{i:06d}"), "wb").close()
elif kind == "deep":
    path = root
    for _ in range(count - 1):
        path = os.path.join(path, "d")
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, "f"), "wb") as f:
        f.write(b"abc")
else:
    sys.exit(f"unknown kind {kind}")
