// A scan's work cut into pieces that threads can share, and how the pieces'
// findings become each category's result entry. A piece is one walk: one
// key entry of a category in one registry view, whole or a range of its
// start key's subkeys. It records into a result entry and a category record
// of its own, so pieces never share anything while they run; the merge,
// done in category order under the scan lock, puts them together exactly as
// one thread walking the entries one after another would have.
#pragma once

#include <memory>
#include <vector>

#include "pure/ScanSchedule.h"
#include "pure/ScanSplit.h"
#include "scan/Scanner.h"

namespace scan {

struct ScanPiece {
    int entry = 0;  // index into the category's key entries
    int pass = 0;   // 0 the entry's first view, 1 its second
    int view = kView32;
    bool sharedKey = false;
    bool split = false;  // one of several ranges of its pass
    pure::SubKeyRange range;
    bool ran = false;  // handed to a thread (it may have stopped at once)
    RegScanCategory found;    // its problems and counts
    XMLElement counts;        // its share of the category's found count
    std::vector<int> depths;  // a split piece's problems' key depths
};

struct CategoryWork {
    int index = 0;                // into the engine's category list
    ScannerFn scanner = nullptr;  // null: the name selects no scanner
    bool needsCom = false;
    // The pieces of each key entry, in entry order; within an entry the
    // first view's before the second's, ranges in order.
    std::vector<std::vector<std::unique_ptr<ScanPiece>>> entries;
};

struct ScanPlan {
    std::vector<CategoryWork> categories;  // in scan order

    // The schedule's layout: pieces per entry per category.
    std::vector<std::vector<int>> Layout() const;
    // Piece n of the schedule's numbering.
    ScanPiece& Piece(const pure::ScanSchedule& schedule, int n);
};

// Runs one piece on the calling thread, with its own registry handles and
// buffers.
void RunPiece(CRegEngine& engine, const CategoryWork& work, ScanPiece& piece);

// Builds the category's result entry from its pieces that ran, drops the
// 32-bit repeats of an entry key both views share, applies the ignore list
// and appends the entry to the result list. The caller holds the scan lock.
void MergeCategory(CRegEngine& engine, CategoryWork& work);

}  // namespace scan
