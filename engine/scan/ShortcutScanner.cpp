// Shortcut files (.lnk) in the folders the settings name, whose targets are
// gone. The only scanner that walks folders instead of registry keys. COM is
// initialised on the scanning thread by the driver around each entry.
#include <deque>

#include "core/Handles.h"
#include "core/SysCalls.h"
#include "pure/ScopeRules.h"
#include "pure/ShortcutRules.h"
#include "pure/TextRules.h"
#include "scan/Checks.h"
#include "scan/ProblemRecord.h"
#include "scan/RuleHelpers.h"
#include "scan/ScanCache.h"
#include "scan/Scanner.h"

namespace scan {
namespace {

constexpr wchar_t kShortcutCategory[] = L"Program Shortcuts";
constexpr size_t kFolderSettingCapacity = 520;  // characters with the terminator

struct FolderItem {
    std::wstring folder;
    int depth = 0;
};

// A drive target can only be judged when its drive is a fixed drive that
// answers now; a removable, network or absent drive may hold it later.
// Within a scan each drive is asked once.
bool IsCheckableDrive(wchar_t letter)
{
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    auto ask = [&] {
        const UINT type = GetDriveTypeW(root);
        if (type != DRIVE_FIXED && type != DRIVE_RAMDISK) return pure::ExistenceCache::Answer::No;
        const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        const BOOL ready = GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0);
        SetErrorMode(oldMode);
        return ready ? pure::ExistenceCache::Answer::Yes : pure::ExistenceCache::Answer::No;
    };
    pure::ExistenceCache* cache = ScanFileCache();
    if (!cache) return ask() == pure::ExistenceCache::Answer::Yes;
    return cache->Get(L'D', std::wstring_view(root, 3), ask);
}

bool ShortcutTargetMissing(const ScanTarget& t, const std::wstring& linkPath)
{
    std::wstring target;
    if (!ResolveShortcut(linkPath, target)) return false;
    wchar_t drive = L'\0';
    switch (pure::PlaceOfTarget(target, drive)) {
    case pure::TargetPlace::Unc:
        return false;
    case pure::TargetPlace::Drive:
        if (!IsCheckableDrive(drive)) return false;
        break;
    case pure::TargetPlace::Other:
        break;
    }
    return MissingInEveryView(t, [&](FileView fileView) { return !IsPathExist(target, t.engine, fileView); });
}

void RecordShortcut(const ScanTarget& t, const std::wstring& folder, const std::wstring& fileName)
{
    ProblemSite site;
    site.root = t.entry.rootHandle;
    site.rootName = t.entry.rootName;
    site.keyPath = folder;
    site.valueName = fileName;
    site.data = L"ShortCuts";
    RecordProblem(t.engine, &t.result, site, kShortcutInvalid, t.category, t.view, kCommon, kDeleteValue);
}

}  // namespace

void ScanShortcutFolder(const ScanTarget& t, const std::wstring& startFolder)
{
    if (startFolder.size() >= pure::kShortcutPathCapacity) return;  // never cut and searched
    std::deque<FolderItem> queue;
    queue.push_back(FolderItem{startFolder, 0});
    while (!queue.empty()) {
        if (t.engine.StopRequested()) return;
        const FolderItem item = std::move(queue.front());
        queue.pop_front();

        WIN32_FIND_DATAW found{};
        UniqueFindHandle search(sys::FindFirst((item.folder + L"\\*").c_str(), &found));
        if (!search) continue;
        do {
            if (t.engine.StopRequested()) return;
            const std::wstring name(found.cFileName);
            const std::wstring fullPath = item.folder + L"\\" + name;
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            ReportItem(t, fullPath, !isFolder);
            if (isFolder) {
                if (pure::IsEnterableFolder(name, found.dwFileAttributes, fullPath.size()) &&
                    pure::ShouldScanSubKey(kShortcutCategory, startFolder, pure::ToUpper(fullPath), item.depth + 1))
                    queue.push_back(FolderItem{fullPath, item.depth + 1});
                continue;
            }
            if (fullPath.size() < pure::kShortcutPathCapacity && pure::IsShortcutName(name) &&
                ShortcutTargetMissing(t, fullPath))
                RecordShortcut(t, item.folder, name);
        } while (sys::FindNext(search.get(), &found));
    }
}

void ScanProgramShortcuts(const ScanTarget& t)
{
    std::wstring expanded;
    if (!ExpandEnvString(t.entry.subKey, kExpandCapacity, expanded)) return;
    if (expanded.size() >= kFolderSettingCapacity) return;  // never cut and searched
    ScanShortcutFolder(t, std::wstring(pure::ShortcutStartFolder(expanded)));
}

}  // namespace scan
