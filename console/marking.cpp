// Copy and paste through the system menu's "编辑" (Edit) submenu, as the
// Chinese Windows console has it: "标记" (mark), "复制" (copy), "粘贴"
// (paste), "全选" (select all). Their identifiers are system commands, so
// no program sees an event of them, and items a program adds itself keep
// giving theirs. While marking, the mouse and the keys select cells instead
// of reaching the program's queue; the selection is drawn inverted over the
// picture by the renderer, which asks this file for it. Output that
// arrives meanwhile goes into the buffer and is drawn as usual.
#include "marking.h"
#include "frontend.h"
#include "layout.h"
#include "lock.h"
#include "state.h"
#include "../platform/services.h"
#include "../platform/system.h"
#include "../platform/codepage.h"
#include "../input/clipboard.h"
#include <stdlib.h>
#include <string.h>

static ConsoleState &cs = consoleState;

// Marking's own state; nothing outside this file writes it.
static struct Marking {
    Selection selection;       // the cells selected for copying, drawn inverted over the picture
    WCHAR markedCaption[128];  // the caption marking replaced, given back when it ends
} mk;

// System commands of the submenu's items. The system keeps the low four
// bits of a system command for itself, so they are compared without them.
enum : UINT {
    SC_EDIT_MARK = 0xFF00,
    SC_EDIT_COPY = 0xFF10,
    SC_EDIT_PASTE = 0xFF20,
    SC_EDIT_SELECT_ALL = 0xFF30,
};

static const char editText[] = "\xB1\xE0\xBC\xAD";          // "编辑"
static const char markText[] = "\xB1\xEA\xBC\xC7";          // "标记"
static const char copyText[] = "\xB8\xB4\xD6\xC6";          // "复制"
static const char pasteText[] = "\xD5\xB3\xCC\xF9";         // "粘贴"
static const char selectAllText[] = "\xC8\xAB\xD1\xA1";     // "全选"
static const char markingPrefix[] = "\xB1\xEA\xBC\xC7 - ";  // "标记 - " before the caption while marking

static const int CAPTION_UNITS = sizeof mk.markedCaption / sizeof mk.markedCaption[0];

// A menu item with one of the kernel's own texts: through the wide call,
// or on Windows 9x, whose wide menu calls fail, in the system's code page.
static void appendKernelItem(HMENU menu, UINT flags, UINT_PTR id, const char *text)
{
    WCHAR wide[16];
    toWide(KERNEL_TEXT_CODE_PAGE, text, -1, wide, 16);
    if (wideCallsWork()) {
        AppendMenuW(menu, flags, id, wide);
        return;
    }
    char bytes[32];
    AppendMenuA(menu, flags, id, toSystemText(wide, bytes, sizeof bytes));
}

void addEditMenu(HWND window)
{
    HMENU system = GetSystemMenu(window, FALSE);
    if (!system) return;
    HMENU edit = CreatePopupMenu();
    if (!edit) return;
    appendKernelItem(edit, MF_STRING, SC_EDIT_MARK, markText);
    appendKernelItem(edit, MF_STRING, SC_EDIT_COPY, copyText);
    appendKernelItem(edit, MF_STRING, SC_EDIT_PASTE, pasteText);
    appendKernelItem(edit, MF_STRING, SC_EDIT_SELECT_ALL, selectAllText);
    AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
    appendKernelItem(system, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), editText);
}

