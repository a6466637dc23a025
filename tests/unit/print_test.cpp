// The retained print-dialog record: layout, reset rule, flags, DEVNAMES.
#include "print/record.h"
#include <gtest/gtest.h>
#include <stddef.h>
#include <string.h>

TEST(PrintRecord, HasThePackedDialogLayout)
{
    // Offsets of the platform's 32-bit PRINTDLGA.
    EXPECT_EQ(offsetof(PrintRecord, hwndOwner), 4u);
    EXPECT_EQ(offsetof(PrintRecord, hDevMode), 8u);
    EXPECT_EQ(offsetof(PrintRecord, hDevNames), 12u);
    EXPECT_EQ(offsetof(PrintRecord, hDC), 16u);
    EXPECT_EQ(offsetof(PrintRecord, Flags), 20u);
    EXPECT_EQ(offsetof(PrintRecord, nFromPage), 24u);
    EXPECT_EQ(offsetof(PrintRecord, nToPage), 26u);
    EXPECT_EQ(offsetof(PrintRecord, nMinPage), 28u);
    EXPECT_EQ(offsetof(PrintRecord, nMaxPage), 30u);
    EXPECT_EQ(offsetof(PrintRecord, nCopies), 32u);
    EXPECT_EQ(offsetof(PrintRecord, hInstance), 34u);
    EXPECT_EQ(offsetof(PrintRecord, hSetupTemplate), 62u);
}

TEST(PrintRecord, ResetClearsEverythingAndHandsBackTheOldBlocks)
{
    PrintRecord rec;
    memset(&rec, 0xA5, sizeof rec);
    rec.hDevMode = 0x1234;
    rec.hDevNames = 0x5678;
    DroppedBlocks dropped = resetPrintRecord(rec, 0xBEEF);
    EXPECT_EQ(dropped.devMode, 0x1234u);
    EXPECT_EQ(dropped.devNames, 0x5678u);

    PrintRecord expected;
    memset(&expected, 0, sizeof expected);
    expected.lStructSize = 66;
    expected.hwndOwner = 0xBEEF;
    expected.nFromPage = 1;
    expected.nToPage = 999;
    expected.nMinPage = 1;
    expected.nMaxPage = 999;
    expected.nCopies = 1;
    EXPECT_EQ(memcmp(&rec, &expected, sizeof rec), 0);

    // A second reset has nothing left to free.
    dropped = resetPrintRecord(rec, 0);
    EXPECT_EQ(dropped.devMode, 0u);
    EXPECT_EQ(dropped.devNames, 0u);
    EXPECT_EQ(rec.hwndOwner, 0u);
}

TEST(PrintRecord, DialogFlags)
{
    EXPECT_EQ(kPrintFlagsSetup, 0x140146u);
    EXPECT_EQ(chooseFlags(0), 0x140046u);
    EXPECT_EQ(chooseFlags(1), 0x140446u);
    EXPECT_EQ(chooseFlags(-7), 0x140446u);
}

TEST(PrintRecord, DevNamesStringsAtTheirOffsets)
{
    // wDriverOffset, wDeviceOffset, wOutputOffset, wDefault, then the names;
    // the offsets need not be in order.
    unsigned char block[64] = {};
    const uint16_t offsets[4] = {32, 8, 20, 1};
    memcpy(block, offsets, sizeof offsets);
    strcpy(reinterpret_cast<char *>(block + 8), "QVPDF");
    strcpy(reinterpret_cast<char *>(block + 20), "CUPS:QVPDF");
    strcpy(reinterpret_cast<char *>(block + 32), "wineps.drv");
    EXPECT_STREQ(devNamesString(block, 0), "wineps.drv");
    EXPECT_STREQ(devNamesString(block, 1), "QVPDF");
    EXPECT_STREQ(devNamesString(block, 2), "CUPS:QVPDF");
}

TEST(PrintRecord, OrientationAndBitmapCapability)
{
    EXPECT_EQ(orientationFor(1), 2);
    EXPECT_EQ(orientationFor(-1), 2);
    EXPECT_EQ(orientationFor(0), 1);
    EXPECT_TRUE(canDrawBitmaps(0x2a19));
    EXPECT_TRUE(canDrawBitmaps(1));
    EXPECT_FALSE(canDrawBitmaps(0x2a18));
    EXPECT_FALSE(canDrawBitmaps(0));
}
