// No DLL is taken from the current folder or PATH: a Corvex.dll planted
// there (one that leaves a marker file when loaded) is never loaded by the
// console tool, the program or the loading helpers, also when the program
// folder has no Corvex.dll of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "safeload/SafeLoad.h"
#include "support/TestEnv.h"

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The planted folder first on PATH while it lives.
class PathFirst {
public:
    explicit PathFirst(const std::wstring& folder)
    {
        std::vector<wchar_t> old(32768);
        const DWORD n = GetEnvironmentVariableW(L"PATH", old.data(), static_cast<DWORD>(old.size()));
        old_.assign(old.data(), n);
        SetEnvironmentVariableW(L"PATH", (folder + L";" + old_).c_str());
    }
    ~PathFirst() { SetEnvironmentVariableW(L"PATH", old_.c_str()); }
    PathFirst(const PathFirst&) = delete;
    PathFirst& operator=(const PathFirst&) = delete;

private:
    std::wstring old_;
};

struct BoxSearch {
    DWORD pid;
    bool found = false;
};

// A top-level window titled "ERROR" of the process searched for.
BOOL CALLBACK FindErrorBox(HWND w, LPARAM lp)
{
    auto* f = reinterpret_cast<BoxSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t title[64] = L"";
    GetWindowTextW(w, title, 64);
    if (pid == f->pid && std::wstring(title) == L"ERROR") f->found = true;
    return !f->found;
}

class PlantedDll : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testenv::CopyDeliverables(program_.path()));
        ASSERT_TRUE(DeleteFileW(program_.File(L"Corvex.dll").c_str()));
        const std::wstring planted = safeload::ProgramFolder() + L"\\planted\\Corvex.dll";
        ASSERT_TRUE(CopyFileW(planted.c_str(), plant_.File(L"Corvex.dll").c_str(), FALSE)) << GetLastError();
    }
    std::wstring Marker() const { return plant_.File(L"Corvex.dll.loaded"); }

    testenv::ScratchDir program_{L"plantprog"};
    testenv::ScratchDir plant_{L"plant"};  // made last: the current folder
    PathFirst path_{plant_.path()};
};

TEST_F(PlantedDll, TheConsoleToolLoadsTheEngineOnlyFromItsOwnFolder)
{
    clirun::Outcome run = clirun::RunExe(program_.File(L"TamselCli.exe"), {L"categories"});
    EXPECT_EQ(run.exitCode, 2u) << run.out << run.err;
    EXPECT_EQ(run.err.rfind("TamselCli: cannot load Corvex.dll (error ", 0), 0u) << run.err;
    EXPECT_FALSE(Exists(Marker()));
}

// The program shows its "cannot load" box instead of using the planted DLL.
TEST_F(PlantedDll, TheProgramLoadsTheEngineOnlyFromItsOwnFolder)
{
    const std::wstring exe = program_.File(L"Tamsel.exe");
    std::wstring line = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    // The box of a failed load, owned by no window, in that process.
    BoxSearch find{pi.dwProcessId};
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (!find.found && GetTickCount64() < deadline && WaitForSingleObject(pi.hProcess, 100) == WAIT_TIMEOUT)
        EnumWindows(&FindErrorBox, reinterpret_cast<LPARAM>(&find));
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_TRUE(find.found);
    EXPECT_FALSE(Exists(Marker()));
}

// The helpers themselves; the last load shows the plant would be taken by a
// plain search, so the checks above can fail.
TEST_F(PlantedDll, TheHelpersNeverSearchTheCurrentFolderOrPath)
{
    EXPECT_EQ(safeload::LoadFromFolder(program_.path(), L"Corvex.dll"), nullptr);
    EXPECT_EQ(safeload::LoadSystemLibrary(L"Corvex.dll"), nullptr);
    EXPECT_FALSE(Exists(Marker()));
    HMODULE system = safeload::LoadSystemLibrary(L"srclient.dll");
    if (system) FreeLibrary(system);
    EXPECT_FALSE(Exists(Marker()));

    HMODULE plain = LoadLibraryW(L"Corvex.dll");
    EXPECT_NE(plain, nullptr);
    if (plain) FreeLibrary(plain);
    EXPECT_TRUE(Exists(Marker()));
}

}  // namespace
