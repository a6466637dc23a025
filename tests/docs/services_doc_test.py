#!/usr/bin/env python3
"""Checks that the service reference lists every service of sdk/quorven.h.

The service list is QV_SERVICE_LIST in sdk/quorven.h: X(slot, name, argument
count). Each page (docs/services.md and docs/services.zh-CN.md) must have,
for every service:

  - an entry headed by a line of exactly this form, and no other such line:
        ### <slot> `<name>`
  - a row of the index table that begins
        | <slot> | [`<name>`](#<slot>-<name in lower case>) |
    the rows in slot order;
  - inside its entry, the prototype of its helper as sdk/quorven.h defines
    it (without "static inline" and the body, ended with ";"), for every
    service that has a helper (qv<name>).

The two pages must give the entries in the same order.

    python3 tests/docs/services_doc_test.py [SOURCE_DIR]
"""
import re
import sys
from pathlib import Path

ENTRY = re.compile(r"^### (\d+) `(\w+)`$", re.M)
ANY_ENTRY = re.compile(r"^### \d+\b.*$", re.M)
INDEX_ROW = re.compile(r"^\| (\d+) \| \[`(\w+)`\]\(#([\w-]+)\) \|", re.M)
PAGES = ["docs/services.md", "docs/services.zh-CN.md"]


def squash(text):
    return " ".join(text.split())


def services(header):
    body = re.search(r"#define QV_SERVICE_LIST\(X\)(.*?)\n\n", header, re.S).group(1)
    return [(int(slot), name) for slot, name, _ in re.findall(r"X\((\d+),\s*(\w+),\s*(\d+)\)", body)]


def helpers(header):
    found = {}
    for proto in re.findall(r"^static inline (.+?\bqv\w+\(.*?\))\s*\{", header, re.M):
        name = re.search(r"\bqv(\w+)\(", proto).group(1)
        found[name] = squash(proto) + ";"
    return found


def check_page(path, listed, protos):
    text = path.read_text(encoding="utf-8")
    problems = []
    entries = [(int(s), n) for s, n in ENTRY.findall(text)]
    for line in ANY_ENTRY.findall(text):
        if not ENTRY.match(line):
            problems.append(f"{path}: malformed entry heading: {line}")
    for slot, name in listed:
        count = entries.count((slot, name))
        if count != 1:
            problems.append(f"{path}: {count} entries for slot {slot} {name}")
    for slot, name in entries:
        if (slot, name) not in listed:
            problems.append(f"{path}: entry for {slot} {name}, which sdk/quorven.h does not list")

    rows = [(int(s), n, anchor) for s, n, anchor in INDEX_ROW.findall(text)]
    if [(s, n) for s, n, _ in rows] != listed:
        problems.append(f"{path}: the index does not list every slot in order with its name")
    for slot, name, anchor in rows:
        if anchor != f"{slot}-{name.lower()}":
            problems.append(f"{path}: index row {slot} {name} links to #{anchor}")

    # Each entry runs from its heading to the next heading of level 2 or 3.
    starts = [(m.start(), (int(m.group(1)), m.group(2))) for m in ENTRY.finditer(text)]
    for start, (slot, name) in starts:
        nxt = re.compile(r"^##", re.M).search(text, start + 3)
        section = squash(text[start : nxt.start() if nxt else len(text)])
        proto = protos.get(name)
        if proto and proto not in section:
            problems.append(f"{path}: entry {slot} {name} lacks its helper's prototype: {proto}")
    return entries, problems


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]
    header = (root / "sdk/quorven.h").read_text(encoding="utf-8")
    listed = services(header)
    if len(listed) != 74 or [s for s, _ in listed] != list(range(74)):
        print(f"FAIL: QV_SERVICE_LIST gives {len(listed)} services, not slots 0 to 73")
        return 1
    protos = helpers(header)
    problems, orders = [], []
    for page in PAGES:
        entries, page_problems = check_page(root / page, listed, protos)
        orders.append(entries)
        problems += page_problems
    if orders[0] != orders[1]:
        problems.append(f"{PAGES[0]} and {PAGES[1]} give the entries in different orders")
    for p in problems:
        print("FAIL:", p)
    if not problems:
        print(f"ok: {len(listed)} services in {' and '.join(PAGES)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
