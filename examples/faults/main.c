/* The fault guard at work. The first run of the entry opens the console and
 * divides by zero inside a routine with a standard frame. The kernel catches
 * the fault and shows the box "异常中断 # C0000094". After OK the entry runs
 * again, finds the fault fields of the header filled, shows them, and waits
 * for a key; Cancel instead ends the program with exit code 1.
 *
 * With the command line "auto" the program ends by itself after showing the
 * fields (for the test that runs it). Windows functions the services do not
 * offer are looked up with qvtProc from the test support library. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef int(__cdecl *wsprintfA_t)(char *, const char *, ...);

static int runs;

/* Writes a formatted line to the console, and to standard output. */
static void sayf(const char *format, uint32_t a, uint32_t b)
{
    char text[200];
    int n = QVT_FN("user32.dll", "wsprintfA", wsprintfA_t)(text, format, a, b);
    qvWriteText(text, n);
    qvNewLine();
    qvtPrint("%s\n", text);
}

static void QV_STDCALL sayGoodbye(void) { qvtPrint("shutdown hook: goodbye\n"); }

/* A routine with a standard frame (push ebp; mov ebp, esp; the example is
 * compiled with frame pointers): the kernel's record of the fault then names
 * its caller and its first argument. */
static __attribute__((noinline)) uint32_t QV_STDCALL share(uint32_t total, volatile uint32_t *people)
{
    volatile uint32_t each = total / *people; /* kept in the frame */
    return each;
}

static int32_t QV_STDCALL entry(void)
{
    runs++;
    /* Filled before anything can end the program: Cancel calls it too. */
    qvHeader.shutdownHook = (uintptr_t)sayGoodbye;
    if (runs == 1) {
        qvHeader.faultOwner = qvOpenConsole();
        qvRestoreConsole();
        sayf("Run %d: sharing 700 among 0 people...", (uint32_t)runs, 0);
        volatile uint32_t nobody = 0;
        sayf("Each gets %u", share(700, &nobody), 0);
        return 0; /* not reached */
    }
    const uint32_t *context = (const uint32_t *)(uintptr_t)qvHeader.faultContext;
    sayf("Run %d: the previous run ended in a fault the user went on from.", (uint32_t)runs, 0);
    sayf("  faultCode           %08X", qvHeader.faultCode, 0);
    sayf("  faultContext        %08X (the saved CONTEXT, 716 bytes)", qvHeader.faultContext, 0);
    sayf("  faultEsi            %08X", qvHeader.faultEsi, 0);
    sayf("  faultFrameLink      %08X", qvHeader.faultFrameLink, 0);
    sayf("  faultReturnAddress  %08X (in the caller, entry at %08X)", qvHeader.faultReturnAddress,
         (uint32_t)(uintptr_t)entry);
    sayf("  faultFirstArgument  %u (the total that was to be shared)", qvHeader.faultFirstArgument, 0);
    sayf("  Eip of the fault    %08X (share is at %08X)", context[0xB8 / 4], (uint32_t)(uintptr_t)share);
    if (qvtStrcmp(qvCommandLine(), "auto") == 0) qvExitProgram(0);
    sayf("Press a key to end.", 0, 0);
    qvWaitEvent();
    qvExitProgram(0);
    return 0;
}
