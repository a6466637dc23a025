// The event queue's ring, the special-key table, the modifier bits and
// ReadLine's editing decisions.
#include "input/event_codes.h"
#include "input/event_queue.h"
#include "input/paste_text.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

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

namespace {
// Code page 936: lead bytes 0x81..0xFE.
bool gbkLead(uint8_t b) { return b >= 0x81 && b <= 0xFE; }

struct LineRun {
    LineState line{};
    std::vector<uint8_t> text;
    int bells = 0;
    // Feeds events as ReadLine does with its buffer; returns the stored bytes.
    void feed(std::initializer_list<int32_t> events, int32_t maxLength)
    {
        for (int32_t e : events) {
            bool dropped;
            LineAction a = lineStep(line, e, maxLength, gbkLead, &dropped);
            bells += dropped;
            switch (a) {
            case LineAction::Erase:
                line.count = lastCharStart(text.data(), line.count, gbkLead);
                text.resize(line.count);
                break;
            case LineAction::Store: text.push_back(uint8_t(e)); line.count++; break;
            case LineAction::StorePair:
                text.push_back(uint8_t(line.heldLead));
                text.push_back(uint8_t(e));
                line.count += 2;
                line.heldLead = 0;
                break;
            case LineAction::Refuse: bells++; break;
            default: break;
            }
        }
    }
};
} // namespace

TEST(LineEditing, DoubleByteCharacterIsOneUnit)
{
    // 信 a 中, Backspace (removes 中 whole), A: no lone lead byte left to
    // join the A into another character.
    LineRun r;
    r.feed({0xD0, 0xC5, 'a', 0xD6, 0xD0, 8, 'A'}, 10);
    EXPECT_EQ(r.text, (std::vector<uint8_t>{0xD0, 0xC5, 'a', 'A'}));
    EXPECT_EQ(r.bells, 0);
    // Backspace after 信 removes both bytes; then one more on the empty line rings.
    r.feed({8, 8, 8, 8}, 10);
    EXPECT_TRUE(r.text.empty());
    EXPECT_EQ(r.bells, 1);
}

TEST(LineEditing, LeadStoredOnlyWhenBothBytesFit)
{
    // maxLength 2 after one byte: 中 is refused whole (two bells), a
    // following single byte still fits.
    LineRun r;
    r.feed({'a', 0xD6, 0xD0, 'b', 'c'}, 2);
    EXPECT_EQ(r.text, (std::vector<uint8_t>{'a', 'b'}));
    EXPECT_EQ(r.bells, 3);
    // Exactly two left: the pair fits.
    LineRun s;
    s.feed({'a', 0xD6, 0xD0}, 3);
    EXPECT_EQ(s.text, (std::vector<uint8_t>{'a', 0xD6, 0xD0}));
    EXPECT_EQ(s.bells, 0);
    // A refused lead followed by Enter: Enter still ends the line.
    LineRun t;
    t.feed({0xD6}, 1);
    bool dropped;
    EXPECT_EQ(lineStep(t.line, 13, 1, gbkLead, &dropped), LineAction::Finish);
}

TEST(LineEditing, LoneLeadIsGivenUpNotJoined)
{
    // A lead byte followed by Backspace or Enter (no trail byte) is dropped
    // with the bell; the event then acts as usual.
    LineRun r;
    r.feed({'x', 0xD6, 8}, 10);
    EXPECT_TRUE(r.text.empty());
    EXPECT_EQ(r.bells, 1);
    bool dropped;
    r.feed({0xD6}, 10);
    EXPECT_EQ(lineStep(r.line, 13, 10, gbkLead, &dropped), LineAction::Finish);
    EXPECT_TRUE(dropped);
    // A code with flag bits is no trail byte, even with a trail-like low byte.
    LineRun s;
    s.feed({0xD6, 0x200D0}, 10);
    EXPECT_EQ(s.text, (std::vector<uint8_t>{0xD0}));
    EXPECT_EQ(s.bells, 1);
}

