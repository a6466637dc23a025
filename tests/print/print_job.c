/* The default printer without a dialog, the settings it leaves, and jobs on
 * the held device context: a three-page job with NewPrintPage and a two-page
 * job with StartPrintPage and EndPrintPage. The driver script checks the PDF
 * files the spooler made. */
#include "printtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

static int32_t QV_STDCALL entry(void)
{
    ptInstallHooks();

    /* Before any choice the record is all zero and no printer is held. */
    CHECK_EQ(qvGetPrintCopies(), 0);
    CHECK_EQ(qvGetPrintFromPage(), 0);
    CHECK_EQ(qvGetPrintToPage(), 0);
    CHECK_EQ(qvGetPrintQuality(), 0);

    int16_t orientation = 0, quality = 0;
    CHECK(ptDefaultDevMode(&orientation, &quality));

    /* The first choice takes the default printer without a dialog ... */
    uint32_t dc = qvChoosePrinter(1);
    CHECK(dc != 0);
    CHECK_EQ(ptCalls.printDlg, 1);
    CHECK_EQ(ptRecordBefore.lStructSize, 66);
    CHECK_EQ(ptRecordBefore.Flags, 0x140446);
    CHECK_EQ(ptRecordBefore.hDevMode, 0);
    CHECK_EQ(ptRecordBefore.hDC, 0);
    CHECK_EQ(ptCalls.createDC, 1);
    CHECK_EQ(ptRecord->hDC, dc);
    CHECK(ptIsLiveDC(dc));
    CHECK(ptDeviceCaps(dc, PT_RASTERCAPS) & 1);
    /* ... and a second gives the same device context without a platform call. */
    CHECK_EQ(qvChoosePrinter(1), dc);
    CHECK_EQ(ptCalls.printDlg, 1);
    CHECK_EQ(ptCalls.createDC, 1);

    /* The settings of the reset record, and the device mode's quality. */
    CHECK_EQ(qvGetPrintCopies(), 1);
    CHECK_EQ(qvGetPrintFromPage(), 1);
    CHECK_EQ(qvGetPrintToPage(), 999);
    CHECK(quality != 0);
    CHECK_EQ(qvGetPrintQuality(), (int32_t)quality);

    /* Three pages: BeginPrintJob, NewPrintPage twice, EndPrintPage, EndPrintJob. */
    qvBeginPrintJob();
    CHECK_EQ(ptCalls.printDlg, 1); /* a held printer: no dialog */
    CHECK_EQ(ptCalls.startDoc, 1);
    CHECK_EQ(qvtStrcmp(ptLastDocName, "Document"), 0);
    ptTextOut(dc, 200, 200, "QVJOB first page");
    qvNewPrintPage();
    ptTextOut(dc, 200, 200, "QVJOB second page");
    qvNewPrintPage();
    ptTextOut(dc, 200, 200, "QVJOB third page");
    qvEndPrintPage();
    qvEndPrintJob();
    CHECK_EQ(ptCalls.startPage, 3);
    CHECK_EQ(ptCalls.endPage, 3);
    CHECK_EQ(ptCalls.endDoc, 1);

    /* A second job on the same device context, page by page. */
    qvBeginPrintJob();
    ptTextOut(dc, 200, 200, "QVJOB2 alpha");
    qvEndPrintPage();
    qvStartPrintPage();
    ptTextOut(dc, 200, 200, "QVJOB2 beta");
    qvEndPrintPage();
    qvEndPrintJob();
    CHECK_EQ(ptCalls.startDoc, 2);
    CHECK_EQ(ptCalls.startPage, 5);
    CHECK_EQ(ptCalls.endPage, 5);
    CHECK_EQ(ptCalls.printDlg, 1);

    /* Results of the job services are always 0. */
    CHECK_EQ(qvCall0(QV_EndPrintPage), 0);
    CHECK_EQ(qvCall0(QV_StartPrintPage), 0);

    /* Release: the device context is deleted; the settings stay until the next choice. */
    PtPrintDlg *record = ptRecord;
    uint32_t devMode = record->hDevMode, devNames = record->hDevNames;
    CHECK(ptIsLiveBlock(devMode) && ptIsLiveBlock(devNames));
    CHECK_EQ(qvCall0(QV_ReleasePrinter), 0);
    CHECK(!ptIsLiveDC(dc));
    CHECK_EQ(qvGetPrintQuality(), 0);
    CHECK_EQ(qvGetPrintCopies(), 1);
    CHECK_EQ(qvGetPrintToPage(), 999);
    CHECK_EQ(qvCall0(QV_ReleasePrinter), 0); /* twice is harmless */

    /* With no printer held the page services still return 0 and print nothing. */
    int endPages = ptCalls.endPage;
    CHECK_EQ(qvCall0(QV_EndPrintPage), 0);
    CHECK_EQ(ptCalls.endPage, endPages + 1);

    /* The next choice resets the record and frees the blocks it drops. */
    uint32_t dc2 = qvChoosePrinter(1);
    CHECK(dc2 != 0);
    CHECK_EQ(ptCalls.printDlg, 2);
    CHECK_EQ(ptRecordBefore.hDevMode, 0);
    CHECK_EQ(ptRecordBefore.hDevNames, 0);
    /* Freed, unless the platform handed the same handle out again. */
    qvtPrint("old blocks %x %x, new %x %x\n", devMode, devNames, ptRecord->hDevMode, ptRecord->hDevNames);
    CHECK(devMode == ptRecord->hDevMode || devMode == ptRecord->hDevNames || !ptIsLiveBlock(devMode));
    CHECK(devNames == ptRecord->hDevMode || devNames == ptRecord->hDevNames || !ptIsLiveBlock(devNames));

    /* Repeated choices keep no more than one device mode alive (a freed
     * handle may come back as the new block's handle). */
    int leaked = 0;
    for (int i = 0; i < 20; i++) {
        qvReleasePrinter();
        devMode = ptRecord->hDevMode;
        devNames = ptRecord->hDevNames;
        CHECK(qvChoosePrinter(1) != 0);
        if ((devMode != ptRecord->hDevMode && devMode != ptRecord->hDevNames && ptIsLiveBlock(devMode)) ||
            (devNames != ptRecord->hDevNames && devNames != ptRecord->hDevMode && ptIsLiveBlock(devNames)))
            leaked++;
    }
    CHECK_EQ(leaked, 0);
    qvReleasePrinter();
    qvtFinish();
    return 0;
}
