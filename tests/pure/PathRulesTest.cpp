#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "pure/PathRules.h"
#include "pure/TextRules.h"

using namespace pure;

namespace {

// A file system of a few entries whose names compare without regard to case,
// recording every path it is asked about; it will not say for the paths in
// `unknown`.
struct FakeDisk {
    std::set<std::wstring> entries;  // upper case
    std::set<std::wstring> unknown;  // upper case
    std::vector<std::wstring> asked;
    ExistsFn Fn()
    {
        return [this](const std::wstring& p) {
            asked.push_back(p);
            if (unknown.count(ToUpper(p))) return Presence::Unknown;
            return entries.count(ToUpper(p)) != 0 ? Presence::Present : Presence::Missing;
        };
    }
};

}  // namespace

TEST(PathRules, PatternIsTheThirtyFourCharacterExpression)
{
    EXPECT_EQ(std::wstring_view(kDrivePathPattern).size(), 34u);
    EXPECT_EQ(std::wstring_view(kDrivePathPattern), L"([a-zA-Z]:(\\\\([^/;:?\"><\\*'\\\\]+))+)");
}

TEST(PathRules, DrivePathIsTheLeftmostGreedyMatch)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* path;  // null: no path
    } cases[] = {
        {L"\"C:\\Program Files\\App\\app.exe\" /s", L"C:\\Program Files\\App\\app.exe"},
        {L"C:\\Windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL",
         L"C:\\Windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL"},
        {L"C:\\Windows\\system32\\shell32.dll,-21", L"C:\\Windows\\system32\\shell32.dll,-21"},
        {L"rundll32 d:\\a\\b.dll;e:\\c.dll", L"d:\\a\\b.dll"},
        {L"C:\\a\\b:c", L"C:\\a\\b"},
        {L"C:\\dir\\file.txt'x", L"C:\\dir\\file.txt"},
        {L"x C:\\a\\\\b", L"C:\\a"},       // an empty component ends the match
        {L"C:\\a/b", L"C:\\a"},
        {L"1:\\a C:\\b", L"C:\\b"},        // a digit is no drive letter
        {L"notepad.exe", nullptr},
        {L"%1", nullptr},
        {L"\\\\server\\share\\a.exe", nullptr},
        {L"C:", nullptr},
        {L"C:\\", nullptr},
        {L"C:\\\\x", nullptr},
        {L"C:relative\\x", nullptr},
        {L"", nullptr},
        {L"C:\\a\nb", L"C:\\a\nb"},         // line breaks are component characters
    };
    for (const Case& c : cases) {
        std::wstring path = L"stale";
        bool found = FindDrivePath(c.text, path);
        EXPECT_EQ(found, c.path != nullptr) << c.text;
        EXPECT_EQ(path, c.path ? c.path : L"") << c.text;
    }
}

// The hand-written matcher against the expression itself, on texts made of
// the characters that matter to it.
TEST(PathRules, DrivePathAgreesWithTheExpression)
{
    const std::wregex expression(kDrivePathPattern, std::regex_constants::ECMAScript);
    const std::wstring_view alphabet = L"aZ1:\\/;?\"><*' .,\n%";
    std::mt19937 random(20261209);
    for (int round = 0; round < 20000; ++round) {
        std::wstring text(random() % 24, L'a');
        for (wchar_t& c : text) c = alphabet[random() % alphabet.size()];
        std::wsmatch match;
        const bool expected = std::regex_search(text, match, expression);
        std::wstring path = L"stale";
        ASSERT_EQ(FindDrivePath(text, path), expected) << text;
        ASSERT_EQ(path, expected ? match[0].str() : std::wstring()) << text;
    }
}

TEST(PathRules, LongAndHostileTextsAreBounded)
{
    // A path the length of the largest registry data read, without a break.
    std::wstring longPath = L"C:\\" + std::wstring(16000, L'a');
    std::wstring path;
    ASSERT_TRUE(FindDrivePath(longPath, path));
    EXPECT_EQ(path.size(), kMaxPathMatch);
    EXPECT_EQ(path, longPath.substr(0, kMaxPathMatch));

    // Many components, deep in the text after a long prefix.
    std::wstring deep = std::wstring(12000, L'x') + L" D:\\ab";
    for (int i = 0; i < 3000; ++i) deep += L"\\ab";
    ASSERT_TRUE(FindDrivePath(deep, path));
    EXPECT_EQ(path.substr(0, 5), L"D:\\ab");
    EXPECT_LE(path.size(), kMaxPathMatch);

    // Nothing but candidates that never complete.
    std::wstring noise;
    for (int i = 0; i < 5000; ++i) noise += L"C:\\\\";
    EXPECT_FALSE(FindDrivePath(noise, path));
    EXPECT_TRUE(path.empty());
}

