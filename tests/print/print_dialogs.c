/* The print set-up dialog, driven by print_dialogs_test.py under Xvfb. The
 * script answers each dialog in this order:
 *   1 ChoosePrinter(0), no printer held      Escape
 *   2 BeginPrintJob, no printer held         Escape
 *   3 PrinterSetup(owner), no printer held   landscape (Alt+L), Return
 *   4 PrinterSetup(other), printer held      Return
 *   5 PrinterSetup(other), printer held      Escape
 *   6 ChoosePrinter(0), printer held         Return
 *   7 BeginPrintJob after ReleasePrinter     Return */
#include "printtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static int16_t heldOrientation(void)
{
    uint8_t *mode = ((uint8_t * (QV_STDCALL *)(uint32_t)) ptApi("kernel32.dll", "GlobalLock"))(ptRecord->hDevMode);
    int16_t value = mode ? *(int16_t *)(mode + 44) : 0;
    ((int(QV_STDCALL *)(uint32_t))ptApi("kernel32.dll", "GlobalUnlock"))(ptRecord->hDevMode);
    return value;
}

static uint32_t makeWindow(void)
{
    return (uint32_t)(uintptr_t)((void *(QV_STDCALL *)(uint32_t, const char *, const char *, uint32_t, int, int, int, int,
                                                        void *, void *, void *, void *))ptApi("user32.dll", "CreateWindowExA"))(
        0, "STATIC", "qv owner", 0, 0, 0, 100, 100, 0, 0, 0, 0);
}

static int32_t QV_STDCALL entry(void)
{
    ptInstallHooks();
    uint32_t owner = makeWindow(), other = makeWindow();
    int16_t storedOrientation = 0, quality = 0;
    CHECK(ptDefaultDevMode(&storedOrientation, &quality));
    CHECK(owner && other);

    /* 1: the dialog with no printer held; cancelled, no printer. */
    CHECK_EQ(qvChoosePrinter(0), 0);
    CHECK_EQ(ptCalls.printDlg, 1);
    CHECK_EQ(ptRecordBefore.Flags, 0x140046);
    CHECK_EQ(ptRecordBefore.hwndOwner, 0);
    CHECK_EQ(ptLastDialogResult, 0);
    CHECK_EQ(qvGetPrintQuality(), 0);

    /* 2: BeginPrintJob shows the dialog once; after a cancel nothing starts. */
    CHECK_EQ(qvCall0(QV_BeginPrintJob), 0);
    CHECK_EQ(ptCalls.printDlg, 2);
    CHECK_EQ(ptCalls.startDoc, 0);
    CHECK_EQ(ptCalls.startPage, 0);
    CHECK_EQ(qvGetPrintQuality(), 0);

    /* 3: PrinterSetup resets the record with its owner; the platform makes
     * the device context; landscape was chosen. */
    uint32_t dc1 = qvPrinterSetup(owner);
    CHECK(dc1 != 0);
    CHECK_EQ(ptCalls.printDlg, 3);
    CHECK_EQ(ptRecordBefore.Flags, 0x140146);
    CHECK_EQ(ptRecordBefore.hwndOwner, owner);
    CHECK_EQ(ptRecordBefore.nCopies, 1);
    CHECK_EQ(ptRecordBefore.nToPage, 999);
    CHECK_EQ(ptRecord->hDC, dc1);
    CHECK_EQ(ptCalls.createDC, 0);
    CHECK_EQ(heldOrientation(), 2);
    uint32_t devMode = ptRecord->hDevMode;

    /* 4: with a printer held the owner argument is ignored and the dialog
     * opens over the retained choices: OK keeps landscape. The device
     * context it replaces is deleted. */
    uint32_t dc2 = qvPrinterSetup(other);
    CHECK(dc2 != 0);
    CHECK_EQ(ptCalls.printDlg, 4);
    CHECK_EQ(ptRecordBefore.hwndOwner, owner);
    CHECK_EQ(ptRecordBefore.hDevMode, devMode);
    CHECK_EQ(ptRecordBefore.hDC, dc1);
    CHECK_EQ(heldOrientation(), 2);
    CHECK(ptIsLiveDC(dc2));
    CHECK(dc2 == dc1 || !ptIsLiveDC(dc1));
    CHECK(ptDeviceCaps(dc2, PT_HORZRES) > ptDeviceCaps(dc2, PT_VERTRES));
    /* A job on the held printer: no dialog. */
    qvBeginPrintJob();
    CHECK_EQ(ptCalls.printDlg, 4);
    CHECK_EQ(ptCalls.startDoc, 1);
    ptTextOut(dc2, 300, 300, "QVDIALOG landscape");
    qvEndPrintPage();
    qvEndPrintJob();

    /* 5: a cancelled PrinterSetup returns the printer held before. */
    CHECK_EQ(qvPrinterSetup(other), dc2);
    CHECK_EQ(ptLastDialogResult, 0);
    CHECK(ptIsLiveDC(dc2));

    /* 6: ChoosePrinter(0) with a printer held: the dialog, and the record's
     * device context (the held one) is used as it is. */
    CHECK_EQ(qvChoosePrinter(0), dc2);
    CHECK_EQ(ptCalls.printDlg, 6);
    CHECK_EQ(ptRecordBefore.Flags, 0x140046);
    CHECK_EQ(ptCalls.createDC, 0);

    /* The dialogs' choices stay in the record: the printer's stored
     * default is unchanged. */
    int16_t orientation = 0;
    CHECK(ptDefaultDevMode(&orientation, &quality));
    CHECK_EQ(orientation, storedOrientation);

    /* 7: after a release BeginPrintJob chooses through the dialog; the
     * kernel builds the device context from the device names. The record
     * was reset with PrinterSetup's owner. */
    qvReleasePrinter();
    CHECK(!ptIsLiveDC(dc2));
    qvBeginPrintJob();
    CHECK_EQ(ptCalls.printDlg, 7);
    CHECK_EQ(ptRecordBefore.hwndOwner, owner);
    CHECK_EQ(ptRecordBefore.hDevMode, 0);
    CHECK_EQ(ptCalls.createDC, 1);
    CHECK_EQ(ptCalls.startDoc, 2);
    uint32_t dc3 = ptRecord->hDC;
    CHECK(ptIsLiveDC(dc3));
    /* The device context follows the device mode the dialog returned. Under
     * Wine that is the driver's current settings of this process, which the
     * earlier landscape choice changed (see print_dialogs_test.py). */
    int16_t chosen = heldOrientation();
    CHECK(chosen == 1 || chosen == 2);
    CHECK_EQ(ptDeviceCaps(dc3, PT_HORZRES) > ptDeviceCaps(dc3, PT_VERTRES), chosen == 2);
    qvtPrint("job 2 orientation %d\n", chosen);
    ptTextOut(dc3, 300, 300, "QVDIALOG chosen");
    qvEndPrintPage();
    qvEndPrintJob();

    /* The set-up dialog has no copies or page range: the record keeps what
     * the reset put there. */
    CHECK_EQ(qvGetPrintCopies(), 1);
    CHECK_EQ(qvGetPrintFromPage(), 1);
    CHECK_EQ(qvGetPrintToPage(), 999);
    CHECK(qvGetPrintQuality() > 0);
    qvReleasePrinter();
    qvtFinish();
    return 0;
}
