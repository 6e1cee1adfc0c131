#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "ScanFixtures.h"
#include "core/ComPtr.h"
#include "pure/PathRules.h"
#include "scan/Checks.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using namespace scan;
using scantest::RegFixture;

namespace {

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
    return std::wstring(buffer, n < MAX_PATH ? n : 0);
}

std::wstring WindowsDir()
{
    wchar_t buffer[MAX_PATH] = {};
    UINT n = GetSystemWindowsDirectoryW(buffer, MAX_PATH);
    return std::wstring(buffer, n);
}

SystemFacts Facts(bool is64BitWindows, bool isWow64Process)
{
    SystemFacts f;
    f.is64BitWindows = is64BitWindows;
    f.isWow64Process = isWow64Process;
    return f;
}

// Redirection switches that only count and answer as told.
struct FakeRedirection {
    static inline int disabled = 0;
    static inline int reverted = 0;
    static inline bool disableWorks = true;
    static inline bool revertWorks = true;
    static BOOL WINAPI Disable(PVOID* old)
    {
        ++disabled;
        *old = reinterpret_cast<PVOID>(0x1234);
        if (!disableWorks) SetLastError(ERROR_ACCESS_DENIED);
        return disableWorks;
    }
    static BOOL WINAPI Revert(PVOID old)
    {
        if (old == reinterpret_cast<PVOID>(0x1234)) ++reverted;
        if (!revertWorks) SetLastError(ERROR_INVALID_FUNCTION);
        return revertWorks;
    }
    static void Reset(bool disableOk = true, bool revertOk = true)
    {
        disabled = reverted = 0;
        disableWorks = disableOk;
        revertWorks = revertOk;
    }
};

}  // namespace

TEST(ExpandEnvString, ProgramFilesFollowsTheViewOfTheData)
{
    CRegEngine engine(Facts(true, false));
    const std::wstring native = Env(L"ProgramW6432").empty() ? Env(L"ProgramFiles") : Env(L"ProgramW6432");
    const std::wstring x86 = Env(L"ProgramFiles(x86)");
    const std::wstring commonX86 = Env(L"CommonProgramFiles(x86)");
    ASSERT_FALSE(x86.empty());
    std::wstring out;

    ASSERT_TRUE(ExpandEnvString(L"%ProgramFiles%\\App\\a.exe", kExpandCapacity, out, FileViewFor(engine, kView64)));
    EXPECT_EQ(out, native + L"\\App\\a.exe");
    ASSERT_TRUE(ExpandEnvString(L"%ProgramFiles(x86)%\\App\\a.exe", kExpandCapacity, out));
    EXPECT_EQ(out, x86 + L"\\App\\a.exe");
    // Data of 32-bit programs names their folders.
    ASSERT_TRUE(ExpandEnvString(L"%ProgramFiles%\\App\\a.exe", kExpandCapacity, out, FileViewFor(engine, kView32)));
    EXPECT_EQ(out, x86 + L"\\App\\a.exe");
    ASSERT_TRUE(ExpandEnvString(L"%CommonProgramFiles%\\a.dll", kExpandCapacity, out, FileView::As32BitProgram));
    EXPECT_EQ(out, commonX86 + L"\\a.dll");
    // Without a second view there is only one way to see the disk.
    CRegEngine plain(Facts(false, false));
    EXPECT_EQ(FileViewFor(plain, kView32), FileView::Native);
    EXPECT_EQ(FileViewFor(engine, kView64), FileView::Native);
}

