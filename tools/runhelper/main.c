/* quorven-runhelper: the Windows side of quorven-run. Starts one joined
 * program, watches it through the console window's "QuorvenRunQuery"
 * message and reports to the driver on standard output, one line each:
 *
 *   ready                        waiting for its "go" line (below)
 *   started PID
 *   window HWND                  the program's console window appeared
 *   idle READ                    the program blocks in WaitEvent with nothing
 *                                pending; READ is the event queue's read index
 *   fault BASE CODE EIP ESI LINK RETURN ARGUMENT ANSWER HEX
 *                                a fault box appeared: the program's load
 *                                address, the fault's code and the Eip of its
 *                                saved CONTEXT, the header's fault words
 *                                (Esi, [Ebp], [Ebp+4], [Ebp+8]), all in
 *                                hexadecimal ("-" for what could not be read),
 *                                the answer the helper gave (ok or cancel) and
 *                                the box's text in code page 936, in hexadecimal
 *   posted                       answer to "char": the character is in the
 *                                console's queue
 *   xid N                        answer to "focus" and "xid": the console's X
 *                                window, to type into or to take a picture of
 *   screen KIND ROWS COLS CURSORROW CURSORCOL TOPLINE VIEWROWS VIEWCOLS HEX
 *                                the screen buffer (KIND now or exit)
 *   hold XID                     at exit, with HOLD 1: waits for "go" (XID: the
 *                                console's X window, for a screenshot; 0 when
 *                                the window never had one)
 *   exit CODE                    the program ended
 *
 * The helper waits for a first line "go HOLD ANSWER COMMAND_LINE" on standard
 * input (see main) before it makes its desktop and starts the program, so
 * that it can start while the driver still starts the X server. Then
 * commands on standard input: "screen", "focus" (shows and activates the
 * console window), "xid", "close" (WM_CLOSE, as the close box), "kill" (ends
 * the program with code 124), "go", "char HEX" (posts the UTF-16 character
 * HEX to the console window as WM_CHAR, as an input method does; the system
 * hands an ANSI window its bytes in the code page, lead byte first).
 *
 *   quorven-runhelper POLL_MS
 */
#include <windows.h>
#include <winternl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Must match console/runwatch.h. */
#define RUN_QUERY_STATUS 0
#define RUN_QUERY_SCREEN 1
#define RUN_SCREEN_NOW 1
#define RUN_SCREEN_AT_EXIT 2
#define RUN_STATUS_WAITING 0x100
#define RUN_STATUS_PENDING 0x200
#define RUN_STATUS_TAG 0x51560000u

/* Must match sdk/quorven.h: the program header lies this far past the load
 * address; its fault words from faultCode on, and the Eip of the saved
 * CONTEXT (x86 layout). */
#define HEADER_OFFSET 0x48000u
#define HEADER_FAULT_CODE 0x34
#define HEADER_FAULT_WORDS 6 /* faultCode, faultContext, faultEsi, faultFrameLink, faultReturnAddress, faultFirstArgument */
#define CONTEXT_EIP 0xB8

/* "异常中断": the caption of the kernel's fault box, read in UTF-16 so that
 * it matches under every system code page. */
static const WCHAR faultCaption[] = {0x5F02, 0x5E38, 0x4E2D, 0x65AD, 0};

static struct {
    HANDLE process;     /* the program */
    DWORD processId;
    HWND console;       /* its console window, once found */
    HWND self;          /* our message-only window, which receives WM_COPYDATA */
    UINT query;         /* the registered query message */
    int hold;           /* hold the exit screen until "go" */
    HANDLE commandReady; /* set by the reader thread when a command is queued */
    HANDLE goEvent;     /* set by the reader thread on "go" */
    CRITICAL_SECTION lock;
    char commands[16][32]; /* commands waiting, oldest first */
    int commandCount;
    int faultAnswer;    /* IDOK or IDCANCEL */
    HWND answered[8];   /* the fault boxes answered last, which may still be on the screen */
    int answeredNext;
} h;

