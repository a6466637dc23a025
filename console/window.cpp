// The console window: class, creation, window procedure, the window
// services, and the console's front end (frontend.h) it installs. The top
// of the console: it hands each message to the part that owns it (the
// renderer, the input method, marking, input, the run tool's watch).
#include "window.h"
#include "font.h"
#include "frontend.h"
#include "geometry.h"
#include "ime.h"
#include "layout.h"
#include "lock.h"
#include "marking.h"
#include "output.h"
#include "render.h"
#include "runwatch.h"
#include "state.h"
#include "../platform/services.h"
#include "../platform/process.h"
#include "../platform/settings.h"
#include "../platform/codepage.h"
#include "../platform/system.h"
#include "../input/input.h"
#include <string.h>

static ConsoleState &cs = consoleState;

// The window's own facts; nothing outside this file reads them.
static struct ConsoleWindow {
    bool unicodeWindow; // the window has its Unicode procedure now (a program with a text code page)
} win;

static const char consoleClassName[] = "Quorven";
static const WCHAR consoleClassNameW[] = L"Quorven";
// " Win9X/NT/2K 32位Quorven核 Ver 2.00" (with the leading blank)
static const char consoleCaption[] = " Win9X/NT/2K 32\xCE\xBBQuorven\xBA\xCB Ver 2.00";
static const DWORD CONSOLE_CLASS_STYLE = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC; // 0x2B
static const DWORD CONSOLE_STYLE = WS_OVERLAPPEDWINDOW | WS_VSCROLL;                       // 0x00EF0000
static const int CONSOLE_ICON = 100;

// The work area of the screen nearest to r (all of it but the task bar and
// the like): from the monitor calls where the system has them (98 and 2000
// on), else from the one screen's work area.
static ConsoleRect workAreaNear(const ConsoleRect &r)
{
    typedef HMONITOR(WINAPI * MonitorFromRectFn)(LPCRECT, DWORD);
    typedef BOOL(WINAPI * GetMonitorInfoFn)(HMONITOR, LPMONITORINFO);
    static MonitorFromRectFn monitorFromRect = systemFunction<MonitorFromRectFn>("user32.dll", "MonitorFromRect");
    static GetMonitorInfoFn getMonitorInfo = systemFunction<GetMonitorInfoFn>("user32.dll", "GetMonitorInfoA");
    RECT area = {r.left, r.top, r.right, r.bottom};
    MONITORINFO info;
    info.cbSize = sizeof info;
    HMONITOR monitor = monitorFromRect ? monitorFromRect(&area, MONITOR_DEFAULTTONEAREST) : nullptr;
    if (monitor && getMonitorInfo && getMonitorInfo(monitor, &info))
        area = info.rcWork;
    else if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        return r; // nothing known of the screen: as saved
    return ConsoleRect{area.left, area.top, area.right, area.bottom};
}

