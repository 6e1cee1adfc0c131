#include "pure/ShortcutRules.h"

#include <gtest/gtest.h>

#include <string>

using namespace pure;

TEST(ShortcutRules, WhichFolderEntriesAreEntered)
{
    const unsigned long dir = kAttributeDirectory;
    struct Case {
        const wchar_t* name;
        unsigned long attributes;
        size_t length;
        bool entered;
    } cases[] = {
        {L"Programs", dir, 40, true},
        {L"Programs", dir | 0x1 /* read-only */, 40, true},
        {L".", dir, 40, false},
        {L"..", dir, 40, false},
        {L".config", dir, 40, false},
        {L"Junction", dir | kAttributeReparsePoint, 40, false},
        {L"file.lnk", 0x20 /* archive */, 40, false},
        {L"Long", dir, 259, true},
        {L"TooLong", dir, 260, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsEnterableFolder(c.name, c.attributes, c.length), c.entered) << c.length;
}

TEST(ShortcutRules, ShortcutNamesAndTargetPlaces)
{
    EXPECT_TRUE(IsShortcutName(L"a.lnk"));
    EXPECT_TRUE(IsShortcutName(L"X.LNK"));
    EXPECT_TRUE(IsShortcutName(L".lnk"));
    EXPECT_FALSE(IsShortcutName(L"lnk"));
    EXPECT_FALSE(IsShortcutName(L"a.lnk.txt"));
    EXPECT_FALSE(IsShortcutName(L"a.url"));

    struct Case {
        const wchar_t* target;
        TargetPlace place;
        wchar_t drive;
    } cases[] = {
        {L"\\\\server\\share\\a.exe", TargetPlace::Unc, 0},
        {L"//server/share/a.exe", TargetPlace::Unc, 0},
        {L"c:\\a.exe", TargetPlace::Drive, L'C'},
        {L"Q:a.exe", TargetPlace::Drive, L'Q'},
        {L"1:\\a.exe", TargetPlace::Other, 0},
        {L"a.exe", TargetPlace::Other, 0},
        {L"", TargetPlace::Other, 0},
        {L"\\a.exe", TargetPlace::Other, 0},
        {L"\\\\?\\d:\\a.exe", TargetPlace::Drive, L'D'},
        {L"\\\\?\\UNC\\server\\share\\a.exe", TargetPlace::Unc, 0},
        {L"\\\\?\\unc\\server\\share", TargetPlace::Unc, 0},
        {L"\\\\?\\Volume{1}\\a.exe", TargetPlace::Other, 0},
        {L"\\\\.\\pipe\\x", TargetPlace::Unc, 0},
    };
    for (const Case& c : cases) {
        wchar_t drive = L'?';
        EXPECT_EQ(PlaceOfTarget(c.target, drive), c.place) << std::wstring(c.target).size();
        EXPECT_EQ(drive, c.drive);
    }
}

TEST(ShortcutRules, TheStartFolderIsCutBeforeTheLastBackslash)
{
    EXPECT_EQ(ShortcutStartFolder(L"C:\\Users\\me\\Desktop\\"), L"C:\\Users\\me\\Desktop");
    EXPECT_EQ(ShortcutStartFolder(L"C:\\Users\\me\\Desktop"), L"C:\\Users\\me");
    EXPECT_EQ(ShortcutStartFolder(L"Desktop"), L"Desktop");
    EXPECT_EQ(ShortcutStartFolder(L""), L"");
}