static void say(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    fflush(stdout);
}

static void sayHex(const char *bytes, int n)
{
    static const char digits[] = "0123456789ABCDEF";
    char chunk[4096];
    int k = 0;
    for (int i = 0; i < n; i++) {
        chunk[k++] = digits[(unsigned char)bytes[i] >> 4];
        chunk[k++] = digits[(unsigned char)bytes[i] & 15];
        if (k == sizeof chunk) {
            fwrite(chunk, 1, k, stdout);
            k = 0;
        }
    }
    fwrite(chunk, 1, k, stdout);
}

static DWORD WINAPI readCommands(void *unused)
{
    (void)unused;
    char line[64];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\r\n")] = 0;
        if (strcmp(line, "go") == 0) {
            SetEvent(h.goEvent);
            continue;
        }
        EnterCriticalSection(&h.lock);
        if (h.commandCount < 16) lstrcpynA(h.commands[h.commandCount++], line, 32);
        LeaveCriticalSection(&h.lock);
        SetEvent(h.commandReady);
    }
    /* The driver went away: treat it as "kill". */
    EnterCriticalSection(&h.lock);
    if (h.commandCount < 16) lstrcpyA(h.commands[h.commandCount++], "kill");
    LeaveCriticalSection(&h.lock);
    SetEvent(h.commandReady);
    SetEvent(h.goEvent);
    return 0;
}

static void onScreen(const COPYDATASTRUCT *data)
{
    const int *head = (const int *)data->lpData;
    if (data->cbData < 28) return;
    say("screen %s %d %d %d %d %d %d %d ", data->dwData == RUN_SCREEN_AT_EXIT ? "exit" : "now", head[0], head[1],
        head[2], head[3], head[4], head[5], head[6]);
    sayHex((const char *)data->lpData + 28, (int)data->cbData - 28);
    say("\n");
    if (data->dwData == RUN_SCREEN_AT_EXIT && h.hold) {
        /* The program waits in its shutdown, window still on the screen, while
         * the driver takes its screenshot. */
        say("hold %lu\n", (unsigned long)(UINT_PTR)GetPropA(h.console, "__wine_x11_whole_window"));
        WaitForSingleObject(h.goEvent, 20000);
    }
}

static LRESULT CALLBACK helperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA) {
        onScreen((const COPYDATASTRUCT *)lParam);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

/* The program's load address, from its process environment block. */
static DWORD programBase(void)
{
    typedef LONG(WINAPI * QueryProcess)(HANDLE, int, void *, ULONG, ULONG *);
    QueryProcess query = (QueryProcess)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION info;
    DWORD base = 0;
    if (!query || query(h.process, ProcessBasicInformation, &info, sizeof info, NULL) != 0) return 0;
    /* The image's base address is the PEB's third word. */
    if (!ReadProcessMemory(h.process, (char *)info.PebBaseAddress + 8, &base, sizeof base, NULL)) return 0;
    return base;
}

static void sayWord(const DWORD *word) { word ? say(" %08lX", *word) : say(" -"); }

/* The "fault" line's fields up to the answer. The kernel stores the fault's
 * words in the header before it shows the box, so they are there now. */
static void sayFault(void)
{
    DWORD base = programBase(), words[HEADER_FAULT_WORDS], eip = 0;
    int haveWords = base && ReadProcessMemory(h.process, (void *)(base + HEADER_OFFSET + HEADER_FAULT_CODE), words,
                                              sizeof words, NULL);
    int haveEip = haveWords && words[1] &&
                  ReadProcessMemory(h.process, (void *)(words[1] + CONTEXT_EIP), &eip, sizeof eip, NULL);
    say("fault");
    sayWord(base ? &base : NULL);
    sayWord(haveWords ? &words[0] : NULL);
    sayWord(haveEip ? &eip : NULL);
    for (int i = 2; i < HEADER_FAULT_WORDS; i++) sayWord(haveWords ? &words[i] : NULL);
}

static BOOL CALLBACK findWindows(HWND window, LPARAM unused)
{
    (void)unused;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != h.processId) return TRUE;
    char cls[32];
    WCHAR title[64];
    if (!GetClassNameA(window, cls, sizeof cls)) return TRUE;
    if (!h.console && strcmp(cls, "Quorven") == 0) {
        h.console = window;
        say("window %lX\n", (unsigned long)(UINT_PTR)window);
    } else if (strcmp(cls, "#32770") == 0 && IsWindowVisible(window) &&
               GetWindowTextW(window, title, 64) && lstrcmpW(title, faultCaption) == 0) {
        for (int i = 0; i < 8; i++)
            if (h.answered[i] == window) return TRUE;
        WCHAR wide[256];
        char text[512];
        int n = GetDlgItemTextW(window, 0xFFFF, wide, 256);
        n = WideCharToMultiByte(936, 0, wide, n, text, sizeof text, NULL, NULL);
        sayFault();
        say(" %s ", h.faultAnswer == IDOK ? "ok" : "cancel");
        sayHex(text, n);
        say("\n");
        PostMessageA(window, WM_COMMAND, h.faultAnswer, 0);
        h.answered[h.answeredNext] = window;
        h.answeredNext = (h.answeredNext + 1) % 8;
    }
    return TRUE;
}

