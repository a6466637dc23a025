// The special-key table and the composition of event codes.
#include "event_codes.h"

int32_t specialKeyCode(uint32_t virtualKey)
{
    // F1..F9 count on in decimal-looking hexadecimal: F10 is 0x10010, not
    // 0x1000A, and the codes 0x1000A..0x1000F never occur. The same holds
    // for Page Up and Page Down after Pause.
    if (virtualKey >= 0x70 && virtualKey <= 0x78) // VK_F1..VK_F9
        return CODE_FUNCTION_KEY + static_cast<int32_t>(virtualKey - 0x70 + 1);
    switch (virtualKey) {
    case 0x79: return CODE_FUNCTION_KEY + 0x10;  // VK_F10
    case 0x7A: return CODE_FUNCTION_KEY + 0x11;  // VK_F11
    case 0x7B: return CODE_FUNCTION_KEY + 0x12;  // VK_F12
    case 0x24: return CODE_EDIT_KEY + 0;         // VK_HOME
    case 0x23: return CODE_EDIT_KEY + 1;         // VK_END
    case 0x2D: return CODE_EDIT_KEY + 2;         // VK_INSERT
    case 0x2E: return CODE_EDIT_KEY + 3;         // VK_DELETE
    case 0x25: return CODE_EDIT_KEY + 4;         // VK_LEFT
    case 0x27: return CODE_EDIT_KEY + 5;         // VK_RIGHT
    case 0x26: return CODE_EDIT_KEY + 6;         // VK_UP
    case 0x28: return CODE_EDIT_KEY + 7;         // VK_DOWN
    case 0x91: return CODE_EDIT_KEY + 8;         // VK_SCROLL
    case 0x13: return CODE_EDIT_KEY + 9;         // VK_PAUSE
    case 0x21: return CODE_EDIT_KEY + 0x10;      // VK_PRIOR
    case 0x22: return CODE_EDIT_KEY + 0x11;      // VK_NEXT
    default: return 0;
    }
}

int32_t withCharShift(int32_t code, bool shiftDown)
{
    return shiftDown && code < 32 ? code + CODE_SHIFT : code;
}

int32_t withKeyModifiers(int32_t code, bool ctrlDown, bool shiftDown)
{
    if (ctrlDown)
        code += CODE_CTRL;
    if (shiftDown)
        code += CODE_SHIFT;
    return code;
}

int32_t commandCode(uint32_t wParam)
{
    return CODE_COMMAND | static_cast<int32_t>(wParam & 0xFFFF);
}

LineAction lineAction(int32_t event, int32_t count, int32_t maxLength)
{
    // Enter and Backspace come first, so both work on a full line.
    if (event == 13)
        return LineAction::Finish;
    if (event == 8)
        return count > 0 ? LineAction::Erase : LineAction::Refuse;
    if (count < maxLength && event >= 32)
        return LineAction::Store;
    return LineAction::Refuse;
}

// A character event's value is the byte itself; any flag bit makes it
// another kind of event.
static bool isCharacter(int32_t event) { return event >= 0 && event <= 0xFF; }

LineAction lineStep(LineState &line, int32_t event, int32_t maxLength, LeadByteTest isLead, bool *leadDropped)
{
    *leadDropped = false;
    bool trail = isCharacter(event) && event >= 0x40;
    if (line.refusingTrail) {
        line.refusingTrail = false;
        if (trail)
            return LineAction::Refuse;
    }
    if (line.heldLead != 0) {
        if (trail)
            return LineAction::StorePair;
        line.heldLead = 0;
        *leadDropped = true;
    }
    if (isCharacter(event) && event >= 0x80 && isLead(static_cast<uint8_t>(event))) {
        // count + 2 <= maxLength, written so that it cannot overflow.
        if (line.count + 1 < maxLength) {
            line.heldLead = event;
            return LineAction::Hold;
        }
        line.refusingTrail = true;
        return LineAction::Refuse;
    }
    return lineAction(event, line.count, maxLength);
}

int32_t lastCharStart(const uint8_t *text, int32_t count, LeadByteTest isLead)
{
    int32_t last = 0;
    for (int32_t i = 0; i < count;) {
        last = i;
        i += isLead(text[i]) && i + 1 < count ? 2 : 1;
    }
    return last;
}
