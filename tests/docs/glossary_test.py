#!/usr/bin/env python3
"""Checks that the Chinese pages use the terms of one glossary.

The glossary is the table under the heading "术语表" of docs/guide.zh-CN.md:
| 术语 | English | 含义 | 不用 |. Its last column lists, separated by "、", the
words a term replaced. No Chinese page (README.zh-CN.md, docs/*.zh-CN.md)
may use one of them outside the glossary's own table, and each of them
links to the glossary. A page that names an English-only page (a docs/*.md
without a .zh-CN.md beside it) marks the name "（英文）" right after it.

    python3 tests/docs/glossary_test.py [SOURCE_DIR]
"""
import re
import sys
from pathlib import Path

GLOSSARY_PAGE = "docs/guide.zh-CN.md"
GLOSSARY_LINK = "guide.zh-CN.md#术语表"


def glossary(text):
    """The table's rows as (term, replaced words), and the table's span."""
    start = text.index("\n## 术语表")
    end = text.index("\n## ", start + 1)
    rows = []
    for line in text[start:end].splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) != 4 or cells[0] in ("术语", "") or set(cells[0]) <= set("-: "):
            continue
        replaced = [w.strip().strip("“”\"") for w in cells[3].split("、") if w.strip() and w.strip() != "—"]
        rows.append((cells[0], replaced))
    return rows, (start, end)


def main(root):
    root = Path(root)
    problems = []
    guide = (root / GLOSSARY_PAGE).read_text(encoding="utf-8")
    rows, (start, end) = glossary(guide)
    if len(rows) < 10:
        problems.append("%s: the glossary has %d terms" % (GLOSSARY_PAGE, len(rows)))
    replaced = {w: term for term, words in rows for w in words}
    english_only = sorted(
        p.name for p in (root / "docs").glob("*.md") if not p.name.endswith(".zh-CN.md")
        and not (p.parent / (p.stem + ".zh-CN.md")).exists()
    )
    pages = [root / "README.zh-CN.md"] + sorted((root / "docs").glob("*.zh-CN.md"))
    for page in pages:
        name = str(page.relative_to(root))
        text = page.read_text(encoding="utf-8")
        checked = text[:start] + text[end:] if name == GLOSSARY_PAGE else text
        for number, line in enumerate(checked.splitlines(), 1):
            for word, term in replaced.items():
                if word in line:
                    problems.append("%s: %r where the glossary says %s: %s" % (name, word, term, line.strip()))
            for english in english_only:
                for m in re.finditer(r"(?<![\w-])%s\b" % re.escape(english), line):
                    after = line[m.end():m.end() + 30]
                    if "（英文）" not in after:
                        problems.append("%s: %s is an English page, not marked （英文）: %s"
                                        % (name, english, line.strip()))
        if name != GLOSSARY_PAGE and GLOSSARY_LINK not in text:
            problems.append("%s: no link to the glossary (%s)" % (name, GLOSSARY_LINK))
    for p in problems:
        print("FAIL " + p)
    print("%d terms, %d replaced words, %d Chinese pages" % (len(rows), len(replaced), len(pages)))
    if problems:
        print("TEST FAILED")
        return 1
    print("TEST PASSED")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
