#include <gtest/gtest.h>

#include <string>

#include "pure/ExistenceCache.h"

using pure::ExistenceCache;
using pure::Presence;

TEST(ExistenceCache, OneQuestionPerKindAndTextWhateverTheCase)
{
    ExistenceCache cache;
    int asked = 0;
    auto yes = [&] { ++asked; return Presence::Present; };
    auto no = [&] { ++asked; return Presence::Missing; };
    EXPECT_EQ(cache.Get(L'6', L"CLSID\\{ab}", yes), Presence::Present);
    EXPECT_EQ(cache.Get(L'6', L"clsid\\{AB}", no), Presence::Present);  // kept: not asked again
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(cache.Get(L'3', L"CLSID\\{ab}", no), Presence::Missing);  // another view is another question
    EXPECT_EQ(cache.Get(L'3', L"CLSID\\{AB}", yes), Presence::Missing);
    EXPECT_EQ(asked, 2);
    // Only ASCII letters are folded: the cache never merges what the system might tell apart.
    EXPECT_EQ(cache.Get(L'6', L"\u00e9", yes), Presence::Present);
    EXPECT_EQ(cache.Get(L'6', L"\u00c9", no), Presence::Missing);
    EXPECT_EQ(asked, 4);
}

TEST(ExistenceCache, AnUnknownAnswerIsNotKeptAndAskedAgain)
{
    ExistenceCache cache;
    int asked = 0;
    EXPECT_EQ(cache.Get(L'N', L"C:\\x", [&] { ++asked; return Presence::Unknown; }), Presence::Unknown);
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_EQ(cache.Get(L'N', L"C:\\x", [&] { ++asked; return Presence::Present; }), Presence::Present);
    EXPECT_EQ(cache.Get(L'N', L"C:\\x", [&] { ++asked; return Presence::Missing; }), Presence::Present);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(cache.Size(), 1u);
}

// Bounded, and what keeps being asked for outlives what is asked once.
TEST(ExistenceCache, RecurringAnswersOutliveOneOffQuestions)
{
    ExistenceCache cache(8);
    int asked = 0;
    auto yes = [&] { ++asked; return Presence::Present; };
    cache.Get(L'N', L"shared.dll", yes);
    for (int i = 0; i < 100; ++i) {
        cache.Get(L'N', L"once" + std::to_wstring(i), yes);
        cache.Get(L'N', L"shared.dll", yes);
        EXPECT_LE(cache.Size(), cache.Capacity());
    }
    EXPECT_EQ(asked, 101);  // shared.dll once, each one-off once

    // A question not asked again for two generations is forgotten.
    asked = 0;
    for (int i = 0; i < 8; ++i) cache.Get(L'N', L"later" + std::to_wstring(i), yes);
    cache.Get(L'N', L"shared.dll", yes);
    EXPECT_EQ(asked, 9);
}
