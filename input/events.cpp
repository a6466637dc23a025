// Input events: keyboard, mouse and command messages of the console window
// become event codes in the queue; PostEvent and GetShiftState.
#include "input.h"
#include "event_codes.h"
#include "event_queue.h"
#include "paste.h"
#include "../console/frontend.h"
#include "../console/output.h"
#include "../console/state.h"
#include "../platform/services.h"
#include "../platform/codepage.h"
#include "../platform/system.h"

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
    if (pasteFeed.pending()) { // behind a paste
        deferCharacter(withCharShift(code, code < 32 && keyDown(VK_SHIFT)));
        return;
    }
    bool lead = code >= 0x80 && code <= 0xFF && programLeadByte(static_cast<unsigned char>(code));
    if (code < 32 && !eventQueue.full())
        code = withCharShift(code, keyDown(VK_SHIFT));
    for (int32_t refused = eventQueue.putCharacter(code, lead); refused > 0; --refused)
        bell();
}

// Windows 9x and a program with a code page of its own (an ANSI window
// there): characters arrive in the system's code page, a double-byte one as
// its lead and its trail byte in a WM_CHAR each, and go into the queue in the
// program's code page. Not while a messageHook hands the window bytes that
// are already the program's.
static bool hookHandsProgramBytes;

static bool charactersInSystemCodePage()
{
    return !wideCallsWork() && programHasCodePage() && !hookHandsProgramBytes;
}

// One character of the system's code page (n bytes) in the program's; 0
// bytes when it cannot be read.
static int systemToProgram(const uint8_t *in, int n, unsigned char out[8])
{
    WCHAR wide[2];
    int units = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char *>(in), n, wide, 2);
    if (units <= 0) return 0;
    return WideCharToMultiByte(programCodePage(), 0, wide, units, reinterpret_cast<char *>(out), 8, nullptr,
                               nullptr);
}

// A WM_CHAR byte of the system's code page: the program's bytes of the
// character it completes, 0 while it is a lead byte waiting for its trail.
static int systemCharacterBytes(ByteJoiner &joiner, WPARAM byte, unsigned char out[8])
{
    uint8_t in[2];
    int n = joiner.feed(static_cast<uint8_t>(byte), IsDBCSLeadByte(static_cast<BYTE>(byte)) != 0, in);
    return n ? systemToProgram(in, n, out) : 0;
}

// A WM_IME_CHAR of the system's code page (a lead byte in the high byte).
static int systemImeCharacterBytes(WPARAM character, unsigned char out[8])
{
    uint8_t in[2] = {static_cast<uint8_t>(character >> 8), static_cast<uint8_t>(character)};
    return character > 0xFF ? systemToProgram(in, 2, out) : systemToProgram(in + 1, 1, out);
}

static void takeSystemCharacter(UINT message, WPARAM character)
{
    static ByteJoiner joiner;
    unsigned char bytes[8];
    int count = message == WM_IME_CHAR ? systemImeCharacterBytes(character, bytes)
                                       : systemCharacterBytes(joiner, character, bytes);
    for (int i = 0; i < count; i++) enqueueChar(bytes[i]);
}

static void enqueueKey(int32_t code)
{
    if (pasteFeed.pending()) { // behind a paste
        deferEvent(withKeyModifiers(code, keyDown(VK_CONTROL), keyDown(VK_SHIFT)));
        return;
    }
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
    if (pasteFeed.pending()) { // behind a paste
        deferMouse(code, static_cast<int32_t>(lParam));
        return;
    }
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

InputAction handleInputMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        translateKey(wParam);
        return InputAction::Handled;
    case WM_SYSKEYDOWN:
        // F10 (with or without Alt) is the program's; Alt with any other key
        // stays with the system, so that Alt+F4 and the menu keys work.
        if (wParam != VK_F10) return InputAction::Default;
        translateKey(wParam);
        return InputAction::Handled;
    case WM_CHAR:
        if (charactersInSystemCodePage())
            takeSystemCharacter(message, wParam);
        else
            enqueueChar(static_cast<int32_t>(wParam));
        return InputAction::Handled;
    case WM_IME_CHAR:
        if (charactersInSystemCodePage()) {
            takeSystemCharacter(message, wParam);
            return InputAction::Handled;
        }
        // A character composed by an input method: a double-byte character
        // carries its lead byte in the high byte. It is queued here, lead
        // then trail, and not passed on, so that the WM_CHAR messages that
        // the default handling would make from it do not queue it again.
        if (wParam > 0xFF)
            enqueueChar(static_cast<int32_t>((wParam >> 8) & 0xFF));
        enqueueChar(static_cast<int32_t>(wParam & 0xFF));
        return InputAction::Handled;
    case WM_COMMAND:
        // A notification from a child control (lParam is its window) is
        // dropped and not passed on.
        if (lParam == 0)
            enqueueChar(commandCode(static_cast<uint32_t>(wParam)));
        return InputAction::Handled;
    case WM_SYSCOMMAND:
        if ((wParam & 0xF000) == 0xF000) return InputAction::Default;
        enqueueChar(commandCode(static_cast<uint32_t>(wParam)));
        return InputAction::Handled;
    case WM_MOUSEMOVE:
        if (consoleState.leftDown == 1)
            postMouse(MOUSE_DRAG, wParam, lParam);
        return InputAction::Handled;
    case WM_LBUTTONDOWN:
        postMouse(MOUSE_BUTTON_DOWN, wParam, lParam);
        noteLeftButton(1);
        return InputAction::Handled;
    case WM_LBUTTONUP:
        postMouse(MOUSE_BUTTON_UP, wParam, lParam);
        noteLeftButton(0);
        return InputAction::Handled;
    case WM_RBUTTONDOWN:
        postMouse(MOUSE_BUTTON_DOWN, wParam, lParam);
        return InputAction::Handled;
    case WM_RBUTTONUP:
        postMouse(MOUSE_BUTTON_UP, wParam, lParam);
        return InputAction::Handled;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        postMouse(MOUSE_DOUBLE_CLICK, wParam, lParam);
        return InputAction::Handled;
    default:
        return InputAction::PassOn;
    }
}

