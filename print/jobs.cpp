// Print jobs and print settings. Placeholders until built.
#include "../host/services.h"

extern "C" {
int32_t __stdcall BeginPrintJob() { return 0; }
int32_t __stdcall NewPrintPage() { return 0; }
int32_t __stdcall EndPrintJob() { return 0; }
int32_t __stdcall StartPrintPage() { return 0; }
int32_t __stdcall EndPrintPage() { return 0; }
int32_t __stdcall GetPrintQuality() { return 0; }
int32_t __stdcall GetPrintCopies() { return 0; }
int32_t __stdcall GetPrintFromPage() { return 0; }
int32_t __stdcall GetPrintToPage() { return 0; }
}
