#include "report/pure/ScanCompare.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "report/pure/JsonReader.h"
#include "report/pure/JsonWriter.h"

namespace report {
namespace {

std::wstring Folded(const std::wstring& s)
{
    std::wstring t = s;
    for (wchar_t& c : t)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return t;
}

const std::wstring& Text(const json::Value& object, const char* name)
{
    static const std::wstring empty;
    if (!object.Has(name)) return empty;
    const json::Value& v = object[name];
    if (v.kind != json::Value::String) throw std::runtime_error(std::string("\"") + name + "\" is not a string");
    return v.text;
}

int64_t Number(const json::Value& object, const char* name)
{
    if (!object.Has(name) || object[name].kind != json::Value::Number)
        throw std::runtime_error(std::string("\"") + name + "\" is not a number");
    return object[name].number;
}

struct Entry {
    ComparedProblem shown;
    std::wstring identity;
};

}  // namespace

std::wstring ProblemIdentity(const ProblemInfo& p)
{
    std::wstring where = !p.realRootName.empty() && !p.realKeyPath.empty()
                             ? p.realRootName + L"\\" + p.realKeyPath + L"|64"
                             : p.rootName + L"\\" + p.scannedKeyPath + L"|" + std::to_wstring(p.viewFlag);
    return Folded(where) + L"|" + Folded(p.valueName) + L"|" + p.message;
}

bool CompareWithReport(const ScanReport& now, const std::string& oldJson, Comparison& out, std::wstring& error)
{
    std::vector<Entry> old;
    try {
        json::Value doc = json::Parse(oldJson);
        if (doc.kind != json::Value::Object || !doc.Has("results") || doc["results"].kind != json::Value::Array)
            throw std::runtime_error("it has no \"results\" list");
        out.oldScannedAt = Text(doc, "scannedAt");
        for (const json::Value& result : doc["results"].items) {
            if (!result.Has("problems") || result["problems"].kind != json::Value::Array)
                throw std::runtime_error("a result has no \"problems\" list");
            for (const json::Value& j : result["problems"].items) {
                if (j.Has("ignored") && Number(j, "ignored") != 0) continue;
                ProblemInfo p;
                p.rootName = Text(j, "rootName");
                p.scannedKeyPath = Text(j, "scannedKeyPath");
                p.viewFlag = static_cast<int>(Number(j, "viewFlag"));
                p.realRootName = Text(j, "realRootName");
                p.realKeyPath = Text(j, "realKeyPath");
                p.valueName = Text(j, "valueName");
                p.message = Text(j, "message");
                old.push_back({{Text(result, "name"), Text(j, "key"), p.message}, ProblemIdentity(p)});
            }
        }
    } catch (const std::exception& e) {
        const std::string what = e.what();
        error = L"not a report of 'scan --json': " + std::wstring(what.begin(), what.end());
        return false;
    }

    // Each earlier problem matches at most one of this scan's.
    std::multimap<std::wstring, size_t> unmatched;
    for (size_t i = 0; i < old.size(); ++i) unmatched.emplace(old[i].identity, i);
    for (const ResultInfo& result : now.results)
        for (const ProblemInfo& p : result.problems) {
            if (p.ignored) continue;
            ComparedProblem shown{result.name, DisplayKey(p), p.message};
            auto it = unmatched.find(ProblemIdentity(p));
            if (it == unmatched.end()) {
                out.added.push_back(shown);
            } else {
                out.unchanged.push_back(shown);
                unmatched.erase(it);
            }
        }
    std::vector<size_t> gone;
    for (const auto& left : unmatched) gone.push_back(left.second);
    std::sort(gone.begin(), gone.end());  // in the earlier report's order
    for (size_t i : gone) out.gone.push_back(old[i].shown);
    return true;
}

std::wstring ComparisonLine(const Comparison& c)
{
    return std::to_wstring(c.added.size()) + L" new, " + std::to_wstring(c.gone.size()) + L" gone since " +
           (c.oldScannedAt.empty() ? std::wstring(L"the earlier scan") : c.oldScannedAt);
}

void WriteComparison(JsonWriter& w, const Comparison& c, const std::wstring& oldFile)
{
    w.Key("comparedWith").BeginObject().Member("file", oldFile);
    w.Key("scannedAt");
    if (c.oldScannedAt.empty())
        w.Null();
    else
        w.String(c.oldScannedAt);
    w.EndObject();
    const std::pair<const char*, const std::vector<ComparedProblem>*> lists[] = {
        {"new", &c.added}, {"gone", &c.gone}, {"unchanged", &c.unchanged}};
    for (const auto& list : lists) {
        w.Key(list.first).BeginArray();
        for (const ComparedProblem& p : *list.second)
            w.BeginObject().Member("category", p.category).Member("key", p.key).Member("message", p.message).EndObject();
        w.EndArray();
    }
}

}  // namespace report