// "复制" only while something is selected, "粘贴" only while the clipboard
// holds text.
void editMenuOpening(HWND window)
{
    HMENU system = GetSystemMenu(window, FALSE);
    if (!system) return;
    bool selected = mk.selection.marking && mk.selection.extended;
    bool text = IsClipboardFormatAvailable(CF_TEXT) || IsClipboardFormatAvailable(CF_UNICODETEXT);
    EnableMenuItem(system, SC_EDIT_COPY, MF_BYCOMMAND | (selected ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(system, SC_EDIT_PASTE, MF_BYCOMMAND | (text ? MF_ENABLED : MF_GRAYED));
}

// The caption as stored, in UTF-16 (DefWindowProc directly: a message sent
// to an ANSI window would pass through the system's code page).
static void readCaption(HWND window, WCHAR *out, int units)
{
    out[0] = 0;
    if (wideCallsWork()) {
        DefWindowProcW(window, WM_GETTEXT, static_cast<WPARAM>(units), reinterpret_cast<LPARAM>(out));
        return;
    }
    char bytes[256];
    bytes[0] = 0;
    DefWindowProcA(window, WM_GETTEXT, sizeof bytes, reinterpret_cast<LPARAM>(bytes));
    if (!MultiByteToWideChar(CP_ACP, 0, bytes, -1, out, units)) out[0] = 0;
    out[units - 1] = 0;
}

static void writeCaption(HWND window, const WCHAR *text)
{
    if (wideCallsWork()) {
        DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        return;
    }
    char bytes[256];
    DefWindowProcA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(toSystemText(text, bytes, sizeof bytes)));
}

// "标记 - " and the caption, as a native console says it is marking.
static void showMarkingCaption(HWND window)
{
    readCaption(window, mk.markedCaption, CAPTION_UNITS);
    WCHAR caption[CAPTION_UNITS + 16];
    toWide(KERNEL_TEXT_CODE_PAGE, markingPrefix, -1, caption, 16);
    const WCHAR *rest = mk.markedCaption;
    while (*rest == ' ') rest++; // the kernel's caption starts with a blank
    int n = lstrlenW(caption);
    for (int i = 0; rest[i] && n < CAPTION_UNITS + 15; i++) caption[n++] = rest[i];
    caption[n] = 0;
    writeCaption(window, caption);
}

// Redraws the rows the selection covered before (first..last) and covers now.
static void showSelection(int32_t first, int32_t last)
{
    int32_t now, nowLast;
    selectionRows(mk.selection, &now, &nowLast);
    if (now <= nowLast) {
        if (first > last) {
            first = now;
            last = nowLast;
        } else {
            if (now < first) first = now;
            if (nowLast > last) last = nowLast;
        }
    }
    redrawBufferRows(first, last);
}

// Starts marking (again) with the selection that `select` makes.
template <typename Select> static void changeSelection(HWND window, Select select)
{
    if (!cs.screen.buffer) return;
    if (!mk.selection.marking) showMarkingCaption(window);
    lockScreen();
    followShift(mk.selection, cs.screen.shiftTotal);
    int32_t first, last;
    selectionRows(mk.selection, &first, &last);
    select(mk.selection);
    unlockScreen();
    showSelection(first, last);
}

// Puts the selected cells on the clipboard.
static void copySelection(HWND window)
{
    if (!mk.selection.extended) return;
    lockScreen();
    followShift(mk.selection, cs.screen.shiftTotal);
    int32_t size = selectedTextSize(mk.selection, cs.screen.viewCols);
    char *bytes = static_cast<char *>(malloc(static_cast<size_t>(size) + 1));
    int32_t n = bytes ? selectedText(mk.selection, cs.screen, programLeadBytes(), bytes) : 0;
    unlockScreen();
    if (!bytes) return;
    copyToClipboard(window, bytes, n);
    free(bytes);
}

static void endMarking(HWND window, bool copy)
{
    if (!mk.selection.marking) return;
    if (copy) copySelection(window);
    if (mk.selection.dragging) ReleaseCapture();
    lockScreen();
    followShift(mk.selection, cs.screen.shiftTotal);
    int32_t first, last;
    selectionRows(mk.selection, &first, &last);
    mk.selection.marking = false;
    mk.selection.dragging = false;
    unlockScreen();
    redrawBufferRows(first, last);
    writeCaption(window, mk.markedCaption);
}

// Rows the mark cursor may reach: the buffer's, as far as the view can scroll.
static int32_t markRows()
{
    const ScreenModel &m = cs.screen;
    int32_t reach = m.cursorRow + m.viewRows;
    return reach < m.bufferRows ? reach : m.bufferRows;
}

// The cell under a mouse position in client pixels, kept inside the view.
static CellPos cellAt(LPARAM lParam)
{
    const ScreenModel &m = cs.screen;
    int32_t x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    int32_t col = x <= 1 ? 0 : (x - 1) / cs.charWidth;
    int32_t row = y <= 0 ? 0 : y / cs.lineHeight;
    col = clampCursor(col, m.viewCols);
    row = clampCursor(row, rowsToPaint(m.topLine, m.viewRows, m.bufferRows));
    return CellPos{m.topLine + row, col};
}

// The view follows the mark cursor when the keys move it out.
static void keepMarkInView()
{
    const ScreenModel &m = cs.screen;
    int32_t row = mk.selection.point.row;
    if (row < m.topLine) ScrollToLine(row);
    else if (row > m.topLine + m.viewRows - 1) ScrollToLine(row - m.viewRows + 1);
}

static void markKey(HWND window, WPARAM key)
{
    const ScreenModel &m = cs.screen;
    int32_t dRow = 0, dCol = 0;
    switch (key) {
    case VK_LEFT: dCol = -1; break;
    case VK_RIGHT: dCol = 1; break;
    case VK_UP: dRow = -1; break;
    case VK_DOWN: dRow = 1; break;
    case VK_HOME: dCol = -m.viewCols; break;
    case VK_END: dCol = m.viewCols; break;
    case VK_PRIOR: dRow = -(m.viewRows - 1); break;
    case VK_NEXT: dRow = m.viewRows - 1; break;
    default: return; // every other key is swallowed
    }
    bool extend = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    int32_t rows = markRows(), cols = m.viewCols;
    changeSelection(window, [&](Selection &s) { moveMark(s, dRow, dCol, extend, rows, cols); });
    keepMarkInView();
}

// While dragging, a position above or below the view scrolls it a row.
static void dragScroll(LPARAM lParam)
{
    int32_t y = static_cast<short>(HIWORD(lParam));
    if (y < 0) ScrollToLine(cs.screen.topLine - 1);
    else if (y >= cs.screen.viewRows * cs.lineHeight) ScrollToLine(cs.screen.topLine + 1);
}

static bool markMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        CellPos at = cellAt(lParam);
        changeSelection(window, [&](Selection &s) {
            selectCells(s, at, at);
            s.dragging = true;
        });
        SetCapture(window);
        return true;
    }
    case WM_MOUSEMOVE:
        if (mk.selection.dragging && (wParam & MK_LBUTTON)) {
            dragScroll(lParam);
            CellPos at = cellAt(lParam);
            if (at.row != mk.selection.point.row || at.col != mk.selection.point.col)
                changeSelection(window, [&](Selection &s) { selectCells(s, s.anchor, at); });
        }
        return true;
    case WM_LBUTTONUP:
        if (mk.selection.dragging) {
            CellPos at = cellAt(lParam);
            changeSelection(window, [&](Selection &s) {
                selectCells(s, s.anchor, at);
                s.dragging = false;
            });
            ReleaseCapture();
        }
        return true;
    case WM_RBUTTONUP: // a right click copies and ends marking
        endMarking(window, true);
        return true;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

