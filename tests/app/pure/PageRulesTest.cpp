// The tool pages' rules: schedule sentences and time texts, startup rows,
// defrag rows and the map's pixel lines.
#include <gtest/gtest.h>

#include "pure/PageRules.h"

using namespace pagerules;

TEST(TriggerSentence, DaysInWeekOrderAndMinutesInTwoDigits)
{
    EXPECT_EQ(TriggerSentence(9, 5, 2 | 32, 12, 8, 2026), L"At 9:05 every Monday Friday of week, starting 12/8/2026");
    EXPECT_EQ(TriggerSentence(0, 0, 127, 1, 1, 2027),
              L"At 0:00 every Sunday Monday Tuesday Wednesday Thursday Friday Saturday of week, starting 1/1/2027");
    EXPECT_EQ(TriggerSentence(23, 59, 16, 3, 15, 2026), L"At 23:59 every Thursday of week, starting 3/15/2026");
}

TEST(ScheduleTime, OkAcceptsOnlyDigitsColonDigitsWithinTheDay)
{
    struct Case {
        const wchar_t* text;
        TimeCheck check;
        int hour, minute;
    };
    const Case cases[] = {
        {L"", TimeCheck::Empty, 0, 0},       {L"7:5", TimeCheck::Ok, 7, 5},
        {L"07:05", TimeCheck::Ok, 7, 5},     {L"23:59", TimeCheck::Ok, 23, 59},
        {L"0:0", TimeCheck::Ok, 0, 0},       {L"24:00", TimeCheck::Invalid, 0, 0},
        {L"7:60", TimeCheck::Invalid, 0, 0}, {L":", TimeCheck::Invalid, 0, 0},
        {L"ab:cd", TimeCheck::Invalid, 0, 0}, {L"1230", TimeCheck::Invalid, 0, 0},
        {L"-1:30", TimeCheck::Invalid, 0, 0}, {L"7:", TimeCheck::Invalid, 0, 0},
        {L":30", TimeCheck::Invalid, 0, 0},  {L"123:4", TimeCheck::Invalid, 0, 0},
        {L"1:234", TimeCheck::Invalid, 0, 0}, {L" 7:05", TimeCheck::Invalid, 0, 0},
    };
    for (const Case& c : cases) {
        int h = -1, m = -1;
        EXPECT_EQ(ParseScheduleTime(c.text, &h, &m), c.check) << c.text;
        if (c.check == TimeCheck::Ok) {
            EXPECT_EQ(h, c.hour) << c.text;
            EXPECT_EQ(m, c.minute) << c.text;
        }
    }
}

TEST(ScheduleTime, UpDownStepsAMinuteAndWrapsAtTheDaysEnds)
{
    struct Case {
        const wchar_t* text;
        int delta;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"0:00", -1, L"23:59"}, {L"23:59", 1, L"0:00"}, {L"7:59", 1, L"8:00"}, {L"8:00", -1, L"7:59"},
        {L"7:05", 1, L"7:06"},   {L"ab:cd", 1, L"0:01"}, {L"12:30", -3, L"12:29"},
    };
    for (const Case& c : cases) {
        std::wstring out;
        ASSERT_TRUE(StepTime(c.text, c.delta, &out)) << c.text;
        EXPECT_EQ(out, c.result) << c.text;
    }
    std::wstring untouched = L"keep";
    EXPECT_FALSE(StepTime(L"", 1, &untouched));
    EXPECT_FALSE(StepTime(L"1230", 1, &untouched));
    EXPECT_EQ(untouched, L"keep");
}

TEST(StartupRows, ListedRowsOfferTheOppositeActionAndTheSettingDecides)
{
    EXPECT_STREQ(ListedRowText(true).status, L"Enable");
    EXPECT_STREQ(ListedRowText(true).action, L"Disable");
    EXPECT_STREQ(ListedRowText(false).status, L"Disable");
    EXPECT_STREQ(ListedRowText(false).action, L"Enable");
    EXPECT_STREQ(ToggledRowText(false).action, L"Enable");
    EXPECT_STREQ(ToggledRowText(true).action, L"Disable");
    // No setting lists disabled items with the box unchecked.
    EXPECT_TRUE(ListsDisabled(L""));
    EXPECT_FALSE(ShowDisabledChecked(L""));
    EXPECT_TRUE(ListsDisabled(L"TRUE"));
    EXPECT_TRUE(ShowDisabledChecked(L"TRUE"));
    EXPECT_FALSE(ListsDisabled(L"FALSE"));
    EXPECT_FALSE(ShowDisabledChecked(L"FALSE"));
    EXPECT_TRUE(ListsDisabled(L"false"));
    EXPECT_FALSE(ShowDisabledChecked(L"true"));
}

