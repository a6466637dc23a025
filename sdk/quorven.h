/*
 * quorven.h - the binary interface between the Quorven kernel and a hosted
 * program: the program header, the service slots, the event-code bits and
 * typed helpers that call a service through the table.
 *
 * Usable from C and C++, by the kernel (which takes its header layout and
 * slot numbers from here) and by hosted programs built for i386.
 */
#ifndef QUORVEN_H
#define QUORVEN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_MSC_VER)
#define QV_STDCALL __stdcall
#elif defined(__i386__)
#define QV_STDCALL __attribute__((stdcall))
#else
#define QV_STDCALL /* natively built unit tests never call through the table */
#endif

/* The header address is the kernel's load address plus this, which is also
 * the exact size of the kernel's image. */
#define QV_HEADER_OFFSET 0x48000u
#define QV_SERVICE_COUNT 74
/* Kernels are linked at 0x400000 and never relocated, so a hosted image is
 * linked to run at this address. */
#define QV_HOSTED_BASE (0x400000u + QV_HEADER_OFFSET)

typedef uint32_t QvWord;

/* The record at load address + 0x48000, shared by kernel and hosted program.
 * Every field is a 32-bit little-endian word. */
typedef struct ProgramHeader {
    QvWord addressMode;        /* 0x00 0: entryPoint/commandLine are offsets from the header, 1: addresses */
    QvWord programData[6];     /* 0x04 not used by the kernel */
    QvWord entryPoint;         /* 0x1C offset or address of the entry */
    QvWord serviceTable;       /* 0x20 address of the ServiceTable (kernel, start-up) */
    QvWord instanceHandle;     /* 0x24 the executable's module handle (kernel, start-up) */
    QvWord commandLength;      /* 0x28 bytes in the command-line tail (kernel, start-up) */
    QvWord commandLine;        /* 0x2C offset or address of the tail (kernel, start-up) */
    QvWord faultOwner;         /* 0x30 owner window of the fault box; 0 none */
    QvWord faultCode;          /* 0x34 exception code of the last fault */
    QvWord faultContext;       /* 0x38 address of the saved CONTEXT of the last fault */
    QvWord faultEsi;           /* 0x3C Esi of the last fault */
    QvWord faultFrameLink;     /* 0x40 word at Ebp of the last fault */
    QvWord faultReturnAddress; /* 0x44 word at Ebp+4 */
    QvWord faultFirstArgument; /* 0x48 word at Ebp+8 */
    QvWord shutdownHook;       /* 0x4C routine called first by ExitProgram */
    QvWord reserved50;         /* 0x50 not used by the kernel */
    QvWord reserved54;         /* 0x54 not used by the kernel */
    QvWord messageHook;        /* 0x58 0, or routine(MSG*) that replaces translate+dispatch */
    QvWord windowProcHook;     /* 0x5C 0, or window procedure that replaces DefWindowProcA */
} ProgramHeader;

