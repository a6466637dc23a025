/* The service calling convention, slot by slot: one table of calls with
 * harmless arguments, each made the way compiled programs call (arguments
 * pushed last first), with EBX, ESI, EDI and EBP loaded with marks. Every
 * service must remove exactly the arguments the interface gives it and
 * leave the four registers as they were. The table covers every slot of 3, 4
 * and 5 arguments; the first rows also pin the console state's results
 * before any console exists. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

extern uint32_t qvtCallChecked(void *fn, int count, const uint32_t *args);
extern uint32_t qvtAfter[5];

/* The argument count of every slot, from the interface's list. */
#define QV_ARG_COUNT(slot, name, nargs) [slot] = nargs,
static const int argCount[QV_SERVICE_COUNT] = {QV_SERVICE_LIST(QV_ARG_COUNT)};

/* A row: the slot, its arguments and what it must return. An argument
 * SAVED(n) stands for the result saved by an earlier row with save = n. */
enum Expect { EXACT, NONZERO, ANY };
typedef struct {
    int slot;
    uint32_t args[5];
    enum Expect expect;
    uint32_t result;
    int save;
} Call;
#define SAVED(n) (0x5AFE0000u + (n))
enum { FILE_ = 1, MODULE_, BLOCK_, CONSOLE_, SAVED_COUNT };
#define A(x) ((uint32_t)(uintptr_t)(x))

static uint32_t saved[SAVED_COUNT];
static int covered[QV_SERVICE_COUNT];

static uint32_t run(const Call *call)
{
    int count = argCount[call->slot];
    uint32_t args[5];
    for (int i = 0; i < count; i++) {
        uint32_t a = call->args[i];
        args[i] = a > SAVED(0) && a < SAVED(SAVED_COUNT) ? saved[a - SAVED(0)] : a;
    }
    uint32_t result = qvtCallChecked((void *)QV_ENTRY(call->slot), count, args);
    qvtPrint("slot %d (%d arguments) returned %X\n", call->slot, count, result);
    covered[call->slot] = 1;
    if (qvtAfter[0] != 0x11111111 || qvtAfter[1] != 0x22222222 || qvtAfter[2] != 0x33333333 ||
        qvtAfter[3] != 0x44444444) {
        qvtFailures++;
        qvtPrint("FAIL slot %d: ebx %X esi %X edi %X ebp %X after the call\n", call->slot, qvtAfter[0], qvtAfter[1],
                 qvtAfter[2], qvtAfter[3]);
    }
    CHECK_EQ(qvtAfter[4], 4 * count); /* the service removed its arguments */
    if (call->expect == EXACT)
        CHECK_EQ(result, call->result);
    else if (call->expect == NONZERO)
        CHECK(result != 0);
    if (call->save) saved[call->save] = result;
    return result;
}

static void runAll(const Call *calls, int n)
{
    for (int i = 0; i < n; i++) run(&calls[i]);
}

/* The file dialogs of the table are cancelled by a thread timer, which their
 * own message loops dispatch. */
static const char dialogCaption[] = "QV callconv";
typedef uint32_t(QV_STDCALL *FindWindowA_t)(const char *, const char *);
typedef int(QV_STDCALL *PostMessageA_t)(uint32_t, uint32_t, uint32_t, uint32_t);
typedef uint32_t(QV_STDCALL *SetTimer_t)(uint32_t, uint32_t, uint32_t, void *);
typedef uint32_t(QV_STDCALL *GetTempPathA_t)(uint32_t, char *);
typedef int(QV_STDCALL *DeleteFileA_t)(const char *);

static void QV_STDCALL cancelDialog(uint32_t window, uint32_t message, uint32_t id, uint32_t time)
{
    (void)window, (void)message, (void)id, (void)time;
    uint32_t dialog = QVT_FN("user32.dll", "FindWindowA", FindWindowA_t)("#32770", dialogCaption);
    if (dialog) QVT_FN("user32.dll", "PostMessageA", PostMessageA_t)(dialog, 0x0111 /* WM_COMMAND */, 2 /* IDCANCEL */, 0);
}

