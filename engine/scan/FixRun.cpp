#include "scan/FixRun.h"

#include <shellapi.h>

#include <vector>

#include "core/Callbacks.h"
#include "core/Handles.h"
#include "core/ReportBox.h"
#include "pure/BackupNames.h"
#include "pure/TextRules.h"
#include "pure/FixGuard.h"
#include "scan/FixExtentMeasure.h"
#include "scan/IgnoreList.h"
#include "scan/ProblemRecord.h"

namespace scan {
namespace {

constexpr REGSAM kFixAccess = KEY_ALL_ACCESS;

using DeleteKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

// RegDeleteKeyExW is missing on the oldest systems; RegDeleteKeyW then
// deletes in the only view there is.
LONG DeleteSubKey(HKEY parent, const std::wstring& name, REGSAM view)
{
    static const DeleteKeyExFn deleteEx = reinterpret_cast<DeleteKeyExFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
    if (deleteEx) return deleteEx(parent, name.c_str(), view, 0);
    return RegDeleteKeyW(parent, name.c_str());
}

LONG Open(HKEY root, const std::wstring& path, REGSAM view, UniqueHKey& key)
{
    LONG rc = RegOpenKeyExW(root, path.empty() ? nullptr : path.c_str(), 0, kFixAccess | view, key.put());
    if (rc != ERROR_SUCCESS) key.release();
    return rc;
}

bool FirstSubKey(HKEY key, std::wstring& name)
{
    DWORD maxLen = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxLen, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> buf(maxLen + 2);
    DWORD len = static_cast<DWORD>(buf.size());
    if (RegEnumKeyExW(key, 0, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    name.assign(buf.data(), len);
    return true;
}

// Deletes `name` below the open `parent` with everything under it.
bool DeleteTreeBelow(HKEY parent, const std::wstring& name, REGSAM view)
{
    {
        UniqueHKey key;
        LONG rc = Open(parent, name, view, key);
        if (rc == ERROR_FILE_NOT_FOUND) return true;
        if (rc != ERROR_SUCCESS) return false;
        std::wstring sub, previous;
        while (FirstSubKey(key.get(), sub)) {
            // A subkey that stays after its delete reported success would
            // loop for ever.
            if (sub == previous || !DeleteTreeBelow(key.get(), sub, view)) return false;
            previous = sub;
        }
    }
    return DeleteSubKey(parent, name, view) == ERROR_SUCCESS;
}

bool IsEmptyKey(HKEY key)
{
    DWORD subKeys = 0, values = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys == 0 && values == 0;
}

FixOutcome Counted(bool fixed) { return fixed ? FixOutcome::Fixed : FixOutcome::NotFixed; }

FixOutcome DeleteValue(HKEY root, const std::wstring& path, REGSAM view, const std::wstring& value)
{
    UniqueHKey key;
    LONG rc = Open(root, path, view, key);
    if (rc == ERROR_FILE_NOT_FOUND) return FixOutcome::Fixed;
    if (rc != ERROR_SUCCESS) return FixOutcome::NotFixed;
    return Counted(RegDeleteValueW(key.get(), value.empty() ? nullptr : value.c_str()) == ERROR_SUCCESS);
}

FixOutcome DeleteLeafKey(HKEY root, const std::wstring& path, REGSAM view)
{
    std::wstring parentPath, name;
    pure::SplitKeyPath(path, parentPath, name);
    UniqueHKey parent;
    LONG rc = Open(root, parentPath, view, parent);
    if (rc == ERROR_FILE_NOT_FOUND) return FixOutcome::Fixed;
    if (rc != ERROR_SUCCESS) return FixOutcome::NotFixed;
    {
        // The key must have no subkeys; RegDeleteKeyExW would not refuse
        // everywhere.
        // A key gone from an existing parent is not fixed, as a value gone
        // from an existing key is not.
        UniqueHKey key;
        rc = Open(parent.get(), name, view, key);
        DWORD subKeys = 0;
        if (rc != ERROR_SUCCESS ||
            RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            subKeys != 0)
            return FixOutcome::NotFixed;
    }
    return Counted(DeleteSubKey(parent.get(), name, view) == ERROR_SUCCESS);
}

// The named key with its subtree, then its parent only when nothing is left
// in it: deleting the whole parent would take valid siblings along.
// A container (App Paths, CLSID, a vendor key, ...) stays even when its last
// entry went.
FixOutcome DeleteKeyAndEmptyParent(HKEY root, const std::wstring& rootName, const std::wstring& path, REGSAM view)
{
    if (!DeleteKeyTree(root, path, view)) return FixOutcome::NotFixed;
    std::wstring parentPath, name;
    pure::SplitKeyPath(path, parentPath, name);
    if (parentPath.empty() || !pure::ContainerRefusal(rootName, parentPath).empty()) return FixOutcome::Fixed;
    UniqueHKey parent;
    if (Open(root, parentPath, view, parent) != ERROR_SUCCESS) return FixOutcome::Fixed;
    bool empty = IsEmptyKey(parent.get());
    parent.reset();
    if (empty) {
        std::wstring grandParent, parentName;
        pure::SplitKeyPath(parentPath, grandParent, parentName);
        UniqueHKey gp;
        if (Open(root, grandParent, view, gp) == ERROR_SUCCESS) DeleteSubKey(gp.get(), parentName, view);
    }
    return FixOutcome::Fixed;
}

void Count(CRegEngine& engine, RegScanCategory& entry, RegEntryProb& problem, FixOutcome outcome)
{
    if (outcome == FixOutcome::Fixed) {
        entry.fixedCount += 1;
        engine.fixedCount += 1;
    } else if (outcome == FixOutcome::NotFixed) {
        entry.notFixedCount += 1;
        engine.notFixedCount += 1;
        problem.fixOk = 0;
    }
}

void FixEntry(CRegEngine& engine, int index)
{
    RegScanCategory& entry = *engine.results[index];
    entry.fixState = 1;
    ui::FixProgress(index);
    const bool shortcuts = pure::EqualsNoCase(entry.name, L"Program Shortcuts");
    const int count = entry.problems.GetCount();
    for (int k = 0; k < count && !engine.StopRequested(); ++k) {
        RegEntryProb& problem = *entry.problems[k];
        if (IsToBeFixed(problem)) {
            if (IsRefused(problem)) {
                Count(engine, entry, problem, FixOutcome::NotFixed);
            } else if (shortcuts) {
                ui::FixItem(problem.keyPath + L"\\" + problem.valueName, engine.processedCount.load());
                Count(engine, entry, problem, FixShortcutProblem(problem));
            } else {
                ui::FixItem(problem.rootName + L"\\" + problem.keyPath + L"\\" + problem.valueName,
                            engine.processedCount.load());
                Count(engine, entry, problem, FixRegistryProblem(problem));
            }
        }
        engine.processedCount += 1;
    }
    entry.fixState = 2;
    ui::FixProgress(index);
}

}  // namespace

bool DeleteKeyTree(HKEY root, const std::wstring& path, REGSAM view)
{
    std::wstring parentPath, name;
    pure::SplitKeyPath(path, parentPath, name);
    if (name.empty()) return false;
    UniqueHKey parent;
    LONG rc = Open(root, parentPath, view, parent);
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    return DeleteTreeBelow(parent.get(), name, view);
}

FixOutcome FixRegistryProblem(const RegEntryProb& problem)
{
    if (problem.fixAction < 0 || problem.fixAction > 2) return FixOutcome::Skipped;
    const KeySite site = ActingSiteOf(problem);
    const HKEY root = CRegEngine::LookupRoot(site.rootName);
    const std::wstring& path = site.path;
    // Without a usable examined path a "not found" would say nothing about
    // the problem, so it can never count as fixed.
    if (!root || !pure::IsUsableKeyPath(path)) return FixOutcome::NotFixed;
    if (site.view != kView64 && site.view != kView32) return FixOutcome::NotFixed;
    const REGSAM view = static_cast<REGSAM>(site.view);
    switch (problem.fixAction) {
    case 0: return DeleteValue(root, path, view, problem.isDefaultValue ? std::wstring() : problem.valueName);
    case 1: return DeleteLeafKey(root, path, view);
    default: return DeleteKeyAndEmptyParent(root, site.rootName, path, view);
    }
}

bool CanRecycle(const std::wstring& path)
{
    std::vector<wchar_t> volume(path.size() + 2);
    if (!GetVolumePathNameW(path.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) return false;
    if (GetDriveTypeW(volume.data()) != DRIVE_FIXED) return false;
    SHQUERYRBINFO bin{};
    bin.cbSize = sizeof bin;
    return SUCCEEDED(SHQueryRecycleBinW(volume.data(), &bin));
}

FixOutcome FixShortcutProblem(const RegEntryProb& problem)
{
    std::wstring path = ShortcutFileOf(problem);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return FixOutcome::NotFixed;
    // Where the shell would delete the file for good (a network or
    // removable folder, no Recycle Bin), it is left and not fixed.
    if (!CanRecycle(path)) return FixOutcome::NotFixed;
    std::wstring from = path;
    from.push_back(L'\0');  // a double-null-terminated list of one name
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    if (SHFileOperationW(&op) != 0 || op.fAnyOperationsAborted) return FixOutcome::NotFixed;
    return Counted(GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES);
}

void RunFix(CRegEngine& engine)
{
    // A caller that did not ask the list's state still fixes nothing the
    // user may have ignored.
    if (!ScanIgnoreListRead(engine)) {
        report::Show(L"IgnoreList.dat could not be read for this scan, so nothing was fixed.", kIgnoreListCaption,
                     MB_OK | MB_ICONERROR);
        ui::FixFinished(0);
        return;
    }
    RecheckBeforeFix(engine.results);
    const int results = engine.results.GetCount();
    for (int i = 0; i < results; ++i) {
        if (engine.StopRequested()) break;
        if (engine.results[i]->problemCount > 0) FixEntry(engine, i);
    }
    ui::FixFinished(engine.StopRequested() ? 1 : 0);
}

DWORD WINAPI FixThreadProc(LPVOID engineState)
{
    auto* engine = static_cast<CRegEngine*>(engineState);
    try {
        RunFix(*engine);
    } catch (...) {
        ui::FixFinished(engine->StopRequested() ? 1 : 0);
    }
    return 0;
}

}  // namespace scan
