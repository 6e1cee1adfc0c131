#include "scan/ScanWork.h"

#include <mutex>

#include "core/Callbacks.h"
#include "core/ComPtr.h"
#include "scan/IgnoreList.h"
#include "scan/NotCheckedNote.h"
#include "scan/SharedViews.h"

namespace scan {
namespace {

// Moves a piece's problems, counts and unjudged paths to the end of `result`.
void TakePiece(RegScanCategory& result, XMLElement& category, ScanPiece& piece)
{
    for (RegEntryProb* p : piece.found.problems) result.problems.Add(std::unique_ptr<RegEntryProb>(p));
    piece.found.problems.DetachAll();
    for (const NotCheckedPath* n : piece.found.notChecked) NoteNotChecked(result, *n);
    result.problemCount += piece.found.problemCount;
    result.examinedCount += piece.found.examinedCount;
    category.foundCount += piece.counts.foundCount;
}

}  // namespace

void ReportItem(const ScanTarget& t, const std::wstring& text, bool counted)
{
    std::lock_guard<std::mutex> lock(t.engine.scanLock);
    const int before = counted ? t.engine.processedCount.fetch_add(1) : t.engine.processedCount.load();
    if (counted) t.result.examinedCount += 1;
    ui::ScanItem(text, before);
}

std::vector<std::vector<int>> ScanPlan::Layout() const
{
    std::vector<std::vector<int>> layout;
    for (const CategoryWork& c : categories) {
        std::vector<int> entries;
        for (const auto& pieces : c.entries) entries.push_back(static_cast<int>(pieces.size()));
        layout.push_back(std::move(entries));
    }
    return layout;
}

ScanPiece& ScanPlan::Piece(const pure::ScanSchedule& schedule, int n)
{
    const int entry = schedule.EntryOf(n);
    const int category = schedule.CategoryOf(n);
    const int local = entry - schedule.FirstEntry(category);
    return *categories[static_cast<size_t>(category)].entries[static_cast<size_t>(local)]
                [static_cast<size_t>(n - schedule.FirstPiece(entry))];
}

void RunPiece(CRegEngine& engine, const CategoryWork& work, ScanPiece& piece)
{
    piece.ran = true;
    const XMLElement& category = *engine.categories[work.index];
    piece.found.name = category.categoryName;
    piece.counts.elementName = category.elementName;
    piece.counts.categoryName = category.categoryName;
    std::unique_ptr<ScopedCoInit> com;
    if (work.needsCom) com = std::make_unique<ScopedCoInit>();
    ScanTarget target{engine, piece.found, piece.counts, *category.keyEntries[piece.entry], piece.view};
    target.sharedKey = piece.sharedKey;
    target.range = piece.range;
    if (piece.split) target.problemDepths = &piece.depths;
    work.scanner(target);
}

void MergeCategory(CRegEngine& engine, CategoryWork& work)
{
    XMLElement& category = *engine.categories[work.index];
    auto result = std::make_unique<RegScanCategory>();
    result->name = category.categoryName;
    for (auto& pieces : work.entries) {
        int firstOfPass[2] = {0, 0};
        int passes = 0;
        for (int pass = 0; pass < 2; ++pass) {
            const int first = result->problems.GetCount();
            std::vector<int> depths;
            bool ran = false;
            bool split = false;
            for (auto& piece : pieces) {
                if (piece->pass != pass || !piece->ran) continue;
                ran = true;
                split = split || piece->split;
                depths.insert(depths.end(), piece->depths.begin(), piece->depths.end());
                TakePiece(*result, category, *piece);
            }
            if (!ran) continue;
            firstOfPass[pass] = first;
            ++passes;
            // The ranges of one walk, each in breadth-first order, give the
            // whole walk's order once sorted by depth again.
            const size_t added = static_cast<size_t>(result->problems.GetCount() - first);
            if (split && depths.size() == added) result->problems.Reorder(first, pure::BreadthFirstOrder(depths));
        }
        // A shared key below a split entry key is listed once, as the
        // 64-bit pass found it.
        if (passes == 2) DropSharedViewRepeats(engine, *result, category, firstOfPass[0], firstOfPass[1]);
    }
    ApplyIgnoreList(engine, *result, category);
    engine.results.Add(std::move(result));
}

}  // namespace scan
