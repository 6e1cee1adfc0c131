// System tools with the program starter recorded, plus one run of the
// prefix's real registry editor.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <set>
#include <vector>

#include "core/EngineState.h"
#include "core/ErrorText.h"
#include "corvex/EngineTables.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"
#include "tools/ProgramStarter.h"
#include "tools/SystemTools.h"
#include "tools/VersionTexts.h"

#ifndef RRF_SUBKEY_WOW6464KEY
#define RRF_SUBKEY_WOW6464KEY 0x00010000
#endif

namespace {

EngineFunctionTable& Table()
{
    static EngineFunctionTable* table = [] {
        static UiCallbackTable callbacks{};
        EngineFunctionTable* t = nullptr;
        toEngineInitGetUIInterface(&callbacks, &t);
        return t;
    }();
    return *table;
}

// Redirection switches that only record, for posing as a WOW64 process.
bool g_redirectionOff = false;
int g_disables = 0;
int g_reverts = 0;
BOOL WINAPI FakeDisable(PVOID* old)
{
    *old = reinterpret_cast<PVOID>(0x1234);
    g_redirectionOff = true;
    ++g_disables;
    return TRUE;
}
BOOL WINAPI FakeRevert(PVOID old)
{
    g_redirectionOff = false;
    ++g_reverts;
    return old == reinterpret_cast<PVOID>(0x1234);
}

class RecordingStarter : public starter::Starter {
public:
    RecordingStarter() { previous_ = starter::SetStarter(this); }
    ~RecordingStarter() override { starter::SetStarter(previous_); }
    starter::Outcome Start(const starter::Request& r) override
    {
        requests.push_back(r);
        redirectionOff.push_back(g_redirectionOff);
        bool ok = outcomes.empty() ? true : outcomes[(requests.size() - 1) % outcomes.size()];
        return {ok, ok ? 0u : static_cast<DWORD>(ERROR_FILE_NOT_FOUND)};
    }
    bool Terminate(DWORD processId) override
    {
        terminated.push_back(processId);
        return true;
    }
    std::vector<starter::Request> requests;
    std::vector<bool> redirectionOff;
    std::vector<DWORD> terminated;
    std::vector<bool> outcomes;  // cycled; empty: every start succeeds

private:
    starter::Starter* previous_;
};

// Keeps the registry editor's "LastKey" as it was before the test.
class LastKeyBackup {
public:
    LastKeyBackup() { had_ = Read(value_); }
    ~LastKeyBackup()
    {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, tools::kRegeditKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        if (had_)
            RegSetValueExW(key, L"LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(value_.c_str()),
                           static_cast<DWORD>((value_.size() + 1) * 2));
        else
            RegDeleteValueW(key, L"LastKey");
        RegCloseKey(key);
    }
    static bool Read(std::wstring& out)
    {
        wchar_t buffer[4096] = {};
        DWORD size = sizeof buffer - 2;
        if (RegGetValueW(HKEY_CURRENT_USER, tools::kRegeditKey, L"LastKey", RRF_RT_REG_SZ, nullptr, buffer, &size) !=
            ERROR_SUCCESS)
            return false;
        out = buffer;
        return true;
    }
    static std::wstring Value()
    {
        std::wstring v;
        return Read(v) ? v : L"<none>";
    }

private:
    bool had_ = false;
    std::wstring value_;
};

class SystemTools : public ::testing::Test {
protected:
    void SetUp() override { engine::Destroy(); }
    void TearDown() override
    {
        engine::Destroy();
        engine::SetFactsOverride(nullptr);
    }
    static void PoseAsWow64()
    {
        SystemFacts facts;
        facts.is64BitWindows = true;
        facts.isWow64Process = true;
        facts.disableRedirection = &FakeDisable;
        facts.revertRedirection = &FakeRevert;
        engine::SetFactsOverride(&facts);
        g_disables = g_reverts = 0;
    }
    static RegEntryProb& AddProblem(const std::wstring& category, const std::wstring& rootName,
                                    const std::wstring& scannedPath, int view)
    {
        CRegEngine& e = engine::Ensure();
        RegScanCategory* result = nullptr;
        for (RegScanCategory* c : e.results)
            if (c->name == category) result = c;
        if (!result) {
            auto c = std::make_unique<RegScanCategory>();
            c->name = category;
            result = e.results.Add(std::move(c));
        }
        auto p = std::make_unique<RegEntryProb>();
        p->rootName = rootName;
        p->rootHandle = CRegEngine::LookupRoot(rootName);
        p->keyPath = L"Display\\Form\\" + scannedPath;  // must not be used
        p->scannedKeyPath = scannedPath;
        p->viewFlag = view;
        return *result->problems.Add(std::move(p));
    }
    RecordingStarter starter_;
    ReportRecorder reports_;
    LastKeyBackup lastKey_;
};

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH] = {};
    GetEnvironmentVariableW(name, buffer, MAX_PATH);
    return buffer;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TEST_F(SystemTools, TheEditorOpensAtTheExaminedKey)
{
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"regedit");
    AddProblem(L"Application Paths", L"HKEY_CURRENT_USER", key.path(), kView64);
    ASSERT_EQ(Table().OpenKeyInRegedit(0, 0), 1);
    EXPECT_EQ(LastKeyBackup::Value(), L"HKEY_CURRENT_USER\\" + key.path());
    ASSERT_EQ(starter_.requests.size(), 1u);
    const starter::Request& r = starter_.requests[0];
    EXPECT_EQ(r.via, starter::Via::kShellExecute);
    EXPECT_EQ(r.verb, L"open");
    // A 32-bit process on 64-bit Windows starts the native editor by its
    // full path with redirection off; any other starts it by name.
    EXPECT_EQ(r.file, testenv::RunsUnderWow64() ? Env(L"SYSTEMROOT") + L"\\regedit" : L"regedit");
    EXPECT_EQ(r.parameters, L"");
    EXPECT_EQ(r.show, SW_RESTORE);
    EXPECT_TRUE(reports_.Take().empty());

    // A start that fails is not reported as opened.
    starter_.outcomes = {false};
    EXPECT_EQ(Table().OpenKeyInRegedit(0, 0), 0);
}