// Windows shows a program's main window the first time as its launcher asked
// (STARTF_USESHOWWINDOW and wShowWindow), whatever the program passes. Wine
// shows it with the program's own command, so that a window shown with the
// start-up command OR 6 opens minimized (7) or, for a program started
// without start-up information, stays hidden (14). Under Wine the window is
// therefore shown again as the launcher asked, or, without a launcher's
// wish, normally. On Windows nothing is added.
static void showAsLauncherAsked(HWND window)
{
    if (!systemInfo.wine) return;
    STARTUPINFOA si;
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    ShowWindow(window, (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWNORMAL);
}

// The window's scroll bar has a range that is not empty and its thumb at
// the top.
static bool thumbShownAtTop(HWND window)
{
    INT low = 0, high = 0;
    return GetScrollRange(window, SB_VERT, &low, &high) && low < high && GetScrollPos(window, SB_VERT) == low;
}

static HWND createConsoleWindow(HINSTANCE instance, HINSTANCE previous, int showCommand)
{
    if (cs.consoleWindow) return cs.consoleWindow;

    // The saved rectangle, moved onto a screen when it lies off every one;
    // the stored value stays until the window's real one is saved.
    // Without one, the default rectangle at the screen's DPI.
    bool saved;
    ConsoleRect r = readSavedConsoleRect(&saved);
    if (!saved) r = defaultConsoleRect();
    r = placeOnWorkArea(r, workAreaNear(r));

    // A program with a text code page of its own gets a Unicode window where
    // the system has working wide calls: typed characters arrive in UTF-16
    // and are converted to that code page, not read in the system's. Other
    // programs keep the ANSI window, whose characters come in the system's
    // code page, which is theirs; on Windows 9x a program with a code page
    // of its own gets the ANSI window too, and its characters are converted
    // from the system's code page.
    win.unicodeWindow = programTextsWide();
    if (!previous) {
        WNDCLASSW wc;
        wc.style = CONSOLE_CLASS_STYLE;
        wc.lpfnWndProc = win.unicodeWindow ? consoleWndProcW : consoleWndProc;
        wc.cbClsExtra = 0;
        wc.cbWndExtra = 0;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(CONSOLE_ICON));
        wc.hCursor = nullptr; // set on every mouse movement instead
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszMenuName = nullptr;
        wc.lpszClassName = consoleClassNameW;
        if (win.unicodeWindow) {
            RegisterClassW(&wc);
        } else {
            WNDCLASSA ansi; // the same record with the name as bytes
            memcpy(&ansi, &wc, sizeof ansi);
            ansi.lpszClassName = consoleClassName;
            RegisterClassA(&ansi);
        }
    }

    // WM_GETMINMAXINFO and WM_CREATE arrive inside this call.
    WCHAR caption[64];
    toWide(KERNEL_TEXT_CODE_PAGE, consoleCaption, -1, caption, 64);
    if (win.unicodeWindow) {
        cs.consoleWindow = CreateWindowExW(0, consoleClassNameW, caption, CONSOLE_STYLE, r.left, r.top,
                                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    } else {
        cs.consoleWindow = CreateWindowExA(0, consoleClassName, consoleCaption, CONSOLE_STYLE, r.left, r.top,
                                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
        // The system read the caption of an ANSI window in its own code page.
        // The default handling, called directly with the UTF-16 text, stores
        // it as it is (a WM_SETTEXT sent to the window would be converted to
        // the system's code page on the way). Windows 9x keeps captions in
        // its own code page only: there the GBK caption stays.
        if (cs.consoleWindow && wideCallsWork())
            DefWindowProcW(cs.consoleWindow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption));
    }
    if (cs.consoleWindow) systemColorsForNewWindow();
    // The start-up show command is OR-ed with 6, not used as it is.
    if (cs.consoleWindow) {
        renderOpening(true);
        ShowWindow(cs.consoleWindow, showCommand | 6);
        showAsLauncherAsked(cs.consoleWindow);
        // Whatever the show painted of the scroll bar had the range the
        // view's WM_SIZE set. A bar with its thumb at the top of a range
        // that is not empty looks the same in every such range (the thumb
        // has its fixed size without a page), the buffer's own below too:
        // then it is not painted again. Else, or where nothing was painted,
        // the bar is painted, or drawn from the final range when it shows.
        if (!thumbShownAtTop(cs.consoleWindow)) renderOpening(false);
    }
    SetScrollRange(cs.consoleWindow, SB_VERT, 0, cs.screen.bufferRows, FALSE);
    cs.screen.scrollPos = 0;
    renderScrollBar(0);
    renderOpening(false);
    if (cs.consoleWindow) allowDeferredDrawing();
    return cs.consoleWindow;
}

// The stock fixed font, or for a program with a text code page of its own
// the same request with that code page's character set: the text functions
// read bytes in the code page of the selected font's character set
// (GB2312_CHARSET: 936), whatever the system's code page.
// When the font mapper answers the request with a proportional font (Wine
// at code page 1252 gives "WenQuanYi Micro Hei" for GB2312_CHARSET, whose
// Latin letters overrun the cells), the faces of the character set are
// tried by name, in the order listed, and the first that measures fixed is
// taken. The listed pitch is not trusted: Wine lists that font as fixed.
struct FaceList {
    int count;
    char names[16][LF_FACESIZE];
};

static int CALLBACK listFace(const LOGFONTA *font, const TEXTMETRICA *, DWORD, LPARAM list)
{
    FaceList &faces = *reinterpret_cast<FaceList *>(list);
    if (font->lfFaceName[0] == '@') return 1; // the vertical forms
    lstrcpynA(faces.names[faces.count++], font->lfFaceName, LF_FACESIZE);
    return faces.count < 16;
}

// Measured, not taken from the pitch flag, which such a font may not set
// truthfully: 'i' and 'W' advance alike.
static bool isFixedPitch(HDC dc, HFONT font)
{
    HGDIOBJ old = SelectObject(dc, font);
    INT narrow = 0, wide = 1;
    GetCharWidth32A(dc, 'i', 'i', &narrow);
    GetCharWidth32A(dc, 'W', 'W', &wide);
    SelectObject(dc, old);
    return narrow == wide;
}

static HGDIOBJ consoleFont(HDC dc)
{
    HGDIOBJ stock = GetStockObject(ANSI_FIXED_FONT);
    if (!programHasCodePage()) return stock;
    LOGFONTA request;
    if (!GetObjectA(stock, sizeof request, &request)) return stock;
    request.lfCharSet = static_cast<BYTE>(codePageCharset(programCodePage()));
    HFONT font = CreateFontIndirectA(&request);
    if (font && !isFixedPitch(dc, font)) {
        LOGFONTA wanted = {};
        wanted.lfCharSet = request.lfCharSet;
        FaceList faces;
        faces.count = 0;
        EnumFontFamiliesExA(dc, &wanted, listFace, reinterpret_cast<LPARAM>(&faces), 0);
        for (int i = 0; i < faces.count; i++) {
            lstrcpynA(request.lfFaceName, faces.names[i], LF_FACESIZE);
            HFONT candidate = CreateFontIndirectA(&request);
            if (!candidate) continue;
            if (isFixedPitch(dc, candidate)) {
                DeleteObject(font);
                font = candidate;
                break;
            }
            DeleteObject(candidate);
        }
    }
    return font ? font : stock;
}

// Measures the console font in the window's own device context, which keeps
// the font selected for the window's life (also in the context GetScreenDC
// hands out).
static void onCreate(HWND window)
{
    cs.screenDC = GetDC(window);
    selectConsoleFont(cs.screenDC, consoleFont(cs.screenDC));
    ReleaseDC(window, cs.screenDC);
    addEditMenu(window);
}

// The program's windowProcHook is written for an ANSI window. A Unicode
// window hands it each message through the system's conversion to the ANSI
// form: CallWindowProcW with the handle that the wide GetWindowLongPtr
// gives for an ANSI window procedure. The handle comes from a window of an
// ANSI class that is never shown nor sent anything, whose procedure is set
// to the hook for that moment only: a message-only window where the system
// has them (2000 on), else a hidden top-level window (NT 4.0).
static WNDPROC ansiHookHandle(QvWord hook)
{
    static QvWord handleFor;
    static WNDPROC handle;
    static HWND holder;
    if (handle && handleFor == hook) return handle;
    if (!holder) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instanceHandle;
        wc.lpszClassName = "QuorvenHookA";
        RegisterClassA(&wc);
        bool messageOnly = hasMessageOnlyWindows();
        holder = CreateWindowExA(0, "QuorvenHookA", "", messageOnly ? 0 : WS_POPUP, 0, 0, 0, 0,
                                 messageOnly ? HWND_MESSAGE : nullptr, nullptr, instanceHandle, nullptr);
        if (!holder) return nullptr;
    }
    SetWindowLongPtrA(holder, GWLP_WNDPROC, static_cast<LONG_PTR>(hook));
    handle = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(holder, GWLP_WNDPROC));
    SetWindowLongPtrA(holder, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    handleFor = hook;
    return handle;
}

