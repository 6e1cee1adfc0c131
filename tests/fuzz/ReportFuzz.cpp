// libFuzzer target for the scan report reader: the file a user names with
// "scan --compare" and the program's own LastScan.json. Any input must be
// read or refused without reading outside the buffer, overflowing or
// recursing without end. What the reader accepts must survive being written
// again with the reports' writer, and the comparison of an accepted report
// must account for each of its problems exactly once.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "report/pure/JsonReader.h"
#include "report/pure/JsonWriter.h"
#include "report/pure/ScanCompare.h"

namespace {

using report::json::Value;

void Write(report::JsonWriter& w, const Value& v)
{
    switch (v.kind) {
    case Value::Null: w.Null(); break;
    case Value::Bool: w.Bool(v.boolean); break;
    case Value::Number: w.Int(v.number); break;
    case Value::String: w.String(v.text); break;
    case Value::Array:
        w.BeginArray();
        for (const Value& item : v.items) Write(w, item);
        w.EndArray();
        break;
    case Value::Object:
        w.BeginObject();
        for (const auto& member : v.members) {
            w.Key(member.first);
            Write(w, member.second);
        }
        w.EndObject();
        break;
    }
}

bool Same(const Value& a, const Value& b)
{
    if (a.kind != b.kind || a.boolean != b.boolean || a.number != b.number || a.text != b.text ||
        a.items.size() != b.items.size() || a.members.size() != b.members.size())
        return false;
    for (size_t i = 0; i < a.items.size(); ++i)
        if (!Same(a.items[i], b.items[i])) return false;
    for (auto x = a.members.begin(), y = b.members.begin(); x != a.members.end(); ++x, ++y)
        if (x->first != y->first || !Same(x->second, y->second)) return false;
    return true;
}

// Two problems of this scan, one of them the shape the seed reports hold.
report::ScanReport ThisScan()
{
    report::ScanReport now;
    report::ResultInfo result{L"Application Paths", 2, 0, 0, 0, 0, {}, {}};
    report::ProblemInfo p;
    p.rootName = L"HKEY_LOCAL_MACHINE";
    p.keyPath = p.scannedKeyPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\gone.exe";
    p.valueName = L"default value";
    p.message = L"The file or directroy does not exist!";
    p.viewFlag = 0x0100;
    result.problems.push_back(p);
    p.valueName = L"Path";
    result.problems.push_back(p);
    now.results.push_back(result);
    return now;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Value doc;
    try {
        doc = report::json::Parse(text);
    } catch (const std::runtime_error&) {
        return 0;
    }
    // The writer takes member names as they are (every report's are plain
    // ASCII words), so only documents with such names are written back.
    bool asciiNames = true;
    auto check = [&](const Value& v, auto& self) -> void {
        for (const auto& m : v.members) {
            for (char c : m.first)
                if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') asciiNames = false;
            self(m.second, self);
        }
        for (const Value& item : v.items) self(item, self);
    };
    check(doc, check);
    if (asciiNames) {
        report::JsonWriter w;
        Write(w, doc);
        if (!Same(doc, report::json::Parse(w.Finish()))) std::abort();
    }

    report::Comparison alone;
    std::wstring error;
    if (!report::CompareWithReport(report::ScanReport{}, text, alone, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    // Against an empty scan every earlier problem is gone.
    if (!alone.added.empty() || !alone.unchanged.empty()) std::abort();
    const size_t earlier = alone.gone.size();

    const report::ScanReport now = ThisScan();
    const size_t current = now.results[0].problems.size();
    report::Comparison both;
    if (!report::CompareWithReport(now, text, both, error)) std::abort();
    if (both.unchanged.size() + both.gone.size() != earlier) std::abort();
    if (both.unchanged.size() + both.added.size() != current) std::abort();
    report::JsonWriter w;
    w.BeginObject();
    report::WriteComparison(w, both, L"earlier.json");
    w.EndObject();
    report::json::Parse(w.Finish());  // well formed, or the writer is wrong
    report::ComparisonLine(both);
    return 0;
}