static void doCommand(const char *command)
{
    DWORD_PTR result;
    if (strcmp(command, "kill") == 0) {
        TerminateProcess(h.process, 124);
    } else if (!h.console) {
        say("error no window\n");
    } else if (strncmp(command, "char ", 5) == 0) {
        PostMessageW(h.console, WM_CHAR, (WPARAM)strtoul(command + 5, NULL, 16), 1);
        say("posted\n");
    } else if (strcmp(command, "close") == 0) {
        PostMessageA(h.console, WM_CLOSE, 0, 0);
    } else if (strcmp(command, "screen") == 0) {
        if (!SendMessageTimeoutA(h.console, h.query, RUN_QUERY_SCREEN, (LPARAM)h.self, SMTO_NORMAL, 2000, &result))
            say("error screen\n");
    } else if (strcmp(command, "xid") == 0) {
        say("xid %lu\n", (unsigned long)(UINT_PTR)GetPropA(h.console, "__wine_x11_whole_window"));
    } else if (strcmp(command, "focus") == 0) {
        /* Wine ignores the launcher's show command, so a program that never
         * restored its window may still have it hidden or minimized. */
        if (!IsWindowVisible(h.console) || IsIconic(h.console)) ShowWindow(h.console, SW_SHOWNORMAL);
        SetForegroundWindow(h.console);
        say("xid %lu\n", (unsigned long)(UINT_PTR)GetPropA(h.console, "__wine_x11_whole_window"));
    }
}

/* The C run-time's own argv: CommandLineToArgvW would load shell32, which
 * with the libraries it pulls in costs the helper a good part of its start. */
