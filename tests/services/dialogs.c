/* The file-name dialogs, driven for real by tests/services/dialogs_test.py
 * with xdotool. A thread timer, which the dialogs' own message loops
 * dispatch, looks into each dialog while it is open (caption, filter list,
 * proposed name, read-only box) and notices the message boxes the dialogs
 * raise; it prints "ready N" when dialog N may be driven. */
#include "qvtest.h"

static int32_t QV_STDCALL entry(void);
QV_DEFINE_HEADER(0, entry);

#define STDCALL __attribute__((stdcall))
typedef void *HWND_;
#define API(dll, name, ret, args) ((ret(STDCALL *) args)qvtProc(dll, name))

static HWND_ FindWindowA_(const char *cls, const char *caption)
{
    return API("user32.dll", "FindWindowA", HWND_, (const char *, const char *))(cls, caption);
}
static HWND_ GetDlgItem_(HWND_ dialog, int id) { return API("user32.dll", "GetDlgItem", HWND_, (HWND_, int))(dialog, id); }
static uint32_t SendMessageA_(HWND_ w, uint32_t msg, uint32_t wp, const void *lp)
{
    return API("user32.dll", "SendMessageA", uint32_t, (HWND_, uint32_t, uint32_t, const void *))(w, msg, wp, lp);
}
static int GetWindowTextA_(HWND_ w, char *text, int size)
{
    return API("user32.dll", "GetWindowTextA", int, (HWND_, char *, int))(w, text, size);
}

enum { CB_GETCOUNT_ = 0x146, CB_GETCURSEL_ = 0x147, CB_GETLBTEXT_ = 0x148 };
enum { chx1 = 0x410, cmb1 = 0x470, cmb13 = 0x47C, edt1 = 0x480 };

/* What the timer is to look for and what it saw. */
static const char *watchedCaption;
static int watchedNumber;
static int inspected;
static char proposedName[300];
static int filterCount = -1, filterSelection = -1, readOnlyVisible = -1;
static char filterItems[2][100];
static HWND_ lastBox; /* the box being shown, 0 when it has gone */
static HWND_ boxOpen;
static int boxesSeen;
static char lastBoxText[300];

static int STDCALL findBox(HWND_ w, uint32_t dialog)
{
    char cls[32];
    API("user32.dll", "GetClassNameA", int, (HWND_, char *, int))(w, cls, sizeof cls);
    int visible = API("user32.dll", "IsWindowVisible", int, (HWND_))(w);
    /* Any other dialog of this thread is a message box of the file dialog.
     * (Wine's overwrite question is not owned by the file dialog.) */
    if (!visible || qvtStrcmp(cls, "#32770") != 0 || (uint32_t)w == dialog) return 1;
    boxOpen = w;
    if (w != lastBox) {
        lastBox = w;
        boxesSeen++;
        lastBoxText[0] = 0;
        char caption[100];
        caption[0] = 0;
        GetWindowTextA_(w, caption, sizeof caption);
        HWND_ text = GetDlgItem_(w, 0xFFFF);
        if (!text) text = GetDlgItem_(w, 100); /* Wine's message text */
        if (text) GetWindowTextA_(text, lastBoxText, sizeof lastBoxText);
        HWND_ owner = API("user32.dll", "GetWindow", HWND_, (HWND_, uint32_t))(w, 4 /* GW_OWNER */);
        qvtPrint("box %d of dialog %d: [%s] %s (owner %s)\n", boxesSeen, watchedNumber, caption, lastBoxText,
                 (uint32_t)owner == dialog ? "the dialog" : owner ? "another window" : "none");
    }
    return 1;
}

static void STDCALL tick(HWND_ w, uint32_t msg, uint32_t id, uint32_t time)
{
    (void)w, (void)msg, (void)id, (void)time;
    HWND_ dialog = watchedCaption ? FindWindowA_("#32770", watchedCaption) : 0;
    if (!dialog) return;
    if (!inspected) {
        inspected = 1;
        HWND_ name = GetDlgItem_(dialog, cmb13);
        if (!name) name = GetDlgItem_(dialog, edt1);
        proposedName[0] = 0;
        GetWindowTextA_(name, proposedName, sizeof proposedName);
        HWND_ types = GetDlgItem_(dialog, cmb1);
        filterCount = (int)SendMessageA_(types, CB_GETCOUNT_, 0, 0);
        filterSelection = (int)SendMessageA_(types, CB_GETCURSEL_, 0, 0);
        for (int i = 0; i < 2 && i < filterCount; i++) SendMessageA_(types, CB_GETLBTEXT_, i, filterItems[i]);
        HWND_ readOnly = GetDlgItem_(dialog, chx1);
        readOnlyVisible = readOnly ? API("user32.dll", "IsWindowVisible", int, (HWND_))(readOnly) : 0;
        qvtPrint("ready %d\n", watchedNumber);
    }
    boxOpen = 0;
    API("user32.dll", "EnumThreadWindows", int, (uint32_t, void *, uint32_t))(
        API("kernel32.dll", "GetCurrentThreadId", uint32_t, (void))(), (void *)findBox, (uint32_t)dialog);
    /* A handle may come again for the next box once this one has gone. */
    if (!boxOpen) lastBox = 0;
}

