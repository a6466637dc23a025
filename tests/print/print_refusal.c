/* A printer that cannot draw bitmaps: the platform's GetDeviceCaps answer is
 * changed for this program only (the kernel's import is replaced), so that
 * RASTERCAPS lacks RC_BITBLT. */
#include "printtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

/* "打印机不能显示位图." */
static const char refusal[] = "\xB4\xF2\xD3\xA1\xBB\xFA\xB2\xBB\xC4\xDC\xCF\xD4\xCA\xBE\xCE\xBB\xCD\xBC.";

static int32_t QV_STDCALL entry(void)
{
    uint32_t console = qvOpenConsole();
    ptInstallHooks();
    ptWatchErrorBoxes();
    int16_t orientation = 0, quality = 0;

    ptRefuseBitmaps = 1;
    int deleted = ptCalls.deleteDC;
    CHECK_EQ(qvChoosePrinter(1), 0);
    CHECK_EQ(ptErrorBoxes, 1);
    CHECK_BYTES(ptErrorText, refusal, sizeof refusal);
    CHECK_EQ(ptErrorOwner, console);
    CHECK(console != 0);
    CHECK(!ptErrorHasCancel);
    CHECK_EQ(ptCalls.createDC, 1);
    CHECK_EQ(ptCalls.deleteDC, deleted + 1);   /* the new device context is deleted */
    CHECK(!ptIsLiveDC(ptRecord->hDC));
    CHECK_EQ(qvGetPrintQuality(), 0);          /* no printer held */
    /* No printer held: the next choice asks the platform again. */
    CHECK_EQ(qvChoosePrinter(1), 0);
    CHECK_EQ(ptCalls.printDlg, 2);
    CHECK_EQ(ptErrorBoxes, 2);

    /* BeginPrintJob with no printer shows the set-up dialog (answered with
     * OK here), then the refusal; nothing is started. */
    ptAcceptSetup = 1;
    CHECK_EQ(qvCall0(QV_BeginPrintJob), 0);
    ptAcceptSetup = 0;
    CHECK_EQ(ptSetupDialogs, 1);
    CHECK_EQ(ptErrorBoxes, 3);
    CHECK_EQ(ptCalls.startDoc, 0);
    CHECK_EQ(ptCalls.startPage, 0);
    CHECK_EQ(qvGetPrintQuality(), 0);

    /* SetPrintOrientation refuses the printer at its first and at its final
     * choice, stores the orientation all the same and returns 0. */
    CHECK_EQ(qvSetPrintOrientation(1), 0);
    CHECK_EQ(ptErrorBoxes, 5);
    CHECK_EQ(ptCalls.setPrinter, 1);
    CHECK(ptDefaultDevMode(&orientation, &quality));
    CHECK_EQ(orientation, 2);

    /* The platform's own answer again: the same printer is taken. */
    ptRefuseBitmaps = 0;
    uint32_t dc = qvSetPrintOrientation(0);
    CHECK(dc != 0);
    CHECK_EQ(ptErrorBoxes, 5);
    CHECK(ptDefaultDevMode(&orientation, &quality));
    CHECK_EQ(orientation, 1);
    CHECK(ptDeviceCaps(dc, PT_RASTERCAPS) & 1);
    qvReleasePrinter();
    qvtFinish();
    return 0;
}