#if defined(__cplusplus)
#define QV_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define QV_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif
QV_STATIC_ASSERT(sizeof(ProgramHeader) == 0x60, "ProgramHeader is 0x60 bytes");
QV_STATIC_ASSERT(offsetof(ProgramHeader, entryPoint) == 0x1C, "entryPoint at 0x1C");
QV_STATIC_ASSERT(offsetof(ProgramHeader, serviceTable) == 0x20, "serviceTable at 0x20");
QV_STATIC_ASSERT(offsetof(ProgramHeader, instanceHandle) == 0x24, "instanceHandle at 0x24");
QV_STATIC_ASSERT(offsetof(ProgramHeader, commandLength) == 0x28, "commandLength at 0x28");
QV_STATIC_ASSERT(offsetof(ProgramHeader, commandLine) == 0x2C, "commandLine at 0x2C");
QV_STATIC_ASSERT(offsetof(ProgramHeader, faultOwner) == 0x30, "faultOwner at 0x30");
QV_STATIC_ASSERT(offsetof(ProgramHeader, faultCode) == 0x34, "faultCode at 0x34");
QV_STATIC_ASSERT(offsetof(ProgramHeader, faultContext) == 0x38, "faultContext at 0x38");
QV_STATIC_ASSERT(offsetof(ProgramHeader, faultEsi) == 0x3C, "faultEsi at 0x3C");
QV_STATIC_ASSERT(offsetof(ProgramHeader, faultFrameLink) == 0x40, "faultFrameLink at 0x40");
QV_STATIC_ASSERT(offsetof(ProgramHeader, faultReturnAddress) == 0x44, "faultReturnAddress at 0x44");
QV_STATIC_ASSERT(offsetof(ProgramHeader, faultFirstArgument) == 0x48, "faultFirstArgument at 0x48");
QV_STATIC_ASSERT(offsetof(ProgramHeader, shutdownHook) == 0x4C, "shutdownHook at 0x4C");
QV_STATIC_ASSERT(offsetof(ProgramHeader, messageHook) == 0x58, "messageHook at 0x58");
QV_STATIC_ASSERT(offsetof(ProgramHeader, windowProcHook) == 0x5C, "windowProcHook at 0x5C");

/* Every service: X(slot, name, number of 32-bit arguments). The slot numbers
 * and argument counts are the binary interface and never change. */
#define QV_SERVICE_LIST(X)                                                    \
    X(0, ExitProgram, 1)            X(1, OpenConsole, 0)                      \
    X(2, WaitEvent, 0)              X(3, ReadLine, 2)                         \
    X(4, PutChar, 1)                X(5, WriteText, 2)                        \
    X(6, NewLine, 0)                X(7, ClearScreen, 0)                      \
    X(8, PeekEvent, 0)              X(9, EnsureRoom, 1)                       \
    X(10, AllocMemory, 1)           X(11, FreeMemory, 1)                      \
    X(12, OpenTextFile, 3)          X(13, CloseFile, 1)                       \
    X(14, ReadFileLine, 3)          X(15, WriteWholeFile, 4)                  \
    X(16, LoadLibraryByName, 2)     X(17, FreeLibraryHandle, 1)               \
    X(18, GetProcByName, 3)         X(19, MoveCursor, 2)                      \
    X(20, QueryCursor, 0)           X(21, NullService, 0)                     \
    X(22, NullService2, 0)          X(23, GetViewSize, 0)                     \
    X(24, GetTagBuffer, 0)          X(25, BeepTone, 2)                        \
    X(26, SetBellTone, 2)           X(27, SetColors, 2)                       \
    X(28, PostEvent, 1)             X(29, GetScreenBuffer, 0)                 \
    X(30, GetCellSize, 0)           X(31, GetShiftState, 0)                   \
    X(32, FitViewToPixels, 2)       X(33, MoveConsole, 2)                     \
    X(34, SetMouseCursor, 1)        X(35, SetCaretHeight, 1)                  \
    X(36, GetCaretHeight, 0)        X(37, SetMenuFlag, 1)                     \
    X(38, GetScreenDC, 0)           X(39, PrinterSetup, 1)                    \
    X(40, BeginPrintJob, 0)         X(41, NewPrintPage, 0)                    \
    X(42, EndPrintJob, 0)           X(43, ChoosePrinter, 1)                   \
    X(44, ReleasePrinter, 0)        X(45, OpenExistingFileDialog, 5)          \
    X(46, SaveFileDialog, 5)        X(47, ReallocMemory, 2)                   \
    X(48, HideConsole, 0)           X(49, ShowConsole, 0)                     \
    X(50, FocusWindow, 1)           X(51, ScrollToLine, 1)                    \
    X(52, GetTopLine, 0)            X(53, GetBufferSize, 0)                   \
    X(54, SetBufferSize, 2)         X(55, OpenFileDialog, 5)                  \
    X(56, RestoreConsole, 0)        X(57, GetPrintQuality, 0)                 \
    X(58, StartPrintPage, 0)        X(59, EndPrintPage, 0)                    \
    X(60, GetPrintCopies, 0)        X(61, GetPrintFromPage, 0)                \
    X(62, GetPrintToPage, 0)        X(63, SeekFile, 3)                        \
    X(64, CreateTextFile, 2)        X(65, ReadFileBytes, 3)                   \
    X(66, GetWindowState, 0)        X(67, SetPrintOrientation, 1)             \
    X(68, UpperCase, 2)             X(69, LowerCase, 2)                       \
    X(70, TellFile, 1)              X(71, SetCellSize, 2)                     \
    X(72, SetHighlight, 4)          X(73, ShowMessage, 2)

