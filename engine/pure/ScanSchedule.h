// The order in which a scan's work is handed to its threads and its
// categories are closed. A category is split into key entries and each
// entry into pieces (one walk in one registry view, or a range of one
// walk's subkeys). Pieces go out in scan order, so the categories that were
// begun are always the first ones of the scan; a category closes when all
// its pieces have ended and every earlier category has closed, so results
// come out in category order whatever thread finished first. No windows.h
// and no lock: the scan holds its own lock around every call.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace pure {

class ScanSchedule {
public:
    // For each category in scan order, the number of pieces of each of its
    // entries (a category with nothing to walk has no entries; every entry
    // has at least one piece). Pieces are numbered in that order from 0.
    explicit ScanSchedule(const std::vector<std::vector<int>>& piecesPerEntry);

    struct Handout {
        int category;
        int piece;   // -1: the category has nothing to walk
        bool opens;  // the first handout of its category
    };
    // The next piece in scan order, or nothing once every piece is out or
    // handing out has stopped. A category with nothing to walk is handed out
    // once, as opened, and counts as ended at once.
    std::optional<Handout> Next();

    // A handed-out piece has ended. True when this ended its entry: every
    // piece of it that will ever run has ended.
    bool EndPiece(int piece);

    // Hands out nothing more; the pieces not handed out count as ended.
    // Returns the entries that this ended (begun ones only, in order).
    std::vector<int> Stop();
    bool Stopped() const { return stopped_; }

    // After a failure: the pieces handed out but never reported ended count
    // as ended, so every begun category can close.
    void Abandon();

    // The next category that may close: begun, all its pieces ended and the
    // one before it closed. It counts as closed from here on.
    std::optional<int> NextToClose();

    int CategoryOf(int piece) const { return pieceCategory_[static_cast<size_t>(piece)]; }
    int EntryOf(int piece) const { return pieceEntry_[static_cast<size_t>(piece)]; }
    int PieceCount() const { return static_cast<int>(pieceEntry_.size()); }
    // The first entry of a category and how many it has.
    int FirstEntry(int category) const { return categories_[static_cast<size_t>(category)].firstEntry; }
    int EntryCount(int category) const { return categories_[static_cast<size_t>(category)].entryCount; }
    // The first piece of an entry and how many it has.
    int FirstPiece(int entry) const { return entries_[static_cast<size_t>(entry)].firstPiece; }
    int EntryPieceCount(int entry) const { return entries_[static_cast<size_t>(entry)].pieces; }
    // Whether a piece was handed out (and so its walk ran, at least until a stop).
    bool WasHandedOut(int piece) const { return piece < nextPiece_; }

private:
    struct Entry {
        int firstPiece = 0;
        int pieces = 0;
        int ended = 0;  // of those handed out
    };
    struct Category {
        int firstEntry = 0;
        int entryCount = 0;
        int firstPiece = 0;
        int pieces = 0;
        int ended = 0;
        bool begun = false;
    };

    int HandedOut(const Entry& e) const;
    bool EntryDone(const Entry& e) const;
    bool CategoryDone(const Category& c) const;

    std::vector<Category> categories_;
    std::vector<Entry> entries_;
    std::vector<int> pieceEntry_;
    std::vector<int> pieceCategory_;
    int nextPiece_ = 0;     // pieces [0, nextPiece_) are out
    int nextCategory_ = 0;  // the category whose pieces go out next
    int nextToClose_ = 0;
    bool stopped_ = false;
};

}  // namespace pure
