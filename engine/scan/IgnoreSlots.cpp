// Ignore-list slots: ignore a problem, list the ignored ones, remove one.
#include <memory>

#include "core/EngineState.h"
#include "core/Slots.h"
#include "pure/TextRules.h"
#include "scan/IgnoreList.h"

namespace slots {
namespace {

RegScanCategory& GroupFor(CRegEngine& e, const std::wstring& name)
{
    for (RegScanCategory* g : e.ignoreList)
        if (pure::EqualsNoCase(g->name, name)) return *g;
    auto group = std::make_unique<RegScanCategory>();
    group->name = name;
    return *e.ignoreList.Add(std::move(group));
}

}  // namespace

int CORVEX_CALL IgnoreProblem(int resultIndex, int problemIndex)
{
    CRegEngine* e = engine::Current();
    if (!e) return 1;
    CheckIndex(resultIndex, e->results.GetCount(), "IgnoreProblem: result index");
    RegScanCategory& result = *e->results[resultIndex];
    CheckIndex(problemIndex, result.problems.GetCount(), "IgnoreProblem: problem index");
    return Guard(1, [&] {
        RegEntryProb& problem = *result.problems[problemIndex];
        // Ignoring twice would store a second copy and lower the counts twice.
        if (problem.ignored) return 1;
        // A list on disk that cannot be read must not be replaced by one entry.
        if (!scan::LoadIgnoreList(*e)) return 0;
        scan::SetSelected(*e, problem, false);
        problem.ignored = 1;
        result.ignoredCount += 1;

        RegScanCategory& group = GroupFor(*e, result.name);
        auto copy = std::make_unique<RegEntryProb>(problem);
        group.problems.Add(std::move(copy));
        group.ignoredCount += 1;  // a new group starts at 0, so it holds 1
        if (scan::SaveIgnoreList(*e)) return 1;
        // Not stored: the problem stays a listed one.
        group.problems.RemoveAt(group.problems.GetCount() - 1);
        group.ignoredCount -= 1;
        result.ignoredCount -= 1;
        problem.ignored = 0;
        return 0;
    });
}

PtrArray<RegScanCategory>* CORVEX_CALL GetIgnoreList()
{
    return Guard<PtrArray<RegScanCategory>*>(nullptr, [] {
        CRegEngine& e = engine::Ensure();
        scan::LoadIgnoreList(e);
        return &e.ignoreList;
    });
}

void CORVEX_CALL RemoveIgnoreItem(int groupIndex, int entryIndex)
{
    CRegEngine* e = engine::Current();
    if (!e) return;
    CheckIndex(groupIndex, e->ignoreList.GetCount(), "RemoveIgnoreItem: group index");
    RegScanCategory& group = *e->ignoreList[groupIndex];
    CheckIndex(entryIndex, group.problems.GetCount(), "RemoveIgnoreItem: entry index");
    GuardVoid([&] {
        std::unique_ptr<RegEntryProb> entry = group.problems.Detach(entryIndex);
        group.ignoredCount -= 1;
        if (scan::SaveIgnoreList(*e)) return;
        // Not saved (reported): the list stays what the file holds.
        group.problems.Insert(entryIndex, std::move(entry));
        group.ignoredCount += 1;
    });
}

}  // namespace slots