/* Slot numbers by service name: QV_WriteText == 5. */
enum QvSlot {
#define QV_SLOT_ENUM(slot, name, nargs) QV_##name = slot,
    QV_SERVICE_LIST(QV_SLOT_ENUM)
#undef QV_SLOT_ENUM
    QV_SLOT_END = QV_SERVICE_COUNT
};

/* Event-code bits. */
#define EVENT_FUNCTION_KEY 0x10000u
#define EVENT_EDIT_KEY     0x20000u
#define EVENT_CTRL         0x40000u
#define EVENT_SHIFT        0x80000u
#define EVENT_MOUSE        0x200000u
#define EVENT_COMMAND      0x400000u
#define EVENT_DOUBLE_CLICK 0x1000000u
#define EVENT_BUTTON_DOWN  0x2000000u
#define EVENT_BUTTON_UP    0x4000000u

/* ---- Calling services from a hosted program (i386 only) ---------------- */
#if defined(__i386__) && !defined(QUORVEN_KERNEL)

/* A hosted program defines its header once (QV_DEFINE_HEADER below); the
 * helpers reach the table through it. */
extern ProgramHeader qvHeader;

#define QV_ENTRY(slot) (((const QvWord *)(uintptr_t)qvHeader.serviceTable)[slot])

typedef QvWord(QV_STDCALL *QvFn0)(void);
typedef QvWord(QV_STDCALL *QvFn1)(QvWord);
typedef QvWord(QV_STDCALL *QvFn2)(QvWord, QvWord);
typedef QvWord(QV_STDCALL *QvFn3)(QvWord, QvWord, QvWord);
typedef QvWord(QV_STDCALL *QvFn4)(QvWord, QvWord, QvWord, QvWord);
typedef QvWord(QV_STDCALL *QvFn5)(QvWord, QvWord, QvWord, QvWord, QvWord);

static inline QvWord qvCall0(int s) { return ((QvFn0)QV_ENTRY(s))(); }
static inline QvWord qvCall1(int s, QvWord a) { return ((QvFn1)QV_ENTRY(s))(a); }
static inline QvWord qvCall2(int s, QvWord a, QvWord b) { return ((QvFn2)QV_ENTRY(s))(a, b); }
static inline QvWord qvCall3(int s, QvWord a, QvWord b, QvWord c) { return ((QvFn3)QV_ENTRY(s))(a, b, c); }
static inline QvWord qvCall4(int s, QvWord a, QvWord b, QvWord c, QvWord d) { return ((QvFn4)QV_ENTRY(s))(a, b, c, d); }
static inline QvWord qvCall5(int s, QvWord a, QvWord b, QvWord c, QvWord d, QvWord e) { return ((QvFn5)QV_ENTRY(s))(a, b, c, d, e); }

#define QV_W(x) ((QvWord)(uintptr_t)(x))

