/* Windows calls for the console's hosted tests, looked up with qvtProc so
 * that no kernel service is involved, and the pixel reader. */
#ifndef CWIN_H
#define CWIN_H
#include "qvtest.h"
#include <windows.h>

#define CWIN_API(X)                                                                              \
    X(user32, GetWindowRect, BOOL, (HWND, RECT *))                                               \
    X(user32, GetClientRect, BOOL, (HWND, RECT *))                                               \
    X(user32, ClientToScreen, BOOL, (HWND, POINT *))                                             \
    X(user32, IsWindowVisible, BOOL, (HWND))                                                     \
    X(user32, IsIconic, BOOL, (HWND))                                                            \
    X(user32, GetWindowPlacement, BOOL, (HWND, WINDOWPLACEMENT *))                               \
    X(user32, GetDC, HDC, (HWND))                                                                \
    X(user32, ReleaseDC, int, (HWND, HDC))                                                       \
    X(user32, GetCaretPos, BOOL, (POINT *))                                                      \
    X(user32, SendMessageA, LRESULT, (HWND, UINT, WPARAM, LPARAM))                               \
    X(user32, PostMessageA, BOOL, (HWND, UINT, WPARAM, LPARAM))                                  \
    X(user32, PeekMessageA, BOOL, (MSG *, HWND, UINT, UINT, UINT))                               \
    X(user32, DispatchMessageA, LRESULT, (const MSG *))                                          \
    X(user32, GetSysColor, DWORD, (int))                                                         \
    X(user32, GetClassLongA, DWORD, (HWND, int))                                                 \
    X(user32, GetScrollRange, BOOL, (HWND, int, int *, int *))                                   \
    X(user32, GetScrollPos, int, (HWND, int))                                                    \
    X(user32, SetFocus, HWND, (HWND))                                                            \
    X(user32, GetFocus, HWND, (void))                                                            \
    X(user32, SetForegroundWindow, BOOL, (HWND))                                                 \
    X(user32, GetClassNameA, int, (HWND, char *, int))                                           \
    X(user32, GetWindowTextA, int, (HWND, char *, int))                                          \
    X(user32, GetWindowLongA, LONG, (HWND, int))                                                 \
    X(user32, UpdateWindow, BOOL, (HWND))                                                        \
    X(user32, InvalidateRect, BOOL, (HWND, const RECT *, BOOL))                                  \
    X(user32, GetCursor, HCURSOR, (void))                                                        \
    X(user32, LoadCursorA, HCURSOR, (HINSTANCE, const char *))                                   \
    X(user32, ShowWindow, BOOL, (HWND, int))                                                     \
    X(user32, FindWindowA, HWND, (const char *, const char *))                                   \
    X(user32, AdjustWindowRect, BOOL, (RECT *, DWORD, BOOL))                                     \
    X(user32, GetSystemMetrics, int, (int))                                                      \
    X(user32, GetWindowDC, HDC, (HWND))                                                          \
    X(user32, RedrawWindow, BOOL, (HWND, const RECT *, HRGN, UINT))                               \
    X(gdi32, CreateCompatibleDC, HDC, (HDC))                                                     \
    X(gdi32, CreateDIBSection, HBITMAP, (HDC, const BITMAPINFO *, UINT, void **, HANDLE, DWORD)) \
    X(gdi32, SelectObject, HGDIOBJ, (HDC, HGDIOBJ))                                              \
    X(gdi32, BitBlt, BOOL, (HDC, int, int, int, int, HDC, int, int, DWORD))                      \
    X(gdi32, DeleteDC, BOOL, (HDC))                                                              \
    X(gdi32, DeleteObject, BOOL, (HGDIOBJ))                                                      \
    X(gdi32, GdiFlush, BOOL, (void))                                                             \
    X(gdi32, GetStockObject, HGDIOBJ, (int))                                                     \
    X(gdi32, GetTextMetricsA, BOOL, (HDC, TEXTMETRICA *))                                        \
    X(gdi32, GetObjectType, DWORD, (HGDIOBJ))                                                    \
    X(gdi32, GetCurrentObject, HGDIOBJ, (HDC, UINT))                                             \
    X(gdi32, GetBkColor, COLORREF, (HDC))                                                        \
    X(gdi32, GetTextColor, COLORREF, (HDC))                                                      \
    X(gdi32, GetDeviceCaps, int, (HDC, int))                                                     \
    X(kernel32, CreateProcessA, BOOL, (const char *, char *, void *, void *, BOOL, DWORD, void *, const char *, STARTUPINFOA *, PROCESS_INFORMATION *)) \
    X(kernel32, WaitForSingleObject, DWORD, (HANDLE, DWORD))                                     \
    X(kernel32, GetExitCodeProcess, BOOL, (HANDLE, DWORD *))                                     \
    X(kernel32, GetModuleFileNameA, DWORD, (HMODULE, char *, DWORD))                             \
    X(kernel32, GetStartupInfoA, void, (STARTUPINFOA *))                                         \
    X(kernel32, GetTickCount, DWORD, (void))

#define CWIN_DECLARE(dll, name, ret, args) extern ret(__attribute__((stdcall)) * w##name) args;
CWIN_API(CWIN_DECLARE)
#undef CWIN_DECLARE

/* Resolves every function above; call first. */
void cwinInit(void);

/* Pumps the thread's messages for about ms milliseconds. */
void cwinPump(uint32_t ms);

/* A copy of the console's client area, read back with BitBlt. */
typedef struct {
    int width, height;
    uint32_t *bits; /* 0x00RRGGBB, top row first */
    HBITMAP bitmap;
    HDC dc;
} Capture;

void captureClient(HWND window, Capture *c);
/* The same area as it is on the display itself (under Wine the X server),
 * which the window's own surface reaches only when the system pushes it. */
void captureShown(HWND window, Capture *c);
/* width x height pixels at (x, y) of the whole window (frame included) as
 * its surface holds them: nothing is painted for it. */
void captureWindowArea(HWND window, int x, int y, int width, int height, Capture *c);
void freeCapture(Capture *c);
/* The pixel at (x, y) as a COLORREF (0x00BBGGRR); 0xFFFFFFFF outside. */
uint32_t pixelAt(const Capture *c, int x, int y);
/* Pixels of the rectangle [x0, x1) x [y0, y1) that equal colour. */
int countColor(const Capture *c, int x0, int y0, int x1, int y1, uint32_t colour);
/* Pixels of the rectangle that do not equal colour. */
int countOther(const Capture *c, int x0, int y0, int x1, int y1, uint32_t colour);

/* The number in the command-line tail ("" gives 0) and the word. */
const char *cwinArg(void);
int cwinArgIs(const char *word);
#endif

/* Opens the console, shows it (the start-up show command OR 6 leaves it
 * hidden or minimized under Wine) and fits a view of about rows x cols.
 * Returns the window. */
HWND openTestConsole(int rows, int cols);
/* The view, the cell size and the cursor, fetched afresh. */
int viewRows(void);
int viewCols(void);
int charWidth(void);
int lineHeight(void);
int cursorRow(void); /* relative to the top line */
int cursorCol(void);
/* A buffer cell. */
unsigned char cellAt(int row, int col);