static void watch(int number, const char *caption)
{
    watchedNumber = number;
    watchedCaption = caption;
    inspected = 0;
    proposedName[0] = 0;
    filterCount = filterSelection = readOnlyVisible = -1;
    filterItems[0][0] = filterItems[1][0] = 0;
    boxesSeen = 0;
    lastBox = 0;
}

static char folder[260];
static char expected[300];

static void expectPath(const char *name)
{
    uint32_t n = qvtStrlen(folder);
    memcpy(expected, folder, n);
    expected[n++] = '\\';
    memcpy(expected + n, name, qvtStrlen(name) + 1);
}

static void checkChosen(const unsigned char *result, const char *name)
{
    expectPath(name);
    uint32_t n = qvtStrlen(expected);
    qvtPrint("chosen %u: %s\n", result[0], (const char *)result + 1);
    CHECK_EQ(result[0], n);
    CHECK_BYTES(result + 1, expected, n + 1);
}

static char filter[] = "Text files (*.txt)|*.txt|All files (*.*)|*.*|";
static const char converted[] = "Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";

static void checkFilterShown(void)
{
    CHECK(inspected);
    CHECK_EQ(filterCount, 2);
    CHECK_EQ(filterSelection, 0);
    CHECK_EQ(qvtStrcmp(filterItems[0], "Text files (*.txt)"), 0);
    CHECK_EQ(qvtStrcmp(filterItems[1], "All files (*.*)"), 0);
}

