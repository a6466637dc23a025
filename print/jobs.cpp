// Print jobs and print settings: documents and pages on the held printer
// device context, and the copies, page range and quality the user chose.
#include "../console/frontend.h"
#include "../platform/services.h"
#include "state.h"

extern "C" {

int32_t __stdcall BeginPrintJob()
{
    if (!printState.printerDC && !ChoosePrinter(0))
        return 0;
    static_assert(sizeof(DOCINFOA) == 20, "the document record is 20 bytes");
    settleScreen(); // what the program printed to the console is on the screen first
    // The job's name in the print queue. It is ASCII, the same in every code
    // page, so the ANSI call names it right on every system (the wide one is
    // a stub on Windows 9x).
    DOCINFOA document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = "Document";
    StartDocA(printState.printerDC, &document);
    StartPage(printState.printerDC);
    return 0;
}

int32_t __stdcall NewPrintPage()
{
    EndPage(printState.printerDC);
    StartPage(printState.printerDC);
    return 0;
}

int32_t __stdcall EndPrintPage()
{
    EndPage(printState.printerDC);
    return 0;
}

int32_t __stdcall StartPrintPage()
{
    StartPage(printState.printerDC);
    return 0;
}

int32_t __stdcall EndPrintJob()
{
    EndDoc(printState.printerDC);
    return 0;
}

int32_t __stdcall GetPrintCopies()
{
    return printState.printRecord.nCopies;
}

int32_t __stdcall GetPrintFromPage()
{
    return printState.printRecord.nFromPage;
}

int32_t __stdcall GetPrintToPage()
{
    return printState.printRecord.nToPage;
}

int32_t __stdcall GetPrintQuality()
{
    if (!printState.printerDC)
        return 0;
    HGLOBAL modeBlock = recordDevMode();
    if (!modeBlock)
        return 0;
    const DEVMODEA *mode = static_cast<const DEVMODEA *>(GlobalLock(modeBlock));
    if (!mode)
        return 0;
    int16_t quality = mode->dmPrintQuality; // signed: negative codes are DMRES_*
    GlobalUnlock(modeBlock);
    return quality;
}

} // extern "C"
