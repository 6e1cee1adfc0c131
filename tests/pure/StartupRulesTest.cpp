#include <gtest/gtest.h>

#include "pure/RegeditLocation.h"
#include "pure/StartupRules.h"

using namespace pure;

TEST(StartupFilePath, CutsAfterTheFirstKnownExtension)
{
    struct Case {
        const wchar_t* commandLine;
        const wchar_t* filePath;
    } cases[] = {
        {L"\"C:\\Program Files\\A\\a.exe\" /min", L"C:\\Program Files\\A\\a.exe"},
        {L"C:\\B\\b.exe -x", L"C:\\B\\b.exe"},
        {L"rundll32.exe shell32.dll,Control", L"rundll32.exe"},
        {L"\"C:\\X\\x.exe\"", L"C:\\X\\x.exe"},           // closing quote right after the extension
        {L"C:\\X\\x.exe", L"C:\\X\\x.exe"},               // ends at the extension
        {L"\"C:\\X\\x.exe", L"\"C:\\X\\x.exe"},           // no closing quote: kept whole
        {L"C:\\X\\script.cmd /q", L"C:\\X\\script.cmd /q"},  // no known extension
        {L"", L""},
        // The searches run in order and are case-sensitive: ".exe" wins over
        // an earlier ".EXE", and ".Exe" is no extension at all.
        {L"C:\\A.EXE C:\\b.exe", L"C:\\A.EXE C:\\b.exe"},
        {L"C:\\A.EXE /x", L"C:\\A.EXE"},
        {L"C:\\A.Exe /x", L"C:\\A.Exe /x"},
        {L"C:\\lib.DLL,Entry", L"C:\\lib.DLL"},
        {L"C:\\lib.dll,Entry", L"C:\\lib.dll"},
        // A quote after the extension drops only an opening quote.
        {L"C:\\x.exe\" y", L"C:\\x.exe"},
    };
    for (const Case& c : cases) EXPECT_EQ(StartupFilePath(c.commandLine), c.filePath) << c.commandLine;
}

TEST(StartupDescription, JoinsProductDescriptionAndType)
{
    EXPECT_EQ(StartupDescription(L"Wine", L"Wine Registry Editor", L"Application"),
              L"Wine | Wine Registry Editor | Application");
    EXPECT_EQ(StartupDescription(L"Wine", L"", L"Application"), L"Wine | Wine | Application");
    EXPECT_EQ(StartupDescription(L"", L"", L"Text Document"), L" |  | Text Document");
}

