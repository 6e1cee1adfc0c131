#include "scan/ScanDriver.h"

#include "scan/FixExtentMeasure.h"

#include <memory>

#include "core/Callbacks.h"
#include "core/ComPtr.h"
#include "pure/TextRules.h"
#include "scan/IgnoreList.h"
#include "scan/ScanCache.h"
#include "scan/ScanSettings.h"
#include "scan/Scanner.h"
#include "scan/SharedViews.h"

namespace scan {
namespace {

enum class Views { Both, One, BothUnlessClassesRoot, BothUnlessCurrentUser };

struct Dispatch {
    const wchar_t* name;
    ScannerFn scanner;
    Views views;
    bool needsCom;
};

const Dispatch kDispatch[] = {
    {L"COM/ActiveX Entries", ScanComEntries, Views::Both, false},
    {L"Application Paths", ScanAppPaths, Views::Both, false},
    {L"File Extensions", ScanFileExtensions, Views::One, false},
    {L"File Associations", ScanFileAssociations, Views::One, false},
    {L"Install&Uninstall Entries", ScanUninstallEntries, Views::BothUnlessClassesRoot, false},
    {L"Font Entries", ScanFontEntries, Views::One, false},
    {L"Shared DLLS", ScanSharedDlls, Views::Both, false},
    {L"Help Files", ScanHelpFiles, Views::Both, false},
    {L"History Lists", ScanHistoryLists, Views::One, false},
    {L"Program Shortcuts", ScanProgramShortcuts, Views::One, true},
    {L"Sound&App Events", ScanSoundEvents, Views::One, false},
    {L"Windows Startup Items", ScanStartupItems, Views::BothUnlessCurrentUser, false},
};

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

}  // namespace

int ViewsFor(const CRegEngine& engine, const std::wstring& categoryName, HKEY entryRoot, int (&views)[2])
{
    const Dispatch* d = FindDispatch(categoryName);
    return d ? ViewsOf(engine, d->views, entryRoot, views) : 0;
}

void ScanCategory(CRegEngine& engine, int categoryIndex)
{
    XMLElement& category = *engine.categories[categoryIndex];
    auto result = std::make_unique<RegScanCategory>();
    result->name = category.categoryName;

    category.scanState = 1;
    ui::ScanCategory(categoryIndex);

    if (const Dispatch* d = FindDispatch(category.categoryName)) {
        std::unique_ptr<ScopedCoInit> com;
        if (d->needsCom) com = std::make_unique<ScopedCoInit>();
        for (const RegScanKeyEntry* entry : category.keyEntries) {
            if (engine.StopRequested()) break;
            int views[2];
            int n = ViewsOf(engine, d->views, entry->rootHandle, views);
            // An entry key both views share is walked once, in the 64-bit
            // view, testing paths as both kinds of program see them: its
            // 32-bit pass would read the same values and see System32 as
            // SysWOW64.
            const bool shared = n == 2 && IsSameKeyInBothViews(entry->rootHandle, entry->subKey);
            if (shared) n = 1;
            int firstOfPass[2] = {0, 0};
            int passes = 0;
            for (int v = 0; v < n; ++v) {
                if (engine.StopRequested()) break;
                firstOfPass[v] = result->problems.GetCount();
                ScanTarget target{engine, *result, category, *entry, views[v]};
                target.sharedKey = shared;
                d->scanner(target);
                ++passes;
            }
            // A shared key below a split entry key is listed once, as the
            // 64-bit pass found it.
            if (passes == 2) DropSharedViewRepeats(engine, *result, category, firstOfPass[0], firstOfPass[1]);
            ui::ScanItem(kEndOfEntryMarker, 0);
        }
    }

    ApplyIgnoreList(engine, *result, category);
    engine.results.Add(std::move(result));
    category.scanState = 2;
    ui::ScanCategory(categoryIndex);
}

void RunScan(CRegEngine& engine)
{
    // Existence answers are kept for this scan only.
    ScanCacheScope caches;
    {
        ScopedCoInit com;
        LoadCategories(engine.categories);
    }
    ui::ScanStarted();
    LoadIgnoreListForScan(engine);
    engine.guardLimits = LoadGuardLimits();
    for (int i = 0; i < engine.categories.GetCount(); ++i) {
        if (engine.StopRequested()) break;
        if (engine.categories[i]->enabled) ScanCategory(engine, i);
    }
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
