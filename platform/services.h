// The kernel's services, one declaration each, in the types the kernel uses.
// Slot numbers and argument counts come from sdk/quorven.h; the service table
// checks every declaration against that list at compile time.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <stdio.h>

extern "C" {
// Program host
__attribute__((noreturn)) void __stdcall ExitProgram(int32_t code);
int32_t __stdcall NullService();
char *__stdcall GetTagBuffer();

// Console state
int32_t __stdcall GetWindowState();
int32_t __stdcall GetTopLine();
int32_t __stdcall GetBufferSize();
int32_t __stdcall QueryCursor();
int32_t __stdcall GetCellSize();
int32_t __stdcall SetCellSize(int32_t height, int32_t width);
int32_t __stdcall SetMenuFlag(int32_t flag);
HDC __stdcall GetScreenDC();
int32_t __stdcall GetCaretHeight();
int32_t __stdcall GetViewSize();
char *__stdcall GetScreenBuffer();

// Console window
HWND __stdcall OpenConsole();
int32_t __stdcall RestoreConsole();
int32_t __stdcall HideConsole();
int32_t __stdcall ShowConsole();
int32_t __stdcall MoveConsole(int32_t y, int32_t x);
HWND __stdcall FocusWindow(HWND window);
int32_t __stdcall SetMouseCursor(int32_t cursorId);
int32_t __stdcall SetCaretHeight(int32_t height);

// Screen geometry and scrolling
int32_t __stdcall FitViewToPixels(int32_t height, int32_t width);
int32_t __stdcall SetBufferSize(int32_t rows, int32_t columns);
int32_t __stdcall ClearScreen();
int32_t __stdcall ScrollToLine(int32_t line);
int32_t __stdcall MoveCursor(int32_t column, int32_t row);

// Text output and painting
int32_t __stdcall PutChar(int32_t character);
int32_t __stdcall WriteText(const char *text, int32_t length);
int32_t __stdcall NewLine();
int32_t __stdcall EnsureRoom(int32_t count);
int32_t __stdcall ShowMessage(const char *text, uint32_t length);
int32_t __stdcall SetHighlight(int32_t endCol, int32_t endRow, int32_t startCol, int32_t startRow);
int32_t __stdcall SetColors(int32_t background, int32_t text);
int32_t __stdcall BeepTone(int32_t frequency, int32_t duration);
int32_t __stdcall SetBellTone(int32_t frequency, int32_t duration);

// Input
int32_t __stdcall PostEvent(int32_t code);
int32_t __stdcall GetShiftState();
int32_t __stdcall WaitEvent();
int32_t __stdcall PeekEvent();
int32_t __stdcall ReadLine(char *buffer, int32_t maxLength);

// Printing
HDC __stdcall PrinterSetup(HWND owner);
HDC __stdcall ChoosePrinter(int32_t useDefault);
int32_t __stdcall ReleasePrinter();
HDC __stdcall SetPrintOrientation(int32_t landscape);
int32_t __stdcall BeginPrintJob();
int32_t __stdcall NewPrintPage();
int32_t __stdcall EndPrintJob();
int32_t __stdcall StartPrintPage();
int32_t __stdcall EndPrintPage();
int32_t __stdcall GetPrintQuality();
int32_t __stdcall GetPrintCopies();
int32_t __stdcall GetPrintFromPage();
int32_t __stdcall GetPrintToPage();

// Files
FILE *__stdcall OpenTextFile(const char *name, uint32_t nameLength, int32_t update);
FILE *__stdcall CreateTextFile(const char *name, uint32_t nameLength);
int32_t __stdcall CloseFile(FILE *file);
int32_t __stdcall ReadFileLine(char *buffer, int32_t size, FILE *file);
int32_t __stdcall WriteWholeFile(const void *data, int32_t size, const char *name, uint32_t nameLength);
int32_t __stdcall SeekFile(FILE *file, int32_t origin, int32_t offset);
int32_t __stdcall ReadFileBytes(FILE *file, int32_t count, void *buffer);
int32_t __stdcall TellFile(FILE *file);

// File-name dialogs
unsigned char *__stdcall OpenExistingFileDialog(HWND owner, char *filter, const char *caption, const char *folder, unsigned char *result);
unsigned char *__stdcall SaveFileDialog(HWND owner, char *filter, const char *caption, const char *folder, unsigned char *result);
unsigned char *__stdcall OpenFileDialog(HWND owner, char *filter, const char *caption, const char *folder, unsigned char *result);

// Libraries, memory and text case
void *__stdcall AllocMemory(uint32_t size);
int32_t __stdcall FreeMemory(void *block);
void *__stdcall ReallocMemory(void *block, uint32_t size);
HMODULE __stdcall LoadLibraryByName(const char *name, uint32_t nameLength);
BOOL __stdcall FreeLibraryHandle(HMODULE module);
FARPROC __stdcall GetProcByName(const char *name, uint32_t nameLength, HMODULE module);
int32_t __stdcall UpperCase(char *text, int32_t length);
int32_t __stdcall LowerCase(char *text, int32_t length);
}
