#include <gtest/gtest.h>

#include "pure/BackupNames.h"

using namespace pure;

TEST(BackupNames, StampIsAlwaysFourteenDigits)
{
    EXPECT_EQ(MakeStamp(2026, 1, 2, 3, 4, 5), L"20260102030405");
    EXPECT_EQ(MakeStamp(999, 12, 31, 23, 59, 59), L"09991231235959");
    EXPECT_EQ(MakeStamp(10000, 1, 1, 0, 0, 0), L"");
    EXPECT_EQ(MakeStamp(2026, 13, 1, 0, 0, 0), L"");
    EXPECT_EQ(MakeStamp(2026, 1, 1, 24, 0, 0), L"");
    EXPECT_EQ(BaseName(L"20260102030405", true), L"20260102030405-p");
    EXPECT_EQ(BaseName(L"20260102030405", false), L"20260102030405-f");
}

TEST(BackupNames, ValidationAcceptsOnlyStoreNames)
{
    struct Case {
        const wchar_t* name;
        bool valid;
    } cases[] = {
        {L"20260102030405-p.regbak", true},
        {L"20260102030405-f.regbak", true},
        {L"2026010203040-p.regbak", false},    // 22 characters
        {L"202601020304050-p.regbak", false},  // 24 characters
        {L"20260102030405-p.REGBAK", false},
        {L"20260102030405-x.regbak", false},
        {L"2026010203040a-p.regbak", false},
        {L"..\\..\\..\\..\\..\\.regbak", false},  // 23 characters, outside the store
        {L"abc-p.regbak", false},
        {L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidBackupName(c.name), c.valid) << c.name;
}

TEST(BackupNames, ListingRule)
{
    EXPECT_EQ(ListedKind(L"20260102030405-f.regbak"), 0);
    EXPECT_EQ(ListedKind(L"20260102030405-p.regbak"), 1);
    EXPECT_EQ(ListedKind(L"abc-p.regbak"), 1);  // listed, though restore refuses it
    EXPECT_EQ(ListedKind(L"20260102030405-x.regbak"), -1);
    EXPECT_EQ(ListedKind(L"20260102030405-p.REGBAK"), -1);
    EXPECT_EQ(ListedKind(L".regbak"), -1);
    EXPECT_EQ(ListedKind(L"p.regbak"), 1);
}

TEST(BackupNames, HiveFileNames)
{
    const uint32_t r[4] = {0, 61, 62, 36};
    EXPECT_EQ(HiveFileName(r, 123456), L"0z0a123456.bakdat");
    struct Case {
        const wchar_t* name;
        bool safe;
    } cases[] = {
        {L"0z0a123456.bakdat", true},    {L".bakdat", false},          {L"a.BAKDAT", false},
        {L"..\\x.bakdat", false},        {L"x/y.bakdat", false},       {L"C:x.bakdat", false},
        {L"a..b.bakdat", false},         {L"a.bakdat.txt", false},     {L"", false},
        {L"CON.bakdat", false},          {L"NUL.bakdat", false},       {L"COM1.bakdat", false},
        {L"AAAA1.bakdat", true},         {L"AAAA.bakdat", false},      {L"AAAA12345678901.bakdat", false},
        {L"AAAA4294967295.bakdat", true}, {L"AA-A1.bakdat", false},    {L"AAAA1x.bakdat", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSafeHiveFileName(c.name), c.safe) << c.name;
}

TEST(BackupNames, FixedRootsAreExact)
{
    for (const wchar_t* n : {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
                             L"HKEY_CURRENT_CONFIG"})
        EXPECT_TRUE(IsFixedRootName(n)) << n;
    for (const wchar_t* n : {L"hkey_users", L"HKEY_USERS\\x", L"HKLM", L""}) EXPECT_FALSE(IsFixedRootName(n)) << n;
}

TEST(BackupNames, CoverageNeedsABackslashBoundary)
{
    struct Case {
        const wchar_t* saved;
        const wchar_t* key;
        bool covered;
    } cases[] = {
        {L"HKEY_CURRENT_USER\\Software\\A", L"HKEY_CURRENT_USER\\Software\\A", true},
        {L"HKEY_CURRENT_USER\\Software\\A", L"hkey_current_user\\software\\a\\B", true},
        {L"HKEY_CURRENT_USER\\Software\\A", L"HKEY_CURRENT_USER\\Software\\AB", false},
        {L"HKEY_CURRENT_USER\\Software\\A\\B", L"HKEY_CURRENT_USER\\Software\\A", false},
        {L"HKEY_CURRENT_USER\\Software\\A", L"HKEY_LOCAL_MACHINE\\Software\\A", false},
        {L"HKEY_CURRENT_USER\\Software\\A", L"X\\HKEY_CURRENT_USER\\Software\\A", false},
    };
    for (const Case& c : cases) EXPECT_EQ(CoversKey(c.saved, c.key), c.covered) << c.saved << L" / " << c.key;
}

TEST(BackupNames, KeyPathSplitAndLimits)
{
    std::wstring parent, name;
    SplitKeyPath(L"CLSID\\{X}\\InprocServer32", parent, name);
    EXPECT_EQ(parent, L"CLSID\\{X}");
    EXPECT_EQ(name, L"InprocServer32");
    SplitKeyPath(L"Top", parent, name);
    EXPECT_EQ(parent, L"");
    EXPECT_EQ(name, L"Top");

    EXPECT_TRUE(IsUsableKeyPath(L"A\\B"));
    EXPECT_TRUE(IsUsableKeyPath(std::wstring(255, L'a') + L"\\b"));
    EXPECT_FALSE(IsUsableKeyPath(std::wstring(256, L'a') + L"\\b"));
    EXPECT_FALSE(IsUsableKeyPath(L"A\\\\B"));
    EXPECT_FALSE(IsUsableKeyPath(L""));
    EXPECT_FALSE(IsUsableKeyPath(L"A\\"));
}

TEST(BackupNames, StoredShortcutsGoBackOnlyToShortcutPaths)
{
    for (const wchar_t* n : {L"S1.lnk", L"S123456789.lnk"}) EXPECT_TRUE(IsStoredShortcutName(n)) << n;
    for (const wchar_t* n : {L"S.lnk", L"s1.lnk", L"S1.LNK", L"S1x.lnk", L"..\\S1.lnk", L"S1234567890123.lnk", L""})
        EXPECT_FALSE(IsStoredShortcutName(n)) << n;
    struct Case {
        const wchar_t* path;
        bool ok;
    } cases[] = {
        {L"C:\\Users\\me\\Desktop\\a.lnk", true},  {L"d:\\x\\Tool.LNK", true},
        {L"C:\\Users\\..\\Windows\\a.lnk", false}, {L"C:\\a\\.\\b.lnk", false},
        {L"C:\\a\\\\b.lnk", false},                {L"\\\\server\\share\\a.lnk", false},
        {L"C:a\\b.lnk", false},                    {L"C:\\a\\b.exe", false},
        {L"C:\\a\\b.lnk:stream.lnk", false},       {L"C:\\a/b.lnk", false},
        {L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsRestorableShortcutPath(c.path), c.ok) << c.path;
}