TEST(PathRules, TrimRemovesAsciiWhiteSpaceOnly)
{
    EXPECT_EQ(TrimSpace(L" \t\r\n C:\\a b \v\f"), L"C:\\a b");
    EXPECT_EQ(TrimSpace(L"   "), L"");
    EXPECT_EQ(TrimSpace(L"\u00a0x"), L"\u00a0x");
}

TEST(PathRules, CutsFindTheFileInsideTheText)
{
    struct Case {
        const wchar_t* path;
        std::vector<const wchar_t*> disk;
        bool exists;
        std::vector<const wchar_t*> asked;  // every test made, in order
    } cases[] = {
        {L"", {}, true, {}},
        {L"  C:\\x\\a.exe  ", {L"C:\\x\\a.exe"}, true, {L"C:\\x\\a.exe"}},
        // The comma cut leaves the argument, the .EXE cut finds the program.
        {L"C:\\Windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL",
         {L"C:\\Windows\\system32\\rundll32.exe"},
         true,
         {L"C:\\Windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL",
          L"C:\\Windows\\system32\\rundll32.exe shell32.dll", L"C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE"}},
        // The comma cut alone.
        {L"C:\\Windows\\system32\\shell32.dll,-21",
         {L"C:\\Windows\\system32\\shell32.dll"},
         true,
         {L"C:\\Windows\\system32\\shell32.dll,-21", L"C:\\Windows\\system32\\shell32.dll"}},
        // A slash only when there is no comma; the part before is trimmed.
        {L"C:\\x\\a.exe /s", {L"C:\\x\\a.exe"}, true, {L"C:\\x\\a.exe /s", L"C:\\x\\a.exe"}},
        {L"C:\\x\\a.exe /s,1", {}, false,
         {L"C:\\x\\a.exe /s,1", L"C:\\x\\a.exe /s", L"C:\\X\\A.EXE"}},
        // The earlier of .EXE and .DLL wins.
        {L"C:\\x\\a.dll.exe", {L"C:\\X\\A.DLL"}, true, {L"C:\\x\\a.dll.exe", L"C:\\X\\A.DLL"}},
        {L"C:\\x\\a.exe-b.dll q", {L"C:\\X\\A.EXE"}, true, {L"C:\\x\\a.exe-b.dll q", L"C:\\X\\A.EXE"}},
        // A file inside a library: the folder rule.
        {L"C:\\x\\lib.ocx\\2", {L"C:\\x\\lib.ocx"}, true,
         {L"C:\\x\\lib.ocx\\2", L"C:\\X\\LIB.OCX\\2", L"C:\\x\\lib.ocx"}},
        // The folder rule needs a dot that is not the name's first character.
        {L"C:\\x\\.hidden\\2", {L"C:\\x\\.hidden"}, false, {L"C:\\x\\.hidden\\2", L"C:\\X\\.HIDDEN\\2"}},
        {L"C:\\x\\plain\\2", {L"C:\\x\\plain"}, false, {L"C:\\x\\plain\\2", L"C:\\X\\PLAIN\\2"}},
        {L"C:\\missing.dll", {}, false, {L"C:\\missing.dll", L"C:\\MISSING.DLL"}},
        // No backslash at all: the folder part is empty.
        {L"a.b", {}, false, {L"a.b", L"A.B"}},
    };
    for (const Case& c : cases) {
        FakeDisk disk;
        for (const wchar_t* e : c.disk) disk.entries.insert(ToUpper(e));
        EXPECT_EQ(PathExistsByCuts(c.path, disk.Fn()), c.exists ? Presence::Present : Presence::Missing) << c.path;
        std::vector<std::wstring> asked(c.asked.begin(), c.asked.end());
        EXPECT_EQ(disk.asked, asked) << c.path;
    }
}

// A candidate the system will not answer for makes the whole path unknown,
// unless another candidate is found: any of them may be the file.
TEST(PathRules, ACandidateThatCannotBeToldLeavesThePathUnknown)
{
    const std::wstring rundll = L"C:\\Windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL";
    struct Case {
        std::wstring path;
        std::vector<const wchar_t*> disk, unknown;
        Presence answer;
        size_t asked;
    } cases[] = {
        {rundll, {}, {}, Presence::Missing, 3},
        {rundll, {}, {L"C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE"}, Presence::Unknown, 3},
        {rundll, {}, {rundll.c_str()}, Presence::Unknown, 3},  // the later cuts are still tried
        {rundll, {L"C:\\Windows\\system32\\rundll32.exe"}, {rundll.c_str()}, Presence::Present, 3},
        {L"C:\\x\\lib.ocx\\2", {}, {L"C:\\x\\lib.ocx"}, Presence::Unknown, 3},  // the folder rule too
        {L"C:\\x\\a.exe /s", {L"C:\\x\\a.exe"}, {L"C:\\x\\a.exe /s"}, Presence::Present, 2},
    };
    for (const Case& c : cases) {
        FakeDisk disk;
        for (const wchar_t* e : c.disk) disk.entries.insert(ToUpper(e));
        for (const wchar_t* e : c.unknown) disk.unknown.insert(ToUpper(e));
        EXPECT_EQ(PathExistsByCuts(c.path, disk.Fn()), c.answer) << c.path;
        EXPECT_EQ(disk.asked.size(), c.asked) << c.path;
    }
}