TEST(ExpandEnvString, LimitsAndFailuresAreReported)
{
    ReportRecorder reports;
    std::wstring out = L"stale";
    ASSERT_TRUE(ExpandEnvString(L"%TAMSEL_NO_SUCH_VARIABLE%\\x", kExpandCapacity, out));
    EXPECT_EQ(out, L"%TAMSEL_NO_SUCH_VARIABLE%\\x");
    ASSERT_TRUE(ExpandEnvString(L"abcdef", 4, out));
    EXPECT_EQ(out, L"abc");
    // Longer than a short path, well inside the limit.
    const std::wstring head(600, L'a');
    ASSERT_TRUE(ExpandEnvString(head + L"%windir%" + std::wstring(100, L'b'), kExpandCapacity, out));
    EXPECT_EQ(out, head + WindowsDir() + std::wstring(100, L'b'));
    EXPECT_TRUE(reports.Take().empty());

    for (const std::wstring& text : {std::wstring(kExpandCapacity, L'a'), std::wstring(9000, L'a') + L"%windir%" +
                                                                             std::wstring(9000, L'b')}) {
        out = L"stale";
        EXPECT_FALSE(ExpandEnvString(text, kExpandCapacity, out));
        EXPECT_TRUE(out.empty());
        auto shown = reports.Take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, L"Buffer too small to expand");
        EXPECT_EQ(shown[0].caption, L"ExpandEnvironmentStrings");
        EXPECT_EQ(shown[0].flags, static_cast<unsigned>(MB_OK));
    }
}

