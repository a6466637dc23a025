// The record shared by the three file-name dialogs.
#pragma once
#include <windows.h>
#include <commdlg.h>

// The dialog record in its 76-byte form (lStructSize 76, without the later
// extension fields) and the buffer that receives the chosen file's name
// without its folder. Zero from process start; the dialogs set their fields
// on every call and never touch the others.
struct FileDialogState {
    OPENFILENAMEA record;
    char titleBuffer[256];
};
extern FileDialogState fileDialogState;

enum : DWORD {
    FILE_DIALOG_RECORD_SIZE = 76,
    FILE_DIALOG_TEXT_SIZE = 254, // the CountedString's text area
};
