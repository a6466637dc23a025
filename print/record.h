// The retained print-dialog record and the rules around it, free of any
// Windows header so that they can be unit-tested natively. The record has the
// platform's 66-byte packed PRINTDLGA layout for 32-bit Windows; handles are
// carried as 32-bit values.
#pragma once
#include <stdint.h>

#pragma pack(push, 1)
struct PrintRecord {
    uint32_t lStructSize;      // 66
    uint32_t hwndOwner;        // owner window of the dialog
    uint32_t hDevMode;         // movable block holding the chosen DEVMODEA
    uint32_t hDevNames;        // movable block holding the chosen DEVNAMES
    uint32_t hDC;              // device context returned by the dialog or made by ChoosePrinter
    uint32_t Flags;            // dialog flags, set before every dialog call
    uint16_t nFromPage;
    uint16_t nToPage;
    uint16_t nMinPage;
    uint16_t nMaxPage;
    uint16_t nCopies;
    uint32_t hInstance;
    uint32_t lCustData;
    uint32_t lpfnPrintHook;
    uint32_t lpfnSetupHook;
    uint32_t lpPrintTemplateName;
    uint32_t lpSetupTemplateName;
    uint32_t hPrintTemplate;
    uint32_t hSetupTemplate;
};
#pragma pack(pop)
static_assert(sizeof(PrintRecord) == 66, "the print-dialog record is 66 bytes");

// Dialog flags. All share PD_PAGENUMS | PD_NOSELECTION | PD_PRINTSETUP |
// PD_USEDEVMODECOPIESANDCOLLATE | PD_HIDEPRINTTOFILE.
constexpr uint32_t kPrintFlagsCommon = 0x140046;
constexpr uint32_t kPrintFlagsSetup = kPrintFlagsCommon | 0x100;   // + PD_RETURNDC
constexpr uint32_t kPrintFlagsDefault = kPrintFlagsCommon | 0x400; // + PD_RETURNDEFAULT

// Flags of ChoosePrinter: the default printer without a dialog, or the dialog.
inline uint32_t chooseFlags(int32_t useDefault)
{
    return useDefault ? kPrintFlagsDefault : kPrintFlagsCommon;
}

// Blocks that a reset drops and that the caller must free first.
struct DroppedBlocks {
    uint32_t devMode;
    uint32_t devNames;
};

// Clears the record and sets its size, owner and print settings (copies 1,
// pages 1 to 999). Returns the device-mode and device-names blocks that the
// record held, so that the caller frees them: nothing else refers to them.
DroppedBlocks resetPrintRecord(PrintRecord &record, uint32_t owner);

// The driver, device or output name (index 0, 1, 2) of a DEVNAMES block:
// three 16-bit byte offsets from the block's start, then the strings.
const char *devNamesString(const void *block, unsigned index);

// dmOrientation for the landscape flag: DMORIENT_LANDSCAPE 2, DMORIENT_PORTRAIT 1.
inline int16_t orientationFor(int32_t landscape)
{
    return landscape ? 2 : 1;
}

// RASTERCAPS answer of a device that can draw bitmaps (RC_BITBLT, bit 0).
inline bool canDrawBitmaps(int32_t rasterCaps)
{
    return (rasterCaps & 1) != 0;
}