/* Typed helpers, one per service, arguments in the service's own order. */
static inline void qvExitProgram(int code) { qvCall1(QV_ExitProgram, (QvWord)code); }
static inline uint32_t qvOpenConsole(void) { return qvCall0(QV_OpenConsole); }
static inline int32_t qvWaitEvent(void) { return (int32_t)qvCall0(QV_WaitEvent); }
static inline int32_t qvReadLine(char *buf, int32_t maxLength) { return (int32_t)qvCall2(QV_ReadLine, QV_W(buf), (QvWord)maxLength); }
static inline void qvPutChar(int c) { qvCall1(QV_PutChar, (QvWord)c); }
static inline void qvWriteText(const char *text, int32_t length) { qvCall2(QV_WriteText, QV_W(text), (QvWord)length); }
static inline void qvNewLine(void) { qvCall0(QV_NewLine); }
/* WriteText of a NUL-ended text (hosted programs have no C library). */
static inline void qvWriteString(const char *text)
{
    int32_t n = 0;
    while (text[n]) n++;
    qvWriteText(text, n);
}
static inline void qvClearScreen(void) { qvCall0(QV_ClearScreen); }
static inline int32_t qvPeekEvent(void) { return (int32_t)qvCall0(QV_PeekEvent); }
static inline void qvEnsureRoom(int32_t count) { qvCall1(QV_EnsureRoom, (QvWord)count); }
static inline void *qvAllocMemory(uint32_t size) { return (void *)(uintptr_t)qvCall1(QV_AllocMemory, size); }
static inline void qvFreeMemory(void *block) { qvCall1(QV_FreeMemory, QV_W(block)); }
static inline uint32_t qvOpenTextFile(const char *name, int32_t len, int update) { return qvCall3(QV_OpenTextFile, QV_W(name), (QvWord)len, (QvWord)update); }
static inline int32_t qvCloseFile(uint32_t file) { return (int32_t)qvCall1(QV_CloseFile, file); }
static inline int32_t qvReadFileLine(char *buf, int32_t size, uint32_t file) { return (int32_t)qvCall3(QV_ReadFileLine, QV_W(buf), (QvWord)size, file); }
static inline int32_t qvWriteWholeFile(const void *data, int32_t size, const char *name, int32_t len) { return (int32_t)qvCall4(QV_WriteWholeFile, QV_W(data), (QvWord)size, QV_W(name), (QvWord)len); }
static inline uint32_t qvLoadLibraryByName(const char *name, int32_t len) { return qvCall2(QV_LoadLibraryByName, QV_W(name), (QvWord)len); }
static inline int32_t qvFreeLibraryHandle(uint32_t module) { return (int32_t)qvCall1(QV_FreeLibraryHandle, module); }
static inline void *qvGetProcByName(const char *name, int32_t len, uint32_t module) { return (void *)(uintptr_t)qvCall3(QV_GetProcByName, QV_W(name), (QvWord)len, module); }
static inline void qvMoveCursor(int32_t column, int32_t row) { qvCall2(QV_MoveCursor, (QvWord)column, (QvWord)row); }
static inline int32_t qvQueryCursor(void) { return (int32_t)qvCall0(QV_QueryCursor); }
static inline int32_t qvNullService(void) { return (int32_t)qvCall0(QV_NullService); }
static inline int32_t qvGetViewSize(void) { return (int32_t)qvCall0(QV_GetViewSize); }
static inline char *qvGetTagBuffer(void) { return (char *)(uintptr_t)qvCall0(QV_GetTagBuffer); }
static inline void qvBeepTone(int32_t hz, int32_t ms) { qvCall2(QV_BeepTone, (QvWord)hz, (QvWord)ms); }
static inline void qvSetBellTone(int32_t hz, int32_t ms) { qvCall2(QV_SetBellTone, (QvWord)hz, (QvWord)ms); }
static inline void qvSetColors(int32_t back, int32_t text) { qvCall2(QV_SetColors, (QvWord)back, (QvWord)text); }
static inline void qvPostEvent(int32_t code) { qvCall1(QV_PostEvent, (QvWord)code); }
static inline unsigned char *qvGetScreenBuffer(void) { return (unsigned char *)(uintptr_t)qvCall0(QV_GetScreenBuffer); }
static inline int32_t qvGetCellSize(void) { return (int32_t)qvCall0(QV_GetCellSize); }
static inline int32_t qvGetShiftState(void) { return (int32_t)qvCall0(QV_GetShiftState); }
static inline void qvFitViewToPixels(int32_t height, int32_t width) { qvCall2(QV_FitViewToPixels, (QvWord)height, (QvWord)width); }
static inline void qvMoveConsole(int32_t top, int32_t left) { qvCall2(QV_MoveConsole, (QvWord)top, (QvWord)left); }
static inline void qvSetMouseCursor(int32_t id) { qvCall1(QV_SetMouseCursor, (QvWord)id); }
static inline void qvSetCaretHeight(int32_t height) { qvCall1(QV_SetCaretHeight, (QvWord)height); }
static inline int32_t qvGetCaretHeight(void) { return (int32_t)qvCall0(QV_GetCaretHeight); }
static inline void qvSetMenuFlag(int32_t flag) { qvCall1(QV_SetMenuFlag, (QvWord)flag); }
static inline uint32_t qvGetScreenDC(void) { return qvCall0(QV_GetScreenDC); }
static inline uint32_t qvPrinterSetup(uint32_t owner) { return qvCall1(QV_PrinterSetup, owner); }
static inline void qvBeginPrintJob(void) { qvCall0(QV_BeginPrintJob); }
static inline void qvNewPrintPage(void) { qvCall0(QV_NewPrintPage); }
static inline void qvEndPrintJob(void) { qvCall0(QV_EndPrintJob); }
static inline uint32_t qvChoosePrinter(int useDefault) { return qvCall1(QV_ChoosePrinter, (QvWord)useDefault); }
static inline void qvReleasePrinter(void) { qvCall0(QV_ReleasePrinter); }
static inline unsigned char *qvOpenExistingFileDialog(uint32_t owner, char *filter, const char *caption, const char *folder, unsigned char *result) { return (unsigned char *)(uintptr_t)qvCall5(QV_OpenExistingFileDialog, owner, QV_W(filter), QV_W(caption), QV_W(folder), QV_W(result)); }
static inline unsigned char *qvSaveFileDialog(uint32_t owner, char *filter, const char *caption, const char *folder, unsigned char *result) { return (unsigned char *)(uintptr_t)qvCall5(QV_SaveFileDialog, owner, QV_W(filter), QV_W(caption), QV_W(folder), QV_W(result)); }
static inline void *qvReallocMemory(void *block, uint32_t size) { return (void *)(uintptr_t)qvCall2(QV_ReallocMemory, QV_W(block), size); }
static inline void qvHideConsole(void) { qvCall0(QV_HideConsole); }
static inline void qvShowConsole(void) { qvCall0(QV_ShowConsole); }
static inline uint32_t qvFocusWindow(uint32_t window) { return qvCall1(QV_FocusWindow, window); }
static inline void qvScrollToLine(int32_t line) { qvCall1(QV_ScrollToLine, (QvWord)line); }
static inline int32_t qvGetTopLine(void) { return (int32_t)qvCall0(QV_GetTopLine); }
static inline int32_t qvGetBufferSize(void) { return (int32_t)qvCall0(QV_GetBufferSize); }
static inline int32_t qvSetBufferSize(int32_t rows, int32_t cols) { return (int32_t)qvCall2(QV_SetBufferSize, (QvWord)rows, (QvWord)cols); }
static inline unsigned char *qvOpenFileDialog(uint32_t owner, char *filter, const char *caption, const char *folder, unsigned char *result) { return (unsigned char *)(uintptr_t)qvCall5(QV_OpenFileDialog, owner, QV_W(filter), QV_W(caption), QV_W(folder), QV_W(result)); }
static inline void qvRestoreConsole(void) { qvCall0(QV_RestoreConsole); }
static inline int32_t qvGetPrintQuality(void) { return (int32_t)qvCall0(QV_GetPrintQuality); }
static inline void qvStartPrintPage(void) { qvCall0(QV_StartPrintPage); }
static inline void qvEndPrintPage(void) { qvCall0(QV_EndPrintPage); }
static inline int32_t qvGetPrintCopies(void) { return (int32_t)qvCall0(QV_GetPrintCopies); }
static inline int32_t qvGetPrintFromPage(void) { return (int32_t)qvCall0(QV_GetPrintFromPage); }
static inline int32_t qvGetPrintToPage(void) { return (int32_t)qvCall0(QV_GetPrintToPage); }
static inline int32_t qvSeekFile(uint32_t file, int32_t origin, int32_t offset) { return (int32_t)qvCall3(QV_SeekFile, file, (QvWord)origin, (QvWord)offset); }
static inline uint32_t qvCreateTextFile(const char *name, int32_t len) { return qvCall2(QV_CreateTextFile, QV_W(name), (QvWord)len); }
static inline int32_t qvReadFileBytes(uint32_t file, int32_t count, void *buf) { return (int32_t)qvCall3(QV_ReadFileBytes, file, (QvWord)count, QV_W(buf)); }
static inline int32_t qvGetWindowState(void) { return (int32_t)qvCall0(QV_GetWindowState); }
static inline uint32_t qvSetPrintOrientation(int landscape) { return qvCall1(QV_SetPrintOrientation, (QvWord)landscape); }
static inline int32_t qvUpperCase(char *text, int32_t len) { return (int32_t)qvCall2(QV_UpperCase, QV_W(text), (QvWord)len); }
static inline int32_t qvLowerCase(char *text, int32_t len) { return (int32_t)qvCall2(QV_LowerCase, QV_W(text), (QvWord)len); }
static inline int32_t qvTellFile(uint32_t file) { return (int32_t)qvCall1(QV_TellFile, file); }
static inline void qvSetCellSize(int32_t height, int32_t width) { qvCall2(QV_SetCellSize, (QvWord)height, (QvWord)width); }
static inline void qvSetHighlight(int32_t endCol, int32_t endRow, int32_t startCol, int32_t startRow) { qvCall4(QV_SetHighlight, (QvWord)endCol, (QvWord)endRow, (QvWord)startCol, (QvWord)startRow); }
static inline void qvShowMessage(const char *text, int32_t len) { qvCall2(QV_ShowMessage, QV_W(text), (QvWord)len); }

