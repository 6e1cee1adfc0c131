#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "pure/ScanSchedule.h"

using pure::ScanSchedule;

namespace {

struct Out {
    int category;
    int piece;
    bool opens;
    bool operator==(const Out& o) const { return category == o.category && piece == o.piece && opens == o.opens; }
};

std::vector<Out> HandOutAll(ScanSchedule& s)
{
    std::vector<Out> out;
    while (auto h = s.Next()) out.push_back({h->category, h->piece, h->opens});
    return out;
}

std::vector<int> CloseAll(ScanSchedule& s)
{
    std::vector<int> closed;
    while (auto c = s.NextToClose()) closed.push_back(*c);
    return closed;
}

}  // namespace

// Pieces go out in scan order; a category with nothing to walk is handed out
// once, as begun, between its neighbours.
TEST(ScanSchedule, HandsOutInScanOrderOpeningEachCategoryOnce)
{
    ScanSchedule s({{2, 1}, {}, {1}});
    ASSERT_EQ(s.PieceCount(), 4);
    const std::vector<Out> expected = {{0, 0, true}, {0, 1, false}, {0, 2, false}, {1, -1, true}, {2, 3, true}};
    EXPECT_EQ(HandOutAll(s), expected);
    EXPECT_FALSE(s.Next());
    EXPECT_EQ(s.EntryOf(2), 1);
    EXPECT_EQ(s.CategoryOf(3), 2);
    EXPECT_EQ(s.FirstEntry(2), 2);
    EXPECT_EQ(s.FirstPiece(1), 2);
}

// Categories close in order however their pieces end; an entry ends with
// its last piece.
TEST(ScanSchedule, ClosesInCategoryOrderWhateverEndsFirst)
{
    ScanSchedule s({{2, 1}, {}, {1}});
    HandOutAll(s);
    EXPECT_TRUE(s.EndPiece(3));  // the last category's only piece
    EXPECT_TRUE(CloseAll(s).empty());
    EXPECT_FALSE(s.EndPiece(1));
    EXPECT_TRUE(s.EndPiece(2));   // entry 1 of category 0
    EXPECT_TRUE(CloseAll(s).empty());  // entry 0 still runs
    EXPECT_TRUE(s.EndPiece(0));
    EXPECT_EQ(CloseAll(s), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(CloseAll(s).empty());
}

// A category closes as soon as its turn comes, not when the whole scan ends.
TEST(ScanSchedule, ACategoryClosesBeforeLaterOnesAreHandedOut)
{
    ScanSchedule s({{1}, {1}});
    auto first = s.Next();
    ASSERT_TRUE(first);
    EXPECT_TRUE(CloseAll(s).empty());
    s.EndPiece(first->piece);
    EXPECT_EQ(CloseAll(s), std::vector<int>{0});
    auto second = s.Next();
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->opens);
    EXPECT_TRUE(CloseAll(s).empty());
}

TEST(ScanSchedule, AStopHandsOutNothingMoreAndClosesOnlyWhatWasBegun)
{
    ScanSchedule s({{3}, {1}, {}});
    auto a = s.Next();
    auto b = s.Next();
    ASSERT_TRUE(a && b);
    EXPECT_FALSE(s.EndPiece(a->piece));
    // Piece b still runs: its entry ends when it does, not at the stop.
    EXPECT_TRUE(s.Stop().empty());
    EXPECT_TRUE(s.Stopped());
    EXPECT_FALSE(s.Next());
    EXPECT_TRUE(CloseAll(s).empty());
    EXPECT_TRUE(s.EndPiece(b->piece));
    EXPECT_EQ(CloseAll(s), std::vector<int>{0});  // categories 1 and 2 were never begun
    EXPECT_TRUE(s.Stop().empty());                // a second stop changes nothing
}

