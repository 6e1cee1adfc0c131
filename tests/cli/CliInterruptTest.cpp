// Interrupted work ends safely: a console restore killed at any moment
// leaves the backup as it was and the same restore run again gives back
// exactly the saved keys; while a restore runs the tool holds up the end of
// the session, and a fix told the session ends stops between two problems
// after its backup.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "CliRun.h"
#include "cli/Interrupt.h"
#include "engine/backup/RegistryFixture.h"
#include "support/TestEnv.h"

namespace {

using namespace clirun;

// Every file of the store (index files and hive files) with its bytes.
void ReadTree(const std::wstring& dir, const std::wstring& rel, std::map<std::wstring, std::string>& out)
{
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ReadTree(dir + L"\\" + name, rel + name + L"\\", out);
            continue;
        }
        HANDLE f = CreateFileW((dir + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr);
        std::string bytes(fd.nFileSizeLow, '\0');
        DWORD n = 0;
        if (f != INVALID_HANDLE_VALUE) {
            if (!bytes.empty()) ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
            CloseHandle(f);
        }
        out[rel + name] = bytes.substr(0, n);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

// The tool started without waiting, its output thrown away.
PROCESS_INFORMATION Start(const std::wstring& exe, const std::vector<std::wstring>& args)
{
    std::wstring line = Quote(exe);
    for (const std::wstring& a : args) line += L" " + Quote(a);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    // Detached, as in CliRun.h: a console host made for a child that is
    // killed outlives it under Wine and keeps the runner's output pipe open.
    EXPECT_TRUE(CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                               &si, &pi));
    CloseHandle(nul);
    return pi;
}

DWORD EndOf(PROCESS_INFORMATION& pi)
{
    DWORD code = 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 120000);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// The tool's hidden session window, once its operation has begun.
HWND SessionWindowOf(DWORD pid)
{
    for (HWND w = FindWindowExW(nullptr, nullptr, cli::kSessionWindowClass, nullptr); w;
         w = FindWindowExW(nullptr, w, cli::kSessionWindowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid) return w;
    }
    return nullptr;
}

bool AnyRestoreHiveOf(DWORD pid)
{
    const std::wstring prefix = L"TamselRestore_" + std::to_wstring(pid) + L"_";
    for (HKEY root : {HKEY_USERS, HKEY_LOCAL_MACHINE}) {
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD len = 256;
            if (RegEnumKeyExW(root, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (std::wstring(name).rfind(prefix, 0) == 0) return true;
        }
    }
    return false;
}

class CliInterrupt : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testenv::CopyDeliverables(dir.path()));
        dir.Write(L"scanSetting.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n"
                                      "  <Startup flag=\"true\" category=\"Windows Startup Items\">\n"
                                      "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" +
                                          testenv::WideToUtf8(tree.path()) +
                                          "\"/>\n  </Startup>\n</ScanSetting>\n");
    }
    // Enough keys and values that a restore takes a while.
    void Fill()
    {
        for (int k = 0; k < 30; ++k) {
            const std::wstring sub = L"K" + std::to_wstring(k);
            for (int v = 0; v < 60; ++v)
                tree.SetString(sub, L"v" + std::to_wstring(v), L"data " + std::to_wstring(k * 100 + v));
            tree.SetDword(sub, L"n", static_cast<DWORD>(k));
        }
    }
    void Mutate()
    {
        for (int k = 0; k < 10; ++k) RegDeleteTreeW(HKEY_CURRENT_USER, (tree.path() + L"\\K" + std::to_wstring(k)).c_str());
        tree.SetString(L"K20", L"v0", L"changed");
        tree.SetString(L"Extra", L"x", L"y");
    }
    std::map<std::wstring, std::string> Store() const
    {
        std::map<std::wstring, std::string> files;
        ReadTree(dir.File(L"regback"), L"", files);
        return files;
    }
    Outcome Cli(const std::vector<std::wstring>& args) { return RunExe(dir.File(L"TamselCli.exe"), args); }

    testenv::ScratchDir dir{L"cliinterrupt"};
    testenv::ScratchKey tree{HKEY_CURRENT_USER, L"Software", L"cliinterrupt"};
};