TEST(LineEditing, BoundariesComeFromTheLineStart)
{
    // D6 D0 then D0 C5: the last character starts at 2, although the byte
    // before it (D0) is a lead byte by itself.
    const uint8_t t[] = {0xD6, 0xD0, 0xD0, 0xC5, 'a', 0xD0};
    EXPECT_EQ(lastCharStart(t, 4, gbkLead), 2);
    EXPECT_EQ(lastCharStart(t, 5, gbkLead), 4);
    EXPECT_EQ(lastCharStart(t, 6, gbkLead), 5); // a lone lead at the end is one unit
    EXPECT_EQ(lastCharStart(t, 1, gbkLead), 0);
    EXPECT_EQ(lastCharStart(t + 1, 3, gbkLead), 2); // D0 D0 | C5: the pair starts at 0
}

TEST(EventQueue, DoubleByteCharacterGoesInWhole)
{
    EventQueue q = fresh();
    EXPECT_EQ(q.putCharacter(0xD0, true), 0);
    EXPECT_TRUE(q.empty()); // the lead waits for its trail
    EXPECT_EQ(q.putCharacter(0xC5, false), 0);
    EXPECT_EQ(q.take(), 0xD0);
    EXPECT_EQ(q.take(), 0xC5);
    // One slot free: the pair is refused whole (two entries), a single byte fits.
    for (int32_t i = 0; i < 254; i++) q.put(i);
    EXPECT_EQ(q.putCharacter(0xD0, true), 0);
    EXPECT_EQ(q.putCharacter(0xC5, false), 2);
    EXPECT_EQ(q.room(), 1);
    EXPECT_EQ(q.putCharacter('k', false), 0);
    EXPECT_EQ(q.putCharacter('k', false), 1);
    // A lead followed by no trail byte (Enter) is refused; Enter goes in.
    EventQueue r = fresh();
    r.putCharacter(0xD6, true);
    EXPECT_EQ(r.putCharacter(13, false), 1);
    EXPECT_EQ(r.take(), 13);
    EXPECT_TRUE(r.empty());
    EXPECT_EQ(r.heldLead, 0);
}

// ---- Pasting -------------------------------------------------------------

namespace {
// A toy code page: ASCII as itself, 中 (4E2D) as D6 D0 and the character
// U+1F600 (a surrogate pair) as FE FE; nothing else.
int toyBytes(const uint16_t *units, int count, unsigned char out[8], void *calls)
{
    ++*static_cast<int *>(calls);
    if (count == 1 && units[0] < 0x80) {
        out[0] = static_cast<unsigned char>(units[0]);
        return 1;
    }
    if (count == 1 && units[0] == 0x4E2D) {
        out[0] = 0xD6, out[1] = 0xD0;
        return 2;
    }
    if (count == 2 && units[0] == 0xD83D && units[1] == 0xDE00) {
        out[0] = out[1] = 0xFE;
        return 2;
    }
    return 0;
}

std::vector<int> pasted(const std::u16string &text, bool *leftOut)
{
    std::vector<unsigned char> out(text.size() * 2 + 8);
    int calls = 0;
    PasteBytes r = pasteBytes(reinterpret_cast<const uint16_t *>(text.data()), static_cast<int32_t>(text.size()),
                              toyBytes, &calls, out.data());
    *leftOut = r.leftOut;
    return std::vector<int>(out.begin(), out.begin() + r.length);
}

bool gbkLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
} // namespace

