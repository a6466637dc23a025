// Printer selection and setup: the print set-up dialog, the default printer,
// the printer device context and the default printer's stored orientation.
//
// The print dialog (comdlg32.dll) and the spooler (winspool.drv) are looked
// up by name on first use, not imported: their imports would load both, and
// with them shell32, comctl32 and compstui, into every program at start,
// though most never print. Where a library or call cannot be found, the
// step fails as the call would have failed: the dialog as cancelled, the
// orientation as not stored.
#include "../platform/services.h"
#include "../platform/codepage.h"
#include "../console/frontend.h"
#include "../platform/system.h"
#include "../console/state.h"
#include "state.h"
#include <winspool.h>

PrintState printState;

namespace {

BOOL printDialog(PRINTDLGA *record)
{
    static decltype(&PrintDlgA) call = systemFunction<decltype(&PrintDlgA)>("comdlg32.dll", "PrintDlgA");
    return call && call(record);
}

// The spooler's calls that storeOrientation makes: all of them or none.
struct SpoolerCalls {
    bool looked; // the lookup was done
    decltype(&OpenPrinterA) openPrinter;
    decltype(&GetPrinterA) getPrinter;
    decltype(&SetPrinterA) setPrinter;
    decltype(&DocumentPropertiesA) documentProperties;
    decltype(&ClosePrinter) closePrinter;
};
SpoolerCalls spooler;

bool haveSpooler()
{
    if (!spooler.looked) {
        spooler.looked = true;
        spooler.openPrinter = systemFunction<decltype(&OpenPrinterA)>("winspool.drv", "OpenPrinterA");
        spooler.getPrinter = systemFunction<decltype(&GetPrinterA)>("winspool.drv", "GetPrinterA");
        spooler.setPrinter = systemFunction<decltype(&SetPrinterA)>("winspool.drv", "SetPrinterA");
        spooler.documentProperties =
            systemFunction<decltype(&DocumentPropertiesA)>("winspool.drv", "DocumentPropertiesA");
        spooler.closePrinter = systemFunction<decltype(&ClosePrinter)>("winspool.drv", "ClosePrinter");
    }
    return spooler.openPrinter && spooler.getPrinter && spooler.setPrinter && spooler.documentProperties &&
           spooler.closePrinter;
}

HGLOBAL asHandle(uint32_t value)
{
    return reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(value));
}

// Leaves the no-printer state: a fresh record owned by owner. The device
// mode and device names of the previous choice are used by nothing any more
// and are freed here, so that repeated choices leak nothing.
void resetRecord(HWND owner)
{
    DroppedBlocks dropped = resetPrintRecord(printState.printRecord,
                                             static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner)));
    if (dropped.devMode)
        GlobalFree(asHandle(dropped.devMode));
    if (dropped.devNames)
        GlobalFree(asHandle(dropped.devNames));
}

// Builds a device context from the record's device names and device mode.
HDC createFromDevNames()
{
    PrintRecord &rec = printState.printRecord;
    if (!rec.hDevNames)
        return nullptr;
    void *names = GlobalLock(asHandle(rec.hDevNames));
    if (!names)
        return nullptr;
    DEVMODEA *mode = rec.hDevMode ? static_cast<DEVMODEA *>(GlobalLock(asHandle(rec.hDevMode))) : nullptr;
    HDC dc = CreateDCA(devNamesString(names, 0), devNamesString(names, 1), devNamesString(names, 2), mode);
    GlobalUnlock(asHandle(rec.hDevNames));
    if (rec.hDevMode)
        GlobalUnlock(asHandle(rec.hDevMode));
    return dc;
}

