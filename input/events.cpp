// Input events and the event queue. Placeholders until built.
#include "../host/services.h"

extern "C" {
int32_t __stdcall PostEvent(int32_t) { return 0; }
int32_t __stdcall GetShiftState() { return 0; }
}

#include "input.h"
bool handleInputMessage(HWND, UINT, WPARAM, LPARAM, LRESULT *) { return false; }