TEST_F(CliInterrupt, ARestoreKilledAnywhereLeavesTheBackupAndRunsAgainExactly)
{
    Fill();
    Outcome backup = Cli({L"backup"});
    ASSERT_EQ(backup.exitCode, 0u) << backup.err;
    const std::wstring name = testenv::Utf8ToWide(backup.out.substr(backup.out.find(": ") + 2, 23));
    const std::vector<std::wstring> before = fixture::Dump(HKEY_CURRENT_USER, tree.path(), 0);
    const std::map<std::wstring, std::string> store = Store();
    ASSERT_GE(store.size(), 2u);

    // How long one restore takes, to kill the next ones inside it.
    Mutate();
    const ULONGLONG start = GetTickCount64();
    ASSERT_EQ(Cli({L"restore", name}).exitCode, 0u);
    const DWORD whole = static_cast<DWORD>(GetTickCount64() - start);
    ASSERT_EQ(fixture::Dump(HKEY_CURRENT_USER, tree.path(), 0), before);

    int killedRunning = 0;
    std::vector<DWORD> killed;
    for (int eighth : {0, 1, 2, 3, 4, 5, 6, 7}) {
        SCOPED_TRACE(eighth);
        Mutate();
        PROCESS_INFORMATION pi = Start(dir.File(L"TamselCli.exe"), {L"restore", name});
        Sleep(whole * static_cast<DWORD>(eighth) / 8);
        const DWORD pid = pi.dwProcessId;
        if (TerminateProcess(pi.hProcess, 99) && EndOf(pi) == 99) {
            ++killedRunning;
            killed.push_back(pid);
        }
        EXPECT_EQ(Store(), store);

        Outcome again = Cli({L"restore", name});
        EXPECT_EQ(again.exitCode, 0u) << again.err;
        EXPECT_EQ(fixture::Dump(HKEY_CURRENT_USER, tree.path(), 0), before);
        EXPECT_FALSE(AnyRestoreHiveOf(again.pid));
    }
    EXPECT_GE(killedRunning, 4);
    // A hive a killed restore had loaded for copying is unloaded by the next.
    for (DWORD pid : killed) EXPECT_FALSE(AnyRestoreHiveOf(pid)) << pid;
    EXPECT_EQ(Store(), store);
}

// The tool's session window needs a window system (under Wine, a display).
bool HasDisplay()
{
    wchar_t display[8];
    return GetEnvironmentVariableW(L"DISPLAY", display, 8) > 0;
}

// While the restore runs the tool refuses the end of the session (the reason
// goes to Windows); afterwards the restore ends as usual.
TEST_F(CliInterrupt, TheSessionEndIsHeldUpWhileARestoreRuns)
{
    if (!HasDisplay()) GTEST_SKIP() << "no display for the session window";
    Fill();
    Outcome backup = Cli({L"backup"});
    ASSERT_EQ(backup.exitCode, 0u) << backup.err;
    const std::wstring name = testenv::Utf8ToWide(backup.out.substr(backup.out.find(": ") + 2, 23));
    Mutate();
    PROCESS_INFORMATION pi = Start(dir.File(L"TamselCli.exe"), {L"restore", name});
    int refused = 0, answered = 0;
    while (WaitForSingleObject(pi.hProcess, 2) == WAIT_TIMEOUT) {
        HWND w = SessionWindowOf(pi.dwProcessId);
        if (!w) continue;
        DWORD_PTR result = 1;
        if (SendMessageTimeoutW(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &result)) {
            ++answered;
            if (result == FALSE) ++refused;
        }
    }
    EXPECT_EQ(EndOf(pi), 0u);
    EXPECT_GT(answered, 0);
    EXPECT_EQ(refused, answered);
}

// The session ends during `fix --yes`: the tool stops at its next safe point
// (after the backup, or between two problems), says so with exit 2, and
// everything it removed is in the backup.
TEST_F(CliInterrupt, AFixToldTheSessionEndsStopsBetweenProblems)
{
    if (!HasDisplay()) GTEST_SKIP() << "no display for the session window";
    const int count = 400;
    for (int v = 0; v < count; ++v)
        tree.SetString(L"", L"Gone" + std::to_wstring(v), L"\"" + dir.File(L"gone" + std::to_wstring(v) + L".exe") + L"\"");
    PROCESS_INFORMATION pi = Start(dir.File(L"TamselCli.exe"), {L"fix", L"--quiet", L"--yes"});
    bool told = false;
    while (!told && WaitForSingleObject(pi.hProcess, 1) == WAIT_TIMEOUT) {
        if (HWND w = SessionWindowOf(pi.dwProcessId)) {
            DWORD_PTR result = 0;
            told = SendMessageTimeoutW(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 60000, &result) != 0;
        }
    }
    EXPECT_TRUE(told);
    EXPECT_EQ(EndOf(pi), 2u);
    int left = 0;
    for (int v = 0; v < count; ++v)
        left += fixture::ValueExists(HKEY_CURRENT_USER, tree.path(), (L"Gone" + std::to_wstring(v)).c_str(), 0) ? 1 : 0;
    EXPECT_GT(left, 0);

    Outcome list = Cli({L"backups"});
    const size_t at = list.out.find("-p.regbak");
    ASSERT_NE(at, std::string::npos) << list.out;
    Outcome restore = Cli({L"restore", testenv::Utf8ToWide(list.out.substr(at - 14, 23))});
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    for (int v = 0; v < count; ++v)
        EXPECT_TRUE(fixture::ValueExists(HKEY_CURRENT_USER, tree.path(), (L"Gone" + std::to_wstring(v)).c_str(), 0)) << v;
}

}  // namespace