// Writes the orientation into the stored level-2 settings of the named
// printer. False when any step fails; every handle and block taken here is
// given back in reverse order.
bool storeOrientation(const char *printerName, int32_t landscape)
{
    bool stored = false;
    HANDLE printer = nullptr;
    HGLOBAL infoBlock = nullptr;
    PRINTER_INFO_2A *info = nullptr;
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    DWORD needed = 0;
    if (!haveSpooler())
        return false;
    if (!spooler.openPrinter(const_cast<char *>(printerName), &printer, &defaults) || !printer) {
        printer = nullptr;
        goto cleanup;
    }
    spooler.getPrinter(printer, 2, nullptr, 0, &needed);
    if (!needed)
        goto cleanup;
    infoBlock = GlobalAlloc(GHND, needed);
    if (!infoBlock)
        goto cleanup;
    info = static_cast<PRINTER_INFO_2A *>(GlobalLock(infoBlock));
    if (!info)
        goto cleanup;
    if (!spooler.getPrinter(printer, 2, reinterpret_cast<BYTE *>(info), needed, &needed))
        goto cleanup;
    if (!info->pDevMode || !(info->pDevMode->dmFields & DM_ORIENTATION))
        goto cleanup;
    info->pDevMode->dmOrientation = orientationFor(landscape);
    if (spooler.documentProperties(consoleState.consoleWindow, printer, const_cast<char *>(printerName), info->pDevMode,
                            info->pDevMode, DM_IN_BUFFER | DM_OUT_BUFFER) != IDOK)
        goto cleanup;
    if (!spooler.setPrinter(printer, 2, reinterpret_cast<BYTE *>(info), 0))
        goto cleanup;
    stored = true;
cleanup:
    if (info)
        GlobalUnlock(infoBlock);
    if (infoBlock)
        GlobalFree(infoBlock);
    if (printer)
        spooler.closePrinter(printer);
    return stored;
}

} // namespace

extern "C" {

HDC __stdcall PrinterSetup(HWND owner)
{
    if (!printState.printerDC) {
        resetRecord(owner);
        printState.printOwner = owner;
    }
    printState.printRecord.Flags = kPrintFlagsSetup;
    settleScreen(); // the console as it stands behind the dialog
    HDC before = printState.printerDC;
    if (printDialog(platformRecord())) {
        printState.printerDC = platformRecord()->hDC;
        // The dialog made a new device context; the one it replaces is used
        // by no service any more.
        if (before && before != printState.printerDC)
            DeleteDC(before);
    }
    return printState.printerDC;
}

HDC __stdcall ChoosePrinter(int32_t useDefault)
{
    if (!printState.printerDC)
        resetRecord(printState.printOwner);
    else if (useDefault)
        return printState.printerDC;
    printState.printRecord.Flags = chooseFlags(useDefault);
    settleScreen();
    if (!printDialog(platformRecord()))
        return nullptr;
    PRINTDLGA *rec = platformRecord();
    if (!rec->hDC) {
        if (!rec->hDevNames)
            return nullptr;
        rec->hDC = createFromDevNames();
    }
    printState.printerDC = rec->hDC;
    if (!printState.printerDC)
        return nullptr;
    if (canDrawBitmaps(GetDeviceCaps(printState.printerDC, RASTERCAPS)))
        return printState.printerDC;
    DeleteDC(printState.printerDC);
    // "打印机不能显示位图." / "设备错误"
    kernelMessageBox(consoleState.consoleWindow, "\xB4\xF2\xD3\xA1\xBB\xFA\xB2\xBB\xC4\xDC\xCF\xD4\xCA\xBE\xCE\xBB\xCD\xBC.",
                     "\xC9\xE8\xB1\xB8\xB4\xED\xCE\xF3", MB_OK);
    printState.printerDC = nullptr;
    return nullptr;
}

int32_t __stdcall ReleasePrinter()
{
    if (printState.printerDC)
        DeleteDC(printState.printerDC);
    printState.printerDC = nullptr;
    return 0;
}

// The printer is named by the device name of the record's DEVNAMES block,
// not by the device mode's dmDeviceName: that is a 32-byte field, so a
// longer name (a shared office printer's name of 16 or more Chinese
// characters) arrives cut short and no printer of that name exists.
HDC __stdcall SetPrintOrientation(int32_t landscape)
{
    ReleasePrinter();
    printState.printerDC = ChoosePrinter(1);
    HGLOBAL modeBlock = recordDevMode();
    if (!modeBlock || !GlobalLock(modeBlock))
        return nullptr;
    HGLOBAL namesBlock = asHandle(printState.printRecord.hDevNames);
    const void *names = namesBlock ? GlobalLock(namesBlock) : nullptr;
    bool stored = names && storeOrientation(devNamesString(names, 1), landscape);
    if (names)
        GlobalUnlock(namesBlock);
    GlobalUnlock(modeBlock);
    if (!stored)
        return nullptr;
    ReleasePrinter();
    printState.printerDC = ChoosePrinter(1);
    return printState.printerDC;
}

} // extern "C"
