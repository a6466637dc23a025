// The fault guard around every run of the hosted program's entry.
//
// GCC has no __try, so the guard builds Windows' frame-based exception
// handling by hand:
//
//   guardedCall   pushes a registration record onto the thread's handler
//                 chain (fs:[0]), calls a routine, and takes the record off
//                 again when the routine returns.
//   guardHandler  is the record's handler. Windows calls it for every
//                 exception raised below the record. It runs the record's
//                 filter, unwinds every frame above the record (RtlUnwind
//                 calls their handlers with the unwinding flag), then
//                 resumes guardedCall on its own stack with the result 0.
//
// The entry guard's filter is captureFault; after the unwind, runGuarded
// runs recoverFromFault on the kernel's own frame, shows the fault box, and
// the entry loop starts the entry again (OK) or ExitProgram(1) ends the
// process (Cancel). The clean-up of dialogs the unwind abandoned, the box and
// the exit after Cancel run under guards of their own, so that no exception
// there can hang the process or bring up the system's crash dialog: an
// exception in the clean-up is dropped and the box still shows the fault; one
// while the box is shown counts as Cancel; one during the exit ends the
// process at once. After Cancel the exit code is 1.
#include "faultguard.h"
#include "faultwords.h"
#include "shutdown.h"
#include "../platform/process.h"
#include "../platform/services.h"
#include "../platform/codepage.h"
#include "../console/lock.h"
#include "../console/frontend.h"
#include "../platform/system.h"
#include <string.h>

// The copy of the CONTEXT record of the last fault: 716 bytes, the x86
// layout with the extended-registers area. The hosted program finds its
// address in faultContext.
CONTEXT savedFaultContext;
static_assert(sizeof(CONTEXT) == 716, "the x86 CONTEXT record is 716 bytes");

// The exception code, held from the filter until the handler stores it.
static DWORD heldFaultCode;

// ---- The registration record and its handler ------------------------------

// A filter sees the exception while it is dispatched, on the faulting stack.
// The guard always unwinds after it; a filter may also end the process.
typedef LONG(WINAPI *GuardFilter)(EXCEPTION_POINTERS *pointers);

// The record guardedCall keeps on its stack. The first two words are the
// system's EXCEPTION_REGISTRATION (link to the next record, handler); the
// rest is for guardHandler and for resuming guardedCall.
struct GuardRecord {
    GuardRecord *next;   // the record that was at fs:[0] before this one
    void *handler;       // guardHandler
    GuardFilter filter;  // run for every exception that reaches this record
    uint32_t fpuControl; // the x87 control word when the guard was armed
};

extern "C" {
// Calls routine(argument) (stdcall, one argument) with a GuardRecord on the
// handler chain. Returns 1 with the routine's result in *result when the
// routine returns, 0 when an exception below it was caught and unwound.
int guardedCall(QvWord(__stdcall *routine)(void *), void *argument, QvWord *result, GuardFilter filter);
// Unwinds every frame above the record, then resumes guardedCall with 0.
__attribute__((noreturn)) void guardUnwindAndResume(GuardRecord *record, EXCEPTION_RECORD *exception);
EXCEPTION_DISPOSITION __cdecl guardHandler(EXCEPTION_RECORD *exception, void *frame, CONTEXT *context, void *);
}

// guardedCall's stack while armed, by its frame pointer (ebp):
//   ebp+8 .. ebp+20  the arguments routine, argument, result, filter
//   ebp              the caller's ebp
//   ebp-4 .. ebp-12  ebx, esi, edi (callee-saved)
//   ebp-28           the GuardRecord {next, handler, filter, fpuControl} = esp
// Everything the routine pushes lies below the record, so resuming with esp
// at the record finds the saved registers intact.
__asm__(R"(
    .text
    .globl _guardedCall
_guardedCall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl $4, %esp
    fnstcw (%esp)               # record.fpuControl
    pushl 20(%ebp)              # record.filter
    pushl $_guardHandler        # record.handler
    pushl %fs:0                 # record.next: the current head of the chain
    movl %esp, %fs:0            # armed: the record is the head of the chain
    pushl 12(%ebp)
    call *8(%ebp)               # routine(argument); stdcall pops the argument
    movl 16(%ebp), %ecx
    movl %eax, (%ecx)           # *result
    movl $1, %eax
    jmp 1f
_guardResume:                   # from guardUnwindAndResume, esp = the record
    cld
    fninit                      # drop x87 state and pending x87 exceptions of the fault
    fldcw 12(%esp)              # and take back the control word of the guard
    xorl %eax, %eax
1:  movl (%esp), %ecx
    movl %ecx, %fs:0            # disarmed: the previous head is restored
    addl $16, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .globl _guardUnwindAndResume
_guardUnwindAndResume:
    movl 4(%esp), %eax          # the record
    movl 8(%esp), %ecx          # the exception record
    pushl %eax                  # kept in memory: RtlUnwind may change ebx, esi, edi
    pushl $0                    # ReturnValue
    pushl %ecx                  # ExceptionRecord
    pushl $0                    # TargetIp: come back here when done
    pushl %eax                  # TargetFrame: unwind every frame above the record
    call _RtlUnwind@16          # leaves the record at the head of the chain
    popl %esp                   # back on guardedCall's stack, the record at its top
    jmp _guardResume
)");

