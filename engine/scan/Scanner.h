// What every category scanner receives: one key entry of its category in one
// registry view. A scanner walks from there, reports each examined item with
// OnScanItem, records problems, tests the stop flag between items and closes
// every key it opened.
#pragma once

#include <string>
#include <vector>

#include "core/RegEngine.h"
#include "pure/ScanSplit.h"

namespace scan {

struct ScanTarget {
    CRegEngine& engine;
    // Where this walk's problems go and what it counts: the category's
    // result entry, or a piece of it when the walk runs beside others.
    RegScanCategory& result;
    XMLElement& category;
    const RegScanKeyEntry& entry;
    int view;  // kView64 or kView32
    // The entry's key is one key in both registry views, walked once in the
    // 64-bit view: a path in it is gone only when neither a 64-bit nor a
    // 32-bit program would find it.
    bool sharedKey = false;
    // A walk shared between threads walks only these subkeys of its start
    // key (the range from 0 also the start key's own values) ...
    pure::SubKeyRange range = {};
    // ... and gives each problem's key depth here, in the order of `result`,
    // so the ranges can be put back into one walk's order.
    std::vector<int>* problemDepths = nullptr;
};

using ScannerFn = void (*)(const ScanTarget& target);

// OnScanItem for an examined item, one report at a time across the scan's
// threads, with the number of items examined before it. A counted item is
// counted then, in the engine and in the target's result; a shortcut
// folder is shown but not counted.
void ReportItem(const ScanTarget& t, const std::wstring& text, bool counted = true);

// COM registrations: ScanComEntries picks the walker by the entry's sub key
// ("clsid", "typelib", "interface", "appid", any case); other texts scan nothing.
void ScanComEntries(const ScanTarget& t);
void ScanClsidEntries(const ScanTarget& t);
void ScanTypeLibEntries(const ScanTarget& t);
void ScanInterfaceEntries(const ScanTarget& t);
void ScanAppIdEntries(const ScanTarget& t);
// File types.
void ScanAppPaths(const ScanTarget& t);
void ScanFileExtensions(const ScanTarget& t);
void ScanFileAssociations(const ScanTarget& t);
// Software entries.
void ScanUninstallEntries(const ScanTarget& t);
void ScanFontEntries(const ScanTarget& t);
void ScanSharedDlls(const ScanTarget& t);
void ScanHelpFiles(const ScanTarget& t);
// History, shortcuts, sounds and startup.
void ScanHistoryLists(const ScanTarget& t);
void ScanProgramShortcuts(const ScanTarget& t);
// The folder walk below one start folder (the entry only gives the records
// their root).
void ScanShortcutFolder(const ScanTarget& t, const std::wstring& startFolder);
void ScanSoundEvents(const ScanTarget& t);
void ScanStartupItems(const ScanTarget& t);

}  // namespace scan
