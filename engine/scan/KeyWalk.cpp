#include "scan/KeyWalk.h"

#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "core/Callbacks.h"
#include "core/RegistryKey.h"
#include "pure/ScopeRules.h"
#include "pure/TextRules.h"
#include "scan/ProblemRecord.h"

namespace scan {
namespace {

// Fixed buffers of one walk, allocated once per walk.
struct WalkBuffers {
    explicit WalkBuffers(DWORD subKeyCapacity) : subKeyName(subKeyCapacity, L'\0') {}
    std::vector<wchar_t> subKeyName;
    wchar_t valueName[kValueNameCapacity] = {};
    alignas(8) BYTE data[kValueDataCapacity + 1] = {};
    DWORD dataUsed = 0;  // bytes the last enumeration may have written

    void ClearValue()
    {
        std::memset(valueName, 0, sizeof valueName);
        std::memset(data, 0, dataUsed);
        dataUsed = 0;
    }
};

class Walk {
public:
    Walk(const ScanTarget& t, WalkRules& rules)
        : t_(t), rules_(rules), buffers_(std::make_unique<WalkBuffers>(rules.subKeyNameCapacity))
    {
    }

    void Run(const std::wstring& startPath)
    {
        if (Stopped()) return;
        queue_.push_back(WalkItem{t_.entry.rootHandle, startPath, 0, false});
        while (!queue_.empty()) {
            if (Stopped()) return;
            WalkItem item = std::move(queue_.front());
            queue_.pop_front();
            if (!VisitKey(item)) return;
        }
    }

private:
    bool Stopped() const { return t_.engine.StopRequested(); }

    // False when the stop flag ended the walk.
    bool VisitKey(const WalkItem& item)
    {
        UniqueHKey key = regkey::OpenKey(item.root, item.keyPath, t_.view);
        if (!key) return true;
        DWORD subKeys = 0;
        DWORD values = 0;
        if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return true;
        const WalkKey walked{item, key.get(), subKeys, values};
        if (!QueueSubKeys(walked)) return false;
        if (!VisitValues(walked)) return false;
        if (values == 0) rules_.OnEmptyKey(t_, walked);
        return true;
    }

    bool QueueSubKeys(const WalkKey& key)
    {
        std::vector<wchar_t>& name = buffers_->subKeyName;
        for (DWORD i = 0; i < key.subKeyCount; ++i) {
            if (Stopped()) return false;
            DWORD length = static_cast<DWORD>(name.size());
            if (RegEnumKeyExW(key.handle, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                continue;
            std::wstring childName(name.data(), length);
            const WalkItem& parent = key.item;
            WalkItem child{parent.root, parent.keyPath.empty() ? childName : parent.keyPath + L"\\" + childName,
                           parent.depth + 1, parent.extensionMark};
            if (rules_.EnterSubKey(t_, parent, pure::ToUpper(childName), child)) queue_.push_back(std::move(child));
        }
        return true;
    }

    bool VisitValues(const WalkKey& key)
    {
        WalkBuffers& b = *buffers_;
        for (DWORD i = 0; i < key.valueCount; ++i) {
            if (Stopped()) return false;
            b.ClearValue();
            DWORD nameLength = kValueNameCapacity;
            DWORD type = REG_NONE;
            DWORD size = kValueDataCapacity;
            LONG rc = RegEnumValueW(key.handle, i, b.valueName, &nameLength, nullptr, &type, b.data, &size);
            if (rc != ERROR_SUCCESS) {
                b.dataUsed = kValueDataCapacity;  // a failed call may still have written
                rules_.OnValueError(t_, key, i, rc);
                continue;
            }
            if (size > kValueDataCapacity) size = kValueDataCapacity;
            if (nameLength >= kValueNameCapacity) nameLength = kValueNameCapacity - 1;
            b.dataUsed = size;
            if (!(rules_.valueTypes & TypeBit(type))) continue;

            const WalkValue value{nameLength == 0 ? std::wstring_view(kDefaultValueLabel)
                                                  : std::wstring_view(b.valueName, nameLength),
                                  nameLength, type, b.data, size};
            std::wstring itemText = key.item.keyPath;
            itemText += L'\\';
            itemText += value.name;
            ui::ScanItem(itemText, t_.engine.processedCount.load());
            rules_.OnValue(t_, key, value);
            t_.engine.processedCount += 1;
        }
        return true;
    }

    const ScanTarget& t_;
    WalkRules& rules_;
    std::unique_ptr<WalkBuffers> buffers_;
    std::deque<WalkItem> queue_;
};

ProblemSite SiteOf(const ScanTarget& t, const WalkKey& key)
{
    ProblemSite site;
    site.root = t.entry.rootHandle;
    site.rootName = t.entry.rootName;
    site.keyPath = key.item.keyPath;
    return site;
}

}  // namespace

std::wstring_view WalkValue::Text() const
{
    const wchar_t* text = reinterpret_cast<const wchar_t*>(data);
    const size_t limit = data ? size / sizeof(wchar_t) : 0;
    size_t length = 0;
    while (length < limit && text[length] != L'\0') ++length;
    return std::wstring_view(text, length);
}

bool WalkRules::EnterSubKey(const ScanTarget&, const WalkItem&, const std::wstring& upperName, WalkItem& child)
{
    return pure::ShouldScanSubKey(scopeCategory, scopeSelector, upperName, child.depth);
}

void WalkKeys(const ScanTarget& t, WalkRules& rules, const std::wstring& startPath)
{
    Walk(t, rules).Run(startPath);
}

void WalkKeys(const ScanTarget& t, WalkRules& rules)
{
    WalkKeys(t, rules, t.entry.subKey);
}

void RecordValueProblem(const ScanTarget& t, const WalkKey& key, const WalkValue& value, int kind, int grade,
                        int fixAction)
{
    ProblemSite site = SiteOf(t, key);
    site.valueName.assign(value.name);
    site.isDefaultValue = value.IsDefault();
    site.data.assign(value.Text());
    RecordProblem(t.engine, &t.result, site, kind, t.category, t.view, grade, fixAction);
}

void RecordKeyProblem(const ScanTarget& t, const WalkKey& key, int kind, int grade, int fixAction)
{
    ProblemSite site = SiteOf(t, key);
    site.valueName = kDefaultValueLabel;
    site.isDefaultValue = true;
    RecordProblem(t.engine, &t.result, site, kind, t.category, t.view, grade, fixAction);
}

}  // namespace scan