static int32_t QV_STDCALL entry(void)
{
    /* The table's own services and the console state before OpenConsole. */
    char *tag = qvGetTagBuffer();
    const Call before[] = {
        {QV_NullService, {0}, EXACT, 0, 0},
        {QV_NullService2, {0}, EXACT, 0, 0},
        {QV_GetTagBuffer, {0}, EXACT, A(tag), 0},
        {QV_GetBufferSize, {0}, EXACT, 0x02000080, 0},
        {QV_GetViewSize, {0}, EXACT, 0, 0},
        {QV_GetCellSize, {0}, EXACT, 0, 0},
        {QV_GetScreenBuffer, {0}, EXACT, 0, 0},
        {QV_GetScreenDC, {0}, EXACT, 0, 0},
        {QV_GetCaretHeight, {0}, EXACT, 2, 0},
        {QV_GetWindowState, {0}, EXACT, 0, 0},
        {QV_GetTopLine, {0}, EXACT, 0, 0},
        {QV_QueryCursor, {0}, EXACT, 0, 0},
        /* Height first in, width in the high half out. */
        {QV_SetCellSize, {16, 8}, EXACT, 0, 0},
        {QV_GetCellSize, {0}, EXACT, 0x00080010, 0},
        /* A packed result is an addition: a negative high half stays negative. */
        {QV_SetCellSize, {5, (uint32_t)-1}, EXACT, 0, 0},
        {QV_GetCellSize, {0}, EXACT, (uint32_t)(-1 * 65536 + 5), 0},
        {QV_GetViewSize, {0}, EXACT, 0, 0}, /* SetCellSize does not touch the view */
        {QV_SetMenuFlag, {1}, EXACT, 0, 0},
        {QV_SetMenuFlag, {0}, EXACT, 0, 0},
    };
    CHECK_EQ(QV_ENTRY(21), QV_ENTRY(22));
    runAll(before, sizeof before / sizeof before[0]);
    CHECK_BYTES(tag, "DLL\0\0\0\0\0", 8);
    tag[0] = 'x';
    CHECK_EQ(qvGetTagBuffer()[0], 'x'); /* what the program writes stays */

    /* Files, libraries, memory, text case and the print settings. */
    char path[300];
    uint32_t n = QVT_FN("kernel32.dll", "GetTempPathA", GetTempPathA_t)(260, path);
    memcpy(path + n, "qvcallconv.txt", 15);
    uint32_t pathLength = n + 14;
    static const char data[] = "hello\r\nworld\r\n";
    char line[64], bytes[8];
    static char upper[] = "abc", lower[] = "ABC";
    const Call other[] = {
        {QV_WriteWholeFile, {A(data), 14, A(path), pathLength}, EXACT, 14, 0},
        {QV_OpenTextFile, {A(path), pathLength, 0}, NONZERO, 0, FILE_},
        {QV_ReadFileLine, {A(line), sizeof line, SAVED(FILE_)}, EXACT, 5, 0},
        {QV_TellFile, {SAVED(FILE_)}, EXACT, 7, 0},
        {QV_SeekFile, {SAVED(FILE_), 0, 7}, EXACT, 0, 0},
        {QV_ReadFileBytes, {SAVED(FILE_), 3, A(bytes)}, EXACT, 3, 0},
        {QV_CloseFile, {SAVED(FILE_)}, EXACT, 0, 0},
        {QV_OpenTextFile, {A(path), pathLength, 1}, NONZERO, 0, FILE_},
        {QV_CloseFile, {SAVED(FILE_)}, EXACT, 0, 0},
        {QV_CreateTextFile, {A(path), pathLength}, NONZERO, 0, FILE_},
        {QV_CloseFile, {SAVED(FILE_)}, EXACT, 0, 0},
        {QV_LoadLibraryByName, {A("kernel32.dll"), 12}, NONZERO, 0, MODULE_},
        {QV_GetProcByName, {A("GetTickCount"), 12, SAVED(MODULE_)}, EXACT, A(qvtProc("kernel32.dll", "GetTickCount")), 0},
        {QV_FreeLibraryHandle, {SAVED(MODULE_)}, NONZERO, 0, 0},
        {QV_AllocMemory, {16}, NONZERO, 0, BLOCK_},
        {QV_ReallocMemory, {SAVED(BLOCK_), 64}, NONZERO, 0, BLOCK_},
        {QV_FreeMemory, {SAVED(BLOCK_)}, EXACT, 0, 0},
        {QV_UpperCase, {A(upper), 3}, EXACT, 3, 0},
        {QV_LowerCase, {A(lower), 3}, EXACT, 3, 0},
        /* No printer is held: the page calls go to no device context. */
        {QV_ReleasePrinter, {0}, EXACT, 0, 0},
        {QV_GetPrintQuality, {0}, EXACT, 0, 0},
        {QV_GetPrintCopies, {0}, EXACT, 0, 0},
        {QV_GetPrintFromPage, {0}, EXACT, 0, 0},
        {QV_GetPrintToPage, {0}, EXACT, 0, 0},
        {QV_StartPrintPage, {0}, EXACT, 0, 0},
        {QV_EndPrintPage, {0}, EXACT, 0, 0},
        {QV_NewPrintPage, {0}, EXACT, 0, 0},
        {QV_EndPrintJob, {0}, EXACT, 0, 0},
    };
    runAll(other, sizeof other / sizeof other[0]);
    CHECK_BYTES(line, "hello\n", 7); /* the line feed stays in the buffer, uncounted */
    CHECK_BYTES(bytes, "wor", 3);
    CHECK_BYTES(upper, "ABC", 3);
    CHECK_BYTES(lower, "abc", 3);
    QVT_FN("kernel32.dll", "DeleteFileA", DeleteFileA_t)(path);

    /* The console, input and the file dialogs. */
    CHECK(QVT_FN("user32.dll", "SetTimer", SetTimer_t)(0, 0, 200, (void *)cancelDialog) != 0);
    static char filter[] = "Text|*.txt|";
    static unsigned char result[260];
    char typed[16];
    const Call console[] = {
        {QV_OpenConsole, {0}, NONZERO, 0, CONSOLE_},
        {QV_RestoreConsole, {0}, EXACT, 0, 0},
        {QV_SetBufferSize, {512, 128}, EXACT, 0, 0},
        {QV_WriteText, {A("abc"), 3}, EXACT, 0, 0},
        {QV_PutChar, {'x'}, EXACT, 0, 0},
        {QV_NewLine, {0}, EXACT, 0, 0},
        {QV_EnsureRoom, {1}, EXACT, 0, 0},
        {QV_MoveCursor, {2, 1}, EXACT, 0, 0},
        {QV_QueryCursor, {0}, EXACT, 0x00010002, 0},
        {QV_SetHighlight, {3, 0, 1, 0}, EXACT, 0, 0},
        {QV_SetHighlight, {0, 0, 0, 0}, EXACT, 0, 0},
        {QV_ScrollToLine, {0}, EXACT, 0, 0},
        {QV_ClearScreen, {0}, EXACT, 0, 0},
        {QV_SetColors, {(uint32_t)-1, (uint32_t)-1}, EXACT, 0, 0},
        {QV_SetBellTone, {500, 100}, EXACT, 0, 0},
        {QV_SetCaretHeight, {2}, EXACT, 0, 0},
        {QV_SetMouseCursor, {32512 /* IDC_ARROW */}, EXACT, 0, 0},
        {QV_GetShiftState, {0}, EXACT, 0, 0},
        {QV_HideConsole, {0}, EXACT, 0, 0},
        {QV_ShowConsole, {0}, EXACT, 0, 0},
        {QV_FocusWindow, {SAVED(CONSOLE_)}, ANY, 0, 0},
        {QV_BeepTone, {440, 1}, EXACT, 0, 0},
        {QV_PostEvent, {0x41}, EXACT, 0, 0},
        {QV_PeekEvent, {0}, EXACT, 0x41, 0},
        {QV_WaitEvent, {0}, EXACT, 0x41, 0},
        {QV_PostEvent, {'o'}, EXACT, 0, 0},
        {QV_PostEvent, {'k'}, EXACT, 0, 0},
        {QV_PostEvent, {13}, EXACT, 0, 0},
        {QV_ReadLine, {A(typed), sizeof typed}, EXACT, 2, 0},
        /* Cancelled: the result buffer's address, with length 0. */
        {QV_OpenFileDialog, {0, A(filter), A(dialogCaption), 0, A(result)}, EXACT, A(result), 0},
        {QV_OpenExistingFileDialog, {0, A(filter), A(dialogCaption), 0, A(result)}, EXACT, A(result), 0},
        {QV_SaveFileDialog, {0, A(filter), A(dialogCaption), 0, A(result)}, EXACT, A(result), 0},
    };
    runAll(console, sizeof console / sizeof console[0]);
    CHECK_BYTES(typed, "ok", 2);
    CHECK_EQ(result[0], 0);

    /* Every service of 3, 4 or 5 arguments is in the table. */
    for (int slot = 0; slot < QV_SERVICE_COUNT; slot++)
        if (argCount[slot] >= 3 && !covered[slot]) {
            qvtFailures++;
            qvtPrint("FAIL slot %d takes %d arguments and is not in the table\n", slot, argCount[slot]);
        }
    int count = 0;
    for (int slot = 0; slot < QV_SERVICE_COUNT; slot++) count += covered[slot];
    qvtPrint("%d of %d slots called\n", count, QV_SERVICE_COUNT);
    qvtFinish();
    return 0;
}
