// The event queue's ring, the special-key table, the modifier bits and
// ReadLine's editing decisions.
#include "input/event_codes.h"
#include "input/event_queue.h"
#include <gtest/gtest.h>

namespace {
EventQueue fresh()
{
    EventQueue q{};
    return q;
}
} // namespace

TEST(EventQueue, HoldsAtMost255AndKeepsOrder)
{
    EventQueue q = fresh();
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.room(), 255);
    for (int32_t i = 0; i < 255; i++)
        ASSERT_TRUE(q.put(1000 + i)) << i;
    EXPECT_EQ(q.room(), 0);
    EXPECT_TRUE(q.full());
    EXPECT_FALSE(q.put(-1));              // the 256th is refused
    EXPECT_EQ(q.writeIndex, 255);         // and changes nothing
    EXPECT_EQ(q.head(), 1000);
    for (int32_t i = 0; i < 255; i++)
        ASSERT_EQ(q.take(), 1000 + i);
    EXPECT_TRUE(q.empty());
    EXPECT_FALSE(q.full());
}

TEST(EventQueue, WrapsAfter300InTurns)
{
    EventQueue q = fresh();
    for (int32_t i = 0; i < 300; i++) {
        ASSERT_TRUE(q.put(i));
        ASSERT_FALSE(q.empty());
        ASSERT_EQ(q.head(), i);
        ASSERT_EQ(q.take(), i);
        ASSERT_TRUE(q.empty());
    }
    EXPECT_EQ(q.readIndex, 300 % 256);
    EXPECT_EQ(q.writeIndex, 300 % 256);
    // Full again across the wrap: 255 more fit, one more does not.
    for (int32_t i = 0; i < 255; i++)
        ASSERT_TRUE(q.put(i));
    EXPECT_TRUE(q.full());
    EXPECT_EQ(q.writeIndex, (300 + 255) % 256);
    EXPECT_FALSE(q.put(7));
    EXPECT_EQ(q.take(), 0);
    EXPECT_EQ(q.room(), 1);   // across the wrap: write 43, read 45
    EXPECT_TRUE(q.put(255));  // one freed slot takes one event
    EXPECT_TRUE(q.full());
    EXPECT_EQ(q.room(), 0);
    q.take();
    q.take();
    EXPECT_EQ(q.room(), 2);
}

TEST(KeyTable, FunctionKeysSkipAToF)
{
    for (uint32_t vk = 0x70; vk <= 0x78; vk++)
        EXPECT_EQ(specialKeyCode(vk), int32_t(0x10000 + vk - 0x6F));
    EXPECT_EQ(specialKeyCode(0x79), 0x10010); // F10
    EXPECT_EQ(specialKeyCode(0x7A), 0x10011);
    EXPECT_EQ(specialKeyCode(0x7B), 0x10012);
    EXPECT_EQ(specialKeyCode(0x7C), 0);       // F13 gives no event
}

TEST(KeyTable, EditingKeys)
{
    const struct { uint32_t vk; int32_t code; } table[] = {
        {0x24, 0x20000}, {0x23, 0x20001}, {0x2D, 0x20002}, {0x2E, 0x20003},
        {0x25, 0x20004}, {0x27, 0x20005}, {0x26, 0x20006}, {0x28, 0x20007},
        {0x91, 0x20008}, {0x13, 0x20009}, {0x21, 0x20010}, {0x22, 0x20011},
    };
    for (auto &k : table)
        EXPECT_EQ(specialKeyCode(k.vk), k.code) << std::hex << k.vk;
}

TEST(KeyTable, EveryOtherKeyGivesNothing)
{
    int hits = 0;
    for (uint32_t vk = 0; vk < 0x10000; vk++)
        if (specialKeyCode(vk) != 0)
            hits++;
    EXPECT_EQ(hits, 24);
    // Print Screen, Num Lock, letters, Tab, Enter, Shift, Ctrl, Alt.
    for (uint32_t vk : {0x2Cu, 0x90u, 0x41u, 0x5Au, 0x09u, 0x0Du, 0x10u, 0x11u, 0x12u})
        EXPECT_EQ(specialKeyCode(vk), 0) << std::hex << vk;
    // Only the low bits of a wParam name the key.
    EXPECT_EQ(specialKeyCode(0x10024), 0);
}

