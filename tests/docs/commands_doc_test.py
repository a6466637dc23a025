#!/usr/bin/env python3
"""Checks that a page and its Chinese translation show the same commands.

For each pair (README.md and README.zh-CN.md, docs/guide.md and
docs/guide.zh-CN.md) the commands of every code block marked sh, console or
make are taken: in sh and make blocks every line (lines ending in a
backslash joined to the next), in console blocks the lines after a "$ "
prompt; blank lines and comments (from a " #" to the end of a line, or a
line starting with "#") are left out, since a translation rewrites them.
Every command of one page must stand in the other. A page changed on one
side only then fails.

    python3 tests/docs/commands_doc_test.py [SOURCE_DIR]
"""
import re
import sys
from pathlib import Path

PAIRS = [("README.md", "README.zh-CN.md"), ("docs/guide.md", "docs/guide.zh-CN.md")]
BLOCK = re.compile(r"^```(sh|console|make)[ \t]*\n(.*?)^```", re.M | re.S)


def strip_comment(line):
    if line.lstrip().startswith("#"):
        return ""
    # A comment starts at a blank and '#' outside quotes.
    quote = None
    for i, c in enumerate(line):
        if quote:
            if c == quote:
                quote = None
        elif c in "'\"":
            quote = c
        elif c == "#" and i > 0 and line[i - 1] in " \t":
            return line[:i]
    return line


def commands(text):
    found = []
    for kind, body in BLOCK.findall(text):
        lines = body.split("\n")
        if kind == "console":
            lines = [l[2:] for l in lines if l.startswith("$ ")]
        joined, pending = [], ""
        for line in lines:
            if line.endswith("\\"):
                pending += line[:-1].strip() + " "
                continue
            joined.append(pending + line.strip())
            pending = ""
        for line in joined:
            command = " ".join(strip_comment(line).split())
            if command:
                found.append(command)
    return found


def main(root):
    problems = []
    for english, chinese in PAIRS:
        pages = {}
        for name in (english, chinese):
            path = Path(root) / name
            if not path.exists():
                problems.append("%s is missing" % name)
                continue
            pages[name] = commands(path.read_text(encoding="utf-8"))
        if len(pages) < 2:
            continue
        if not pages[english]:
            problems.append("%s shows no command" % english)
        for one, other in ((english, chinese), (chinese, english)):
            for command in pages[one]:
                if command not in pages[other]:
                    problems.append("%s shows a command %s does not: %s" % (one, other, command))
        print("%s and %s: %d and %d commands" % (english, chinese, len(pages[english]), len(pages[chinese])))
    for p in problems:
        print("FAIL " + p)
    if problems:
        print("TEST FAILED")
        return 1
    print("TEST PASSED")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
