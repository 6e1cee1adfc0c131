#include "report/FromEngine.h"

namespace report {

ProblemInfo ProblemFrom(const RegEntryProb& p)
{
    ProblemInfo i;
    i.rootName = p.rootName;
    i.keyPath = p.keyPath;
    i.valueName = p.valueName;
    i.data = p.data;
    i.message = p.message;
    i.is64View = p.is64View;
    i.selected = p.selected;
    i.fixOk = p.fixOk;
    i.ignored = p.ignored;
    i.grade = p.grade;
    i.fixAction = p.fixAction;
    i.scannedKeyPath = p.scannedKeyPath;
    i.viewFlag = p.viewFlag;
    i.isDefaultValue = p.isDefaultValue;
    i.realRootName = p.realRootName;
    i.realKeyPath = p.realKeyPath;
    i.extent = p.extent;
    i.refusal = p.refusal;
    return i;
}

ResultInfo ResultFrom(const RegScanCategory& r)
{
    ResultInfo info{r.name, r.problemCount, r.ignoredCount, r.fixedCount, r.notFixedCount, r.fixState, {}, r.examinedCount, {}};
    info.problems.reserve(static_cast<size_t>(r.problems.GetCount()));
    for (const RegEntryProb* p : r.problems) info.problems.push_back(ProblemFrom(*p));
    for (const NotCheckedPath* n : r.notChecked) info.notChecked.push_back({n->path, n->reason, n->error});
    return info;
}

CategoryInfo CategoryFrom(const XMLElement& c)
{
    CategoryInfo info{c.elementName, c.categoryName, c.enabled, c.scanState, c.foundCount, {}};
    for (const RegScanKeyEntry* k : c.keyEntries) info.keyEntries.push_back({k->rootName, k->subKey});
    return info;
}

void AddResults(const PtrArray<RegScanCategory>* results, ScanReport& report)
{
    if (!results) return;
    for (const RegScanCategory* r : *results) report.results.push_back(ResultFrom(*r));
}

void AddCategories(const PtrArray<XMLElement>* categories, ScanReport& report)
{
    if (!categories) return;
    for (const XMLElement* c : *categories) report.categories.push_back(CategoryFrom(*c));
}

}  // namespace report
