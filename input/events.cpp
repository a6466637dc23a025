// Input events: keyboard, mouse and command messages of the console window
// become event codes in the queue; PostEvent and GetShiftState.
#include "input.h"
#include "event_codes.h"
#include "event_queue.h"
#include "../console/console.h"
#include "../console/state.h"
#include "../host/services.h"

// A key counts as down when the high bit of the 16-bit GetKeyState result
// is set. GetKeyState reports the state that belonged to the message being
// handled, which is what a key event must carry.
static bool keyDown(int virtualKey)
{
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

// Each enqueue tests for room first: a refused event sounds the bell and
// reads no modifier key.
void enqueueEvent(int32_t code)
{
    if (!eventQueue.put(code))
        bell();
}

// A character or command code. Shift is read only for codes below 32 and
// only when the queue has room. The two bytes of a double-byte character go
// in together or not at all.
static void enqueueChar(int32_t code)
{
    bool lead = code >= 0x80 && code <= 0xFF && IsDBCSLeadByte(static_cast<BYTE>(code));
    if (code < 32 && !eventQueue.full())
        code = withCharShift(code, keyDown(VK_SHIFT));
    for (int32_t refused = eventQueue.putCharacter(code, lead); refused > 0; --refused)
        bell();
}

static void enqueueKey(int32_t code)
{
    if (eventQueue.full()) {
        bell();
        return;
    }
    bool ctrl = keyDown(VK_CONTROL);
    bool shift = keyDown(VK_SHIFT);
    eventQueue.put(withKeyModifiers(code, ctrl, shift));
}

static void translateKey(WPARAM virtualKey)
{
    int32_t code = specialKeyCode(static_cast<uint32_t>(virtualKey));
    if (code != 0)
        enqueueKey(code);
}

// A mouse event is two entries, code then position, each posted with its
// own WM_NULL. The pair goes in whole or not at all: a code stored without
// its position would make the reader take the next event for the position
// and lose the pairing of every mouse event after it. A refused pair sounds
// the bell once for each entry and still posts both WM_NULLs, as two
// refused PostEvent calls would.
static void postMouse(int32_t action, WPARAM wParam, LPARAM lParam)
{
    int32_t code = action | static_cast<int32_t>(wParam);
    if (eventQueue.room() >= 2) {
        PostEvent(code);
        PostEvent(static_cast<int32_t>(lParam));
        return;
    }
    const int32_t entries[2] = {code, static_cast<int32_t>(lParam)};
    for (int32_t entry : entries) {
        bell();
        PostMessageA(consoleState.consoleWindow, WM_NULL, static_cast<WPARAM>(entry), 0);
    }
}

bool handleInputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    *result = 0;
    switch (message) {
    case WM_KEYDOWN:
        translateKey(wParam);
        return true;
    case WM_SYSKEYDOWN:
        // F10 (with or without Alt) is the program's; Alt with any other key
        // stays with the system, so that Alt+F4 and the menu keys work.
        if (wParam == VK_F10)
            translateKey(wParam);
        else
            *result = DefWindowProcA(window, message, wParam, lParam);
        return true;
    case WM_CHAR:
        enqueueChar(static_cast<int32_t>(wParam));
        return true;
    case WM_IME_CHAR:
        // A character composed by an input method: a double-byte character
        // carries its lead byte in the high byte. It is queued here, lead
        // then trail, and not passed on, so that the WM_CHAR messages that
        // the default handling would make from it do not queue it again.
        if (wParam > 0xFF)
            enqueueChar(static_cast<int32_t>((wParam >> 8) & 0xFF));
        enqueueChar(static_cast<int32_t>(wParam & 0xFF));
        return true;
    case WM_COMMAND:
        // A notification from a child control (lParam is its window) is
        // dropped and not passed on.
        if (lParam == 0)
            enqueueChar(commandCode(static_cast<uint32_t>(wParam)));
        return true;
    case WM_SYSCOMMAND:
        if ((wParam & 0xF000) == 0xF000)
            *result = DefWindowProcA(window, message, wParam, lParam);
        else
            enqueueChar(commandCode(static_cast<uint32_t>(wParam)));
        return true;
    case WM_MOUSEMOVE:
        if (consoleState.leftDown == 1)
            postMouse(MOUSE_DRAG, wParam, lParam);
        return true;
    case WM_LBUTTONDOWN:
        postMouse(MOUSE_BUTTON_DOWN, wParam, lParam);
        consoleState.leftDown = 1;
        return true;
    case WM_LBUTTONUP:
        postMouse(MOUSE_BUTTON_UP, wParam, lParam);
        consoleState.leftDown = 0;
        return true;
    case WM_RBUTTONDOWN:
        postMouse(MOUSE_BUTTON_DOWN, wParam, lParam);
        return true;
    case WM_RBUTTONUP:
        postMouse(MOUSE_BUTTON_UP, wParam, lParam);
        return true;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        postMouse(MOUSE_DOUBLE_CLICK, wParam, lParam);
        return true;
    default:
        return false;
    }
}

extern "C" {
// Adds the code unchanged, then posts WM_NULL carrying it so that a wait
// blocked in GetMessageA wakes and looks at the queue again. The post happens
// whether or not the code found room. Without a console window the WM_NULL
// goes to the calling thread's queue.
int32_t __stdcall PostEvent(int32_t code)
{
    enqueueEvent(code);
    PostMessageA(consoleState.consoleWindow, WM_NULL, static_cast<WPARAM>(code), 0);
    return 0;
}

// Ctrl and Shift in the bit positions of key events; Alt is not reported.
int32_t __stdcall GetShiftState()
{
    return withKeyModifiers(0, keyDown(VK_CONTROL), keyDown(VK_SHIFT));
}
}
