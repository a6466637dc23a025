// File services. Placeholders until built.
#include "../host/services.h"

extern "C" {
FILE *__stdcall OpenTextFile(const char *, uint32_t, int32_t) { return nullptr; }
FILE *__stdcall CreateTextFile(const char *, uint32_t) { return nullptr; }
int32_t __stdcall CloseFile(FILE *) { return 0; }
int32_t __stdcall ReadFileLine(char *, int32_t, FILE *) { return 0; }
int32_t __stdcall WriteWholeFile(const void *, int32_t, const char *, uint32_t) { return 0; }
int32_t __stdcall SeekFile(FILE *, int32_t, int32_t) { return 0; }
int32_t __stdcall ReadFileBytes(FILE *, int32_t, void *) { return 0; }
int32_t __stdcall TellFile(FILE *) { return 0; }
}
