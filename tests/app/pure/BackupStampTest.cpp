// Which backup names carry a usable time stamp, and what it reads.
#include <gtest/gtest.h>

#include <string>

#include "pure/BackupStamp.h"

using ui::ParseBackupStamp;

TEST(BackupStamp, ReadsEveryFieldOfAValidName)
{
    auto s = ParseBackupStamp(L"20261209213745-p.regbak");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->year, 2026);
    EXPECT_EQ(s->month, 12);
    EXPECT_EQ(s->day, 9);
    EXPECT_EQ(s->hour, 21);
    EXPECT_EQ(s->minute, 37);
    EXPECT_EQ(s->second, 45);
    EXPECT_TRUE(ParseBackupStamp(L"20000229000000-f.regbak"));  // leap day of a leap century
    EXPECT_TRUE(ParseBackupStamp(L"20241231235959-f.regbak"));
}

TEST(BackupStamp, RefusesNamesOfAnotherShape)
{
    for (const wchar_t* name :
         {L"", L"abc-p.regbak", L"2026120921374-p.regbak", L"202612092137450-p.regbak",
          L"20261209213745-x.regbak", L"20261209213745-P.regbak", L"20261209213745-p.regbax",
          L"2026120921374a-p.regbak", L"20261209 13745-p.regbak"})
        EXPECT_FALSE(ParseBackupStamp(name)) << name;
}

TEST(BackupStamp, RefusesDigitsThatAreNoRealDateOrTime)
{
    for (const wchar_t* name :
         {L"20261309213745-p.regbak", L"20260009213745-p.regbak", L"20260200213745-p.regbak",
          L"20230229213745-p.regbak", L"19000229000000-p.regbak", L"20260431000000-p.regbak",
          L"20261209243745-p.regbak", L"20261209216045-p.regbak", L"20261209213760-p.regbak",
          L"00001209213745-p.regbak"})
        EXPECT_FALSE(ParseBackupStamp(name)) << name;
}
