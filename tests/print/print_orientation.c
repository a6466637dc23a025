/* SetPrintOrientation on the default printer, and the print quality of the
 * default device mode. Run by its driver script in several processes:
 *   land     SetPrintOrientation(1), then a one-page job
 *   port     the stored landscape default seen by a new process, then
 *            SetPrintOrientation(0) and a one-page job
 *   quality  GetPrintQuality for draft and for 600 dots per inch
 *   fail     the driver's merge fails, then opening the printer fails
 *   long     the default printer's name is longer than the 32-byte device
 *            name of a device mode: both orientations are stored all the same */
#include "printtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

typedef int(QV_STDCALL *Fn3)(void *, void *, void *);
typedef int(QV_STDCALL *Fn4)(void *, uint32_t, void *, uint32_t);
typedef int(QV_STDCALL *Fn5)(void *, uint32_t, void *, uint32_t, uint32_t *);

static int16_t heldOrientation(void)
{
    uint8_t *mode = ((uint8_t * (QV_STDCALL *)(uint32_t)) ptApi("kernel32.dll", "GlobalLock"))(ptRecord->hDevMode);
    int16_t value = *(int16_t *)(mode + 44);
    ((int(QV_STDCALL *)(uint32_t))ptApi("kernel32.dll", "GlobalUnlock"))(ptRecord->hDevMode);
    return value;
}

static int isLandscape(uint32_t dc)
{
    return ptDeviceCaps(dc, PT_HORZRES) > ptDeviceCaps(dc, PT_VERTRES);
}

static void printHex(const char *label, const char *bytes, uint32_t n)
{
    qvtPrint("%s ", label);
    for (uint32_t i = 0; i < n; i++) qvtPrint("%02X", (uint8_t)bytes[i]);
    qvtPrint("\n");
}

static void onePage(uint32_t dc, const char *text)
{
    qvBeginPrintJob();
    ptTextOut(dc, 300, 300, text);
    qvEndPrintPage();
    qvEndPrintJob();
}

/* Writes dmPrintQuality into the default printer's stored device mode
 * through the spooler, as a user's driver settings would. */
static int storeQuality(int16_t quality)
{
    char name[] = "QVPDF";
    uint32_t defaults[3] = {0, 0, 0xF000C};
    void *printer = 0;
    if (!((Fn3)ptApi("winspool.drv", "OpenPrinterA"))(name, &printer, defaults))
        return 0;
    static uint8_t info[8192];
    uint32_t needed = 0;
    int ok = ((Fn5)ptApi("winspool.drv", "GetPrinterA"))(printer, 2, info, sizeof info, &needed);
    uint8_t *mode = *(uint8_t **)(info + 28); /* PRINTER_INFO_2A.pDevMode */
    if (ok && mode) {
        *(int16_t *)(mode + 58) = quality;
        *(uint32_t *)(mode + 40) |= 0x400; /* DM_PRINTQUALITY */
        ok = ((Fn4)ptApi("winspool.drv", "SetPrinterA"))(printer, 2, info, 0);
    }
    ((int(QV_STDCALL *)(void *))ptApi("winspool.drv", "ClosePrinter"))(printer);
    return ok && mode;
}