int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: quorven-runhelper POLL_MS, then \"go HOLD ANSWER COMMAND_LINE\" on standard input\n");
        return 2;
    }
    DWORD poll = (DWORD)atoi(argv[1]);
    /* Nothing that needs the X server before the driver says it is up, with
     * what to run: "go HOLD ANSWER COMMAND_LINE", HOLD 1 to hold the exit
     * screen for a screenshot, ANSWER the fault box's (ok or cancel), the
     * command line in UTF-8. */
    say("ready\n");
    static char go[32768 + 64];
    static WCHAR commandLine[32768];
    int hold = 0, used = 0;
    char answer[8] = "";
    if (!fgets(go, sizeof go, stdin) || sscanf(go, "go %d %7s %n", &hold, answer, &used) < 2 || !used) return 3;
    go[strcspn(go, "\r\n")] = 0;
    if (!MultiByteToWideChar(CP_UTF8, 0, go + used, -1, commandLine, 32768)) return 3;
    h.hold = hold;
    h.faultAnswer = strcmp(answer, "ok") == 0 ? IDOK : IDCANCEL;
    /* A desktop of its own: the Wine server routes keys to the foreground
     * window of each desktop, so runs that share the server do not type into
     * each other's programs. The helper's own window lives there too. */
    wchar_t desktopName[64];
    wsprintfW(desktopName, L"quorven-run-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    HDESK desktop = CreateDesktopW(desktopName, NULL, NULL, 0, GENERIC_ALL, NULL);
    if (!desktop || !SetThreadDesktop(desktop)) {
        say("error desktop %lu\n", GetLastError());
        return 3;
    }
    /* Every run opens the window at the default rectangle, whatever an
     * earlier program saved. */
    HKEY settings;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\QUORVEN\\SETTINGS", 0, KEY_SET_VALUE, &settings) == 0) {
        RegDeleteValueA(settings, "Console");
        RegCloseKey(settings);
    }
    InitializeCriticalSection(&h.lock);
    h.commandReady = CreateEventA(NULL, FALSE, FALSE, NULL);
    h.goEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
    h.query = RegisterWindowMessageA("QuorvenRunQuery");
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = helperProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "QuorvenRunHelper";
    RegisterClassA(&wc);
    h.self = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);

    /* A program that ends before the first query still sends its screen. */
    wchar_t self[16];
    wsprintfW(self, L"%lX", (unsigned long)(UINT_PTR)h.self);
    SetEnvironmentVariableW(L"QUORVEN_RUN_WINDOW", self);
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.lpDesktop = desktopName;
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        say("error start %lu\n", GetLastError());
        return 3;
    }
    CloseHandle(pi.hThread);
    h.process = pi.hProcess;
    h.processId = pi.dwProcessId;
    say("started %lu\n", pi.dwProcessId);
    CreateThread(NULL, 0, readCommands, NULL, 0, NULL);

    int wasIdle = 0, lastRead = -1;
    HANDLE handles[2] = {h.process, h.commandReady};
    for (;;) {
        DWORD w = MsgWaitForMultipleObjects(2, handles, FALSE, poll, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (w == WAIT_OBJECT_0) break;
        if (w == WAIT_OBJECT_0 + 1) {
            for (;;) {
                char command[32];
                EnterCriticalSection(&h.lock);
                int have = h.commandCount > 0;
                if (have) {
                    lstrcpyA(command, h.commands[0]);
                    memmove(h.commands[0], h.commands[1], sizeof h.commands[0] * (size_t)--h.commandCount);
                }
                LeaveCriticalSection(&h.lock);
                if (!have) break;
                doCommand(command);
            }
            continue;
        }
        EnumWindows(findWindows, 0);
        if (!h.console) continue;
        DWORD_PTR status = 0;
        if (!SendMessageTimeoutA(h.console, h.query, RUN_QUERY_STATUS, (LPARAM)h.self, SMTO_NORMAL, poll * 4 + 50,
                                 &status) ||
            (status & 0xFFFF0000u) != RUN_STATUS_TAG) {
            wasIdle = 0; /* busy, or not a kernel that answers */
            continue;
        }
        int idle = (status & RUN_STATUS_WAITING) && !(status & RUN_STATUS_PENDING);
        int read = (int)(status & 0xFF);
        if (idle && (!wasIdle || read != lastRead)) say("idle %d\n", read);
        wasIdle = idle;
        if (idle) lastRead = read;
    }
    /* Messages sent while the program ended (its exit screen) are handled. */
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    DWORD code = 0;
    GetExitCodeProcess(h.process, &code);
    say("exit %lu\n", code);
    /* Nothing is left to tidy up: ending at once spares the driver the
     * tens of milliseconds a Wine process takes to unload its libraries. */
    TerminateProcess(GetCurrentProcess(), 0);
    return 0;
}