// UTF-16 units to the program's code page, one character at a time (a
// surrogate pair arrives as two messages).
static int programBytes(Utf16Joiner &joiner, WPARAM unit, unsigned char bytes[8])
{
    uint16_t units[2];
    int n = joiner.feed(static_cast<uint16_t>(unit), units);
    if (n == 0) return 0;
    return WideCharToMultiByte(programCodePage(), 0, reinterpret_cast<LPCWCH>(units), n,
                               reinterpret_cast<char *>(bytes), 8, nullptr, nullptr);
}

void takeWideCharacter(WPARAM unit)
{
    static Utf16Joiner joiner;
    unsigned char bytes[8];
    int count = programBytes(joiner, unit, bytes);
    for (int i = 0; i < count; i++) enqueueChar(bytes[i]);
}

bool isCharacterMessage(UINT message)
{
    return message == WM_CHAR || message == WM_IME_CHAR || message == WM_SYSCHAR || message == WM_DEADCHAR ||
           message == WM_SYSDEADCHAR;
}

// While the messageHook handles a character message in the program's bytes,
// the console window is an ANSI window: the hook dispatches the message in
// that form (DispatchMessageA), and on the way to a Unicode window the
// system would read the bytes in its own code page, which is not the
// program's (on a double-byte one it would even hold a byte back, waiting
// for a trail byte of its own). The Unicode procedure comes back after the
// hook, or, when a fault left the hook, before the next message.
static bool byteWindow;

void endByteWindow()
{
    hookHandsProgramBytes = false;
    if (!byteWindow) return;
    byteWindow = false;
    useUnicodeProcedure();
}

// Hands a character's bytes in the program's code page to the hook, in the
// form the message has: WM_IME_CHAR as one message with a double-byte
// character's lead byte in the high byte, the other character messages a
// byte each, lead byte first.
static void handBytesToHook(MSG byteMessage, const unsigned char *bytes, int count, void(__stdcall *hook)(MSG *))
{
    if (byteMessage.message == WM_IME_CHAR) {
        byteMessage.wParam = count == 2 ? (bytes[0] << 8 | bytes[1]) : count ? bytes[0] : 0;
        if (count) hook(&byteMessage);
        return;
    }
    for (int i = 0; i < count; i++) {
        byteMessage.wParam = bytes[i];
        hook(&byteMessage);
    }
}

void handCharacterToHook(MSG *msg, void(__stdcall *hook)(MSG *))
{
    static Utf16Joiner joiner;
    endByteWindow();
    unsigned char bytes[8];
    int count = programBytes(joiner, msg->wParam, bytes);
    if (msg->hwnd && useByteProcedure(msg->hwnd)) byteWindow = true;
    handBytesToHook(*msg, bytes, count, hook);
    endByteWindow();
}

// Windows 9x: the same for a character message fetched in the system's code
// page. A lead byte's message is held back until its trail byte's comes;
// the hook then sees the program's bytes, a message each (WM_IME_CHAR: one
// message, lead byte high), and the window takes them as they are.
void handSystemCharacterToHook(MSG *msg, void(__stdcall *hook)(MSG *))
{
    static ByteJoiner joiner;
    unsigned char bytes[8];
    bool ime = msg->message == WM_IME_CHAR;
    int count = ime ? systemImeCharacterBytes(msg->wParam, bytes) : systemCharacterBytes(joiner, msg->wParam, bytes);
    hookHandsProgramBytes = true;
    handBytesToHook(*msg, bytes, count, hook);
    hookHandsProgramBytes = false;
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
