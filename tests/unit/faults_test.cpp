// The fault guard's arithmetic: which regions the filter may read, the bytes
// of a word at the end of the address space, where a new guard page goes.
#include "host/faultwords.h"
#include <gtest/gtest.h>

TEST(FaultWords, ReadableRegions)
{
    for (uint32_t p : {PROTECT_READONLY, PROTECT_READWRITE, PROTECT_WRITECOPY, PROTECT_EXECUTE_READ,
                       PROTECT_EXECUTE_READWRITE, PROTECT_EXECUTE_WRITECOPY})
        EXPECT_TRUE(regionAllowsRead(REGION_COMMITTED, p)) << p;
    // Reserved or free memory, memory that cannot be read, guard pages.
    EXPECT_FALSE(regionAllowsRead(0x2000 /* MEM_RESERVE */, PROTECT_READWRITE));
    EXPECT_FALSE(regionAllowsRead(0x10000 /* MEM_FREE */, PROTECT_NOACCESS));
    EXPECT_FALSE(regionAllowsRead(REGION_COMMITTED, PROTECT_NOACCESS));
    EXPECT_FALSE(regionAllowsRead(REGION_COMMITTED, PROTECT_EXECUTE));
    EXPECT_FALSE(regionAllowsRead(REGION_COMMITTED, PROTECT_READWRITE | PROTECT_GUARD));
    EXPECT_FALSE(regionAllowsRead(REGION_COMMITTED, PROTECT_EXECUTE_READ | PROTECT_GUARD));
    EXPECT_FALSE(regionAllowsRead(REGION_COMMITTED, 0));
}

TEST(FaultWords, WordBytesStopAtTheEndOfTheAddressSpace)
{
    uint32_t first = 0, last = 0;
    ASSERT_TRUE(wordBytes(0x1000FFFE, &first, &last));
    EXPECT_EQ(first, 0x1000FFFEu);
    EXPECT_EQ(last, 0x10010001u); // straddles into the next page
    ASSERT_TRUE(wordBytes(0xFFFFFFFC, &first, &last));
    EXPECT_EQ(last, 0xFFFFFFFFu);
    EXPECT_FALSE(wordBytes(0xFFFFFFFD, &first, &last));
    EXPECT_FALSE(wordBytes(0xFFFFFFFF, &first, &last));
}

TEST(FaultWords, NewGuardPageTwoPagesBelowTheFrame)
{
    EXPECT_EQ(newStackGuardPage(0x0064FC54, 0x00450000, 0x1000), 0x0064D000u);
    EXPECT_EQ(newStackGuardPage(0x0064F000, 0x00450000, 0x1000), 0x0064D000u);
    // Too close to the bottom of the stack: no room for a guard page.
    EXPECT_EQ(newStackGuardPage(0x00453FFF, 0x00450000, 0x1000), 0u);
    EXPECT_EQ(newStackGuardPage(0x00454000, 0x00450000, 0x1000), 0x00452000u);
}
