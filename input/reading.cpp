// Reading input. Placeholders until built.
#include "../host/services.h"

extern "C" {
int32_t __stdcall WaitEvent() { return 0; }
int32_t __stdcall PeekEvent() { return 0; }
int32_t __stdcall ReadLine(char *, int32_t) { return 0; }
}
