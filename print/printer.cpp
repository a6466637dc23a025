// Printer selection and setup. Placeholders until built.
#include "../host/services.h"

extern "C" {
HDC __stdcall PrinterSetup(HWND) { return nullptr; }
HDC __stdcall ChoosePrinter(int32_t) { return nullptr; }
int32_t __stdcall ReleasePrinter() { return 0; }
HDC __stdcall SetPrintOrientation(int32_t) { return nullptr; }
}
