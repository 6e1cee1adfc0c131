#include <gtest/gtest.h>

#include "cli/pure/ProgressLine.h"

namespace {

TEST(ProgressLine, FitsTheConsoleAndCoversTheOldLine)
{
    for (int width : {1, 2, 10, 40, 80, 200}) {
        std::wstring line = cli::ProgressLine(3, 12, L"COM/ActiveX Entries", 12345,
                                              L"HKEY_CLASSES_ROOT\\CLSID\\{0000}", width);
        EXPECT_EQ(static_cast<int>(line.size()), width > 1 ? width - 1 : 0) << width;
        EXPECT_EQ(line.find_first_of(L"\r\n"), std::wstring::npos);
    }
}

TEST(ProgressLine, ShowsPositionCountAndTheTailOfTheItem)
{
    std::wstring item = L"HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32";
    std::wstring line = cli::ProgressLine(1, 2, L"COM/ActiveX Entries", 7, item, 60);
    EXPECT_EQ(line.rfind(L"[1/2] COM/ActiveX Entries: 7 items  ...", 0), 0u) << line;
    std::wstring trimmed = line.substr(0, line.find_last_not_of(L' ') + 1);
    EXPECT_EQ(trimmed.substr(trimmed.size() - 14), L"InprocServer32");

    std::wstring wide = cli::ProgressLine(1, 2, L"Fonts", 0, L"a\nb", 80);
    EXPECT_EQ(wide.substr(0, 29), L"[1/2] Fonts: 0 items  a<U+000");
}

TEST(ProgressLine, CategoryDone)
{
    EXPECT_EQ(cli::CategoryDoneLine(2, 12, L"Font Entries", 1, 30),
              L"[2/12] Font Entries: 1 problem, 30 items examined");
    EXPECT_EQ(cli::CategoryDoneLine(1, 1, L"X", 0, 0), L"[1/1] X: 0 problems, 0 items examined");
}

}  // namespace

TEST(ProgressLine, JsonProgressIsOneObjectALine)
{
    EXPECT_EQ(cli::ProgressJson(L"Font Entries", 26, 3, false),
              "{\"category\":\"Font Entries\",\"itemsExamined\":26,\"problems\":3}");
    EXPECT_EQ(cli::ProgressJson(L"A\"b\n\u00e9", 0, 0, true),
              "{\"category\":\"A\\\"b\\u000A\xc3\xa9\",\"itemsExamined\":0,\"problems\":0,\"done\":true}");
}
