// The prefix's own registry editor, started for real. It needs a display to
// stay open; without one the test is skipped.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <set>

#include "core/EngineState.h"
#include "corvex/EngineTables.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"
#include "tools/SystemTools.h"

namespace {

std::set<DWORD> RegeditProcesses()
{
    std::set<DWORD> out;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return out;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, L"regedit.exe") == 0) out.insert(entry.th32ProcessID);
    CloseHandle(snapshot);
    return out;
}

// Waits up to `ms` for a registry editor that is not in `old`.
DWORD WaitForNewRegedit(const std::set<DWORD>& old, DWORD ms)
{
    for (DWORD waited = 0; waited <= ms; waited += 100) {
        for (DWORD pid : RegeditProcesses())
            if (!old.count(pid)) return pid;
        Sleep(100);
    }
    return 0;
}

void EndAll()
{
    for (DWORD pid : RegeditProcesses()) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process) continue;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

std::wstring LastKey()
{
    wchar_t buffer[2048] = {};
    DWORD size = sizeof buffer - 2;
    RegGetValueW(HKEY_CURRENT_USER, tools::kRegeditKey, L"LastKey", RRF_RT_REG_SZ, nullptr, buffer, &size);
    return buffer;
}

}  // namespace

TEST(RegeditReal, OpensTheEditorAndReplacesARunningOne)
{
    wchar_t display[256] = {};
    if (!GetEnvironmentVariableW(L"DISPLAY", display, 256)) GTEST_SKIP() << "no display for the editor's window";
    EndAll();
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"realregedit");
    CRegEngine& e = engine::New();
    auto category = std::make_unique<RegScanCategory>();
    category->name = L"Application Paths";
    auto problem = std::make_unique<RegEntryProb>();
    problem->rootName = L"HKEY_CURRENT_USER";
    problem->keyPath = problem->scannedKeyPath = key.path();
    problem->viewFlag = kView64;
    category->problems.Add(std::move(problem));
    e.results.Add(std::move(category));

    EngineFunctionTable* table = nullptr;
    static UiCallbackTable callbacks{};
    toEngineInitGetUIInterface(&callbacks, &table);
    ASSERT_EQ(table->OpenKeyInRegedit(0, 0), 1);
    DWORD first = WaitForNewRegedit({}, 10000);
    EXPECT_NE(first, 0u) << "the registry editor did not start";
    EXPECT_EQ(LastKey(), L"HKEY_CURRENT_USER\\" + key.path());

    // Opening again ends the running editor and starts a new one.
    ASSERT_EQ(table->OpenKeyInRegedit(0, 0), 1);
    DWORD second = WaitForNewRegedit({first}, 10000);
    EXPECT_NE(second, 0u);
    EXPECT_EQ(RegeditProcesses().count(first), 0u) << "the old editor still runs";
    EXPECT_TRUE(reports.Take().empty());
    EndAll();
    EXPECT_TRUE(RegeditProcesses().empty());
    engine::Destroy();
}
