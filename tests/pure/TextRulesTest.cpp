#include <gtest/gtest.h>

#include "pure/ErrorFormat.h"
#include "pure/TextRules.h"

using namespace pure;

TEST(TextRules, CaseRulesTouchOnlyAsciiLetters)
{
    EXPECT_EQ(ToUpper(L"clsid\\InprocServer32-\u00e9"), L"CLSID\\INPROCSERVER32-\u00e9");
    EXPECT_EQ(ToLower(L"TypeLib"), L"typelib");
    EXPECT_TRUE(EqualsNoCase(L"COM/ActiveX Entries", L"com/activex entries"));
    EXPECT_FALSE(EqualsNoCase(L"Shared DLLS", L"Shared DLL"));
    EXPECT_FALSE(EqualsNoCase(L"a", L"\u00c1"));
    EXPECT_TRUE(Contains(L"INPROCSERVER32", L"SERVER"));
    EXPECT_FALSE(Contains(L"INPROCSERVER32", L"server"));
}

TEST(TextRules, Wow6432NodeGoesAfterTheFirstComponent)
{
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"SOFTWARE\\Classes\\X", L"SOFTWARE\\Wow6432Node\\Classes\\X"},
        {L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
         L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDlls"},
        {L"clsid\\{X}", L"clsid\\Wow6432Node\\{X}"},
        {L"A\\", L"A\\Wow6432Node\\"},
        // No backslash: still a well-formed path.
        {L"clsid", L"Wow6432Node\\clsid"},
        {L"", L"Wow6432Node"},
    };
    for (const Case& c : cases) EXPECT_EQ(InsertWow6432Node(c.in), c.out) << c.in;
}

TEST(ErrorFormat, ReportTextNamesTheCodeInEnglishAndIsCut)
{
    EXPECT_EQ(FormatErrorReport(2, L"File not found.\r\n"),
              L"Error (code 2): File not found.\r\n");
    EXPECT_EQ(FormatErrorReport(-5, L"x"), L"Error (code -5): x");
    EXPECT_EQ(FormatErrorReport(7, L""),
              L"Error (code 7): Sorry, cannot find FormatMessage error info.");
    std::wstring longText(2000, L'a');
    std::wstring cut = FormatErrorReport(1, longText);
    EXPECT_EQ(cut.size(), 499u);
    EXPECT_EQ(cut.substr(0, 12), L"Error (code ");
}

TEST(ErrorFormat, ShortTextStripsTrailingWhiteSpaceAndFits)
{
    EXPECT_EQ(FormatShortError(5, L"Access denied. \t\r\n", 512), L"[5] Access denied.");
    EXPECT_EQ(FormatShortError(4294967295UL, L"", 512), L"[4294967295] ");
    std::wstring text = FormatShortError(1, std::wstring(1000, L'x'), 512);
    EXPECT_EQ(text.size(), 511u);
    EXPECT_EQ(FormatShortError(1, L"abc", 0), L"");
}
