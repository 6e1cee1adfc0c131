#include <gtest/gtest.h>

#include <string>

#include "pure/LongPath.h"

using pure::LongPathForm;

TEST(LongPath, TheLongFormOfAnAbsolutePathIsNormalisedAsTheSystemWould)
{
    const struct {
        const wchar_t* path;
        const wchar_t* form;  // empty: no long form
    } cases[] = {
        {L"C:\\a\\b.exe", L"\\\\?\\C:\\a\\b.exe"},
        {L"c:/a/b.exe", L"\\\\?\\c:\\a\\b.exe"},
        {L"C:\\a\\\\b\\/c", L"\\\\?\\C:\\a\\b\\c"},
        {L"C:\\a\\.\\b\\..\\c.dll", L"\\\\?\\C:\\a\\c.dll"},
        {L"C:\\..\\..\\a", L"\\\\?\\C:\\a"},            // never above the drive
        {L"C:\\a\\b.exe. . ", L"\\\\?\\C:\\a\\b.exe"},  // trailing dots and spaces of the last name
        {L"C:\\a. \\b", L"\\\\?\\C:\\a. \\b"},          // only of the last name
        {L"C:\\a\\*.dll", L"\\\\?\\C:\\a\\*.dll"},       // a pattern stays a pattern
        {L"C:\\", L"\\\\?\\C:\\"},
        {L"C:\\a\\..", L"\\\\?\\C:\\"},
        {L"\\\\server\\share\\a\\..\\b.exe", L"\\\\?\\UNC\\server\\share\\b.exe"},
        {L"//server/share", L"\\\\?\\UNC\\server\\share\\"},
        {L"\\\\?\\C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b"},  // already long: as written
        {L"\\\\server", L""},
        {L"\\\\.\\pipe\\x", L""},
        {L"C:a\\b", L""},
        {L"\\a\\b", L""},
        {L"a\\b", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(LongPathForm(c.path), c.form) << std::wstring(c.path).size();
}

TEST(LongPath, PathsPastMaxPathKeepEveryCharacter)
{
    std::wstring path = L"C:\\tamsel";
    while (path.size() < 300) path += L"\\" + std::wstring(60, L'x');
    path += L"\\app.exe";
    ASSERT_GT(path.size(), pure::kMaxShortPath);
    EXPECT_EQ(LongPathForm(path), L"\\\\?\\" + path);
    EXPECT_EQ(LongPathForm(path + L"\\."), L"\\\\?\\" + path);
}
