// Records shared by the engine (Corvex.dll), the program and the console tool.
// Both sides are built from these declarations and read the fields in place.
// Lists of them are PtrArray objects owned by the engine unless a slot comment
// in EngineTables.h says otherwise.
#pragma once

#include <windows.h>
#include <mstask.h>

#include <cstdint>
#include <memory>
#include <string>

#include "corvex/FixExtent.h"
#include "corvex/NotChecked.h"
#include "corvex/PtrArray.h"

// One starting key of a scan category, from scanSetting.xml.
struct RegScanKeyEntry {
    virtual ~RegScanKeyEntry() = default;
    HKEY rootHandle = nullptr;  // null when rootName is not one of the five roots
    std::wstring rootName;      // "rootKey" attribute, e.g. HKEY_CLASSES_ROOT
    std::wstring subKey;        // "subKey" attribute, no leading backslash
};

// One scan category, from scanSetting.xml.
struct XMLElement {
    virtual ~XMLElement() = default;
    std::wstring elementName;   // the XML element's name
    std::wstring categoryName;  // "category" attribute; selects the scanner
    int scanState = 0;          // 0 read, 1 scanning, 2 scanned
    int foundCount = 0;         // problems recorded, less those ignored by the filter
    int enabled = 1;            // 0 only when "flag" is "false" (any case)
    PtrArray<RegScanKeyEntry> keyEntries;
};

// The label that stands for a key's unnamed value wherever a name is shown.
inline constexpr wchar_t kDefaultValueLabel[] = L"default value";

// Registry views passed with every scan, check and fix.
inline constexpr int kView64 = 0x0100;  // KEY_WOW64_64KEY
inline constexpr int kView32 = 0x0200;  // KEY_WOW64_32KEY

// One registry problem. Created only by the engine's problem recorder (and,
// for ignore-list entries, by the ignore-list reader).
struct RegEntryProb {
    virtual ~RegEntryProb() = default;
    HKEY rootHandle = nullptr;
    std::wstring rootName;
    std::wstring keyPath;    // display form: "Wow6432Node" inserted for 32-bit view finds on 64-bit Windows
    std::wstring valueName;  // kDefaultValueLabel for the unnamed value
    std::wstring data;
    std::wstring message;
    int is64View = 0;        // 1 when found in the 64-bit view on 64-bit Windows
    int selected = 1;
    int fixOk = 1;
    int ignored = 0;
    int grade = 0;           // 0 Common, 1 Fair, 2 Important
    int fixAction = 0;       // 0 delete value, 1 delete key, 2 delete parent tree

    // Where the scanner really looked. The display key path above is not a
    // usable registry path (the insertion is wrong below HKEY_CLASSES_ROOT),
    // so backup, fix and the registry editor use these.
    std::wstring scannedKeyPath;
    int viewFlag = kView32;      // kView64 or kView32, the view the key was read in
    int isDefaultValue = 0;      // 1 when the value is the unnamed one

    // For a key read through HKEY_CLASSES_ROOT: the real key it is (on
    // Windows the user's or the machine's class key), as root name and path
    // in the 64-bit view; empty when not known. Backup, fix and restore act
    // there, so a per-user key is never saved, deleted or restored as the
    // machine's.
    std::wstring realRootName;
    std::wstring realKeyPath;

    // What the fix would remove, and why it refuses to (a root, a container
    // key, a tree past the limit, a key changed since the scan); an empty
    // reason means it may be fixed. A refused problem is found unchecked;
    // checked anyway, it is neither backed up nor fixed, and counts as not
    // fixed.
    FixExtent extent;
    std::wstring refusal;
};

// How IgnoreList.dat was read for a scan (EngineFunctionTable::GetIgnoreListState).
inline constexpr int kIgnoreListRead = 0;        // read, or there is none
inline constexpr int kIgnoreListDamaged = 1;     // damaged, or past the size cap
inline constexpr int kIgnoreListUnreadable = 2;  // there, but could not be read (locked, denied)

// One scan result entry (one per scanned category), also one ignore-list group.
struct RegScanCategory {
    virtual ~RegScanCategory() = default;
    std::wstring name;
    int problemCount = 0;
    int ignoredCount = 0;
    int fixedCount = 0;
    int notFixedCount = 0;
    int fixState = 0;        // 0, 1 while being fixed, 2 when done
    PtrArray<RegEntryProb> problems;
    // Items the category examined (its OnScanItem reports that were
    // counted), whichever of the scan's threads examined them.
    int examinedCount = 0;
    // The paths and keys this category's checks could not judge (see
    // corvex/NotChecked.h), each once, in the order met; never problems.
    // Filled by the scan beside the problems, empty in ignore-list groups.
    // Owned by this entry, so valid as long as the result list it is in.
    PtrArray<NotCheckedPath> notChecked;
};

// One backup of the store under .\regback.
struct BackupEntry {
    virtual ~BackupEntry() = default;
    std::wstring fileName;   // index file name, no folder
    int kind = 0;            // 0 full, 1 partial
};

// One program Windows starts at log-on. Created by either side and passed by
// pointer. The items LoadStartupItems returns belong to the caller, who
// deletes them; the caller deletes its own objects too.
struct StartupItem {
    virtual ~StartupItem() = default;
    std::wstring description;
    std::wstring commandLine;
    std::wstring filePath;
    std::wstring rootName;   // HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
    std::wstring keyPath;
    std::wstring valueName;
    int enabled = 0;         // 1 when it starts: in a Run key and not switched off by Windows
    DWORD valueType = REG_SZ;  // REG_SZ or REG_EXPAND_SZ, restored on enabling
    // Windows' own switch (Task Manager's): the StartupApproved key of the
    // item's Run key, as root\path, when Windows can switch the item off
    // there; empty otherwise. windowsDisabled is 1 when that switch says
    // disabled: the item is in its Run key (enabled 0) and has no record of
    // Tamsel's; enabling it only turns the switch back on.
    std::wstring approvedKey;
    int windowsDisabled = 0;
};

// One weekly trigger of the scan task. The caller of GetScheduleTriggers owns them.
struct ScangetTaskTrigger {
    virtual ~ScangetTaskTrigger() = default;
    TASK_TRIGGER trigger{};
};

// One extent of a hive file; a singly linked list in file order.
struct HiveFragment {
    static constexpr uint64_t kVirtual = ~0ULL;  // cluster number of an extent with no clusters
    uint64_t cluster = 0;
    uint64_t nextVcn = 0;
    std::unique_ptr<HiveFragment> next;
};

// One registry hive file of the system volume.
struct HiveItem {
    virtual ~HiveItem()
    {
        // Unlink iteratively: a long extent list must not recurse on destruction.
        while (extents) extents = std::move(extents->next);
    }
    int index = 0;
    int state = 0;        // 0 new, 1 analysed, 3 compacted, 4 defragmented
    int flags = 0;        // bit 0 compact, bit 1 fragmented, bit 2 highlighted
    int error = 0;
    std::unique_ptr<HiveItem> compactCopy;  // the ".rnew" copy, when made
    std::wstring keyName;
    std::wstring fileName;
    std::wstring path;
    uint64_t size = 0;
    uint64_t clusters = 0;
    std::unique_ptr<HiveFragment> extents;
    int unmovable = 0;
};