TEST(ScanSchedule, AStopEndsAnEntryWhosePiecesHadAllEnded)
{
    ScanSchedule s({{2, 2}});
    auto a = s.Next();
    ASSERT_TRUE(a);
    EXPECT_FALSE(s.EndPiece(a->piece));
    EXPECT_EQ(s.Stop(), std::vector<int>{0});  // entry 1 was never begun: no end for it
    EXPECT_EQ(CloseAll(s), std::vector<int>{0});
    EXPECT_TRUE(s.WasHandedOut(0));
    EXPECT_FALSE(s.WasHandedOut(1));
}

TEST(ScanSchedule, AbandonClosesWhatAFailedThreadLeftOpen)
{
    ScanSchedule s({{1, 1}, {1}});
    auto a = s.Next();
    auto b = s.Next();
    ASSERT_TRUE(a && b);
    s.EndPiece(b->piece);  // piece a's thread died without ending it
    EXPECT_TRUE(CloseAll(s).empty());
    s.Abandon();
    EXPECT_FALSE(s.Next());
    EXPECT_EQ(CloseAll(s), std::vector<int>{0});
}

// Any interleaving of threads, ends and a stop keeps the promises the
// callbacks rely on: categories begin in order, close in order exactly once
// each and only after all their handed-out pieces ended; every begun entry
// ends exactly once.
TEST(ScanSchedule, EveryInterleavingKeepsTheOrder)
{
    const std::vector<std::vector<int>> layout = {{3, 1}, {}, {1, 1, 2}, {4}, {}, {1}};
    for (unsigned seed = 1; seed <= 3000; ++seed) {
        std::mt19937 random(seed);
        ScanSchedule s(layout);
        const int threads = 1 + static_cast<int>(random() % 4);
        const int stopAfter = random() % 3 == 0 ? static_cast<int>(random() % 12) : -1;
        std::vector<int> running;
        std::vector<int> opened;
        std::vector<int> closed;
        std::vector<int> endedEntries(static_cast<size_t>(s.FirstEntry(5) + 1), 0);
        std::vector<int> endedPieces;
        int steps = 0;
        bool handing = true;
        while (handing || !running.empty()) {
            const std::string where = "seed " + std::to_string(seed) + " step " + std::to_string(steps);
            if (steps++ == stopAfter)
                for (int e : s.Stop()) ++endedEntries[static_cast<size_t>(e)];
            for (auto c = s.NextToClose(); c; c = s.NextToClose()) {
                // Closing only after every piece of it that went out has ended.
                for (int p = 0; p < s.PieceCount(); ++p)
                    if (s.CategoryOf(p) == *c && s.WasHandedOut(p)) {
                        bool ended = false;
                        for (int q : endedPieces) ended = ended || q == p;
                        ASSERT_TRUE(ended) << where;
                    }
                closed.push_back(*c);
            }
            const bool take = handing && (static_cast<int>(running.size()) < threads) &&
                              (running.empty() || random() % 2 == 0);
            if (take) {
                auto h = s.Next();
                if (!h) {
                    handing = false;
                    continue;
                }
                if (h->opens) opened.push_back(h->category);
                if (h->piece >= 0) running.push_back(h->piece);
                continue;
            }
            if (running.empty()) continue;
            const size_t k = random() % running.size();
            const int piece = running[k];
            running.erase(running.begin() + static_cast<long>(k));
            endedPieces.push_back(piece);
            if (s.EndPiece(piece)) ++endedEntries[static_cast<size_t>(s.EntryOf(piece))];
        }
        for (auto c = s.NextToClose(); c; c = s.NextToClose()) closed.push_back(*c);
        const std::string where = "seed " + std::to_string(seed);
        for (size_t i = 0; i < opened.size(); ++i) ASSERT_EQ(opened[i], static_cast<int>(i)) << where;
        ASSERT_EQ(closed, opened) << where;
        for (int e = 0; e < static_cast<int>(endedEntries.size()); ++e) {
            const bool begun = s.WasHandedOut(s.FirstPiece(e));
            ASSERT_EQ(endedEntries[static_cast<size_t>(e)], begun ? 1 : 0) << where << " entry " << e;
        }
        if (stopAfter < 0) {
            ASSERT_EQ(static_cast<int>(closed.size()), 6) << where;
        }
    }
}
