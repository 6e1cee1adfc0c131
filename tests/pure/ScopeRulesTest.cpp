#include <gtest/gtest.h>

#include <string>

#include "pure/ScopeRules.h"

using namespace pure;

TEST(ScopeRules, GuidStringIsLengthAndBracesOnly)
{
    struct Case {
        const wchar_t* text;
        bool guid;
    } cases[] = {
        {L"{00021401-0000-0000-C000-000000000046}", true},
        {L"{not-a-guid: thirty-six characters..!}", true},   // whatever lies between
        {L"00021401-0000-0000-C000-000000000046", false},    // no braces
        {L"{00021401-0000-0000-C000-000000000046} ", false}, // trailing space
        {L"{00021401-0000-0000-C000-00000000004}", false},   // 37
        {L"(00021401-0000-0000-C000-000000000046)", false},
        {L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsGuidString(c.text), c.guid) << c.text;
    EXPECT_TRUE(IsExtensionName(L".txt"));
    EXPECT_TRUE(IsExtensionName(L"."));
    EXPECT_FALSE(IsExtensionName(L"txt."));
    EXPECT_FALSE(IsExtensionName(L""));
}

TEST(ScopeRules, TableOfCategoriesDepthsAndNames)
{
    const wchar_t* com = L"COM/ActiveX Entries";
    struct Case {
        const wchar_t* category;
        const wchar_t* entry;
        const wchar_t* upperName;
        int depth;
        bool enter;
    } cases[] = {
        // Class IDs: every class, then only the server-like subkeys.
        {com, L"clsid", L"{ANY}", 1, true},
        {com, L"CLSID", L"INPROCSERVER32", 2, true},
        {com, L"clsid", L"VERSIONINDEPENDENTPROGID", 2, true},
        {com, L"clsid", L"INPROCHANDLER32", 2, true},
        {com, L"clsid", L"TOOLBOXBITMAP32", 2, true},
        {com, L"clsid", L"IMPLEMENTED CATEGORIES", 2, false},
        {com, L"clsid", L"inprocserver32", 2, false},  // the name must come in upper case
        {com, L"clsid", L"INPROCSERVER32", 3, false},
        // Type libraries: version keys' FLAGS never, WIN32 below the locale.
        {com, L"typelib", L"{LIB}", 1, true},
        {com, L"TypeLib", L"1.0", 2, true},
        {com, L"typelib", L"FLAGS", 3, false},
        {com, L"typelib", L"0", 3, true},
        {com, L"typelib", L"HELPDIR", 3, true},
        {com, L"typelib", L"WIN32", 4, true},
        {com, L"typelib", L"WIN64", 4, false},
        {com, L"typelib", L"WIN32", 5, false},
        // Interfaces.
        {com, L"interface", L"{IID}", 1, true},
        {com, L"Interface", L"PROXYSTUBCLSID32", 2, true},
        {com, L"interface", L"TYPELIB", 2, true},
        {com, L"interface", L"NUMMETHODS", 2, false},
        {com, L"interface", L"TYPELIB", 3, false},
        // AppIDs: executables only.
        {com, L"appid", L"APP.EXE", 1, true},
        {com, L"AppID", L"{00021401-0000-0000-C000-000000000046}", 1, false},
        {com, L"appid", L"APP.EXE", 2, false},
        // Any other COM subkey text walks nothing.
        {com, L"clsid\\{X}", L"INPROCSERVER32", 1, false},
        {com, L"", L"X", 1, false},
        {L"com/activex entries", L"clsid", L"{ANY}", 1, true},
        {L"Application Paths", L"x", L"APP.EXE", 1, true},
        {L"Application Paths", L"x", L"APP.EXE", 2, false},
        {L"File Extensions", L"x", L".TXT", 1, true},
        {L"File Extensions", L"x", L"OPENWITHLIST", 2, true},
        {L"File Extensions", L"x", L"A", 3, false},
        {L"File Associations", L"", L"CLSID", 1, false},
        {L"File Associations", L"", L"INSTALLER", 1, false},
        {L"File Associations", L"", L"WOW6432NODE", 1, false},
        {L"File Associations", L"", L"APPID", 1, false},
        {L"File Associations", L"", L"TXTFILE", 1, true},
        {L"File Associations", L"", L"CLSIDX", 1, true},  // "is", not "contains"
        {L"File Associations", L"", L"SHELL", 2, true},
        {L"File Associations", L"", L"SHELLEX", 2, true},
        {L"File Associations", L"", L"CURVER", 2, true},
        {L"File Associations", L"", L"OPENWITHPROGIDS", 2, true},
        {L"File Associations", L"", L"DEFAULTICON", 2, true},
        {L"File Associations", L"", L"PROTOCOL", 2, false},
        {L"File Associations", L"", L"ANYTHING", 3, true},
        {L"File Associations", L"", L"ANYTHING", 9, true},
        {L"Install&Uninstall Entries", L"x", L"A", 7, true},
        {L"Font Entries", L"x", L"A", 1, true},
        {L"shared dlls", L"x", L"A", 2, true},
        {L"Help Files", L"x", L"A", 3, true},
        {L"History Lists", L"x", L"A", 4, true},
        {L"Program Shortcuts", L"x", L"C:\\USERS\\A\\DESKTOP", 1, true},
        {L"Program Shortcuts", L"x", L"C:\\USERS\\A\\LOCAL SETTINGS\\X", 2, false},
        {L"Program Shortcuts", L"x", L"C:\\USERS\\A\\SENDTO", 1, false},
        {L"Program Shortcuts", L"x", L"C:\\USERS\\A\\TEMPLATES", 5, false},
        {L"Program Shortcuts", L"x", L"C:\\USERS\\A\\NETHOOD", 1, false},
        {L"Sound&App Events", L"x", L"EVENTLABELS", 1, false},
        {L"Sound&App Events", L"x", L"SCHEMES", 1, true},
        {L"Sound&App Events", L"x", L"NAMES", 2, false},
        {L"Sound&App Events", L"x", L"APPS", 2, true},
        {L"Sound&App Events", L"x", L"NAMES", 3, true},
        {L"Windows Startup Items", L"x", L"A", 1, false},
        {L"Unknown", L"clsid", L"A", 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShouldScanSubKey(c.category, c.entry, c.upperName, c.depth), c.enter)
            << c.category << " / " << c.entry << " / " << c.upperName << " / " << c.depth;
}
