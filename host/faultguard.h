// The fault guard around every run of the hosted program's entry, and its
// state that lives for the process.
#pragma once
#include <windows.h>
#define QUORVEN_KERNEL
#include "../sdk/quorven.h"

// The copy of the CONTEXT record of the last fault (716 bytes); its address
// is what faultContext holds after a fault.
extern CONTEXT savedFaultContext;

// One guarded run of routine(argument). The entry's routine does not return
// normally (it ends the process itself, through ExitProgram with the entry's
// result and still under the guard, so that a fault in the shutdown hook on
// that path is reported like any other). After a fault it reports it in the
// fault box and returns when the user goes on (OK, or a box that could not be
// shown); Cancel ends the process.
void runGuarded(QvWord(__stdcall *routine)(void *), void *argument);