TEST(DefragRows, EachStateAndKindChangesItsColumns)
{
    struct Case {
        int state, flags, kind;
        bool copy;
        int image;
        const wchar_t* compact;
        const wchar_t* status;
    };
    const uint64_t copySize = 262144;  // "256K"
    const Case cases[] = {
        {1, 0, 1, false, kImageBusy, L"", L""},
        {1, 2, 2, false, kImageWarning, L"-", L"access denied"},
        {1, 2, 0, false, kImageUnchanged, L"", L"fragment"},
        {1, 0, 0, false, kImageUnchanged, L"", L"unfragment"},
        {3, 1, 2, true, kImageWarning, L"-", L"access denied"},
        {3, 3, 0, true, kImageWarning, L"256K", L"compacted, fragmented"},
        {3, 1, 1, true, kImageDone, L"256K", L"ok"},
        {3, 2, 0, true, kImageWarning, L"256K", L"uncompacted"},
        {3, 0, 0, false, kImageWarning, L"", L"uncompacted"},
        {4, 3, 0, true, kImageWarning, L"", L"FRAGMENTED"},
        {4, 1, 2, true, kImageDone, L"", L"OK"},
        {0, 3, 0, false, kImageUnchanged, L"", L""},
    };
    for (const Case& c : cases) {
        HiveRowChange r = HiveRow(c.state, c.flags, c.kind, c.copy, copySize);
        const std::string where = "state " + std::to_string(c.state) + " flags " + std::to_string(c.flags) +
                                  " kind " + std::to_string(c.kind);
        EXPECT_EQ(r.image, c.image) << where;
        EXPECT_EQ(r.compact, c.compact) << where;
        EXPECT_EQ(r.status, c.status) << where;
    }
}

TEST(DefragRows, SizesAreWholeKibibytes)
{
    EXPECT_EQ(SizeText(0), L"0K");
    EXPECT_EQ(SizeText(1024), L"1K");
    EXPECT_EQ(SizeText(262144), L"256K");
    EXPECT_EQ(SizeText(1024 * 1536 + 700), L"1537K");  // 1536.68 rounds up
    EXPECT_EQ(SizeText(30932992), L"30208K");
}

TEST(MapSpans, ARangeAcrossRowsFillsWholeRowsBetweenItsEnds)
{
    // 10 x 4 map, 400 clusters: one cluster per pixel... times ten.
    auto spans = MapSpans(35, 272, 400, 10, 4);  // pixels 3 .. 27 (end 27 exclusive)
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0].row, 0);
    EXPECT_EQ(spans[0].x0, 3);
    EXPECT_EQ(spans[0].x1, 10);
    EXPECT_EQ(spans[1].row, 1);
    EXPECT_EQ(spans[1].x0, 0);
    EXPECT_EQ(spans[1].x1, 10);
    EXPECT_EQ(spans[2].row, 2);
    EXPECT_EQ(spans[2].x0, 0);
    EXPECT_EQ(spans[2].x1, 7);
}

TEST(MapSpans, EdgesOfTheMapAndOfTheArithmetic)
{
    EXPECT_TRUE(MapSpans(0, 10, 0, 10, 4).empty());   // no total yet
    EXPECT_TRUE(MapSpans(5, 5, 400, 10, 4).empty());  // empty range
    EXPECT_TRUE(MapSpans(0, 10, 400, 0, 4).empty());
    // The whole volume fills the map exactly.
    auto all = MapSpans(0, 400, 400, 10, 4);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[3].row, 3);
    EXPECT_EQ(all[3].x1, 10);
    // A range smaller than a pixel still shows as one.
    auto tiny = MapSpans(1000, 1001, 1ULL << 40, 400, 400);
    ASSERT_EQ(tiny.size(), 1u);
    EXPECT_EQ(tiny[0].x1 - tiny[0].x0, 1);
    // 2 TiB of 4 KiB clusters at the last cluster: no overflow.
    const uint64_t total = 1ULL << 29;
    EXPECT_EQ(PixelOf(total - 1, total, 160000), 159999u);
    EXPECT_EQ(PixelOf(total, total, 160000), 160000u);
    EXPECT_EQ(PixelOf((1ULL << 62) + 7, 1ULL << 63, 1000000), 500000u);
}
