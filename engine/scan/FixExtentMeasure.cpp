#include "scan/FixExtentMeasure.h"

#include <vector>

#include "core/Handles.h"
#include "core/SysCalls.h"
#include "pure/TextRules.h"
#include "scan/IgnoreList.h"
#include "scan/ProblemRecord.h"

namespace scan {
namespace {

constexpr REGSAM kRead = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

bool OpenAt(HKEY root, const std::wstring& path, REGSAM view, UniqueHKey& key)
{
    if (sys::OpenKey(root, path.empty() ? nullptr : path.c_str(), kRead | view, key.put()) == ERROR_SUCCESS)
        return true;
    key.release();
    return false;
}

bool CountInfo(HKEY key, DWORD& subKeys, DWORD& values, DWORD& maxSubKeyLen)
{
    sys::Count(sys::Call::RegQueryInfoKeyW);
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Adds the key and everything below it to `e`, stopping at the bound.
void CountTree(HKEY key, REGSAM view, FixExtent& e)
{
    DWORD subKeys = 0, values = 0, maxLen = 0;
    if (!CountInfo(key, subKeys, values, maxLen)) return;
    e.keys += 1;
    e.values += values;
    if (e.keys + e.values > kExtentCountBound) {
        e.more = 1;
        return;
    }
    std::vector<wchar_t> name(maxLen + 2);
    for (DWORD i = 0; i < subKeys && !e.more; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        if (sys::EnumKey(key, i, name.data(), &len) != ERROR_SUCCESS) break;
        UniqueHKey sub;
        if (OpenAt(key, std::wstring(name.data(), len), view, sub)) CountTree(sub.get(), view, e);
    }
}

}  // namespace

FixExtent MeasureFix(const RegEntryProb& p, bool shortcut)
{
    FixExtent e;
    if (shortcut) {
        if (sys::FileAttributes(ShortcutFileOf(p).c_str()) != INVALID_FILE_ATTRIBUTES) e.kind = FixExtent::kShortcutFile;
        return e;
    }
    const KeySite site = ActingSiteOf(p);
    const HKEY root = CRegEngine::LookupRoot(site.rootName);
    if (!root || (site.view != kView64 && site.view != kView32)) return e;
    const REGSAM view = static_cast<REGSAM>(site.view);
    UniqueHKey key;
    if (!OpenAt(root, site.path, view, key)) return e;
    DWORD subKeys = 0, values = 0, maxLen = 0;
    switch (p.fixAction) {
    case kDeleteValue: {
        DWORD type = 0, size = 0;
        const wchar_t* name = p.isDefaultValue || p.valueName.empty() ? nullptr : p.valueName.c_str();
        if (sys::QueryValue(key.get(), name, &type, nullptr, &size) != ERROR_SUCCESS) return e;
        e.kind = FixExtent::kValue;
        e.values = 1;
        e.valueType = type;
        e.valueSize = size;
        return e;
    }
    case kDeleteKey:
        if (!CountInfo(key.get(), subKeys, values, maxLen)) return e;
        e.kind = FixExtent::kKey;
        e.keys = 1 + subKeys;  // a key with subkeys is refused by the fix itself
        e.values = values;
        return e;
    case kDeleteParentTree:
        e.kind = FixExtent::kTree;
        CountTree(key.get(), view, e);
        if (e.keys == 0) e.kind = FixExtent::kUnknown;
        return e;
    default: return e;
    }
}

pure::GuardLimits LoadGuardLimits()
{
    pure::GuardLimits limits;
    const int keys = static_cast<int>(GetPrivateProfileIntW(L"FixGuard", L"MaxTreeKeys", 0, L".\\Registry.ini"));
    const int values = static_cast<int>(GetPrivateProfileIntW(L"FixGuard", L"MaxTreeValues", 0, L".\\Registry.ini"));
    if (keys > 0) limits.maxTreeKeys = static_cast<unsigned>(keys);
    if (values > 0) limits.maxTreeValues = static_cast<unsigned>(values);
    return limits;
}

void MeasureAndGuard(CRegEngine& engine, const RegScanCategory& result, RegEntryProb& p)
{
    const bool shortcut = pure::EqualsNoCase(result.name, L"Program Shortcuts");
    p.extent = MeasureFix(p, shortcut);
    if (shortcut) return;
    const KeySite site = ActingSiteOf(p);
    p.refusal = pure::FixRefusal(p.fixAction, site.rootName, site.path, p.extent, engine.guardLimits);
    if (!p.refusal.empty() && p.selected) SetSelected(engine, p, false);
}

void RecheckBeforeFix(const PtrArray<RegScanCategory>& results)
{
    for (const RegScanCategory* r : results) {
        const bool shortcuts = pure::EqualsNoCase(r->name, L"Program Shortcuts");
        for (RegEntryProb* p : r->problems) {
            if (!IsToBeFixed(*p) || IsRefused(*p)) continue;
            if (MeasureFix(*p, shortcuts) != p->extent) p->refusal = pure::ChangedSinceScanRefusal();
        }
    }
}

}  // namespace scan
