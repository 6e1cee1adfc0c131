#include <gtest/gtest.h>

#include "core/ErrorText.h"
#include "core/ReportBox.h"
#include "support/ReportRecorder.h"

TEST(ErrorText, RealCodeUsesTheSystemText)
{
    std::wstring system = SystemMessageText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(system.empty());
    BaseException e(L"ctx", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(e.MessageText(), L"Error (code 2): " + system);
    CRegistryKey::RegistryException r(L"CRegistryKey::OpenKey(HKEY hKey ...)", ERROR_ACCESS_DENIED);
    EXPECT_NE(r.MessageText().find(L"(code 5): "), std::wstring::npos);
}

TEST(ErrorText, UnknownCodeFallsBack)
{
    BaseException e(L"ctx", 0x2FFFFFFF);
    EXPECT_EQ(e.MessageText(), L"Error (code 805306367): "
                               L"Sorry, cannot find FormatMessage error info.");
}

TEST(ErrorText, ShortTextIsBracketedAndTrimmed)
{
    wchar_t buffer[512];
    ShortErrorText(ERROR_ACCESS_DENIED, buffer);
    std::wstring text = buffer;
    EXPECT_EQ(text.rfind(L"[5] ", 0), 0u);
    EXPECT_GT(text.size(), 4u);
    EXPECT_NE(text.back(), L'\n');
    EXPECT_NE(text.back(), L' ');
    ShortErrorText(0x2FFFFFFF, buffer);
    EXPECT_STREQ(buffer, L"[805306367] ");
}

TEST(ReportBox, ErrorReportCarriesCodeTextCaptionAndIcon)
{
    ReportRecorder recorder;
    report::ShowError(ERROR_ACCESS_DENIED, L"RestoreKey");
    auto reports = recorder.Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].caption, L"RestoreKey");
    EXPECT_EQ(reports[0].flags, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_EQ(reports[0].text, BaseException(L"RestoreKey", ERROR_ACCESS_DENIED).MessageText());
}
