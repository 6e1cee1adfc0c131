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
#include "scan/Scanner.h"

namespace scan {
namespace {

constexpr wchar_t kShortcutCategory[] = L"Program Shortcuts";
constexpr size_t kFolderSettingCapacity = 520;  // characters with the terminator

struct FolderItem {
    std::wstring folder;
    int depth = 0;
};

// The target is surely gone. Targets on network shares, or on drives that
// are absent or not fixed ones that answer, are not judged (IsPathExist).
bool ShortcutTargetMissing(const ScanTarget& t, const std::wstring& linkPath)
{
    std::wstring target;
    if (!ResolveShortcut(linkPath, target)) return false;
    NotCheckedPath why;
    const Presence answer = PresenceInEveryView(
        t, [&](FileView fileView, NotCheckedPath& w) { return IsPathExist(target, t.engine, fileView, &w); },
        why);
    return SurelyMissing(t, answer, why);
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
                    pure::ShouldScanSubKey(kShortcutCategory, startFolder, pure::ToUpper(fullPath),
                                           item.depth + 1))
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
