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
    Finish,    // Enter: echo a blank, return the count
    Erase,     // Backspace with bytes stored: erase the last character
    Store,     // echo and store the event's low byte
    Refuse,    // the bell: Backspace on an empty line, no room, or not accepted
    Hold,      // a lead byte with room for its pair: kept until its trail byte
    StorePair, // the trail byte of the held lead: echo and store both
};
LineAction lineAction(int32_t event, int32_t count, int32_t maxLength);

// Tells whether a byte is a lead byte of the active code page.
typedef bool (*LeadByteTest)(uint8_t byte);

// ReadLine's state between events, kept so that a double-byte character is
// stored, echoed and erased as one unit.
struct LineState {
    int32_t count;      // bytes stored in the caller's buffer
    int32_t heldLead;   // lead byte waiting for its trail byte; 0 when none
    bool refusingTrail; // a lead byte was refused: its trail byte goes too
};

// The decision for one event. A character event that is a lead byte is
// held (nothing stored or echoed) when both bytes fit below maxLength, and
// refused together with its trail byte otherwise. A held lead byte that is
// not followed by a trail byte (a character of 0x40..0xFF) is given up:
// *leadDropped is set, its bell comes first, and the event is then decided
// as usual. StorePair leaves line.heldLead for the caller, who stores it
// and clears it.
LineAction lineStep(LineState &line, int32_t event, int32_t maxLength, LeadByteTest isLead, bool *leadDropped);

// The offset of the last character of text[0..count): the text is walked
// from its start, a lead byte with a byte after it taking two bytes, so that
// a trail byte that looks like a lead byte is never taken for one.
int32_t lastCharStart(const uint8_t *text, int32_t count, LeadByteTest isLead);
