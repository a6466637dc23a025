// File-name dialogs. Placeholders until built.
#include "../host/services.h"

extern "C" {
unsigned char *__stdcall OpenExistingFileDialog(HWND, char *, const char *, const char *, unsigned char *) { return nullptr; }
unsigned char *__stdcall SaveFileDialog(HWND, char *, const char *, const char *, unsigned char *) { return nullptr; }
unsigned char *__stdcall OpenFileDialog(HWND, char *, const char *, const char *, unsigned char *) { return nullptr; }
}
