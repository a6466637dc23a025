// The open and save file-name dialogs. All three fill the one retained
// record and give the chosen name back as a CountedString.
//
// comdlg32.dll is looked up by name on the first dialog, not imported: its
// import would load it, and with it shell32, comctl32 and shlwapi, into
// every program at start, though most never open a dialog. A system on
// which it or the call cannot be found gives the result of a cancelled
// dialog.
#include "../console/frontend.h"
#include "../platform/services.h"
#include "../platform/system.h"
#include "dialogs.h"
#include "service_text.h"
#include "../platform/codepage.h"
#include <stddef.h>

static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == FILE_DIALOG_RECORD_SIZE,
              "the 76-byte form ends after lpTemplateName");

FileDialogState fileDialogState;

namespace {
enum : DWORD {
    OPEN_FLAGS = OFN_SHAREAWARE | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, // 0x4804
    OPEN_EXISTING_FLAGS = OPEN_FLAGS | OFN_FILEMUSTEXIST,               // 0x5804
    SAVE_FLAGS = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY,                // 6
};
static_assert(OPEN_FLAGS == 0x4804 && OPEN_EXISTING_FLAGS == 0x5804 && SAVE_FLAGS == 6, "dialog flags");

bool ansiLeadByte(unsigned char b) { return programLeadByte(b); }

// A program with a text code page of its own: the same dialog through the
// wide call, its texts converted from that code page and the chosen name
// and title converted back into the same buffers.
typedef BOOL(WINAPI *FileDialogCall)(OPENFILENAMEA *);
typedef BOOL(WINAPI *WideFileDialogCall)(OPENFILENAMEW *);

unsigned char *runWideFileDialog(WideFileDialogCall dialog, DWORD flags, HWND owner,
                                 const char *filter, const char *caption, const char *folder, unsigned char *result)
{
    UINT cp = programCodePage();
    // The filter is a list of NUL-ended strings that ends with an empty one.
    const char *end = filter;
    while (end[0] || end[1]) end++;
    static WCHAR wideFilter[2048];
    int units = MultiByteToWideChar(cp, 0, filter, static_cast<int>(end - filter) + 2, wideFilter, 2048);
    WCHAR wideCaption[256], wideFolder[256], wideFile[FILE_DIALOG_TEXT_SIZE], wideTitle[256];
    toWide(cp, reinterpret_cast<const char *>(result + 1), -1, wideFile, FILE_DIALOG_TEXT_SIZE);
    OPENFILENAMEW r = {};
    r.lStructSize = FILE_DIALOG_RECORD_SIZE;
    r.hwndOwner = owner;
    r.lpstrFilter = units > 0 ? wideFilter : nullptr;
    r.nFilterIndex = 1;
    r.lpstrFile = wideFile;
    r.nMaxFile = FILE_DIALOG_TEXT_SIZE;
    r.lpstrFileTitle = wideTitle;
    r.nMaxFileTitle = 256;
    r.lpstrInitialDir = folder ? toWide(cp, folder, -1, wideFolder, 256) : nullptr;
    r.lpstrTitle = caption ? toWide(cp, caption, -1, wideCaption, 256) : nullptr;
    r.Flags = flags;
    bool chosen = dialog(&r) != 0;
    if (chosen) {
        toProgramText(wideFile, reinterpret_cast<char *>(result + 1), FILE_DIALOG_TEXT_SIZE);
        toProgramText(wideTitle, fileDialogState.titleBuffer, sizeof fileDialogState.titleBuffer);
    }
    return finishCountedString(result, chosen);
}

// name and wideName are the calls' names in comdlg32.dll; a program with a
// text code page of its own calls the wide one.
unsigned char *runFileDialog(const char *name, const char *wideName, DWORD flags, HWND owner, char *filter, const char *caption,
                             const char *folder, unsigned char *result)
{
    settleScreen(); // the console as it stands behind the dialog
    convertFilterText(filter, ansiLeadByte);
    if (programTextsWide()) {
        WideFileDialogCall wideDialog = systemFunction<WideFileDialogCall>("comdlg32.dll", wideName);
        if (!wideDialog) return finishCountedString(result, false);
        return runWideFileDialog(wideDialog, flags, owner, filter, caption, folder, result);
    }
    FileDialogCall dialog = systemFunction<FileDialogCall>("comdlg32.dll", name);
    if (!dialog) return finishCountedString(result, false);
    OPENFILENAMEA &r = fileDialogState.record;
    r.lStructSize = FILE_DIALOG_RECORD_SIZE;
    r.hwndOwner = owner;
    r.lpstrFilter = filter;
    r.nFilterIndex = 1;
    r.lpstrFile = reinterpret_cast<char *>(result + 1);
    r.nMaxFile = FILE_DIALOG_TEXT_SIZE;
    r.lpstrFileTitle = fileDialogState.titleBuffer;
    r.nMaxFileTitle = sizeof fileDialogState.titleBuffer;
    r.lpstrInitialDir = folder;
    r.lpstrTitle = caption;
    r.Flags = flags;
    return finishCountedString(result, dialog(&r) != 0);
}
} // namespace

extern "C" {
unsigned char *__stdcall OpenExistingFileDialog(HWND owner, char *filter, const char *caption, const char *folder,
                                                unsigned char *result)
{
    return runFileDialog("GetOpenFileNameA", "GetOpenFileNameW", OPEN_EXISTING_FLAGS, owner, filter, caption, folder, result);
}

unsigned char *__stdcall SaveFileDialog(HWND owner, char *filter, const char *caption, const char *folder,
                                        unsigned char *result)
{
    return runFileDialog("GetSaveFileNameA", "GetSaveFileNameW", SAVE_FLAGS, owner, filter, caption, folder, result);
}

unsigned char *__stdcall OpenFileDialog(HWND owner, char *filter, const char *caption, const char *folder,
                                        unsigned char *result)
{
    return runFileDialog("GetOpenFileNameA", "GetOpenFileNameW", OPEN_FLAGS, owner, filter, caption, folder, result);
}
}
