// ExitProgram and the shutdown steps.
#include "shutdown.h"
#include "../console/render.h"
#include "../console/window.h"
#include "../platform/process.h"
#include "../platform/services.h"
#include <stdlib.h>

// Set while the shutdown hook runs. A hook that ends the process itself
// through ExitProgram, as a program's clean-up naturally may, must not be
// called again by that inner call: the inner call skips it and finishes the
// shutdown with the hook's exit code.
static bool hookRunning;

void shutdownHookAbandoned() { hookRunning = false; }

void kernelShutdown()
{
    // Deferred output onto the screen, and no more drawing from another
    // thread: what the hook writes is drawn at once.
    stopDrawingThread();
    // The hosted program's last word, while window and buffer still exist. A
    // program that left the hook at 0 is not called at address 0.
    QvWord hook = programHeader->shutdownHook;
    if (hook && !hookRunning) {
        hookRunning = true;
        reinterpret_cast<void(__stdcall *)()>(hook)();
        hookRunning = false;
    }

    closeConsole();
}

extern "C" void __stdcall ExitProgram(int32_t code)
{
    kernelShutdown();
    exit(code); // runs the C run-time's exit routines and flushes every open stream
}
