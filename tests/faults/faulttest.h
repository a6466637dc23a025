/* Shared pieces of the fault tests: the saved CONTEXT's offsets, the
 * announcement the driver checks each fault box against, and faults of
 * every kind. */
#ifndef FAULTTEST_H
#define FAULTTEST_H
#include "qvtest.h"

/* Offsets in the x86 CONTEXT record (716 bytes). */
#define CTX_FLAGS 0x00
#define CTX_EDI 0x9C
#define CTX_ESI 0xA0
#define CTX_EBX 0xA4
#define CTX_EBP 0xB4
#define CTX_EIP 0xB8
#define CTX_ESP 0xC4
#define CTX_SIZE 716

/* The codes of processor faults as Wine reports them (see processorFault). */
#define CODE_ACCESS_VIOLATION processorFault(0xC0000005u)
#define CODE_DIVIDE_BY_ZERO processorFault(0xC0000094u)
#define CODE_GUARD_PAGE processorFault(0x80000001u)
#define CODE_ILLEGAL_INSTRUCTION 0xC000001Du
#define CODE_BREAKPOINT 0x80000003u
#define CODE_STACK_OVERFLOW 0xC00000FDu

typedef int(__cdecl *wsprintfA_t)(char *, const char *, ...);

/* Where Linux runs no 32-bit code, the i386 emulator that runs Wine gives
 * some processor faults other codes (an access violation comes out as an
 * illegal instruction). The build then names each in a variable, such as
 * QV_FAULT_CODE_C0000005=C000001D, and the tests expect what Wine reports
 * there; the kernel passes on whatever code it gets. */
static inline uint32_t processorFault(uint32_t code)
{
    typedef uint32_t(QV_STDCALL * GetEnvironmentVariableA_t)(const char *, char *, uint32_t);
    typedef unsigned long(__cdecl * strtoul_t)(const char *, char **, int);
    char name[32], value[16];
    QVT_FN("user32.dll", "wsprintfA", wsprintfA_t)(name, "QV_FAULT_CODE_%X", code);
    uint32_t n = QVT_FN("kernel32.dll", "GetEnvironmentVariableA", GetEnvironmentVariableA_t)(name, value, sizeof value);
    if (n == 0 || n >= sizeof value) return code;
    return (uint32_t)QVT_FN("msvcrt.dll", "strtoul", strtoul_t)(value, 0, 16);
}

static inline uint32_t ctxWord(uint32_t offset)
{
    return *(const uint32_t *)(uintptr_t)(qvHeader.faultContext + offset);
}

/* Tells the driver what the next fault box must show. */
static inline void expectBox(uint32_t code, uint32_t owner)
{
    qvtPrint("expect-box code=%X owner=%X\n", code, owner);
}

/* Opens and shows the console (the start-up show command leaves it hidden
 * or minimized under Wine), makes it the fault box's owner and installs hook
 * as the window procedure hook. Returns the window. */
static inline uint32_t openOwnerConsole(void *hook)
{
    uint32_t console = qvOpenConsole();
    qvRestoreConsole();
    qvHeader.faultOwner = console;
    qvHeader.windowProcHook = (uintptr_t)hook;
    return console;
}

/* Runs of the entry so far, this one included; the hosted program's data
 * stays as it was across a restart. */
extern int runNumber;
#endif
