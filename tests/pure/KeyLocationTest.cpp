#include <gtest/gtest.h>

#include "pure/KeyLocation.h"

using namespace pure;

TEST(KeyLocation, SystemNamesGiveTheRealRootAndPath)
{
    const std::wstring me = L"S-1-5-21-1-2-3-1000";
    struct Case {
        const wchar_t* name;
        bool ok;
        const wchar_t* root;
        const wchar_t* path;
    } cases[] = {
        {L"\\REGISTRY\\MACHINE\\SOFTWARE\\Classes\\.xyz", true, L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Classes\\.xyz"},
        {L"\\Registry\\Machine\\Software\\Classes\\Wow6432Node\\CLSID\\{1}", true, L"HKEY_LOCAL_MACHINE",
         L"Software\\Classes\\Wow6432Node\\CLSID\\{1}"},
        {L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1000_Classes\\.xyz", true, L"HKEY_CURRENT_USER",
         L"Software\\Classes\\.xyz"},
        {L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1000\\Software\\A", true, L"HKEY_CURRENT_USER", L"Software\\A"},
        {L"\\REGISTRY\\USER\\S-1-5-18\\Software\\A", true, L"HKEY_USERS", L"S-1-5-18\\Software\\A"},
        {L"\\REGISTRY\\USER\\S-1-5-18_Classes\\.xyz", true, L"HKEY_USERS", L"S-1-5-18_Classes\\.xyz"},
        {L"\\REGISTRY\\MACHINE\\", false, L"", L""},
        {L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1000", false, L"", L""},
        {L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1000\\", false, L"", L""},
        {L"\\REGISTRY\\A\\B", false, L"", L""},
        {L"", false, L"", L""},
    };
    for (const Case& c : cases) {
        KeyLocation at;
        ASSERT_EQ(LocationFromSystemName(c.name, me, at), c.ok) << testing::PrintToString(std::wstring(c.name));
        if (!c.ok) continue;
        EXPECT_EQ(at.rootName, c.root);
        EXPECT_EQ(at.path, c.path);
    }
    // Without the user's SID every user hive is one of HKEY_USERS.
    KeyLocation at;
    ASSERT_TRUE(LocationFromSystemName(L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1000\\X", L"", at));
    EXPECT_EQ(at.rootName, L"HKEY_USERS");
}
