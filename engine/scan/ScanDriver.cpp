#include "scan/ScanDriver.h"

#include <algorithm>
#include <memory>

#include "core/Callbacks.h"
#include "core/ComPtr.h"
#include "core/SysCalls.h"
#include "pure/TextRules.h"
#include "scan/FixExtentMeasure.h"
#include "scan/IgnoreList.h"
#include "scan/ScanCache.h"
#include "scan/ScanPool.h"
#include "scan/ScanSettings.h"
#include "scan/ScanThreads.h"
#include "scan/Scanner.h"
#include "scan/SharedViews.h"

namespace scan {
namespace {

enum class Views { Both, One, BothUnlessClassesRoot, BothUnlessCurrentUser };

// Where a scanner's one walk starts: the entry's key, the root itself, or
// (shortcuts) folders, which are never cut into ranges.
enum class Start { EntryKey, Root, Folders };

struct Dispatch {
    const wchar_t* name;
    ScannerFn scanner;
    Views views;
    Start start;
    bool needsCom;
};

const Dispatch kDispatch[] = {
    {L"COM/ActiveX Entries", ScanComEntries, Views::Both, Start::EntryKey, false},
    {L"Application Paths", ScanAppPaths, Views::Both, Start::EntryKey, false},
    {L"File Extensions", ScanFileExtensions, Views::One, Start::EntryKey, false},
    {L"File Associations", ScanFileAssociations, Views::One, Start::Root, false},
    {L"Install&Uninstall Entries", ScanUninstallEntries, Views::BothUnlessClassesRoot, Start::EntryKey, false},
    {L"Font Entries", ScanFontEntries, Views::One, Start::EntryKey, false},
    {L"Shared DLLS", ScanSharedDlls, Views::Both, Start::EntryKey, false},
    {L"Help Files", ScanHelpFiles, Views::Both, Start::EntryKey, false},
    {L"History Lists", ScanHistoryLists, Views::One, Start::EntryKey, false},
    {L"Program Shortcuts", ScanProgramShortcuts, Views::One, Start::Folders, true},
    {L"Sound&App Events", ScanSoundEvents, Views::One, Start::EntryKey, false},
    {L"Windows Startup Items", ScanStartupItems, Views::BothUnlessCurrentUser, Start::EntryKey, false},
};

// A walk's start key with more subkeys than this is shared out in ranges of
// this many: small enough that the threads end close together, large enough
// that handing out costs nothing.
constexpr uint32_t kRangeSize = 512;

const Dispatch* FindDispatch(const std::wstring& categoryName)
{
    for (const Dispatch& d : kDispatch)
        if (pure::EqualsNoCase(categoryName, d.name)) return &d;
    return nullptr;
}

int ViewsOf(const CRegEngine& engine, Views rule, HKEY entryRoot, int (&views)[2])
{
    if (!engine.Is64BitWindows()) {
        views[0] = kView32;
        return 1;
    }
    views[0] = kView64;
    views[1] = kView32;
    switch (rule) {
    case Views::Both: return 2;
    case Views::One: return 1;
    case Views::BothUnlessClassesRoot: return entryRoot == HKEY_CLASSES_ROOT ? 1 : 2;
    case Views::BothUnlessCurrentUser: return entryRoot == HKEY_CURRENT_USER ? 1 : 2;
    }
    return 1;
}

// The subkeys of a walk's start key now; 0 when it cannot be read.
uint32_t StartSubKeys(const Dispatch& d, const RegScanKeyEntry& entry, int view)
{
    UniqueHKey key;
    const std::wstring path = d.start == Start::Root ? std::wstring() : entry.subKey;
    if (sys::OpenKey(entry.rootHandle, path.c_str(), KEY_READ | static_cast<REGSAM>(view), key.put()) !=
        ERROR_SUCCESS) {
        key.release();
        return 0;
    }
    DWORD subKeys = 0;
    DWORD values = 0;
    return sys::QueryKeyCounts(key.get(), &subKeys, &values) == ERROR_SUCCESS ? subKeys : 0;
}

CategoryWork PlanCategory(const CRegEngine& engine, int index, bool splitLargeWalks)
{
    const XMLElement& category = *engine.categories[index];
    CategoryWork work;
    work.index = index;
    const Dispatch* d = FindDispatch(category.categoryName);
    if (!d) return work;
    work.scanner = d->scanner;
    work.needsCom = d->needsCom;
    for (int e = 0; e < category.keyEntries.GetCount(); ++e) {
        const RegScanKeyEntry& entry = *category.keyEntries[e];
        int views[2];
        int n = ViewsOf(engine, d->views, entry.rootHandle, views);
        // An entry key both views share is walked once, in the 64-bit view,
        // testing paths as both kinds of program see them: its 32-bit pass
        // would read the same values and see System32 as SysWOW64.
        const bool shared = n == 2 && IsSameKeyInBothViews(entry.rootHandle, entry.subKey);
        if (shared) n = 1;
        std::vector<std::unique_ptr<ScanPiece>> pieces;
        for (int pass = 0; pass < n; ++pass) {
            std::vector<pure::SubKeyRange> ranges(1);
            if (splitLargeWalks && d->start != Start::Folders)
                ranges = pure::SplitSubKeys(StartSubKeys(*d, entry, views[pass]), kRangeSize);
            for (const pure::SubKeyRange& range : ranges) {
                auto piece = std::make_unique<ScanPiece>();
                piece->entry = e;
                piece->pass = pass;
                piece->view = views[pass];
                piece->sharedKey = shared;
                piece->split = ranges.size() > 1;
                piece->range = range;
                pieces.push_back(std::move(piece));
            }
        }
        work.entries.push_back(std::move(pieces));
    }
    return work;
}

}  // namespace

int ViewsFor(const CRegEngine& engine, const std::wstring& categoryName, HKEY entryRoot, int (&views)[2])
{
    const Dispatch* d = FindDispatch(categoryName);
    return d ? ViewsOf(engine, d->views, entryRoot, views) : 0;
}

ScanPlan PlanScan(const CRegEngine& engine, const std::vector<int>& categoryIndices, bool splitLargeWalks)
{
    ScanPlan plan;
    for (int i : categoryIndices) {
        if (engine.StopRequested()) break;
        plan.categories.push_back(PlanCategory(engine, i, splitLargeWalks));
    }
    return plan;
}

void ScanCategory(CRegEngine& engine, int categoryIndex)
{
    ScanPlan plan = PlanScan(engine, {categoryIndex}, false);
    RunPlan(engine, plan, 1);
}

void RunScan(CRegEngine& engine)
{
    // Existence answers are kept for this scan only; each thread of the
    // scan keeps its own.
    ScanCacheScope caches;
    {
        ScopedCoInit com;
        LoadCategories(engine.categories);
    }
    ui::ScanStarted();
    LoadIgnoreListForScan(engine);
    engine.guardLimits = LoadGuardLimits();
    std::vector<int> enabled;
    for (int i = 0; i < engine.categories.GetCount(); ++i)
        if (engine.categories[i]->enabled) enabled.push_back(i);
    const int threads = ThreadsForScan(pure::kMaxScanThreads);
    ScanPlan plan = PlanScan(engine, enabled, threads > 1);
    int pieces = 0;
    for (const std::vector<int>& entries : plan.Layout())
        for (int n : entries) pieces += n;
    RunPlan(engine, plan, std::min(threads, std::max(pieces, 1)));
    ui::ScanFinished(engine.StopRequested() ? 1 : 0);
}

DWORD WINAPI ScanThreadProc(LPVOID engineState)
{
    try {
        RunScan(*static_cast<CRegEngine*>(engineState));
    } catch (...) {
        // A scan that failed half-way still ends with its completion callback.
        ui::ScanFinished(static_cast<CRegEngine*>(engineState)->StopRequested() ? 1 : 0);
    }
    return 0;
}

}  // namespace scan