TEST_F(SystemTools, ThirtyTwoBitFindsOpenWhereTheEditorShowsThem)
{
    struct Case {
        HKEY root;
        const wchar_t* rootName;
        const wchar_t* parent;
        const wchar_t* expectedPrefix;  // null: only the location check
    } cases[] = {
        {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L"CLSID", L"HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\"},
        {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"Software", L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\"},
        {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"Software\\Classes\\CLSID", nullptr},
        {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"Software", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rootName << "\\" << c.parent);
        engine::Destroy();
        testenv::ScratchKey key(c.root, c.parent, L"view32", KEY_WOW64_32KEY);
        std::wstring marker = testenv::UniqueName(L"marker");
        key.SetString(L"", L"marker", marker);
        AddProblem(L"COM/ActiveX Entries", c.rootName, key.path(), kView32);
        ASSERT_EQ(Table().OpenKeyInRegedit(0, 0), 1);
        std::wstring lastKey = LastKeyBackup::Value();
        if (c.expectedPrefix) {
            EXPECT_EQ(lastKey.rfind(c.expectedPrefix, 0), 0u) << lastKey;
        }
        // The editor browses the 64-bit view: the location must be the key itself.
        std::wstring prefix = std::wstring(c.rootName) + L"\\";
        ASSERT_EQ(lastKey.rfind(prefix, 0), 0u) << lastKey;
        wchar_t data[128] = {};
        DWORD size = sizeof data - 2;
        EXPECT_EQ(RegGetValueW(c.root, lastKey.substr(prefix.size()).c_str(), L"marker",
                               RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, data, &size),
                  ERROR_SUCCESS)
            << lastKey;
        EXPECT_EQ(data, marker);
    }
}

TEST_F(SystemTools, AShortcutProblemOpensItsFolder)
{
    testenv::ScratchDir dir(L"shortcuts");
    AddProblem(L"Program Shortcuts", L"", dir.path(), kView32);
    std::wstring before = LastKeyBackup::Value();
    ASSERT_EQ(Table().OpenKeyInRegedit(0, 0), 1);
    ASSERT_EQ(starter_.requests.size(), 1u);
    EXPECT_EQ(starter_.requests[0].via, starter::Via::kShellExecute);
    EXPECT_EQ(starter_.requests[0].verb, L"open");
    EXPECT_EQ(starter_.requests[0].file, dir.path());
    EXPECT_EQ(starter_.requests[0].show, SW_RESTORE);
    EXPECT_TRUE(starter_.terminated.empty());
    EXPECT_EQ(LastKeyBackup::Value(), before);
}

TEST_F(SystemTools, OpenKeyChecksItsIndexesAndNeedsAScan)
{
    EXPECT_EQ(Table().OpenKeyInRegedit(0, 0), 0);  // no engine state
    EXPECT_EQ(engine::Current(), nullptr);
    AddProblem(L"Application Paths", L"HKEY_CURRENT_USER", L"Software", kView64);
    for (auto [r, p] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        EXPECT_THROW(Table().OpenKeyInRegedit(r, p), EngineInvalidArgument) << r << "," << p;
    EXPECT_TRUE(starter_.requests.empty());
}

TEST_F(SystemTools, UnderWow64TheEditorStartsFromTheWindowsFolderWithoutRedirection)
{
    PoseAsWow64();
    AddProblem(L"Application Paths", L"HKEY_CURRENT_USER", L"Software", kView64);
    ASSERT_EQ(Table().OpenKeyInRegedit(0, 0), 1);
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    ASSERT_EQ(starter_.requests.size(), 1u);
    EXPECT_EQ(starter_.requests[0].file, std::wstring(windows) + L"\\regedit");
    EXPECT_TRUE(starter_.redirectionOff[0]);
    EXPECT_FALSE(g_redirectionOff);
    EXPECT_EQ(g_disables, 1);
    EXPECT_EQ(g_reverts, 1);
}

TEST_F(SystemTools, SystemRestoreTriesBothPathsAndReportsWhenNeitherStarts)
{
    const std::wstring root = Env(L"SYSTEMROOT");
    const std::wstring first = root + L"\\SYSTEM32\\restore\\rstrui.exe";
    const std::wstring second = root + L"\\SYSTEM32\\rstrui.exe";
    struct Case {
        std::vector<bool> outcomes;
        size_t starts;
        bool reported;
    } cases[] = {
        {{true}, 1, false},
        {{false, true}, 2, false},
        {{false}, 2, true},
    };
    for (const Case& c : cases) {
        PoseAsWow64();
        starter_.requests.clear();
        starter_.redirectionOff.clear();
        starter_.outcomes = c.outcomes;
        EXPECT_EQ(Table().LaunchSystemTool(2), 0);
        ASSERT_EQ(starter_.requests.size(), c.starts);
        EXPECT_EQ(starter_.requests[0].file, first);
        if (c.starts > 1) {
            EXPECT_EQ(starter_.requests[1].file, second);
        }
        for (size_t i = 0; i < c.starts; ++i) {
            const starter::Request& r = starter_.requests[i];
            EXPECT_EQ(r.via, starter::Via::kShellExecuteEx);
            EXPECT_EQ(r.verb, L"");
            EXPECT_EQ(r.parameters, L"");
            EXPECT_EQ(r.mask, starter::kExMask);
            EXPECT_EQ(r.show, SW_SHOWNORMAL);
            EXPECT_TRUE(starter_.redirectionOff[i]);
        }
        EXPECT_FALSE(g_redirectionOff);
        auto reports = reports_.Take();
        ASSERT_EQ(reports.size(), c.reported ? 1u : 0u);
        if (c.reported) {
            EXPECT_EQ(reports[0].text, L"Can not open this excute file!");
            EXPECT_EQ(reports[0].caption, L"OpenExcuteFile()");
            EXPECT_EQ(reports[0].flags, static_cast<unsigned>(MB_OK));
        }
    }
}

TEST_F(SystemTools, ResourceMonitorAndSystemInformationStartOnlyWhenPresent)
{
    const std::wstring perfmon = Env(L"SYSTEMROOT") + L"\\SYSTEM32\\perfmon.exe";
    const std::wstring msinfo = Env(L"ProgramFiles") + L"\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
    // The prefix may lack the resource monitor: give it a stand-in for the
    // run, in the native folder where the engine looks for it.
    auto nativeExists = [&] {
        testenv::NativeFileSystem native;
        return Exists(perfmon);
    };
    const bool planted = !nativeExists();
    if (planted) {
        testenv::NativeFileSystem native;
        CloseHandle(CreateFileW(perfmon.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
    // This process as it is, and, where it is not one, posing as a WOW64
    // process (the fake switches then only record).
    const bool realWow64 = testenv::RunsUnderWow64();
    struct Case {
        bool pose;
        bool wow64;
    };
    std::vector<Case> cases{{false, realWow64}};
    if (!realWow64) cases.push_back({true, true});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pose ? "posing as WOW64" : "this process");
        if (c.pose) PoseAsWow64();
        starter_.requests.clear();
        starter_.redirectionOff.clear();
        g_redirectionOff = false;
        EXPECT_EQ(Table().LaunchSystemTool(0), 0);
        ASSERT_EQ(starter_.requests.size(), 1u);
        EXPECT_EQ(starter_.requests[0].file, perfmon);
        EXPECT_EQ(starter_.requests[0].parameters, c.wow64 ? L"/res" : L"");
        if (c.pose) {
            EXPECT_TRUE(starter_.redirectionOff[0]);
        }
    }
    if (planted) {
        testenv::NativeFileSystem native;
        DeleteFileW(perfmon.c_str());
    }
    engine::SetFactsOverride(nullptr);

    starter_.requests.clear();
    EXPECT_EQ(Table().LaunchSystemTool(1), 0);
    EXPECT_EQ(starter_.requests.size(), Exists(msinfo) ? 1u : 0u);
    for (int other : {-1, 3, 100}) EXPECT_EQ(Table().LaunchSystemTool(other), 0);
    EXPECT_EQ(starter_.requests.size(), Exists(msinfo) ? 1u : 0u);
    EXPECT_TRUE(reports_.Take().empty());

    // Each call replaces the engine state.
    engine::Ensure().results.Add(std::make_unique<RegScanCategory>());
    Table().LaunchSystemTool(5);
    ASSERT_NE(engine::Current(), nullptr);
    EXPECT_EQ(engine::Current()->results.GetCount(), 0);
}

TEST_F(SystemTools, FilePropertiesUseThePropertiesVerb)
{
    std::wstring path = Env(L"SYSTEMROOT") + L"\\regedit.exe";
    EXPECT_EQ(Table().ShowFileProperties(&path), 1);
    ASSERT_EQ(starter_.requests.size(), 1u);
    EXPECT_EQ(starter_.requests[0].via, starter::Via::kShellExecuteEx);
    EXPECT_EQ(starter_.requests[0].verb, L"properties");
    EXPECT_EQ(starter_.requests[0].file, path);
    EXPECT_EQ(starter_.requests[0].mask, starter::kExMask);
    EXPECT_NE(engine::Current(), nullptr);
    EXPECT_EQ(Table().ShowFileProperties(nullptr), 0);
}

TEST(SystemToolsReal, FailedPropertiesSheetShowsTheSystemError)
{
    // Wine has no properties sheet for the verb; the real call fails.
    ReportRecorder reports;
    std::wstring path = Env(L"SYSTEMROOT") + L"\\regedit.exe";
    ASSERT_EQ(Table().ShowFileProperties(&path), 0);
    auto boxes = reports.Take();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"GetFileProperty-shellExecuteEx():");
    EXPECT_EQ(boxes[0].flags, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_EQ(boxes[0].text, BaseException(L"", ERROR_INVALID_PARAMETER).MessageText());
    engine::Destroy();
}

TEST(VersionTexts, RealFilesAndFilesWithoutAResource)
{
    const std::wstring root = Env(L"SYSTEMROOT");
    tools::VersionTexts regedit = tools::GetVersionTexts(root + L"\\regedit.exe");
    EXPECT_FALSE(regedit.description.empty());
    EXPECT_FALSE(regedit.product.empty());
    tools::VersionTexts kernel = tools::GetVersionTexts(root + L"\\system32\\kernel32.dll");
    EXPECT_FALSE(kernel.product.empty());
    tools::VersionTexts cut = tools::GetVersionTexts(root + L"\\regedit.exe", 4);
    EXPECT_EQ(cut.description, regedit.description.substr(0, 3));
    EXPECT_EQ(cut.product, regedit.product.substr(0, 3));

    testenv::ScratchDir dir(L"version");
    dir.Write(L"plain.txt", "no resource here");
    for (const std::wstring& path : {root + L"\\system32\\notepad.exe", dir.File(L"plain.txt"),
                                     dir.File(L"missing.exe"), std::wstring()}) {
        tools::VersionTexts none = tools::GetVersionTexts(path);
        EXPECT_EQ(none.description, L"") << path;
        EXPECT_EQ(none.product, L"") << path;
    }
}