EXCEPTION_DISPOSITION __cdecl guardHandler(EXCEPTION_RECORD *exception, void *frame, CONTEXT *context, void *)
{
    // Called again with the unwinding flag while an unwind passes through
    // this record (an outer guard's, or the process exiting): nothing to do.
    if (exception->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    GuardRecord *record = static_cast<GuardRecord *>(frame);
    EXCEPTION_POINTERS pointers = {exception, context};
    record->filter(&pointers); // every guard's filter chooses its handler
    guardUnwindAndResume(record, exception);
}

// ---- Reading the words at Ebp without a second fault ---------------------

// True when the 4 bytes at address are committed memory that a read may
// touch: no guard page, no access-denied page, no address wrap. VirtualQuery
// answers without touching the memory, so the filter never faults here.
static bool wordIsReadable(uintptr_t address)
{
    uint32_t probes[2]; // the first and the last byte: a word may straddle two pages
    if (!wordBytes(address, &probes[0], &probes[1])) return false;
    for (uint32_t probe : probes) {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(reinterpret_cast<void *>(probe), &info, sizeof info) != sizeof info) return false;
        if (!regionAllowsRead(info.State, info.Protect)) return false;
    }
    return true;
}

// The word at address, or 0 when it cannot be read.
static QvWord readWordSafely(uintptr_t address)
{
    return wordIsReadable(address) ? *reinterpret_cast<const volatile QvWord *>(address) : 0;
}

// ---- The entry guard --------------------------------------------------------

// The filter of the entry guard, run while the exception is dispatched, on the
// faulting stack (after a stack overflow, on the little that is left of it:
// it keeps its own use of the stack small). Every exception is a fault of the
// hosted program; none is passed on or resumed.
static LONG WINAPI captureFault(EXCEPTION_POINTERS *pointers)
{
    heldFaultCode = pointers->ExceptionRecord->ExceptionCode;
    memcpy(&savedFaultContext, pointers->ContextRecord, sizeof savedFaultContext);
    ProgramHeader *header = programHeader;
    uintptr_t frame = savedFaultContext.Ebp;
    header->faultEsi = savedFaultContext.Esi;
    // A routine with a standard frame keeps the caller's ebp at [ebp], its
    // return address at [ebp+4] and its first argument at [ebp+8]. A word
    // that cannot be read is stored as 0.
    header->faultFrameLink = readWordSafely(frame);
    header->faultReturnAddress = readWordSafely(frame + 4);
    header->faultFirstArgument = readWordSafely(frame + 8);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A stack overflow uses up the stack's guard page: the system turns it into
// an ordinary page and does not place a new one, so a second overflow would
// run into the end of the stack and kill the process. When no guard page is
// left below the current frame, this places one two pages below it; the
// system moves it down as the stack grows, as it did the original one, and
// raises the overflow again where the stack ends. Called after the unwind,
// when the stack pointer is back near the top of the stack.
//
// Windows 95, 98 and Me: not re-armed. The Platform SDK's VirtualProtect page
// (MSDN Library, April 2000) marks PAGE_GUARD "Windows NT/2000" only, so the
// call would fail there, and the SDK offers 9x nothing that moves with the
// stack. PAGE_NOACCESS is no stand-in: the system moves no
// such page down as the stack grows, so the program would fault at the first
// page below it even without an overflow, and an overflow into it could not
// be reported, since the system writes the exception's records below the
// stack pointer, into that same page. On 9x the kernel therefore leaves the
// stack as the system left it: the first overflow is caught and reported as
// on NT; after it, a second overflow in the same run may end the process
// without the fault box.
static void restoreStackGuard()
{
    if (onWindows9x()) return;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const uintptr_t page = system.dwPageSize;
    const uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    MEMORY_BASIC_INFORMATION info;
    if (!VirtualQuery(reinterpret_cast<void *>(here), &info, sizeof info)) return;
    const uintptr_t base = reinterpret_cast<uintptr_t>(info.AllocationBase);
    for (uintptr_t address = base; address < here; address += info.RegionSize) {
        if (!VirtualQuery(reinterpret_cast<void *>(address), &info, sizeof info) || !info.RegionSize) return;
        if (info.State == MEM_COMMIT && (info.Protect & PAGE_GUARD)) return; // still in place
    }
    const uintptr_t guard = newStackGuardPage(here, base, page);
    if (!guard) return; // no room left for a guard page
    DWORD previous;
    if (VirtualAlloc(reinterpret_cast<void *>(guard), page, MEM_COMMIT, PAGE_READWRITE))
        VirtualProtect(reinterpret_cast<void *>(guard), page, PAGE_READWRITE | PAGE_GUARD, &previous);
}

// Drops an exception: the guard unwinds to its record and guardedCall
// returns 0. Used where the entry's guard is no longer in place and an
// exception must neither end the process through the system's
// unhandled-exception path nor change the description of the fault being
// reported.
static LONG WINAPI dropException(EXCEPTION_POINTERS *) { return EXCEPTION_EXECUTE_HANDLER; }

static QvWord __stdcall enableWindow(void *window) { return EnableWindow(static_cast<HWND>(window), TRUE); }
static QvWord __stdcall destroyWindow(void *window) { return DestroyWindow(static_cast<HWND>(window)); }

// A fault inside the message loop of a modal dialog or message box (one a
// service opened, such as ShowMessage's box or a file dialog, or one of the
// hosted program's own) unwinds that loop: the dialog stays on the screen
// with nobody to end it, and its owner, usually the console window, stays
// disabled, so the restarted program would get no input. Such a dialog is
// recognised by its disabled owner: the owner is enabled first (so that it,
// not some other program, becomes active when the dialog goes), then the
// dialog is destroyed.
//
// Both steps call window procedures: the owner's gets WM_ENABLE (the console
// window procedure hands it to windowProcHook), the dialog's gets WM_DESTROY,
// and the dialog's own data may have lived in the frames the unwind left. So
// each step runs under a guard of its own that drops an exception: the owner
// is enabled even when destroying the dialog fails, and the fault box still
// reports the fault that unwound the loop.
static BOOL CALLBACK closeAbandonedDialog(HWND window, LPARAM)
{
    char className[8];
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner && !IsWindowEnabled(owner) && GetClassNameA(window, className, sizeof className) &&
        lstrcmpA(className, "#32770") == 0) {
        QvWord unused;
        guardedCall(enableWindow, owner, &unused, dropException);
        guardedCall(destroyWindow, window, &unused, dropException);
    }
    return TRUE;
}

