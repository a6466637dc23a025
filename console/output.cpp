// Text output and painting. Placeholders until built.
#include "../host/services.h"

extern "C" {
int32_t __stdcall PutChar(int32_t) { return 0; }
int32_t __stdcall WriteText(const char *, int32_t) { return 0; }
int32_t __stdcall NewLine() { return 0; }
int32_t __stdcall EnsureRoom(int32_t) { return 0; }
int32_t __stdcall ShowMessage(const char *, uint32_t) { return 0; }
int32_t __stdcall SetHighlight(int32_t, int32_t, int32_t, int32_t) { return 0; }
int32_t __stdcall SetColors(int32_t, int32_t) { return 0; }
int32_t __stdcall BeepTone(int32_t, int32_t) { return 0; }
int32_t __stdcall SetBellTone(int32_t, int32_t) { return 0; }
}

#include "console.h"
void bell() {}
void paintScreen() {}