TEST(RunKeys, OnlyTheManagedKeysAreAccepted)
{
    const wchar_t* run = L"Software\\Microsoft\\Windows\\CurrentVersion\\run";
    const wchar_t* runOnce32 = L"SoftWare\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    struct Case {
        const wchar_t* root;
        const wchar_t* path;
        bool on64;
        bool accepted;
    } cases[] = {
        {L"HKEY_CURRENT_USER", run, false, true},
        {L"HKEY_CURRENT_USER", L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN", false, true},
        {L"HKEY_LOCAL_MACHINE", L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", false, true},
        {L"HKEY_LOCAL_MACHINE", runOnce32, true, true},
        {L"HKEY_LOCAL_MACHINE", runOnce32, false, false},  // no 32-bit view on 32-bit Windows
        {L"HKEY_CURRENT_USER", L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\run", true, false},
        {L"HKEY_CURRENT_USER", L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", true, false},
        {L"hkey_current_user", run, false, false},         // root names are exact
        {L"HKEY_USERS", run, false, false},
        {L"HKEY_CURRENT_USER", L"Software\\Microsoft\\Windows\\CurrentVersion", false, false},
        {L"HKEY_CURRENT_USER", L"Software\\Microsoft\\Windows\\CurrentVersion\\run\\x", false, false},
        {L"HKEY_CURRENT_USER", L"", false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsManagedRunKey(c.root, c.path, c.on64), c.accepted) << c.root << L"\\" << c.path;
}

TEST(RunKeys, TwinsExistForMachineKeysOnly)
{
    int twins = 0;
    for (const RunKey& key : kRunKeys)
        if (HasWow64Twin(key)) {
            ++twins;
            EXPECT_EQ(std::wstring(key.rootName), L"HKEY_LOCAL_MACHINE");
        }
    EXPECT_EQ(twins, 3);
    EXPECT_EQ(Wow64TwinPath(kRunKeys[1]), L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\run");
}

TEST(ValueTypeAttribute, OnlyTheStringTypesSurvive)
{
    EXPECT_EQ(ValueTypeText(kTypeSz), L"1");
    EXPECT_EQ(ValueTypeText(kTypeExpandSz), L"2");
    EXPECT_EQ(ValueTypeText(4), L"1");
    EXPECT_EQ(ParseValueType(L"2"), kTypeExpandSz);
    for (const wchar_t* text : {L"1", L"", L"02", L"4", L"REG_EXPAND_SZ", L" 2"})
        EXPECT_EQ(ParseValueType(text), kTypeSz) << text;
}

TEST(RegeditLocation, Wow6432NodeGoesWhereTheEditorShowsIt)
{
    struct Case {
        const wchar_t* root;
        const wchar_t* path;
        const wchar_t* location;
    } cases[] = {
        {L"HKEY_CLASSES_ROOT", L"CLSID\\{1}\\InprocServer32", L"Wow6432Node\\CLSID\\{1}\\InprocServer32"},
        {L"HKEY_CLASSES_ROOT", L"Wow6432Node\\CLSID", L"Wow6432Node\\CLSID"},
        {L"HKEY_CLASSES_ROOT", L"", L"Wow6432Node"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Vendor\\App", L"SOFTWARE\\Wow6432Node\\Vendor\\App"},
        {L"HKEY_LOCAL_MACHINE", L"Software\\Classes\\CLSID\\{1}", L"Software\\Classes\\Wow6432Node\\CLSID\\{1}"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Classes", L"SOFTWARE\\Classes\\Wow6432Node"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE", L"SOFTWARE\\Wow6432Node"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Wow6432Node\\Vendor", L"SOFTWARE\\Wow6432Node\\Vendor"},
        {L"HKEY_LOCAL_MACHINE", L"SYSTEM\\CurrentControlSet", L"SYSTEM\\CurrentControlSet"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE2\\X", L"SOFTWARE2\\X"},
        {L"HKEY_CURRENT_USER", L"Software\\Classes\\.txt", L"Software\\Classes\\Wow6432Node\\.txt"},
        {L"HKEY_CURRENT_USER", L"Software\\Vendor", L"Software\\Vendor"},
        {L"HKEY_USERS", L"S-1-5-21\\Software\\Classes\\X", L"S-1-5-21\\Software\\Classes\\Wow6432Node\\X"},
        {L"HKEY_USERS", L"S-1-5-21_Classes\\X", L"S-1-5-21_Classes\\Wow6432Node\\X"},
        {L"HKEY_USERS", L"S-1-5-21\\Software\\X", L"S-1-5-21\\Software\\X"},
        {L"HKEY_CURRENT_CONFIG", L"Software\\X", L"Software\\X"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Wow6432NodeLocation(c.root, c.path), c.location) << c.root << L"\\" << c.path;
}

TEST(StartupApproved, EachSwitchableRunKeyHasItsKeyAndNoOtherDoes)
{
    const std::wstring parent = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
    struct Case {
        const wchar_t* root;
        const wchar_t* path;
        bool is64;
        const wchar_t* approved;  // below parent; null for none
    } cases[] = {
        {L"HKEY_CURRENT_USER", L"Software\\Microsoft\\Windows\\CurrentVersion\\run", true, L"\\Run"},
        {L"HKEY_CURRENT_USER", L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN", false, L"\\Run"},
        {L"HKEY_LOCAL_MACHINE", L"Software\\Microsoft\\Windows\\CurrentVersion\\run", true, L"\\Run"},
        {L"HKEY_LOCAL_MACHINE", L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\run", true, L"\\Run32"},
        // On 32-bit Windows there is no 32-bit twin to switch.
        {L"HKEY_LOCAL_MACHINE", L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\run", false, nullptr},
        {L"HKEY_CURRENT_USER", L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\run", true, nullptr},
        {L"HKEY_LOCAL_MACHINE", L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnce", true, nullptr},
        {L"HKEY_CURRENT_USER", L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnce", true, nullptr},
        {L"HKEY_LOCAL_MACHINE", L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", true, nullptr},
        {L"HKEY_USERS", L"Software\\Microsoft\\Windows\\CurrentVersion\\run", true, nullptr},
        {L"hkey_current_user", L"Software\\Microsoft\\Windows\\CurrentVersion\\run", true, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApprovedKeyPath(c.root, c.path, c.is64), c.approved ? parent + c.approved : L"")
            << c.root << L"\\" << c.path << L" 64:" << c.is64;
}

TEST(StartupApproved, TheFirstByteOfTwelveSaysOnOrOff)
{
    for (int first = 0; first < 256; ++first) {
        std::vector<uint8_t> v(kApprovedSize, 0xAB);
        v[0] = static_cast<uint8_t>(first);
        const ApprovedState want = first == 2 || first == 6   ? ApprovedState::Enabled
                                   : first == 3 || first == 7 ? ApprovedState::Disabled
                                                              : ApprovedState::Unknown;
        EXPECT_EQ(ReadApprovedState(kTypeBinary, v.data(), v.size()), want) << first;
    }
    const std::vector<uint8_t> off = {3, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(ReadApprovedState(4 /* REG_DWORD */, off.data(), off.size()), ApprovedState::Unknown);
    EXPECT_EQ(ReadApprovedState(kTypeBinary, off.data(), 11), ApprovedState::Unknown);
    std::vector<uint8_t> longer(off);
    longer.push_back(0);
    EXPECT_EQ(ReadApprovedState(kTypeBinary, longer.data(), longer.size()), ApprovedState::Unknown);
    EXPECT_EQ(ReadApprovedState(kTypeBinary, nullptr, 12), ApprovedState::Unknown);
}

TEST(StartupApproved, SwitchingOnClearsTheOffBitAndTheTime)
{
    struct Case {
        std::vector<uint8_t> in, out;
    } cases[] = {
        {{3, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9}, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{7, 1, 2, 3, 9, 9, 9, 9, 9, 9, 9, 9}, {6, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{2, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9}, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{3}, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> on = EnabledApprovedValue(c.in.data(), c.in.size());
        EXPECT_EQ(on, c.out);
        EXPECT_EQ(ReadApprovedState(kTypeBinary, on.data(), on.size()), ApprovedState::Enabled);
    }
}
