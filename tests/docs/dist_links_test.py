#!/usr/bin/env python3
"""Checks the links and the table of the `make dist` archive.

Writes the archive with cmake/dist.cmake into a scratch folder, unpacks it
and opens every relative link of every page it ships: the file must be in
the archive, and a link to a heading (#anchor) must find that heading in
the page, as GitHub names headings. Then the table of the archive's
contents in both guides must name every file and folder at the archive's
top level.

    python3 tests/docs/dist_links_test.py CMAKE SOURCE_DIR BIN_DIR SCRATCH
"""
import re
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6} (.+?)\s*$", re.M)
CODE_BLOCK = re.compile(r"^```.*?^```", re.M | re.S)


def anchor(heading):
    """The anchor GitHub gives a heading: lower case, punctuation dropped,
    blanks as hyphens; letters of any script stay."""
    text = heading.strip().lower().replace("`", "")
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(page):
    text = CODE_BLOCK.sub("", page.read_text(encoding="utf-8"))
    return {anchor(h) for h in HEADING.findall(text)}


def check_links(top):
    problems, count = [], 0
    for page in sorted(top.rglob("*.md")):
        text = CODE_BLOCK.sub("", page.read_text(encoding="utf-8"))
        for target in LINK.findall(text):
            if re.match(r"^[a-z]+:", target):
                continue  # http:, https:, mailto:
            count += 1
            path, _, fragment = target.partition("#")
            dest = (page.parent / path).resolve() if path else page
            where = "%s: link %s" % (page.relative_to(top), target)
            if top.resolve() not in dest.parents and dest != top.resolve():
                problems.append(where + " leaves the archive")
            elif not dest.exists():
                problems.append(where + " finds no file")
            elif fragment and dest.suffix == ".md" and fragment not in anchors(dest):
                problems.append(where + " finds no such heading")
    return count, problems


def check_table(top):
    """Both guides' table of the archive names every top-level entry."""
    problems = []
    entries = sorted(p.name for p in top.iterdir())
    for guide in ("GUIDE.md", "GUIDE.zh-CN.md"):
        text = (top / guide).read_text(encoding="utf-8")
        section = text[text.rindex("\n## ") :]
        archive_column = " ".join(
            row.split("|")[2] for row in section.splitlines() if row.startswith("|") and row.count("|") >= 3
        )
        for name in entries:
            if not re.search(r"`%s(/[^`]*)?`" % re.escape(name), archive_column):
                problems.append("%s: the archive's table does not name %s" % (guide, name))
    return problems


def main(cmake, source, bin_dir, scratch):
    scratch = Path(scratch)
    shutil.rmtree(scratch, ignore_errors=True)
    scratch.mkdir(parents=True)
    archive = scratch / "quorven-dist.zip"
    run = subprocess.run(
        [cmake, "-DSRC=" + source, "-DBIN=" + bin_dir, "-DOUT=" + str(archive), "-P", source + "/cmake/dist.cmake"],
        capture_output=True,
        text=True,
    )
    if run.returncode != 0:
        print(run.stdout + run.stderr)
        print("FAIL cmake/dist.cmake did not write the archive")
        return 1
    with zipfile.ZipFile(archive) as z:
        z.extractall(scratch / "unpacked")
    top = scratch / "unpacked" / "quorven"
    count, problems = check_links(top)
    problems += check_table(top)
    for p in problems:
        print("FAIL " + p)
    print("%d relative links in %d pages" % (count, len(list(top.rglob("*.md")))))
    if problems:
        print("TEST FAILED")
        return 1
    shutil.rmtree(scratch, ignore_errors=True)
    print("TEST PASSED")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print("usage: dist_links_test.py CMAKE SOURCE_DIR BIN_DIR SCRATCH")
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
