#include "report/pure/ScanReport.h"

#include <cstdio>

#include "report/pure/JsonWriter.h"
#include "report/pure/TextEncoding.h"

namespace report {
namespace {

std::wstring Plural(int64_t n, const wchar_t* one, const wchar_t* many)
{
    return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

std::wstring Seconds(int64_t ms)
{
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%lld.%01lld s", static_cast<long long>(ms / 1000),
                  static_cast<long long>((ms % 1000) / 100));
    return buf;
}

void WriteProblem(JsonWriter& w, const ProblemInfo& p)
{
    w.BeginObject()
        .Member("rootName", p.rootName)
        .Member("keyPath", p.keyPath)
        .Member("valueName", p.valueName)
        .Member("data", p.data)
        .Member("message", p.message)
        .Member("is64View", p.is64View)
        .Member("selected", p.selected)
        .Member("fixOk", p.fixOk)
        .Member("ignored", p.ignored)
        .Member("grade", p.grade)
        .Member("gradeName", GradeName(p.grade))
        .Member("fixAction", p.fixAction)
        .Member("fixActionName", FixActionName(p.fixAction))
        .Member("scannedKeyPath", p.scannedKeyPath)
        .Member("viewFlag", p.viewFlag)
        .Member("isDefaultValue", p.isDefaultValue)
        .Member("key", DisplayKey(p))
        .Member("realRootName", p.realRootName)
        .Member("realKeyPath", p.realKeyPath);
    w.Member("removes", DescribeFixExtent(p.extent));
    w.Key("extent")
        .BeginObject()
        .Member("kind", ExtentKindName(p.extent.kind))
        .MemberInt64("keys", p.extent.keys)
        .MemberInt64("values", p.extent.values)
        .MemberBool("more", p.extent.more != 0)
        .MemberInt64("valueType", p.extent.valueType)
        .MemberInt64("valueSize", p.extent.valueSize)
        .EndObject();
    if (!p.refusal.empty()) w.Member("refused", p.refusal);
    w.EndObject();
}

}  // namespace

std::wstring GradeName(int grade)
{
    switch (grade) {
        case 0:
            return L"Common";
        case 1:
            return L"Fair";
        case 2:
            return L"Important";
    }
    return L"grade " + std::to_wstring(grade);
}

std::wstring FixActionName(int fixAction)
{
    switch (fixAction) {
        case 0:
            return L"delete value";
        case 1:
            return L"delete key";
        case 2:
            return L"delete parent tree";
    }
    return L"action " + std::to_wstring(fixAction);
}

std::wstring DisplayKey(const ProblemInfo& p)
{
    std::wstring key = p.rootName;
    if (!p.keyPath.empty()) key += L"\\" + p.keyPath;
    return key + L"\\" + p.valueName;
}

int VisibleProblemCount(const ResultInfo& r)
{
    int n = 0;
    for (const ProblemInfo& p : r.problems)
        if (!p.ignored) ++n;
    return n;
}

int VisibleProblemCount(const ScanReport& r)
{
    int n = 0;
    for (const ResultInfo& result : r.results) n += VisibleProblemCount(result);
    return n;
}

int NotCheckedCount(const ScanReport& r)
{
    size_t n = 0;
    for (const ResultInfo& result : r.results) n += result.notChecked.size();
    return static_cast<int>(n);
}

std::wstring ExtentKindName(int kind)
{
    switch (kind) {
    case FixExtent::kValue: return L"value";
    case FixExtent::kKey: return L"key";
    case FixExtent::kTree: return L"tree";
    case FixExtent::kShortcutFile: return L"shortcut file";
    default: return L"unknown";
    }
}

std::wstring FixTotals(const ScanReport& r)
{
    uint64_t values = 0, keys = 0, keyValues = 0, trees = 0, treeKeys = 0, treeValues = 0, shortcuts = 0;
    bool more = false;
    for (const ResultInfo& result : r.results)
        for (const ProblemInfo& p : result.problems) {
            if (p.ignored || !p.selected || !p.refusal.empty()) continue;
            switch (p.extent.kind) {
            case FixExtent::kValue: ++values; break;
            case FixExtent::kKey:
                ++keys;
                keyValues += p.extent.values;
                break;
            case FixExtent::kTree:
                ++trees;
                treeKeys += p.extent.keys;
                treeValues += p.extent.values;
                more = more || p.extent.more;
                break;
            case FixExtent::kShortcutFile: ++shortcuts; break;
            default: break;
            }
        }
    std::wstring t = Plural(static_cast<int64_t>(values), L"value", L"values") + L", " +
                     Plural(static_cast<int64_t>(keys), L"key", L"keys") + L" (with " +
                     Plural(static_cast<int64_t>(keyValues), L"value", L"values") + L"), " +
                     Plural(static_cast<int64_t>(trees), L"key tree", L"key trees") + L" (" +
                     (more ? L"more than " : L"") + Plural(static_cast<int64_t>(treeKeys), L"key", L"keys") + L", " +
                     Plural(static_cast<int64_t>(treeValues), L"value", L"values") + L"), " +
                     Plural(static_cast<int64_t>(shortcuts), L"shortcut file", L"shortcut files");
    return t;
}

std::wstring FormatText(const ScanReport& r)
{
    std::wstring t;
    int withProblems = 0;
    for (const ResultInfo& result : r.results) {
        int shown = VisibleProblemCount(result);
        if (shown == 0) {
            t += PrintableText(result.name) + L": no problems\n";
            continue;
        }
        ++withProblems;
        t += PrintableText(result.name) + L": " + Plural(shown, L"problem", L"problems") + L"\n";
        for (const ProblemInfo& p : result.problems) {
            if (p.ignored) continue;
            t += L"  [" + GradeName(p.grade) + L"] " + PrintableText(DisplayKey(p)) + L"\n";
            t += L"      Data:    " + PrintableText(p.data) + L"\n";
            t += L"      Problem: " + PrintableText(p.message) + L"\n";
            if (!p.refusal.empty())
                t += L"      Fix:     " + PrintableText(p.refusal) + L"\n";
            else if (p.extent.kind != FixExtent::kUnknown)
                t += L"      Removes: " + DescribeFixExtent(p.extent) + L"\n";
        }
    }
    if (!r.results.empty()) t += L"\n";
    t += Plural(VisibleProblemCount(r), L"problem", L"problems") + L" in " + std::to_wstring(withProblems) +
         L" of " + Plural(static_cast<int64_t>(r.results.size()), L"category", L"categories") + L"; " +
         Plural(r.itemsExamined, L"item", L"items") + L" examined in " + Seconds(r.durationMs) +
         (r.stopped ? L" (stopped)" : L"") + L"\n";
    t += L"not checked: " + std::to_wstring(NotCheckedCount(r)) + L"\n";
    return t;
}

std::string FormatJson(const ScanReport& r)
{
    JsonWriter w;
    w.BeginObject();
    WriteJsonMembers(w, r);
    w.EndObject();
    return w.Finish();
}

void WriteJsonMembers(JsonWriter& w, const ScanReport& r)
{
    if (!r.scannedAt.empty()) w.Member("scannedAt", r.scannedAt);
    w.MemberBool("stopped", r.stopped)
        .MemberInt64("durationMs", r.durationMs)
        .Member("scanThreads", r.scanThreads)
        .Member("problemCount", r.problemCount)
        .Member("checkedCount", r.checkedCount)
        .Member("shownProblemCount", VisibleProblemCount(r))
        .Member("notCheckedCount", NotCheckedCount(r))
        .MemberInt64("itemsExamined", r.itemsExamined);
    w.Key("peakWorkingSetBytes").UInt(r.peakWorkingSetBytes);

    w.Key("categories").BeginArray();
    for (size_t i = 0; i < r.categories.size(); ++i) {
        const CategoryInfo& c = r.categories[i];
        w.BeginObject()
            .Member("index", static_cast<int>(i))
            .Member("elementName", c.elementName)
            .Member("name", c.name)
            .MemberBool("enabled", c.enabled != 0)
            .Member("scanState", c.scanState)
            .Member("foundCount", c.foundCount);
        w.Key("keyEntries").BeginArray();
        for (const KeyEntryInfo& k : c.keyEntries)
            w.BeginObject().Member("rootName", k.rootName).Member("subKey", k.subKey).EndObject();
        w.EndArray().EndObject();
    }
    w.EndArray();

    w.Key("results").BeginArray();
    for (const ResultInfo& result : r.results) {
        w.BeginObject()
            .Member("name", result.name)
            .Member("problemCount", result.problemCount)
            .Member("ignoredCount", result.ignoredCount)
            .Member("fixedCount", result.fixedCount)
            .Member("notFixedCount", result.notFixedCount)
            .Member("fixState", result.fixState)
            .Member("examinedCount", result.examinedCount);
        w.Key("problems").BeginArray();
        for (const ProblemInfo& p : result.problems) WriteProblem(w, p);
        w.EndArray();
        w.Key("notChecked").BeginArray();
        for (const NotCheckedInfo& n : result.notChecked)
            w.BeginObject()
                .Member("path", n.path)
                .Member("reason", NotCheckedReasonName(n.reason))
                .Key("error")
                .UInt(n.error)
                .EndObject();
        w.EndArray().EndObject();
    }
    w.EndArray();
}

}  // namespace report