// The system cursor an identifier names. Only a 16-bit identifier names
// one: any other value would be taken by LoadCursorA as the address of a
// cursor's name and read as such; it gives no cursor, as an identifier the
// system does not know does.
static HCURSOR systemCursor(int32_t cursorId)
{
    return static_cast<uint32_t>(cursorId) <= 0xFFFF ? LoadCursorA(nullptr, MAKEINTRESOURCEA(cursorId)) : nullptr;
}

static LRESULT defaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return win.unicodeWindow ? DefWindowProcW(window, message, wParam, lParam)
                            : DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT passOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (QvWord hook = programHeader->windowProcHook) {
        if (win.unicodeWindow) {
            if (WNDPROC handle = ansiHookHandle(hook)) return CallWindowProcW(handle, window, message, wParam, lParam);
        }
        return reinterpret_cast<WNDPROC>(hook)(window, message, wParam, lParam);
    }
    return defaultWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK consoleWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_SIZE:
        cs.windowState = static_cast<int32_t>(wParam);
        if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
            rendererSized(LOWORD(lParam), HIWORD(lParam));
            fitViewToClient(HIWORD(lParam), LOWORD(lParam));
        }
        return 0;
    case WM_SETFOCUS:
        caretFocus(window, true);
        return 0;
    case WM_KILLFOCUS:
        caretFocus(window, false);
        return 0;
    case WM_PAINT:
        paintWindow(window);
        return 0;
    case WM_CLOSE:
        endProgram(0);
    case WM_SYSCOLORCHANGE:
        SetColors(-1, -1);
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO *info = reinterpret_cast<MINMAXINFO *>(lParam);
        int32_t x, y, h = cs.lineHeight, w = cs.charWidth;
        // Before WM_CREATE has measured the font: the floor of 8 at the
        // screen's DPI, so that a default window grown with the DPI fits.
        if (h == 0 && w == 0) h = w = cellFloorAtScreenDpi();
        maxTrackSize(cs.screen.bufferRows, cs.screen.bufferCols, h, w, &x, &y);
        info->ptMaxTrackSize.x = x;
        info->ptMaxTrackSize.y = y;
        return 0;
    }
    case WM_VSCROLL:
        onVerticalScroll(wParam);
        return 0;
    case WM_IME_STARTCOMPOSITION: // then on to the hook or the default handling
        compositionStarted();
        break;
    case WM_IME_COMPOSITION: // then on: the default handling makes WM_IME_CHAR of a result
        compositionChanged();
        break;
    case WM_IME_ENDCOMPOSITION:
        compositionEnded();
        break;
    case WM_IME_SETCONTEXT:
        lParam = imeContextFlags(lParam);
        break;
    case WM_INITMENU: // then on to the hook or the default handling
        editMenuOpening(window);
        break;
    case WM_MOUSEMOVE:
        SetCursor(systemCursor(cs.mouseCursorId));
        [[fallthrough]];
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_SYSKEYDOWN:
    case WM_COMMAND:
    case WM_SYSCOMMAND:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        if (editHandles(window, message, wParam, lParam)) return 0; // the Edit menu, or marking
        switch (handleInputMessage(message, wParam, lParam)) {
        case InputAction::Handled: return 0;
        case InputAction::Default: return defaultWindowProc(window, message, wParam, lParam);
        case InputAction::PassOn: break;
        }
        break;
    }
    if (isRunQuery(message)) return answerRunQuery(wParam, lParam);
    return passOn(window, message, wParam, lParam);
}

