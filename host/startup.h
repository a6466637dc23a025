// Start-up: records the process's start values (platform/process.h), fills
// the program header and enters the entry loop.
#pragma once
#include <windows.h>

// The windowed program's main routine; never returns.
int WINAPI kernelStartup(HINSTANCE instance, HINSTANCE previous, const char *tail, int show);
