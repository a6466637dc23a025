#include "printtest.h"

typedef int(QV_STDCALL *Fn1)(void *);
typedef int(QV_STDCALL *Fn2)(void *, void *);
typedef int(QV_STDCALL *Fn3)(void *, void *, void *);
typedef int(QV_STDCALL *Fn4)(void *, void *, void *, void *);
typedef int(QV_STDCALL *Fn6)(void *, void *, void *, void *, void *, uint32_t);

PtCounts ptCalls;
PtPrintDlg *ptRecord;
PtPrintDlg ptRecordBefore;
int ptLastDialogResult;
char ptLastDocName[64];
int ptRefuseBitmaps;
int ptFailOpenPrinter;
int ptFailDocumentProperties;
char ptOpenedPrinter[256];
int ptAcceptSetup;
int ptSetupDialogs;
int ptErrorBoxes;
char ptErrorText[64];
uint32_t ptErrorOwner;
int ptErrorHasCancel;

void *ptApi(const char *dll, const char *name)
{
    void *p = qvtProc(dll, name);
    if (!p) {
        qvtPrint("FAIL: %s!%s not found\n", dll, name);
        qvtFinish();
    }
    return p;
}

static Fn1 realPrintDlgA, realStartPage, realEndPage, realEndDoc, realDeleteDC;
static Fn2 realStartDocA, realGetDeviceCaps;
static Fn3 realOpenPrinterA;
static Fn4 realCreateDCA;
static Fn6 realDocumentPropertiesA;

static int QV_STDCALL hookPrintDlgA(void *record)
{
    ptCalls.printDlg++;
    ptRecord = (PtPrintDlg *)record;
    ptRecordBefore = *ptRecord;
    ptLastDialogResult = realPrintDlgA(record);
    return ptLastDialogResult;
}

/* The job's name, as the kernel gives it to the ANSI call. */
static int QV_STDCALL hookStartDocA(void *dc, void *info)
{
    const char *name = ((const char **)info)[1];
    uint32_t i = 0;
    for (; name && name[i] && i < sizeof ptLastDocName - 1; i++)
        ptLastDocName[i] = name[i];
    ptLastDocName[i] = 0;
    if (*(int *)info != 20 || ((void **)info)[2] || ((void **)info)[3] || ((uint32_t *)info)[4])
        qvtPrint("FAIL: the document record is not {20, name, 0, 0, 0}\n");
    ptCalls.startDoc++;
    return realStartDocA(dc, info);
}

static int QV_STDCALL hookStartPage(void *dc) { ptCalls.startPage++; return realStartPage(dc); }
static int QV_STDCALL hookEndPage(void *dc) { ptCalls.endPage++; return realEndPage(dc); }
static int QV_STDCALL hookEndDoc(void *dc) { ptCalls.endDoc++; return realEndDoc(dc); }
static int QV_STDCALL hookDeleteDC(void *dc) { ptCalls.deleteDC++; return realDeleteDC(dc); }
static int QV_STDCALL hookCreateDCA(void *a, void *b, void *c, void *d) { ptCalls.createDC++; return realCreateDCA(a, b, c, d); }
static int QV_STDCALL hookOpenPrinterA(void *a, void *b, void *c)
{
    ptCalls.openPrinter++;
    const char *name = a;
    uint32_t i = 0;
    for (; name && name[i] && i < sizeof ptOpenedPrinter - 1; i++)
        ptOpenedPrinter[i] = name[i];
    ptOpenedPrinter[i] = 0;
    if (ptFailOpenPrinter)
        return 0;
    return realOpenPrinterA(a, b, c);
}
static Fn1 realClosePrinter;
static int QV_STDCALL hookClosePrinter(void *h) { ptCalls.closePrinter++; return realClosePrinter(h); }
static int QV_STDCALL hookDocumentPropertiesA(void *a, void *b, void *c, void *d, void *e, uint32_t f)
{
    ptCalls.documentProperties++;
    if (ptFailDocumentProperties)
        return -1;
    return realDocumentPropertiesA(a, b, c, d, e, f);
}

typedef int(QV_STDCALL *SetPrinter_t)(void *, uint32_t, void *, uint32_t);
static SetPrinter_t realSetPrinter4;
static int QV_STDCALL hookSetPrinter4(void *h, uint32_t level, void *info, uint32_t command)
{
    ptCalls.setPrinter++;
    return realSetPrinter4(h, level, info, command);
}

static int QV_STDCALL hookGetDeviceCaps(void *dc, void *index)
{
    int value = realGetDeviceCaps(dc, index);
    if (ptRefuseBitmaps && (uintptr_t)index == PT_RASTERCAPS)
        value &= ~1;
    return value;
}