// The procedure of the Unicode window: characters arrive in UTF-16 and go
// into the queue in the program's code page; everything else is handled as
// in the ANSI window.
LRESULT CALLBACK consoleWndProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHAR || message == WM_IME_CHAR) {
        if (!editHandles(window, message, wParam, lParam)) takeWideCharacter(wParam);
        return 0;
    }
    return consoleWndProc(window, message, wParam, lParam);
}

extern "C" {
HWND __stdcall OpenConsole() { return createConsoleWindow(instanceHandle, prevInstance, cs.showCommand); }

int32_t __stdcall RestoreConsole()
{
    ShowWindow(cs.consoleWindow, SW_SHOWNORMAL);
    return 0;
}

int32_t __stdcall HideConsole()
{
    ShowWindow(cs.consoleWindow, SW_HIDE);
    return 0;
}

int32_t __stdcall ShowConsole()
{
    ShowWindow(cs.consoleWindow, SW_SHOW);
    return 0;
}

// The top edge comes first. Without SWP_NOZORDER and SWP_NOACTIVATE the
// window also comes to the top and is activated.
int32_t __stdcall MoveConsole(int32_t y, int32_t x)
{
    SetWindowPos(cs.consoleWindow, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
    return 0;
}

HWND __stdcall FocusWindow(HWND window) { return SetFocus(window); }

int32_t __stdcall SetMouseCursor(int32_t cursorId)
{
    cs.mouseCursorId = cursorId;
    SetCursor(systemCursor(cursorId));
    return 0;
}

// Creates the caret anew, focus or not, and shows it at the cursor.
int32_t __stdcall SetCaretHeight(int32_t height)
{
    newCaret(height);
    return 0;
}
}

// For a messageHook that handles a character message in the program's
// bytes (input/events.cpp): the Unicode window takes its byte procedure for
// that moment, and its Unicode procedure back after.
static bool byteProcedure(HWND window)
{
    if (window != cs.consoleWindow || !win.unicodeWindow) return false;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(consoleWndProc));
    win.unicodeWindow = false;
    return true;
}

static void unicodeProcedure()
{
    SetWindowLongPtrW(cs.consoleWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(consoleWndProcW));
    win.unicodeWindow = true;
}

void installConsoleWindow()
{
    ConsoleFrontEnd frontEnd;
    frontEnd.present = renderChanges;
    frontEnd.settle = renderSettle;
    frontEnd.redrawRows = renderRows;
    frontEnd.scrollBarTo = renderScrollBar;
    frontEnd.colorsChanged = renderColors;
    frontEnd.handOutDC = renderHandOutDC;
    frontEnd.byteProcedure = byteProcedure;
    frontEnd.unicodeProcedure = unicodeProcedure;
    installFrontEnd(frontEnd);
}

void closeConsole()
{
    if (HWND window = cs.consoleWindow) {
        reportScreenAtExit(); // to quorven-run, when it watches this run
        saveConsoleRect(window);
        DestroyWindow(window);
        cs.consoleWindow = nullptr;
    }
    releaseScreenBuffer();
}
