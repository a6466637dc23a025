// How event codes are put together: the special-key table, the modifier
// bits, the mouse action bits, and the decision ReadLine takes for each
// event. Pure logic: the callers read the key state and do the effects.
#pragma once
#include <stdint.h>

enum : int32_t {
    CODE_FUNCTION_KEY = 0x10000,
    CODE_EDIT_KEY = 0x20000,
    CODE_CTRL = 0x40000,
    CODE_SHIFT = 0x80000,
    CODE_MOUSE = 0x200000,
    CODE_COMMAND = 0x400000,
    // Mouse actions, the mouse bit included.
    MOUSE_BUTTON_DOWN = 0x2200000,
    MOUSE_BUTTON_UP = 0x4200000,
    MOUSE_DOUBLE_CLICK = 0x1200000,
    MOUSE_DRAG = 0x6200000, // movement with the left button held: down and up bits both
};

// The code of a special key, or 0 for a virtual key that gives no event.
int32_t specialKeyCode(uint32_t virtualKey);

// A character or command code as enqueued: Shift adds its bit only to codes
// below 32 (compared as signed values).
int32_t withCharShift(int32_t code, bool shiftDown);

// A special-key code as enqueued: Ctrl and Shift add their bits.
int32_t withKeyModifiers(int32_t code, bool ctrlDown, bool shiftDown);

// The code of a menu, accelerator or system-menu command: the identifier is
// the low 16 bits of wParam, the high word is dropped.
int32_t commandCode(uint32_t wParam);

// What ReadLine does with one event, given how many bytes it holds already.
enum class LineAction {
    Finish, // Enter: echo a blank, return the count
    Erase,  // Backspace with bytes stored: echo back, blank, back; drop one
    Store,  // echo and store the event's low byte
    Refuse, // the bell: Backspace on an empty line, no room, or not accepted
};
LineAction lineAction(int32_t event, int32_t count, int32_t maxLength);