TEST(ExtractFilePath, FindsTheDrivePathOfExpandedData)
{
    std::wstring path = L"stale";
    EXPECT_FALSE(ExtractFilePath(L"", path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(ExtractFilePath(L"notepad.exe %1", path));
    ASSERT_TRUE(ExtractFilePath(L"\"%windir%\\system32\\cmd.exe\" /c", path));
    EXPECT_EQ(path, WindowsDir() + L"\\system32\\cmd.exe");
}

TEST(PathChecks, RealFilesThroughTheCuttingRules)
{
    testenv::ScratchDir dir(L"paths");
    CreateDirectoryW(dir.File(L"lib.ocx").c_str(), nullptr);
    scantest::WriteFile(dir.File(L"app.exe"));
    scantest::WriteFile(dir.File(L"shell.dll"));
    CRegEngine engine(Facts(true, false));
    const std::wstring d = dir.path();
    struct Case {
        std::wstring path;
        bool exists;
    } cases[] = {
        {d + L"\\app.exe", true},
        {L"  " + d + L"\\app.exe\t", true},
        {d + L"\\app.exe /s", true},
        {d + L"\\app.exe shell.dll,Entry", true},
        {d + L"\\shell.dll,-21", true},
        {d + L"\\lib.ocx\\2", true},
        {d + L"\\lib.ocx", true},
        {d + L"\\ap?.exe", true},  // a pattern, as the file search takes it
        {d + L"\\missing.exe", false},
        {d + L"\\missing.exe /s", false},
        {d + L"\\plain\\2", false},
        {L"", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsPathExist(c.path, engine), c.exists ? Presence::Present : Presence::Missing)
            << testenv::WideToUtf8(c.path);
    EXPECT_EQ(CheckFileExist(d, engine), Presence::Present);
    EXPECT_EQ(CheckFileExist(d + L"\\app.exe /s", engine), Presence::Missing);
}

TEST(PathChecks, ThirtyTwoBitDataSeesSysWow64)
{
    // One file only in the native system folder, one only in SysWOW64.
    const std::wstring name = testenv::UniqueName(L"sys");
    const std::wstring system = WindowsDir() + L"\\system32\\" + name;
    const std::wstring wow = WindowsDir() + L"\\syswow64\\" + name;
    // The facts of this very process: a 64-bit build maps the 32-bit view
    // itself, a 32-bit one under WOW64 switches redirection off for the
    // native view and lets the system redirect for the 32-bit one.
    CRegEngine engine(SystemFacts::Detect());
    if (!engine.Is64BitWindows()) GTEST_SKIP() << "32-bit Windows has one file view";
    ASSERT_EQ(CheckFileExist(WindowsDir() + L"\\syswow64", engine), Presence::Present);
    {
        testenv::NativeFileSystem native;  // into the real native folder
        scantest::WriteFile(system + L"-native.dll");
    }
    scantest::WriteFile(wow + L"-wow.dll");
    const FileView view64 = FileViewFor(engine, kView64);
    const FileView view32 = FileViewFor(engine, kView32);
    EXPECT_EQ(IsPathExist(system + L"-native.dll", engine, view64), Presence::Present);
    EXPECT_EQ(IsPathExist(system + L"-wow.dll", engine, view64), Presence::Missing);
    EXPECT_EQ(IsPathExist(system + L"-native.dll", engine, view32), Presence::Missing);
    EXPECT_EQ(IsPathExist(system + L"-wow.dll", engine, view32), Presence::Present);
    EXPECT_EQ(IsPathExist(WindowsDir() + L"\\Sysnative\\" + name + L"-native.dll", engine, view32), Presence::Present);
    {
        testenv::NativeFileSystem native;
        DeleteFileW((system + L"-native.dll").c_str());
    }
    DeleteFileW((wow + L"-wow.dll").c_str());
}

TEST(PathChecks, RedirectionIsSwitchedOnlyForNativeTestsOfAWow64Process)
{
    testenv::ScratchDir dir(L"redir");
    scantest::WriteFile(dir.File(L"a.exe"));
    ReportRecorder reports;
    SystemFacts facts = Facts(true, true);
    facts.disableRedirection = &FakeRedirection::Disable;
    facts.revertRedirection = &FakeRedirection::Revert;
    CRegEngine wow(facts);

    FakeRedirection::Reset();
    EXPECT_EQ(CheckFileExist(dir.File(L"a.exe"), wow, FileView::Native), Presence::Present);
    EXPECT_EQ(FakeRedirection::disabled, 1);
    EXPECT_EQ(FakeRedirection::reverted, 1);
    EXPECT_EQ(CheckFileExist(dir.File(L"a.exe"), wow, FileView::As32BitProgram), Presence::Present);
    EXPECT_EQ(FakeRedirection::disabled, 1);
    EXPECT_TRUE(reports.Take().empty());

    CRegEngine native(Facts(true, false));
    FakeRedirection::Reset();
    EXPECT_EQ(CheckFileExist(dir.File(L"a.exe"), native, FileView::Native), Presence::Present);
    EXPECT_EQ(FakeRedirection::disabled, 0);

    // Failures are shown and the search still runs.
    FakeRedirection::Reset(false, true);
    EXPECT_EQ(CheckFileExist(dir.File(L"a.exe"), wow), Presence::Present);
    EXPECT_EQ(FakeRedirection::reverted, 0);
    FakeRedirection::Reset(true, false);
    EXPECT_EQ(CheckFileExist(dir.File(L"b.exe"), wow), Presence::Missing);
    SystemFacts missing = Facts(true, true);
    CRegEngine noSwitches(missing);
    EXPECT_EQ(CheckFileExist(dir.File(L"a.exe"), noSwitches), Presence::Present);
    auto shown = reports.Take();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].caption, L"CheckFileExist-Wow64DisableWow64FsRedirection()");
    EXPECT_EQ(shown[1].caption, L"CheckFileExist-Wow64RevertWow64FsRedirection()");
    EXPECT_EQ(shown[2].caption, L"CheckFileExist-Wow64DisableWow64FsRedirection()");
    for (const auto& r : shown) EXPECT_EQ(r.flags, static_cast<unsigned>(MB_ICONERROR));
}

TEST(ClassChecks, SecondViewLookupOnSixtyFourBitWindows)
{
    ReportRecorder reports;
    const std::wstring only32 = scantest::NewGuid();
    const std::wstring only64 = scantest::NewGuid();
    RegFixture view32(KEY_WOW64_32KEY);
    RegFixture view64(KEY_WOW64_64KEY);
    view32.Key(L"CLSID\\" + only32);
    view64.Key(L"CLSID\\" + only64);
    ASSERT_FALSE(scantest::KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + only32, KEY_WOW64_64KEY));
    ASSERT_FALSE(scantest::KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + only64, KEY_WOW64_32KEY));

    CRegEngine wide(Facts(true, false));
    CRegEngine narrow(Facts(false, false));
    for (int view : {kView64, kView32}) {
        EXPECT_EQ(IsTypeIdExist(only32, L"x", L"CLSID", view, wide), Presence::Present);
        EXPECT_EQ(IsTypeIdExist(only64, L"x", L"clsid", view, wide), Presence::Present);
        EXPECT_EQ(IsClassKeyExist(wide, view, L"CLSID\\" + only32), Presence::Present);
        EXPECT_EQ(IsClassKeyExist(wide, view, L"CLSID\\" + only64), Presence::Present);
    }
    // Without the second view only the asked one counts.
    EXPECT_EQ(IsTypeIdExist(only32, L"x", L"CLSID", kView32, narrow), Presence::Present);
    EXPECT_EQ(IsTypeIdExist(only64, L"x", L"CLSID", kView32, narrow), Presence::Missing);
    EXPECT_EQ(IsClassKeyExist(narrow, kView32, L"CLSID\\" + only64), Presence::Missing);

    const std::wstring absent = scantest::NewGuid();
    EXPECT_EQ(IsTypeIdExist(absent, L"CLSID\\{other}\\TreatAs", L"CLSID", kView64, wide), Presence::Missing);
    EXPECT_EQ(IsTypeIdExist(absent, L"CLSID\\" + absent + L"\\TreatAs", L"CLSID", kView64, wide), Presence::Present);
    EXPECT_EQ(IsTypeIdExist(only64, L"x", L"TYPELIB", kView64, wide), Presence::Missing);
    EXPECT_EQ(IsTypeIdExist(only64, L"x", L"PROGID", kView64, wide), Presence::Missing);
    EXPECT_EQ(IsTypeIdExist(L"", L"", L"CLSID", kView64, wide), Presence::Missing);
    EXPECT_EQ(IsClassKeyExist(wide, kView64, L""), Presence::Present);
    EXPECT_EQ(IsClassKeyExist(wide, kView64, L"Tamsel.NoSuchClass." + absent), Presence::Missing);
    EXPECT_TRUE(reports.Take().empty());
}

