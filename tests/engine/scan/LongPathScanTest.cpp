// A path longer than MAX_PATH that exists is found, through the "\\?\" form:
// an App Paths entry and a Run value naming one, and their missing twins.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "ScannerHarness.h"
#include "pure/LongPath.h"
#include "scan/FileFind.h"
#include "scan/ProblemRecord.h"
#include "support/TestEnv.h"

using namespace scan;
using scantest::ScannerHarness;

namespace {

// A folder chain under the scratch folder whose file path passes 300
// characters, made and removed through the long form.
class LongFolder {
public:
    explicit LongFolder(const std::wstring& base)
    {
        std::wstring path = base;
        while (path.size() < 300) {
            path += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + folders_.size()));
            EXPECT_TRUE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr)) << GetLastError();
            folders_.push_back(path);
        }
        file_ = path + L"\\tamsel-long.exe";
        HANDLE h = CreateFileW((L"\\\\?\\" + file_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    ~LongFolder()
    {
        DeleteFileW((L"\\\\?\\" + file_).c_str());
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryW((L"\\\\?\\" + *it).c_str());
    }
    const std::wstring& File() const { return file_; }

private:
    std::vector<std::wstring> folders_;
    std::wstring file_;
};

// The real search, with every text it was given kept.
std::mutex g_mutex;
std::vector<std::wstring> g_searched;
FileFinder g_real = nullptr;
DWORD Recording(const std::wstring& searchText)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_searched.push_back(searchText);
    }
    return g_real(searchText);
}

}  // namespace

TEST(LongPathScan, AppPathsAndRunValuesNamingALongPath)
{
    testenv::ScratchDir dir(L"longpath");
    LongFolder folder(dir.path());
    const std::wstring present = folder.File();
    const std::wstring twin = present.substr(0, present.size() - 4) + L"-gone.exe";
    ASSERT_GT(present.size(), 300u);
    g_real = SetFileFinderForTests(&Recording);
    g_searched.clear();

    testenv::ScratchKey appPaths(HKEY_CURRENT_USER, L"Software", L"apppaths");
    appPaths.SetString(L"long.exe", L"", present);
    appPaths.SetString(L"long.exe", L"Path", present.substr(0, present.rfind(L'\\')));
    appPaths.SetString(L"gone.exe", L"", twin);
    testenv::ScratchKey run(HKEY_CURRENT_USER, L"Software", L"run");
    run.SetString(L"", L"Long", L"\"" + present + L"\" /min");
    run.SetString(L"", L"Gone", L"\"" + twin + L"\" /min");

    ScannerHarness paths(L"Application Paths");
    paths.Run(ScanAppPaths, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", appPaths.path());
    ScannerHarness startup(L"Windows Startup Items");
    startup.Run(ScanStartupItems, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", run.path());
    SetFileFinderForTests(g_real);

    const std::wstring gone = appPaths.path() + L"\\gone.exe";
    paths.ExpectExactly(appPaths.path(), {{gone, L"default value", twin, kFileMissing, kImportant, kDeleteValue}});
    startup.ExpectExactly(run.path(),
                          {{run.path(), L"Gone", L"\"" + twin + L"\" /min", kFileMissing, kImportant, kDeleteValue}});
    EXPECT_TRUE(paths.result.notChecked.IsEmpty());
    EXPECT_TRUE(startup.result.notChecked.IsEmpty());
    // Past MAX_PATH the search is given the long form, whatever the system
    // would make of the short one.
    ASSERT_FALSE(g_searched.empty());
    for (const std::wstring& text : g_searched) {
        if (text.size() > pure::kMaxShortPath + 4) {
            EXPECT_EQ(text.rfind(L"\\\\?\\", 0), 0u) << testenv::WideToUtf8(text);
        }
    }
    EXPECT_NE(std::find(g_searched.begin(), g_searched.end(), L"\\\\?\\" + present), g_searched.end());
}
