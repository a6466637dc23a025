/* Support for hosted test programs: Windows functions looked up without the
 * kernel's help, output to the test driver, and checks.
 *
 * A test program defines its header with QV_DEFINE_HEADER and an entry that
 * ends with qvtFinish(), which prints the summary and ends the process through
 * ExitProgram with 0 when every check passed, else 1. */
#ifndef QVTEST_H
#define QVTEST_H
#include "quorven.h"
#include "qvlib.h" /* memset, memcpy, memmove, memcmp (sdk/qvmem.c) */
#include <stdarg.h>
#include <stdint.h>

/* Looks a procedure up in a system DLL (loaded if needed) through the
 * process's own loader: kernel32's LoadLibraryA and GetProcAddress are found
 * by walking the loader's module list, so no kernel service is involved. */
void *qvtProc(const char *dll, const char *name);

/* Calls through a looked-up procedure: QVT_API(user32, GetFocus, HWND_, (void)) */
#define QVT_FN(dll, name, type) ((type)qvtProc(dll, name))

/* Points the kernel's import of dll!name at replacement, so that a test can
 * watch or change what the platform answers the kernel; for a function the
 * kernel looks up by name instead (comdlg32, winspool), its GetProcAddress
 * hands out replacement for that name, so the patch must come before the
 * kernel's first use. Returns the original address, or 0 (after a FAIL
 * line) when the function is neither imported nor there to look up. */
void *qvtPatchImport(const char *dll, const char *name, void *replacement);

/* Counts the kernel's calls of every function it imports: each import slot
 * is pointed at a small stub that counts and jumps on to the function. Data
 * imports (the C run-time's _iob and the like) are left alone. Returns how
 * many functions are watched; qvtReportImportCalls prints a line
 * "called DLL!NAME N" for each one called since. */
int qvtWatchImports(void);
void qvtReportImportCalls(void);

/* printf-like output (wsprintfA formats: %d %u %x %X %s %c, with widths) to
 * standard output, followed by nothing: add \n yourself. */
void qvtPrint(const char *format, ...);

extern int qvtFailures;
extern int qvtPasses;

void qvtCheck(int ok, const char *file, int line, const char *what);
void qvtCheckEq(uint32_t actual, uint32_t expected, const char *file, int line, const char *what);
void qvtCheckBytes(const void *actual, const void *expected, uint32_t n, const char *file, int line, const char *what);

#define CHECK(cond) qvtCheck(!!(cond), __FILE__, __LINE__, #cond)
#define CHECK_EQ(actual, expected) \
    qvtCheckEq((uint32_t)(uintptr_t)(actual), (uint32_t)(uintptr_t)(expected), __FILE__, __LINE__, #actual " == " #expected)
#define CHECK_BYTES(actual, expected, n) qvtCheckBytes((actual), (expected), (n), __FILE__, __LINE__, #actual)

/* Prints "N passed, N failed" and ends through ExitProgram (0 or 1). */
void qvtFinish(void);

/* Small helpers a freestanding program needs. */
uint32_t qvtStrlen(const char *s);
int qvtStrcmp(const char *a, const char *b);

/* Frequently used Windows functions, looked up on first use. */
typedef void *QvHandle;
void qvtSleep(uint32_t ms);
#endif