TEST(ResolveShortcut, ReadsTheTargetOfARealLink)
{
    testenv::ScratchDir dir(L"lnk");
    scantest::WriteFile(dir.File(L"target.exe"));
    ScopedCoInit com;
    {
        ComPtr<IShellLinkW> link;
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                                  link.put_void()));
        link->SetPath(dir.File(L"target.exe").c_str());
        ComPtr<IPersistFile> file;
        ASSERT_HRESULT_SUCCEEDED(link.As(IID_IPersistFile, file));
        ASSERT_HRESULT_SUCCEEDED(file->Save(dir.File(L"a.lnk").c_str(), TRUE));
    }
    std::wstring target;
    ASSERT_TRUE(ResolveShortcut(dir.File(L"a.lnk"), target));
    wchar_t longForm[MAX_PATH] = {};
    GetLongPathNameW(target.c_str(), longForm, MAX_PATH);
    EXPECT_EQ(testenv::WideToUtf8(longForm), testenv::WideToUtf8(dir.File(L"target.exe")));
    EXPECT_EQ(IsPathExist(target, CRegEngine(Facts(true, false))), Presence::Present);

    target = L"stale";
    EXPECT_FALSE(ResolveShortcut(dir.File(L"missing.lnk"), target));
    EXPECT_TRUE(target.empty());
}

namespace {
DWORD WINAPI ExtractOnSmallStack(LPVOID result)
{
    // The longest data the walk reads, one unbroken path: the expression
    // only ever sees its bounded window.
    std::wstring data = L"C:\\" + std::wstring(8000, L'a');
    std::wstring path;
    bool found = ExtractFilePath(data, path);
    *static_cast<size_t*>(result) = found ? path.size() : 0;
    return 0;
}
}  // namespace

TEST(ExtractFilePath, LongestDataFitsAOneMegabyteThreadStack)
{
    size_t length = 0;
    HANDLE thread = CreateThread(nullptr, 1 << 20, ExtractOnSmallStack, &length, STACK_SIZE_PARAM_IS_A_RESERVATION,
                                 nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(length, pure::kMaxPathMatch);
}