TEST(Modifiers, KeysTakeCtrlAndShift)
{
    EXPECT_EQ(withKeyModifiers(0x20000, true, false), 0x60000);  // Ctrl+Home
    EXPECT_EQ(withKeyModifiers(0x20000, true, true), 0xE0000);   // Ctrl+Shift+Home
    EXPECT_EQ(withKeyModifiers(0x10001, false, true), 0x90001);  // Shift+F1
    EXPECT_EQ(withKeyModifiers(0x10010, true, false), 0x50010);  // Ctrl+F10
    EXPECT_EQ(withKeyModifiers(0x20004, false, false), 0x20004);
}

TEST(Modifiers, CharactersTakeShiftOnlyBelow32)
{
    EXPECT_EQ(withCharShift(65, true), 65);          // Shift+A
    EXPECT_EQ(withCharShift(9, true), 0x80009);      // Shift+Tab
    EXPECT_EQ(withCharShift(13, true), 0x8000D);     // Shift+Enter
    EXPECT_EQ(withCharShift(1, true), 0x80001);      // Ctrl+Shift+A
    EXPECT_EQ(withCharShift(1, false), 1);           // Ctrl+A
    EXPECT_EQ(withCharShift(31, true), 0x8001F);
    EXPECT_EQ(withCharShift(32, true), 32);
    EXPECT_EQ(withCharShift(0xD0, true), 0xD0);      // a GBK lead byte
    // Compared as signed: a negative code is below 32.
    EXPECT_EQ(withCharShift(-5, true), -5 + 0x80000);
}

TEST(Modifiers, CommandsDropTheHighWordAndNeverTakeShift)
{
    EXPECT_EQ(commandCode(100), 0x400064);
    EXPECT_EQ(commandCode(0x00010064), 0x400064);    // accelerator: high word 1
    EXPECT_EQ(commandCode(0x123), 0x400123);
    EXPECT_EQ(withCharShift(commandCode(5), true), 0x400005);
}

TEST(LineEditing, EnterAndBackspaceWinOverAFullLine)
{
    EXPECT_EQ(lineAction(13, 10, 10), LineAction::Finish);
    EXPECT_EQ(lineAction(8, 10, 10), LineAction::Erase);
    EXPECT_EQ(lineAction(8, 0, 10), LineAction::Refuse);
    EXPECT_EQ(lineAction('a', 10, 10), LineAction::Refuse);
    EXPECT_EQ(lineAction('a', 9, 10), LineAction::Store);
    EXPECT_EQ(lineAction(13, 0, 0), LineAction::Finish);
    EXPECT_EQ(lineAction('a', 0, 0), LineAction::Refuse);
    EXPECT_EQ(lineAction('a', 0, -1), LineAction::Refuse);
}

TEST(LineEditing, OnlyExactCodesEditEverythingElseByValue)
{
    EXPECT_EQ(lineAction(0x8000D, 0, 10), LineAction::Store);   // Shift+Enter
    EXPECT_EQ(lineAction(0x80008, 1, 10), LineAction::Store);   // Shift+Backspace
    EXPECT_EQ(lineAction(0x20004, 0, 10), LineAction::Store);   // Left
    EXPECT_EQ(lineAction(0x2200001, 0, 10), LineAction::Store); // a click
    EXPECT_EQ(lineAction(32, 0, 10), LineAction::Store);
    for (int32_t c : {0, 1, 9, 10, 27, 31, -1, int32_t(0x80000000)})
        EXPECT_EQ(lineAction(c, 0, 10), LineAction::Refuse) << c;
}