TEST(Paste, LineEndsTabsControlsAndCharactersTheCodePageLacks)
{
    bool leftOut;
    // CR LF, CR and LF are one Enter each; two CR LF in a row are two.
    EXPECT_EQ(pasted(u"a\r\nb\rc\nd\r\n\r\ne", &leftOut),
              (std::vector<int>{'a', 13, 'b', 13, 'c', 13, 'd', 13, 13, 'e'}));
    EXPECT_FALSE(leftOut);
    // LF CR is two; Tab stays; other controls, DEL and C1 controls go.
    EXPECT_EQ(pasted(u"x\n\ry\t\x01\x1b\x7f\x85z", &leftOut), (std::vector<int>{'x', 13, 13, 'y', 9, 'z'}));
    EXPECT_FALSE(leftOut);
    // 中 as its two bytes; é is not in the code page and is left out; a
    // surrogate pair is one character; a lone surrogate is left out too.
    EXPECT_EQ(pasted(u"\u4E2D\u00E9a\U0001F600\xD800q", &leftOut),
              (std::vector<int>{0xD6, 0xD0, 'a', 0xFE, 0xFE, 'q'}));
    EXPECT_TRUE(leftOut);
    // The text ends at a NUL.
    EXPECT_EQ(pasted(std::u16string(u"ab\0cd", 5), &leftOut), (std::vector<int>{'a', 'b'}));
}

TEST(Paste, FeedFillsTheQueueAsItDrainsInOrder)
{
    // 10,000 characters with a double-byte one every 7th, taken one by one
    // while the feed tops the queue up: all arrive, in order, none refused,
    // and the reserve stays free.
    PasteFeed feed{};
    std::vector<int> want;
    for (int i = 0; i < 10000; i++) {
        if (i % 7 == 0) {
            ASSERT_TRUE(feedAppend(feed, 0xD6, FEED_CHARACTER));
            ASSERT_TRUE(feedAppend(feed, 0xD0, FEED_CHARACTER));
            want.push_back(0xD6);
            want.push_back(0xD0);
        } else {
            ASSERT_TRUE(feedAppend(feed, 'a' + i % 26, FEED_CHARACTER));
            want.push_back('a' + i % 26);
        }
    }
    EventQueue q = fresh();
    std::vector<int> got;
    int refused = 0;
    while (feed.pending() || !q.empty()) {
        refused += feedQueue(feed, q, 32, gbkLeadByte);
        EXPECT_GE(q.room(), 32);
        got.push_back(q.take());
    }
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(got, want);
    EXPECT_EQ(feed.count, 0); // emptied once drained
}

TEST(Paste, WhatComesDuringThePasteWaitsBehindItAndPairsStayWhole)
{
    PasteFeed feed{};
    for (int i = 0; i < 300; i++) feedAppend(feed, 'p', FEED_CHARACTER);
    EventQueue q = fresh();
    EXPECT_EQ(feedQueue(feed, q, 32, gbkLeadByte), 0);
    EXPECT_EQ(q.room(), 33); // the lead rule keeps one more slot than the reserve
    // A key, then a mouse code with its position, arrive meanwhile.
    feedAppend(feed, 0x10001, FEED_EVENT);
    feedAppend(feed, 0x2200001, FEED_PAIR);
    feedAppend(feed, 0x00050007, FEED_EVENT);
    std::vector<int> got;
    while (feed.pending() || !q.empty()) {
        feedQueue(feed, q, 0, gbkLeadByte);
        got.push_back(q.take());
    }
    ASSERT_EQ(got.size(), 303u);
    EXPECT_EQ(got[299], 'p');
    EXPECT_EQ(got[300], 0x10001);
    EXPECT_EQ(got[301], 0x2200001);
    EXPECT_EQ(got[302], 0x00050007);
    // A pair goes in only whole: with one slot free it waits.
    for (int i = 0; i < 254; i++) q.put(1);
    feedAppend(feed, 0x2200002, FEED_PAIR);
    feedAppend(feed, 0x00010001, FEED_EVENT);
    feedQueue(feed, q, 0, gbkLeadByte);
    EXPECT_EQ(q.room(), 1);
    EXPECT_TRUE(feed.pending());
    free(feed.entries);
}