static bool editCommand(HWND window, UINT command)
{
    switch (command) {
    case SC_EDIT_MARK: {
        const ScreenModel &m = cs.screen;
        CellPos at = {m.cursorRow, clampCursor(m.cursorCol, m.viewCols)};
        int32_t shift = m.shiftTotal;
        changeSelection(window, [&](Selection &s) { startMarking(s, at, shift); });
        return true;
    }
    case SC_EDIT_SELECT_ALL: {
        const ScreenModel &m = cs.screen;
        CellPos last = {lastWrittenRow(m), m.viewCols - 1};
        int32_t shift = m.shiftTotal;
        changeSelection(window, [&](Selection &s) {
            startMarking(s, CellPos{0, 0}, shift);
            selectCells(s, CellPos{0, 0}, last);
        });
        return true;
    }
    case SC_EDIT_COPY:
        endMarking(window, true);
        return true;
    case SC_EDIT_PASTE:
        endMarking(window, false);
        pasteClipboard(window);
        return true;
    default:
        return false;
    }
}

bool editHandles(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOMMAND) return editCommand(window, static_cast<UINT>(wParam & 0xFFF0));
    // Wine sends the items of a submenu of the system menu as WM_COMMAND
    // (Windows as WM_SYSCOMMAND). A program's own menus keep identifiers
    // below 0xF000, which are the system's.
    if (message == WM_COMMAND && lParam == 0 && HIWORD(wParam) == 0 && LOWORD(wParam) >= 0xF000)
        return editCommand(window, LOWORD(wParam));
    if (!mk.selection.marking) return false;
    switch (message) {
    case WM_KEYDOWN:
        markKey(window, wParam);
        return true;
    case WM_CHAR:
    case WM_IME_CHAR:
        if (wParam == 13) endMarking(window, true); // Enter copies
        else if (wParam == 27) endMarking(window, false); // Esc does not
        return true;
    case WM_SYSKEYDOWN:
        return wParam == VK_F10; // a program's key; Alt with the others stays with the system
    default:
        return markMouse(window, message, wParam, lParam);
    }
}

bool markingShown() { return mk.selection.marking; }

bool markedSpan(int32_t row, const char *text, SelectedSpan *span)
{
    followShift(mk.selection, cs.screen.shiftTotal);
    return selectedSpan(mk.selection, row, text, cs.screen.viewCols, programLeadBytes(), span);
}