void ptInstallHooks(void)
{
    static int done;
    if (done)
        return;
    done = 1;
    realPrintDlgA = (Fn1)qvtPatchImport("comdlg32.dll", "PrintDlgA", (void *)hookPrintDlgA);
    realStartDocA = (Fn2)qvtPatchImport("gdi32.dll", "StartDocA", (void *)hookStartDocA);
    realStartPage = (Fn1)qvtPatchImport("gdi32.dll", "StartPage", (void *)hookStartPage);
    realEndPage = (Fn1)qvtPatchImport("gdi32.dll", "EndPage", (void *)hookEndPage);
    realEndDoc = (Fn1)qvtPatchImport("gdi32.dll", "EndDoc", (void *)hookEndDoc);
    realDeleteDC = (Fn1)qvtPatchImport("gdi32.dll", "DeleteDC", (void *)hookDeleteDC);
    realCreateDCA = (Fn4)qvtPatchImport("gdi32.dll", "CreateDCA", (void *)hookCreateDCA);
    realGetDeviceCaps = (Fn2)qvtPatchImport("gdi32.dll", "GetDeviceCaps", (void *)hookGetDeviceCaps);
    realOpenPrinterA = (Fn3)qvtPatchImport("winspool.drv", "OpenPrinterA", (void *)hookOpenPrinterA);
    realSetPrinter4 = (SetPrinter_t)qvtPatchImport("winspool.drv", "SetPrinterA", (void *)hookSetPrinter4);
    realClosePrinter = (Fn1)qvtPatchImport("winspool.drv", "ClosePrinter", (void *)hookClosePrinter);
    realDocumentPropertiesA = (Fn6)qvtPatchImport("winspool.drv", "DocumentPropertiesA", (void *)hookDocumentPropertiesA);
}

int ptDefaultDevMode(int16_t *orientation, int16_t *quality)
{
    PtPrintDlg pd;
    memset(&pd, 0, sizeof pd);
    pd.lStructSize = 66;
    pd.Flags = 0x400; /* PD_RETURNDEFAULT */
    if (!((Fn1)ptApi("comdlg32.dll", "PrintDlgA"))(&pd) || !pd.hDevMode)
        return 0;
    uint8_t *mode = ((uint8_t * (QV_STDCALL *)(uint32_t)) ptApi("kernel32.dll", "GlobalLock"))(pd.hDevMode);
    *orientation = *(int16_t *)(mode + 44);
    *quality = *(int16_t *)(mode + 58);
    ((Fn1)ptApi("kernel32.dll", "GlobalUnlock"))((void *)(uintptr_t)pd.hDevMode);
    ((Fn1)ptApi("kernel32.dll", "GlobalFree"))((void *)(uintptr_t)pd.hDevMode);
    ((Fn1)ptApi("kernel32.dll", "GlobalFree"))((void *)(uintptr_t)pd.hDevNames);
    return 1;
}

/* The device-error box runs its own message loop, which calls the timer
 * procedure of a thread timer; the procedure finds the box by its caption. */
static void QV_STDCALL errorBoxTimer(void *hwnd, uint32_t msg, uint32_t id, uint32_t time)
{
    (void)hwnd, (void)msg, (void)id, (void)time;
    void *(QV_STDCALL *findWindow)(const char *, const char *) = (void *(QV_STDCALL *)(const char *, const char *))ptApi(
        "user32.dll", "FindWindowA");
    /* "打印设置": the platform's print set-up dialog */
    void *setup = findWindow("#32770", "\xB4\xF2\xD3\xA1\xC9\xE8\xD6\xC3");
    static void *answered;
    if (setup && ptAcceptSetup) {
        if (setup != answered)
            ptSetupDialogs++;
        answered = setup;
        ((int(QV_STDCALL *)(void *, uint32_t, uint32_t, uint32_t))ptApi("user32.dll", "PostMessageA"))(setup, 0x0111, 1, 0);
        return;
    }
    /* "设备错误" */
    void *box = findWindow("#32770", "\xC9\xE8\xB1\xB8\xB4\xED\xCE\xF3");
    if (!box)
        return;
    ptErrorBoxes++;
    ((int(QV_STDCALL *)(void *, int, char *, int))ptApi("user32.dll", "GetDlgItemTextA"))(box, 0xFFFF, ptErrorText,
                                                                                          sizeof ptErrorText);
    ptErrorHasCancel = ((void *(QV_STDCALL *)(void *, int))ptApi("user32.dll", "GetDlgItem"))(box, 2) != 0;
    ptErrorOwner = (uint32_t)(uintptr_t)((void *(QV_STDCALL *)(void *, uint32_t))ptApi("user32.dll", "GetWindow"))(box, 4);
    /* OK: the box ends with IDOK. */
    ((int(QV_STDCALL *)(void *, uint32_t, uint32_t, uint32_t))ptApi("user32.dll", "PostMessageA"))(box, 0x0111, 1, 0);
}

void ptWatchErrorBoxes(void)
{
    ((uint32_t(QV_STDCALL *)(void *, uint32_t, uint32_t, void *))ptApi("user32.dll", "SetTimer"))(0, 0, 100,
                                                                                                   (void *)errorBoxTimer);
}

int ptIsLiveDC(uint32_t dc)
{
    uint32_t type = ((uint32_t(QV_STDCALL *)(uint32_t))ptApi("gdi32.dll", "GetObjectType"))(dc);
    return type == 3 /* OBJ_DC */ || type == 12 /* OBJ_ENHMETADC */ || type == 4 /* OBJ_METADC */;
}

int ptIsLiveBlock(uint32_t block)
{
    return ((uint32_t(QV_STDCALL *)(uint32_t))ptApi("kernel32.dll", "GlobalSize"))(block) != 0;
}

int32_t ptDeviceCaps(uint32_t dc, int index)
{
    return ((int32_t(QV_STDCALL *)(uint32_t, int))ptApi("gdi32.dll", "GetDeviceCaps"))(dc, index);
}

void ptTextOut(uint32_t dc, int x, int y, const char *text)
{
    ((int(QV_STDCALL *)(uint32_t, int, int, const char *, int))ptApi("gdi32.dll", "TextOutA"))(dc, x, y, text,
                                                                                                (int)qvtStrlen(text));
}
