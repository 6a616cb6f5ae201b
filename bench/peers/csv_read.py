"""Reads a CSV file with Python's csv.reader only, to compare the import's CPU time with a peer's.
Run by compare-import.sh; not part of the program's build."""
import csv
import sys

with open(sys.argv[1], newline="", encoding="utf-8-sig") as f:
    rows = sum(1 for _ in csv.reader(f))
print("rows:", rows)
