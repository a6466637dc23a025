#include "codepage.h"
#include "system.h"

// Filled by the joiner; the kernel only reads it. volatile: its value is
// known only once the executable is joined.
extern "C" __attribute__((section(".qvcp"), used)) volatile const CodePageRecord textCodePageRecord = {
    {'Q', 'V', 'T', 'E', 'X', 'T', 'C', 'P'}, 0};

static UINT textCodePage;         // N, or 0
static LeadByteTable leadBytes;   // lead bytes of the program's code page

void initTextCodePage()
{
    UINT n = textCodePageRecord.codePage;
    if (n && (codePageCharset(n) < 0 || !IsValidCodePage(n))) n = 0;
    textCodePage = n;
    // The program's code page: its lead-byte ranges from GetCPInfo, which
    // every system the kernel runs on documents (IsDBCSLeadByteEx has no
    // such page for 95, 98 or NT 4.0). The system's own: IsDBCSLeadByte.
    CPINFO info = {};
    bool ranges = n && GetCPInfo(n, &info);
    leadBytes = LeadByteTable{};
    for (int b = 0; !ranges && b < 256; b++)
        if (IsDBCSLeadByte(static_cast<BYTE>(b))) setLeadByte(leadBytes, static_cast<unsigned char>(b));
    for (int i = 0; ranges && i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2)
        for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; b++) setLeadByte(leadBytes, static_cast<unsigned char>(b));
}

bool programHasCodePage() { return textCodePage != 0; }
bool programTextsWide() { return textCodePage != 0 && wideCallsWork(); }
UINT programCodePage() { return textCodePage ? textCodePage : CP_ACP; }
bool programLeadByte(unsigned char b) { return isLeadByte(leadBytes, b); }
const LeadByteTable &programLeadBytes() { return leadBytes; }

WCHAR *toWide(UINT cp, const char *text, int length, WCHAR *out, int count)
{
    int bytes = length < 0 ? lstrlenA(text) : length;
    int n = bytes > 0 ? MultiByteToWideChar(cp, 0, text, bytes, out, count - 1) : 0;
    if (n == 0 && bytes > count - 1) {
        // Too long: what fits (never more units than bytes). A double-byte
        // character cut in two ends as the code page's default character.
        n = MultiByteToWideChar(cp, 0, text, count - 1, out, count - 1);
    }
    out[n] = 0;
    return out;
}

int toProgramText(const WCHAR *text, char *out, int size)
{
    int n = WideCharToMultiByte(programCodePage(), 0, text, -1, out, size, nullptr, nullptr);
    if (n > 0) return n - 1;
    // Too long: as much as fits, never half a character.
    int fit = 0;
    while (text[fit]) {
        int units = (text[fit] >= 0xD800 && text[fit] <= 0xDBFF && text[fit + 1]) ? 2 : 1;
        int more = WideCharToMultiByte(programCodePage(), 0, text, fit + units, nullptr, 0, nullptr, nullptr);
        if (more > size - 1) break;
        fit += units;
    }
    n = WideCharToMultiByte(programCodePage(), 0, text, fit, out, size - 1, nullptr, nullptr);
    out[n] = 0;
    return n;
}

char *toSystemText(const WCHAR *text, char *out, int size)
{
    if (!WideCharToMultiByte(CP_ACP, 0, text, -1, out, size, nullptr, nullptr)) out[0] = 0;
    out[size - 1] = 0;
    return out;
}

int kernelMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    WCHAR wideText[256], wideCaption[64];
    toWide(KERNEL_TEXT_CODE_PAGE, text, -1, wideText, 256);
    toWide(KERNEL_TEXT_CODE_PAGE, caption, -1, wideCaption, 64);
    return MessageBoxW(owner, wideText, wideCaption, type);
}