/* The entry of a hosted program: no arguments, a 32-bit result. */
typedef int32_t(QV_STDCALL *QvEntry)(void);

/* Defines the program's header, placed first in its image (at
 * QV_HOSTED_BASE) by the SDK's link script. addressMode 0 makes entryPoint an
 * offset from the header; 1 makes it an address. The kernel takes any
 * non-zero value as 1, but the joiner accepts only 0 and 1. */
#define QV_DEFINE_HEADER(mode, entry)                                            \
    __attribute__((section(".qvheader"), used)) ProgramHeader qvHeader = {       \
        (QvWord)(mode), {0, 0, 0, 0, 0, 0},                                      \
        (mode) ? (QvWord)(uintptr_t)(entry)                                      \
               : (QvWord)(uintptr_t)(entry) - QV_HOSTED_BASE,                     \
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }

/* The command-line tail as the kernel published it, by addressMode. */
static inline const char *qvCommandLine(void)
{
    return qvHeader.addressMode ? (const char *)(uintptr_t)qvHeader.commandLine
                                : (const char *)((uintptr_t)&qvHeader + qvHeader.commandLine);
}

#endif /* __i386__ && !QUORVEN_KERNEL */

#ifdef __cplusplus
}
#endif
#endif /* QUORVEN_H */
