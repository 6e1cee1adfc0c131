#include "pure/ScanSchedule.h"

#include <algorithm>

namespace pure {

ScanSchedule::ScanSchedule(const std::vector<std::vector<int>>& piecesPerEntry)
{
    for (const std::vector<int>& entries : piecesPerEntry) {
        Category c;
        c.firstEntry = static_cast<int>(entries_.size());
        c.entryCount = static_cast<int>(entries.size());
        c.firstPiece = static_cast<int>(pieceEntry_.size());
        for (int pieces : entries) {
            Entry e;
            e.firstPiece = static_cast<int>(pieceEntry_.size());
            e.pieces = std::max(pieces, 1);
            for (int k = 0; k < e.pieces; ++k) {
                pieceEntry_.push_back(static_cast<int>(entries_.size()));
                pieceCategory_.push_back(static_cast<int>(categories_.size()));
            }
            c.pieces += e.pieces;
            entries_.push_back(e);
        }
        categories_.push_back(c);
    }
}

int ScanSchedule::HandedOut(const Entry& e) const
{
    return std::clamp(nextPiece_ - e.firstPiece, 0, e.pieces);
}

bool ScanSchedule::EntryDone(const Entry& e) const
{
    const int out = HandedOut(e);
    return e.ended == out && (out == e.pieces || stopped_);
}

bool ScanSchedule::CategoryDone(const Category& c) const
{
    const int out = std::clamp(nextPiece_ - c.firstPiece, 0, c.pieces);
    return c.begun && c.ended == out && (out == c.pieces || stopped_);
}

std::optional<ScanSchedule::Handout> ScanSchedule::Next()
{
    if (stopped_) return std::nullopt;
    while (nextCategory_ < static_cast<int>(categories_.size())) {
        Category& c = categories_[static_cast<size_t>(nextCategory_)];
        const bool opens = !c.begun;
        c.begun = true;
        if (nextPiece_ - c.firstPiece < c.pieces) return Handout{nextCategory_, nextPiece_++, opens};
        const int category = nextCategory_++;
        if (opens) return Handout{category, -1, true};  // nothing to walk
    }
    return std::nullopt;
}

bool ScanSchedule::EndPiece(int piece)
{
    Entry& e = entries_[static_cast<size_t>(EntryOf(piece))];
    ++e.ended;
    ++categories_[static_cast<size_t>(CategoryOf(piece))].ended;
    return EntryDone(e);
}

std::vector<int> ScanSchedule::Stop()
{
    std::vector<int> ended;
    if (stopped_) return ended;
    stopped_ = true;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        const int out = HandedOut(e);
        // Fully handed-out entries were reported by their last EndPiece.
        if (out > 0 && out < e.pieces && e.ended == out) ended.push_back(static_cast<int>(i));
    }
    return ended;
}

void ScanSchedule::Abandon()
{
    stopped_ = true;
    for (Category& c : categories_) c.ended = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        e.ended = HandedOut(e);
        categories_[static_cast<size_t>(pieceCategory_[static_cast<size_t>(e.firstPiece)])].ended += e.ended;
    }
}

std::optional<int> ScanSchedule::NextToClose()
{
    if (nextToClose_ >= static_cast<int>(categories_.size())) return std::nullopt;
    if (!CategoryDone(categories_[static_cast<size_t>(nextToClose_)])) return std::nullopt;
    return nextToClose_++;
}

}  // namespace pure
