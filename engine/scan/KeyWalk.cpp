#include "scan/KeyWalk.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "core/RegistryKey.h"
#include "core/SysCalls.h"
#include "pure/ScanSplit.h"
#include "pure/ScopeRules.h"
#include "pure/TextRules.h"
#include "scan/NotCheckedNote.h"
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

// path is parent\name (or name below the root's own path).
bool IsChildPath(const std::wstring& path, const std::wstring& parent, const std::wstring& name)
{
    const size_t head = parent.empty() ? 0 : parent.size() + 1;
    return path.size() == head + name.size() && path.compare(0, parent.size(), parent) == 0 &&
           (parent.empty() || path[parent.size()] == L'\\') && path.compare(head, name.size(), name) == 0;
}

// Depth first, each key opened below its parent's open handle, so only the
// keys on the current path are open and nothing waits in a queue. The
// problems still come out in breadth-first order: each is tagged with the
// depth of its key, and a stable sort by depth at the end gives the order a
// level-by-level walk would record them in, because a depth-first walk
// meets the keys of each level in that level's order.
class Walk {
public:
    Walk(const ScanTarget& t, WalkRules& rules)
        : t_(t), rules_(rules), buffers_(std::make_unique<WalkBuffers>(rules.subKeyNameCapacity)),
          firstProblem_(t.result.problems.GetCount())
    {
    }

    void Run(const std::wstring& startPath)
    {
        if (Stopped()) return;
        const WalkItem start{t_.entry.rootHandle, startPath, 0, false};
        if (UniqueHKey key = Open(start.root, start.keyPath, start)) VisitKey(start, key.get());
        RestoreBreadthFirstOrder();
    }

private:
    bool Stopped() const { return t_.engine.StopRequested(); }

    // A key that is there but cannot be opened (access denied, as for many
    // keys without administrator rights) is listed as not checked, with its
    // error: the walk goes on without it and no box stops the scan.
    UniqueHKey Open(HKEY from, const std::wstring& path, const WalkItem& item)
    {
        LONG rc = ERROR_SUCCESS;
        UniqueHKey key = regkey::OpenKeyQuietly(from, path, t_.view, &rc);
        if (!key && rc != ERROR_FILE_NOT_FOUND) {
            NotCheckedPath why;
            why.path = std::wstring(CRegEngine::RootName(item.root)) + L"\\" + item.keyPath;
            why.reason = NotCheckedPath::kSystemError;
            why.error = static_cast<uint32_t>(rc);
            NoteNotChecked(t_.result, why);
        }
        return key;
    }

    // False when the stop flag ended the walk.
    bool VisitKey(const WalkItem& item, HKEY handle)
    {
        DWORD subKeys = 0;
        DWORD values = 0;
        if (sys::QueryKeyCounts(handle, &subKeys, &values) != ERROR_SUCCESS) return true;
        const WalkKey walked{item, handle, subKeys, values};
        // A walk shared between threads: the start key's own values belong
        // to the range that begins with its first subkey.
        bool go = true;
        if (item.depth > 0 || t_.range.HasStartKey()) {
            go = VisitValues(walked);
            if (go && values == 0) rules_.OnEmptyKey(t_, walked);
        }
        TagNewProblems(item.depth);
        return go && VisitSubKeys(walked);
    }

    bool VisitSubKeys(const WalkKey& key)
    {
        std::vector<wchar_t>& name = buffers_->subKeyName;
        const WalkItem& parent = key.item;
        DWORD first = 0;
        DWORD end = key.subKeyCount;
        if (parent.depth == 0) {
            first = t_.range.first;
            end = std::min<DWORD>(end, t_.range.end);
        }
        for (DWORD i = first; i < end; ++i) {
            if (Stopped()) return false;
            DWORD length = static_cast<DWORD>(name.size());
            if (sys::EnumKey(key.handle, i, name.data(), &length) != ERROR_SUCCESS) continue;
            std::wstring childName(name.data(), length);
            WalkItem child{parent.root, parent.keyPath.empty() ? childName : parent.keyPath + L"\\" + childName,
                           parent.depth + 1, parent.extensionMark};
            if (!rules_.EnterSubKey(t_, parent, pure::ToUpper(childName), child)) continue;
            // A rule may move the child elsewhere; then it is opened from its root.
            const bool below = child.root == parent.root && IsChildPath(child.keyPath, parent.keyPath, childName);
            UniqueHKey sub = below ? Open(key.handle, childName, child) : Open(child.root, child.keyPath, child);
            if (sub && !VisitKey(child, sub.get())) return false;
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
            LONG rc = sys::EnumValue(key.handle, i, b.valueName, &nameLength, &type, b.data, &size);
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
            // One text buffer for every item: its capacity is kept.
            itemText_.assign(key.item.keyPath);
            itemText_ += L'\\';
            itemText_ += value.name;
            ReportItem(t_, itemText_);
            rules_.OnValue(t_, key, value);
        }
        return true;
    }

    // The problems the rules just recorded for a key of this depth.
    void TagNewProblems(int depth)
    {
        const size_t recorded = static_cast<size_t>(t_.result.problems.GetCount() - firstProblem_);
        if (problemDepths_.size() < recorded) problemDepths_.resize(recorded, depth);
    }

    void RestoreBreadthFirstOrder()
    {
        if (!std::is_sorted(problemDepths_.begin(), problemDepths_.end())) {
            t_.result.problems.Reorder(firstProblem_, pure::BreadthFirstOrder(problemDepths_));
            std::stable_sort(problemDepths_.begin(), problemDepths_.end());
        }
        if (t_.problemDepths)
            t_.problemDepths->insert(t_.problemDepths->end(), problemDepths_.begin(), problemDepths_.end());
    }

    const ScanTarget& t_;
    WalkRules& rules_;
    std::unique_ptr<WalkBuffers> buffers_;
    std::wstring itemText_;
    const int firstProblem_;
    std::vector<int> problemDepths_;  // per problem of this walk, in the order recorded
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