static int32_t QV_STDCALL entry(void)
{
    unsigned char result[300];
    unsigned char *r;
    API("kernel32.dll", "GetCurrentDirectoryA", uint32_t, (uint32_t, char *))(sizeof folder, folder);
    qvtPrint("folder %s\n", folder);
    API("user32.dll", "SetTimer", uint32_t, (HWND_, uint32_t, uint32_t, void *))(0, 0, 100, (void *)tick);

    /* 1: open; a proposed name; the user types a new name in an existing folder. */
    watch(1, "QV open 1");
    memset(result, 0x77, sizeof result);
    memcpy(result + 1, "start.txt", 10);
    r = qvOpenFileDialog(0, filter, "QV open 1", folder, result);
    CHECK_EQ(r, result);
    CHECK_EQ(qvtStrcmp(proposedName, "start.txt"), 0);
    checkFilterShown();
    CHECK_EQ(readOnlyVisible, 0);
    CHECK_BYTES(filter, converted, sizeof filter);
    checkChosen(result, "new.txt");
    CHECK_EQ(boxesSeen, 0);

    /* 2: the converted filter again, no proposed name; Escape. */
    watch(2, "QV open 2");
    result[0] = 0x55;
    result[1] = 0;
    r = qvOpenFileDialog(0, filter, "QV open 2", folder, result);
    CHECK_EQ(r, result);
    CHECK_EQ(result[0], 0);
    CHECK_EQ(proposedName[0], 0);
    checkFilterShown();
    CHECK_BYTES(filter, converted, sizeof filter);

    /* 3: open existing; a missing name is refused with a message, then an
     * existing one is taken. */
    watch(3, "QV open existing");
    result[1] = 0;
    r = qvOpenExistingFileDialog(0, filter, "QV open existing", folder, result);
    CHECK_EQ(r, result);
    CHECK_EQ(readOnlyVisible, 0);
    CHECK_EQ(boxesSeen, 1);
    checkChosen(result, "exists.txt");

    /* 4: save over an existing file: asked twice, No then Yes. */
    watch(4, "QV save");
    result[1] = 0;
    r = qvSaveFileDialog(0, filter, "QV save", folder, result);
    CHECK_EQ(r, result);
    CHECK_EQ(readOnlyVisible, 0);
    CHECK_EQ(boxesSeen, 2);
    checkChosen(result, "exists.txt");

    /* 5: save a name that does not exist yet: no question. */
    watch(5, "QV save new");
    result[1] = 0;
    r = qvSaveFileDialog(0, filter, "QV save new", folder, result);
    CHECK_EQ(boxesSeen, 0);
    checkChosen(result, "other.txt");

    /* 6, 7: Escape in the other two. */
    watch(6, "QV save cancel");
    result[0] = 0x55;
    memcpy(result + 1, "x.txt", 6);
    r = qvSaveFileDialog(0, filter, "QV save cancel", 0, result);
    CHECK_EQ(r, result);
    CHECK_EQ(result[0], 0);
    CHECK(inspected);
    watch(7, "QV open existing cancel");
    result[0] = 0x55;
    r = qvOpenExistingFileDialog(0, filter, "QV open existing cancel", folder, result);
    CHECK_EQ(r, result);
    CHECK_EQ(result[0], 0);
    CHECK(inspected);

    /* 8: a filter whose display text holds "東" (0x96 0x7C): its trail byte
     * is no separator; then a file that another handle holds without
     * sharing is still returned (share-aware). */
    static char eastFilter[] = "Text \x96\x7C (*.txt)|*.txt|All|*.*|";
    void *locked = API("kernel32.dll", "CreateFileA", void *,
                       (const char *, uint32_t, uint32_t, void *, uint32_t, uint32_t, void *))(
        "exists.txt", 0x80000000u, 0, 0, 3, 0x80, 0);
    CHECK(locked != (void *)-1);
    watch(8, "QV open locked");
    result[1] = 0;
    r = qvOpenFileDialog(0, eastFilter, "QV open locked", folder, result);
    CHECK_EQ(filterCount, 2);
    CHECK_EQ(qvtStrcmp(filterItems[0], "Text \x96\x7C (*.txt)"), 0);
    CHECK_EQ(qvtStrcmp(filterItems[1], "All"), 0);
    CHECK_BYTES(eastFilter, "Text \x96\x7C (*.txt)\0*.txt\0All\0*.*\0", sizeof eastFilter);
    CHECK_EQ(boxesSeen, 0);
    checkChosen(result, "exists.txt");
    API("kernel32.dll", "CloseHandle", int, (void *))(locked);

    /* 9: open, where the file need not exist but its folder must. */
    watch(9, "QV open folder");
    result[1] = 0;
    r = qvOpenFileDialog(0, filter, "QV open folder", folder, result);
    CHECK_EQ(r, result);
    CHECK_EQ(result[0], 0);
    CHECK_EQ(boxesSeen, 1);

    /* 10: the platform's own open dialog without OFN_SHAREAWARE (0x1804) on
     * the file held without sharing: shown, not judged, to tell what the
     * share-aware flag changes on this platform. */
    locked = API("kernel32.dll", "CreateFileA", void *,
                 (const char *, uint32_t, uint32_t, void *, uint32_t, uint32_t, void *))(
        "exists.txt", 0x80000000u, 0, 0, 3, 0x80, 0);
    uint32_t record[19]; /* OPENFILENAMEA in its 76-byte form */
    char picked[260];
    char title[260];
    memset(record, 0, sizeof record);
    picked[0] = 0;
    record[0] = 76;
    record[3] = (uint32_t)converted;
    record[6] = 1;
    record[7] = (uint32_t)picked;
    record[8] = sizeof picked;
    record[9] = (uint32_t)title;
    record[10] = sizeof title;
    record[11] = (uint32_t)folder;
    record[12] = (uint32_t)"QV open unshared";
    record[13] = 0x1804;
    watch(10, "QV open unshared");
    int ok = API("comdlg32.dll", "GetOpenFileNameA", int, (void *))(record);
    qvtPrint("note: without OFN_SHAREAWARE a file held without sharing gives %d, %d message box(es), [%s]\n", ok,
             boxesSeen, picked);
    API("kernel32.dll", "CloseHandle", int, (void *))(locked);

    /* 11: the current directory after a dialog that started in a subfolder;
     * the services neither set OFN_NOCHANGEDIR nor restore it themselves. */
    char sub[300];
    uint32_t n = qvtStrlen(folder);
    memcpy(sub, folder, n);
    memcpy(sub + n, "\\sub", 5);
    sub[n + 4] = 0;
    watch(11, "QV open sub");
    result[1] = 0;
    qvOpenFileDialog(0, filter, "QV open sub", sub, result);
    CHECK(result[0] != 0);
    char now[300];
    API("kernel32.dll", "GetCurrentDirectoryA", uint32_t, (uint32_t, char *))(sizeof now, now);
    qvtPrint("note: current directory after a dialog in %s: %s\n", sub, now);

    qvtFinish();
    return 0;
}