// "异常中断": the fault box's caption, and the start of its text.
static const char faultCaption[] = "\xD2\xEC\xB3\xA3\xD6\xD0\xB6\xCF";
// "异常中断 # %X"
static const char faultFormat[] = "\xD2\xEC\xB3\xA3\xD6\xD0\xB6\xCF # %X";

// The filter of the exit after Cancel (or after an exception under the box):
// an exception there ends the process at once with exit code 1, without
// running the shutdown again. Should ExitProcess itself raise one, the
// process is terminated outright.
static LONG WINAPI endProcessFilter(EXCEPTION_POINTERS *)
{
    static bool ending;
    if (!ending) {
        ending = true;
        ExitProcess(1);
    }
    TerminateProcess(GetCurrentProcess(), 1);
    return EXCEPTION_EXECUTE_HANDLER;
}

static QvWord __stdcall exitWithOne(void *)
{
    ExitProgram(1);
}

static QvWord __stdcall showFaultBox(void *text)
{
    return static_cast<QvWord>(kernelMessageBox(reinterpret_cast<HWND>(programHeader->faultOwner),
                                                static_cast<const char *>(text), faultCaption, MB_OKCANCEL));
}

// The handler of the entry guard, on the kernel's own frame after the unwind.
// Returns when the user goes on (OK, or 0 when the box could not be shown).
static void recoverFromFault()
{
    restoreStackGuard();
    shutdownHookAbandoned(); // should the fault have come from inside the hook
    // A fault inside a console service leaves the screen lock held by this
    // thread: release it, then show what was written before the box.
    releaseScreenLockAfterFault();
    settleScreen();
    EnumThreadWindows(GetCurrentThreadId(), closeAbandonedDialog, 0);
    ProgramHeader *header = programHeader;
    header->faultCode = heldFaultCode;
    header->faultContext = reinterpret_cast<uintptr_t>(&savedFaultContext);
    char text[80];
    wsprintfA(text, faultFormat, header->faultCode);
    QvWord answer = IDCANCEL;
    // An exception while the box is shown (for example in a window procedure
    // that the box's message loop calls) is dropped and leaves IDCANCEL.
    guardedCall(showFaultBox, text, &answer, dropException);
    if (answer == IDCANCEL) {
        QvWord unused;
        guardedCall(exitWithOne, nullptr, &unused, endProcessFilter);
        ExitProcess(1); // not reached: ExitProgram does not return
    }
}

void runGuarded(QvWord(__stdcall *routine)(void *), void *argument)
{
    QvWord unused;
    // The entry's routine does not return: guardedCall comes back only after a fault.
    guardedCall(routine, argument, &unused, captureFault);
    recoverFromFault();
}
