// The open and save file-name dialogs. All three fill the one retained
// record and give the chosen name back as a CountedString.
#include "../console/console.h"
#include "../host/services.h"
#include "dialogs.h"
#include "service_text.h"
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

bool ansiLeadByte(unsigned char b) { return IsDBCSLeadByte(b) != 0; }

unsigned char *runFileDialog(BOOL(WINAPI *dialog)(OPENFILENAMEA *), DWORD flags, HWND owner, char *filter,
                             const char *caption, const char *folder, unsigned char *result)
{
    settleScreen(); // the console as it stands behind the dialog
    convertFilterText(filter, ansiLeadByte);
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
    return runFileDialog(GetOpenFileNameA, OPEN_EXISTING_FLAGS, owner, filter, caption, folder, result);
}

unsigned char *__stdcall SaveFileDialog(HWND owner, char *filter, const char *caption, const char *folder,
                                        unsigned char *result)
{
    return runFileDialog(GetSaveFileNameA, SAVE_FLAGS, owner, filter, caption, folder, result);
}

unsigned char *__stdcall OpenFileDialog(HWND owner, char *filter, const char *caption, const char *folder,
                                        unsigned char *result)
{
    return runFileDialog(GetOpenFileNameA, OPEN_FLAGS, owner, filter, caption, folder, result);
}
}
