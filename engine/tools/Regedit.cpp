// The registry editor at a problem's key.
#include <windows.h>
#include <tlhelp32.h>

#include "core/Handles.h"
#include "core/ReportBox.h"
#include "pure/RegeditLocation.h"
#include "pure/TextRules.h"
#include "tools/ProgramStarter.h"
#include "tools/SystemTools.h"
#include "tools/ToolPaths.h"

namespace tools {
namespace {

bool KeyExists64(HKEY root, const std::wstring& path)
{
    UniqueHKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
}

// Ends the first running registry editor, so the next one reads "LastKey"
// instead of bringing the old window forward.
void EndRunningRegedit()
{
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (pure::EqualsNoCase(entry.szExeFile, L"regedit.exe")) {
            starter::Terminate(entry.th32ProcessID);
            return;
        }
    }
}

bool WriteLastKey(const std::wstring& text)
{
    UniqueHKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRegeditKey, 0, nullptr, 0, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), L"LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool StartRegedit(const CRegEngine& engine)
{
    starter::Request request;
    request.verb = L"open";
    request.show = SW_RESTORE;
    if (CanSwitchRedirection(engine.facts)) {
        wchar_t windows[MAX_PATH] = {};
        GetWindowsDirectoryW(windows, MAX_PATH);
        request.file = std::wstring(windows) + L"\\regedit";
        ScopedNoRedirection noRedirection(engine.facts);
        return starter::Start(request).ok;
    }
    request.file = L"regedit";
    return starter::Start(request).ok;
}

}  // namespace

std::wstring RegeditLastKey(const CRegEngine& engine, const RegEntryProb& problem)
{
    const std::wstring& path = problem.scannedKeyPath.empty() ? problem.keyPath : problem.scannedKeyPath;
    std::wstring location = path;
    if (engine.Is64BitWindows() && problem.viewFlag == kView32 && !problem.scannedKeyPath.empty()) {
        std::wstring redirected = pure::Wow6432NodeLocation(problem.rootName, path);
        HKEY root = CRegEngine::LookupRoot(problem.rootName);
        // Keys shared by both views have no Wow6432Node copy.
        if (redirected != path && root && !KeyExists64(root, redirected) && KeyExists64(root, path))
            location = path;
        else
            location = redirected;
    }
    return location.empty() ? problem.rootName : problem.rootName + L"\\" + location;
}

bool OpenInRegedit(const CRegEngine& engine, const RegScanCategory& category, const RegEntryProb& problem)
{
    if (category.name == kShortcutCategory) {
        starter::Request request;
        request.verb = L"open";
        request.file = problem.scannedKeyPath.empty() ? problem.keyPath : problem.scannedKeyPath;
        request.show = SW_RESTORE;
        return starter::Start(request).ok;
    }
    EndRunningRegedit();
    if (!WriteLastKey(RegeditLastKey(engine, problem))) {
        report::Show(L"Could not open the key!", L"Corvex", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    return StartRegedit(engine);
}

}  // namespace tools
