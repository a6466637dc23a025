"""The screen text: the kernel's screen buffer as the helper passes it on,
turned into the lines the console shows, in UTF-8; and the lines as the
checks compare them (--expect)."""
from .codepages import codec, lead_bytes
from .errors import UsageError


class ScreenDump:
    """The kernel's screen buffer: its size, the text cursor, the top line
    and the view, and the rows of bytes (rows x cols, row by row)."""

    def __init__(self, rows, cols, cursor_row, cursor_col, top_line, view_rows, view_cols, data):
        self.rows, self.cols = rows, cols
        self.cursor_row, self.cursor_col, self.top_line = cursor_row, cursor_col, top_line
        self.view_rows, self.view_cols = view_rows, view_cols
        self.data = data


def rows_of(dump, leads):
    """The buffer's rows as byte strings, a double-byte character that the
    wrap split kept whole in the row it starts in. Output wraps at the
    view's width byte by byte, so a lead byte in the view's last column has
    its trail byte in the next row's first cell; only the code page's own
    lead bytes start such a character."""
    cols = dump.cols
    count = min(dump.rows, len(dump.data) // cols) if cols > 0 else 0
    wrap = dump.view_cols if 0 < dump.view_cols < cols else cols
    raw = [bytearray(dump.data[r * cols:(r + 1) * cols]) for r in range(count)]
    shift = 0  # bytes taken from the front of this row by the row before
    for r in range(count):
        row = raw[r]
        i, taken = 0, 0
        while i < len(row):
            if row[i] in leads:
                if i + shift == wrap - 1 and r + 1 < count and raw[r + 1]:
                    row.insert(i + 1, raw[r + 1][0])
                    del raw[r + 1][0]
                    taken = 1
                    i += 2
                    continue
                if i + 1 < len(row):
                    i += 2
                    continue
            i += 1
        shift = taken
    return [bytes(row) for row in raw]


def screen_text(dump, code_page=936):
    """The screen's rows as text, blanks (and empty cells) at their ends
    trimmed, read in the program's code page."""
    leads = lead_bytes(code_page)
    return [row.replace(b'\0', b' ').decode(codec(code_page), 'replace').rstrip(' ')
            for row in rows_of(dump, leads)]


def screen_lines(lines):
    """Lines as the checks compare them: trailing blanks and blank lines at
    the end dropped."""
    lines = [line.rstrip(' \t') for line in lines]
    while lines and not lines[-1]:
        lines.pop()
    return lines


def read_expected(path):
    """The expected screen: UTF-8 lines, a byte-order mark, line ends and
    trailing blanks ignored, and blank lines at the end."""
    try:
        with open(path, encoding='utf-8-sig') as f:
            return screen_lines(f.read().splitlines())
    except FileNotFoundError:
        raise UsageError('--expect %s: no such file' % path)
    except IsADirectoryError:
        raise UsageError('--expect %s: is a folder' % path)
    except OSError as e:
        raise UsageError('--expect %s: %s' % (path, e.strerror))
    except UnicodeDecodeError:
        raise UsageError('--expect %s: not UTF-8 text' % path)
