#!/usr/bin/env python3
"""Reads TamselCli's scan --json output and TamselBench's lines for
bench/run-scan-bench.sh.

  scan-report.py categories SCAN.json
      problems per category: one "NAME<TAB>COUNT" line each
  scan-report.py compare BASE.json NEW.json
      "same problems: yes", or "same problems: no" and the first differing
      lines of the ordered problem lists (category, root, key path, value
      name, view, message, fix action; no timing fields); then "same counts:
      yes" or the counts that differ (items examined, problem and checked
      counts, and per category its found count and, per result entry, its
      problem and examined counts, where both documents have them)
  scan-report.py calls LABEL COUNTS.txt SCAN_ITEMS FLOOR_LINE
      the table call | scan calls | per item | floor calls | per item, from
      the counting engine's "name=value" file and the floor's output line
"""
import json
import sys

CALLS = ["RegOpenKeyExW", "RegQueryInfoKeyW", "RegEnumKeyExW", "RegEnumValueW", "RegQueryValueExW",
         "FindFirstFileW", "FindNextFileW", "ShellLinkLoad", "keys", "values", "paths", "items"]


def load(path):
    with open(path, "rb") as f:
        text = f.read().decode("utf-8", "replace")
    # The console tool's document is the last thing it prints.
    start = text.find("{")
    return json.loads(text[start:]) if start >= 0 else {}


def problem_lines(doc):
    lines = []
    for result in doc.get("results", []):
        for p in result.get("problems", []):
            lines.append("\t".join(str(x) for x in (
                result.get("name", ""), p.get("rootName", ""), p.get("keyPath", ""), p.get("valueName", ""),
                p.get("viewFlag", p.get("is64View", "")), p.get("message", ""), p.get("fixAction", ""))))
    return lines


def categories(path):
    doc = load(path)
    for result in doc.get("results", []):
        print("%s\t%d" % (result.get("name", ""), len(result.get("problems", []))))


def counts(doc):
    out = {}
    for name in ("itemsExamined", "problemCount", "checkedCount"):
        if name in doc:
            out[name] = doc[name]
    for i, c in enumerate(doc.get("categories", [])):
        out["category %d %s foundCount" % (i, c.get("name", ""))] = c.get("foundCount")
    for i, r in enumerate(doc.get("results", [])):
        for name in ("problemCount", "examinedCount"):
            if name in r:
                out["result %d %s %s" % (i, r.get("name", ""), name)] = r[name]
    return out


def compare_counts(base_doc, new_doc):
    base, new = counts(base_doc), counts(new_doc)
    differ = ["%s: %s against %s" % (k, base[k], new[k]) for k in base if k in new and base[k] != new[k]]
    print("same counts: yes" if not differ else "same counts: no")
    for line in differ[:5]:
        print("  " + line)


def compare(base_path, new_path):
    base_doc, new_doc = load(base_path), load(new_path)
    base, new = problem_lines(base_doc), problem_lines(new_doc)
    if base == new:
        print("same problems: yes (%d)" % len(new))
        compare_counts(base_doc, new_doc)
        return
    print("same problems: no (baseline %d, new %d)" % (len(base), len(new)))
    shown = 0
    for i in range(max(len(base), len(new))):
        a = base[i] if i < len(base) else "(none)"
        b = new[i] if i < len(new) else "(none)"
        if a != b:
            print("  #%d baseline: %s" % (i, a))
            print("  #%d new:      %s" % (i, b))
            shown += 1
            if shown == 5:
                break


def pairs(text):
    out = {}
    for word in text.replace("\r", "").split():
        if "=" in word:
            name, value = word.split("=", 1)
            out.setdefault(name, value)
    return out


def calls(label, counts_path, scan_items, floor_line):
    with open(counts_path, "rb") as f:
        scan = pairs(f.read().decode("utf-8", "replace"))
    floor = pairs(floor_line)
    items_scan = int(scan.get("items", scan_items) or 0)
    items_floor = int(floor.get("items", 0) or 0)

    def per(n, items):
        return "%.3f" % (n / items) if items > 0 else "-"

    print("%s: calls (scan items %d, floor items %d)" % (label, items_scan, items_floor))
    print("  %-18s %12s %9s %12s %9s" % ("call", "scan calls", "per item", "floor calls", "per item"))
    for name in CALLS:
        s = scan.get(name)
        f = floor.get(name)
        print("  %-18s %12s %9s %12s %9s" % (
            name, s if s is not None else "-", per(int(s), items_scan) if s is not None else "-",
            f if f is not None else "-", per(int(f), items_floor) if f is not None else "-"))


def main(argv):
    if len(argv) == 3 and argv[1] == "categories":
        categories(argv[2])
    elif len(argv) == 4 and argv[1] == "compare":
        compare(argv[2], argv[3])
    elif len(argv) == 6 and argv[1] == "calls":
        calls(argv[2], argv[3], argv[4], argv[5])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