static int32_t QV_STDCALL entry(void)
{
    ptInstallHooks();
    const char *mode = qvCommandLine();
    int16_t orientation = 0, quality = 0;
    if (!qvtStrcmp(mode, "land")) {
        uint32_t before = qvChoosePrinter(1);
        CHECK(before != 0);
        uint32_t dc = qvSetPrintOrientation(1);
        CHECK(dc != 0);
        CHECK(!ptIsLiveDC(before));
        CHECK(ptIsLiveDC(dc));
        CHECK_EQ(ptCalls.openPrinter, 1);
        CHECK_EQ(ptCalls.documentProperties, 1);
        CHECK_EQ(ptCalls.setPrinter, 1);
        CHECK_EQ(ptCalls.printDlg, 3); /* the first choice, step 2 and the final choice */
        CHECK_EQ(heldOrientation(), 2);
        CHECK(isLandscape(dc));
        CHECK(ptDefaultDevMode(&orientation, &quality));
        CHECK_EQ(orientation, 2);
        /* The result is the held printer: a job prints on it. */
        CHECK_EQ(qvChoosePrinter(1), dc);
        onePage(dc, "QVORIENT landscape");
    } else if (!qvtStrcmp(mode, "port")) {
        /* The landscape default outlasted the process that stored it. */
        CHECK(ptDefaultDevMode(&orientation, &quality));
        CHECK_EQ(orientation, 2);
        uint32_t held = qvChoosePrinter(1);
        CHECK(isLandscape(held));
        uint32_t dc = qvSetPrintOrientation(0);
        CHECK(dc != 0);
        CHECK(!ptIsLiveDC(held));
        CHECK_EQ(heldOrientation(), 1);
        CHECK(!isLandscape(dc));
        CHECK(ptDefaultDevMode(&orientation, &quality));
        CHECK_EQ(orientation, 1);
        onePage(dc, "QVORIENT portrait");
        /* Landscape then portrait again in one process: a new device
         * context each time, the default left in portrait. */
        uint32_t l = qvSetPrintOrientation(1);
        CHECK(l != 0 && isLandscape(l) && !ptIsLiveDC(dc));
        uint32_t p = qvSetPrintOrientation(0);
        CHECK(p != 0 && !isLandscape(p) && !ptIsLiveDC(l));
        CHECK(ptDefaultDevMode(&orientation, &quality));
        CHECK_EQ(orientation, 1);
        qvReleasePrinter();
    } else if (!qvtStrcmp(mode, "quality")) {
        CHECK(ptDefaultDevMode(&orientation, &quality));
        int16_t original = quality;
        qvtPrint("default quality %d\n", quality);
        CHECK(storeQuality(-1));
        CHECK(qvChoosePrinter(1) != 0);
        CHECK_EQ(qvGetPrintQuality(), -1); /* DMRES_DRAFT, sign-extended */
        qvReleasePrinter();
        CHECK_EQ(qvGetPrintQuality(), 0);  /* no printer held */
        CHECK(storeQuality(600));
        CHECK(qvChoosePrinter(1) != 0);
        CHECK_EQ(qvGetPrintQuality(), 600);
        qvReleasePrinter();
        CHECK(storeQuality(original));
    } else if (!qvtStrcmp(mode, "fail")) {
        CHECK(ptDefaultDevMode(&orientation, &quality));
        int16_t stored = orientation;
        /* The driver refuses the merge: nothing is stored, the printer
         * handle is closed, the default printer of step 2 stays held. */
        ptFailDocumentProperties = 1;
        CHECK_EQ(qvSetPrintOrientation(stored == 1), 0);
        ptFailDocumentProperties = 0;
        CHECK_EQ(ptCalls.openPrinter, 1);
        CHECK_EQ(ptCalls.documentProperties, 1);
        CHECK_EQ(ptCalls.setPrinter, 0);
        CHECK_EQ(ptCalls.closePrinter, 1);
        int dialogs = ptCalls.printDlg;
        uint32_t held = qvChoosePrinter(1);
        CHECK(held != 0);
        CHECK_EQ(ptCalls.printDlg, dialogs);
        CHECK(ptIsLiveDC(held));
        CHECK(ptDefaultDevMode(&orientation, &quality));
        CHECK_EQ(orientation, stored);
        /* Opening the printer fails: there is no handle to close. */
        ptFailOpenPrinter = 1;
        CHECK_EQ(qvSetPrintOrientation(stored == 1), 0);
        ptFailOpenPrinter = 0;
        CHECK_EQ(ptCalls.openPrinter, 2);
        CHECK_EQ(ptCalls.documentProperties, 1);
        CHECK_EQ(ptCalls.closePrinter, 1);
        CHECK(!ptIsLiveDC(held));            /* released at step 1 */
        CHECK(qvChoosePrinter(1) != 0);      /* chosen again at step 2 and held */
        CHECK(ptDefaultDevMode(&orientation, &quality));
        CHECK_EQ(orientation, stored);
        qvReleasePrinter();
    } else if (!qvtStrcmp(mode, "long")) {
        char name[256];
        uint32_t size = sizeof name;
        CHECK(((int(QV_STDCALL *)(char *, uint32_t *))ptApi("winspool.drv", "GetDefaultPrinterA"))(name, &size));
        printHex("default printer", name, qvtStrlen(name)); /* the driver compares it with the queue's name */
        CHECK(qvtStrlen(name) >= 32);
        uint32_t dc = qvSetPrintOrientation(1);
        CHECK(dc != 0);
        uint8_t *held = ((uint8_t * (QV_STDCALL *)(uint32_t)) ptApi("kernel32.dll", "GlobalLock"))(ptRecord->hDevMode);
        printHex("dmDeviceName", (const char *)held, 32);
        ((int(QV_STDCALL *)(uint32_t))ptApi("kernel32.dll", "GlobalUnlock"))(ptRecord->hDevMode);
        CHECK_EQ(ptCalls.openPrinter, 1);
        CHECK(qvtStrcmp(ptOpenedPrinter, name) == 0);
        CHECK_EQ(ptCalls.setPrinter, 1);
        CHECK_EQ(heldOrientation(), 2);
        CHECK(isLandscape(dc));
        CHECK(ptDefaultDevMode(&orientation, &quality));
        CHECK_EQ(orientation, 2);
        uint32_t p = qvSetPrintOrientation(0);
        CHECK(p != 0 && !isLandscape(p));
        CHECK_EQ(ptCalls.setPrinter, 2);
        CHECK(ptDefaultDevMode(&orientation, &quality));
        CHECK_EQ(orientation, 1);
        qvReleasePrinter();
    } else {
        qvtPrint("FAIL: unknown mode [%s]\n", mode);
    }
    qvtFinish();
    return 0;
}
