// The walk every registry scanner is built on. It visits each key in the
// scan's view depth first, opening it below its parent, hands over its values
// and then offers its subkeys to the scope rule; it raises OnScanItem before
// each value it hands over and counts it afterwards, and tests the stop flag
// before every key, subkey and value. The problems the rules record come out
// in breadth-first order: all of one depth before the next, each level in
// enumeration order. A scanner supplies its rules as a WalkRules object.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "scan/Scanner.h"

namespace scan {

inline constexpr DWORD kSubKeyNameCapacity = 260;      // characters
inline constexpr DWORD kLongSubKeyNameCapacity = 520;  // the History Lists walk
inline constexpr DWORD kValueNameCapacity = 260;       // characters
inline constexpr DWORD kValueDataCapacity = 0x3fff;    // bytes

// One pending key of a walk.
struct WalkItem {
    HKEY root = nullptr;
    std::wstring keyPath;  // relative to root, no leading or trailing backslash
    int depth = 0;         // the entry's own key is 0
    bool extensionMark = false;  // used by the File Associations walk
};

// A key the walk has opened.
struct WalkKey {
    const WalkItem& item;
    HKEY handle;
    DWORD subKeyCount;
    DWORD valueCount;
};

// One value handed to the rules. The data is only valid during the call.
struct WalkValue {
    std::wstring_view name;  // kDefaultValueLabel for the unnamed value
    DWORD nameLength;        // as enumerated: 0 for the unnamed value
    DWORD type;
    const BYTE* data;
    DWORD size;              // bytes returned

    bool IsDefault() const { return nameLength == 0; }
    // The name as stored: empty for the unnamed value.
    std::wstring_view RealName() const { return IsDefault() ? std::wstring_view() : name; }
    // The data as wide text: up to the first zero character or the end of the
    // returned bytes, never beyond them. Size 0 is the empty text.
    std::wstring_view Text() const;
    // "Empty" in the rules: the first character is the terminator.
    bool IsEmptyText() const { return Text().empty(); }
    // "Present" in the rules: some bytes were returned.
    bool IsPresent() const { return size > 0; }
};

// Bit for a value type in WalkRules::valueTypes.
constexpr unsigned TypeBit(DWORD type) { return type < 32 ? 1u << type : 0u; }
inline constexpr unsigned kStringTypes = TypeBit(REG_SZ) | TypeBit(REG_EXPAND_SZ);

class WalkRules {
public:
    virtual ~WalkRules() = default;

    std::wstring scopeCategory;  // the scope rule's category name
    std::wstring scopeSelector;  // and its selector (the entry's sub key for COM)
    unsigned valueTypes = kStringTypes;  // values of other types are skipped, not counted
    DWORD subKeyNameCapacity = kSubKeyNameCapacity;

    // Whether the walk enters a subkey; `child` is filled in (root, path,
    // depth, the parent's mark) and may be changed. The default is the
    // category's scope rule.
    virtual bool EnterSubKey(const ScanTarget& t, const WalkItem& parent, const std::wstring& upperName,
                             WalkItem& child);
    // A value of one of the asked types, after OnScanItem, before it is counted.
    virtual void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& value) = 0;
    // A key without values (the walk was not stopped); the rule decides
    // about subkeys and depth.
    virtual void OnEmptyKey(const ScanTarget&, const WalkKey&) {}
    // An index RegEnumValueW failed for (oversized names and data included).
    virtual void OnValueError(const ScanTarget&, const WalkKey&, DWORD /*index*/, LONG /*error*/) {}
};

// Walks root\startPath of `t` and the keys below it, breadth first, in the
// target's view. Keys that do not exist are passed over; other open failures
// are shown and skipped.
void WalkKeys(const ScanTarget& t, WalkRules& rules, const std::wstring& startPath);
// The walk from the entry's own sub key.
void WalkKeys(const ScanTarget& t, WalkRules& rules);

// Records a problem found at a walked value (its name, or the label, and its
// text as stored).
void RecordValueProblem(const ScanTarget& t, const WalkKey& key, const WalkValue& value, int kind, int grade,
                        int fixAction);
// Records a problem of a whole key: "default value" and empty data.
void RecordKeyProblem(const ScanTarget& t, const WalkKey& key, int kind, int grade, int fixAction);

}  // namespace scan
