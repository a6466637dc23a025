/* Support for the printing tests: the kernel's imports of the platform's
 * print calls are replaced by counting wrappers that call the real ones, so a
 * test sees which platform calls a service made; the platform's GetDeviceCaps
 * answer can be changed for one test; the device-error box is checked and
 * closed from inside the process. */
#ifndef PRINTTEST_H
#define PRINTTEST_H
#include "qvtest.h"

/* The platform's 66-byte print-dialog record, as the kernel hands it over. */
#pragma pack(push, 1)
typedef struct {
    uint32_t lStructSize, hwndOwner, hDevMode, hDevNames, hDC, Flags;
    uint16_t nFromPage, nToPage, nMinPage, nMaxPage, nCopies;
    uint32_t hInstance, rest[8];
} PtPrintDlg;
#pragma pack(pop)

typedef struct {
    int printDlg, startDoc, startPage, endPage, endDoc, createDC, deleteDC;
    int openPrinter, setPrinter, documentProperties, closePrinter;
} PtCounts;

extern PtCounts ptCalls;
extern PtPrintDlg *ptRecord;        /* the kernel's record, seen at its last PrintDlgA */
extern PtPrintDlg ptRecordBefore;   /* its content as the kernel passed it in */
extern int ptLastDialogResult;
extern char ptLastDocName[64];
extern int ptRefuseBitmaps;         /* non-zero: RASTERCAPS answers lack RC_BITBLT */
extern int ptFailOpenPrinter;       /* non-zero: OpenPrinterA fails */
extern int ptFailDocumentProperties; /* non-zero: DocumentPropertiesA answers -1 */
extern char ptOpenedPrinter[256];   /* the name of the last OpenPrinterA */

/* Replaces the kernel's import of name from dll; returns the original. */
/* Installs every wrapper above (once). */
void ptInstallHooks(void);

/* The default printer's device mode, read by the test itself without the
 * kernel: its orientation and print quality; 0 when there is no default. */
int ptDefaultDevMode(int16_t *orientation, int16_t *quality);

/* Closes every device-error box ("设备错误") that opens while the kernel
 * waits in it, counting them and recording its text and owner; with
 * ptAcceptSetup set it also answers the print set-up dialog with OK. */
extern int ptAcceptSetup;
extern int ptSetupDialogs;
void ptWatchErrorBoxes(void);
extern int ptErrorBoxes;
extern char ptErrorText[64];
extern uint32_t ptErrorOwner;
extern int ptErrorHasCancel;        /* the box had a Cancel button (MB_OK has none) */

/* Handle checks. */
int ptIsLiveDC(uint32_t dc);         /* GetObjectType says a DC */
int ptIsLiveBlock(uint32_t block);   /* GlobalSize of the handle is non-zero */
int32_t ptDeviceCaps(uint32_t dc, int index);
void ptTextOut(uint32_t dc, int x, int y, const char *text);
void *ptApi(const char *dll, const char *name);

/* Device-capability indexes used by the tests. */
#define PT_HORZRES 8
#define PT_VERTRES 10
#define PT_RASTERCAPS 38
#endif
