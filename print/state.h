// PrintState: the printer device context in use, the retained print-dialog
// record and the owner that PrinterSetup gave at its last reset.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <stddef.h>
#include "record.h"

struct PrintState {
    HDC printerDC;           // the printer device context in use; 0 when no printer is held
    PrintRecord printRecord; // survives between dialogs; reset when leaving the no-printer state
    HWND printOwner;         // owner given to PrinterSetup at its last reset; ChoosePrinter's dialog owner
};

extern PrintState printState;

// The record is handed to the platform as its own PRINTDLGA.
static_assert(sizeof(PRINTDLGA) == sizeof(PrintRecord), "PRINTDLGA is the 66-byte packed record");
static_assert(offsetof(PRINTDLGA, hDC) == offsetof(PrintRecord, hDC), "PRINTDLGA layout");
static_assert(offsetof(PRINTDLGA, nCopies) == offsetof(PrintRecord, nCopies), "PRINTDLGA layout");
static_assert(offsetof(PRINTDLGA, hSetupTemplate) == offsetof(PrintRecord, hSetupTemplate), "PRINTDLGA layout");

inline PRINTDLGA *platformRecord()
{
    return reinterpret_cast<PRINTDLGA *>(&printState.printRecord);
}

inline HGLOBAL recordDevMode()
{
    return reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(printState.printRecord.hDevMode));
}