TEST(PathRules, ProgramFilesRewriteOnlyForTheVariable)
{
    struct Case {
        const wchar_t* source;
        const wchar_t* expanded;
        const wchar_t* result;
    } cases[] = {
        {L"%ProgramFiles%\\App\\a.exe", L"C:\\Program Files (x86)\\App\\a.exe", L"C:\\Program Files\\App\\a.exe"},
        {L"%programfiles%\\A;%ProgramFiles%\\B", L"C:\\Program Files (x86)\\A;C:\\Program Files (x86)\\B",
         L"C:\\Program Files\\A;C:\\Program Files\\B"},
        {L"%ProgramFiles(x86)%\\App\\a.exe", L"C:\\Program Files (x86)\\App\\a.exe",
         L"C:\\Program Files (x86)\\App\\a.exe"},
        {L"%CommonProgramFiles%\\x", L"C:\\Program Files (x86)\\Common Files\\x",
         L"C:\\Program Files (x86)\\Common Files\\x"},
        {L"%ProgramFiles%\\x", L"C:\\program files (x86)\\x", L"C:\\program files (x86)\\x"},  // case-sensitive
        {L"%ProgramFiles%", L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(NativeProgramFiles(c.source, c.expanded), c.result) << c.source;
}

TEST(PathRules, ThirtyTwoBitProgramsSeeTheirOwnFolders)
{
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } variables[] = {
        {L"%ProgramFiles%\\App\\a.exe", L"%ProgramFiles(x86)%\\App\\a.exe"},
        {L"\"%PROGRAMFILES%\\a\" %commonprogramfiles%\\b", L"\"%ProgramFiles(x86)%\\a\" %CommonProgramFiles(x86)%\\b"},
        {L"%ProgramFiles(x86)%\\a", L"%ProgramFiles(x86)%\\a"},
        {L"%ProgramW6432%\\a", L"%ProgramW6432%\\a"},
        {L"%SystemRoot%%ProgramFiles%", L"%SystemRoot%%ProgramFiles(x86)%"},
        {L"50% of %ProgramFiles", L"50% of %ProgramFiles"},
        {L"%", L"%"},
        {L"", L""},
    };
    for (const Case& c : variables) EXPECT_EQ(ProgramFilesVariablesAs32Bit(c.in), c.out) << c.in;

    Case folders[] = {
        {L"C:\\windows\\system32\\a.dll", L"C:\\windows\\SysWOW64\\a.dll"},
        {L"c:\\WINDOWS\\System32", L"c:\\WINDOWS\\SysWOW64"},
        {L"C:\\windows\\system32\\drivers\\etc\\hosts", L"C:\\windows\\system32\\drivers\\etc\\hosts"},
        {L"C:\\windows\\system32\\drivers\\x.sys", L"C:\\windows\\SysWOW64\\drivers\\x.sys"},
        {L"C:\\windows\\system32\\spool\\x", L"C:\\windows\\system32\\spool\\x"},
        {L"C:\\windows\\system32\\catroot2", L"C:\\windows\\system32\\catroot2"},
        {L"C:\\windows\\system32\\catroot3", L"C:\\windows\\SysWOW64\\catroot3"},
        {L"C:\\windows\\Sysnative\\a.dll", L"C:\\windows\\System32\\a.dll"},
        {L"C:\\windows\\system32x\\a.dll", L"C:\\windows\\system32x\\a.dll"},
        {L"C:\\windowsX\\system32\\a.dll", L"C:\\windowsX\\system32\\a.dll"},
        {L"D:\\windows\\system32\\a.dll", L"D:\\windows\\system32\\a.dll"},
        {L"C:\\windows", L"C:\\windows"},
    };
    for (const Case& c : folders) EXPECT_EQ(SystemFolderAs32Bit(c.in, L"C:\\windows"), c.out) << c.in;
    EXPECT_EQ(SystemFolderAs32Bit(L"C:\\windows\\system32\\a", L"C:\\windows\\"), L"C:\\windows\\SysWOW64\\a");
    EXPECT_EQ(SystemFolderAs32Bit(L"C:\\windows\\system32\\a", L""), L"C:\\windows\\system32\\a");
}
