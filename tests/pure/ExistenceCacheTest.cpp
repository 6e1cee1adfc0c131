#include <gtest/gtest.h>

#include <string>

#include "pure/ExistenceCache.h"

using pure::ExistenceCache;
using Answer = ExistenceCache::Answer;

TEST(ExistenceCache, OneQuestionPerKindAndTextWhateverTheCase)
{
    ExistenceCache cache;
    int asked = 0;
    auto yes = [&] { ++asked; return Answer::Yes; };
    auto no = [&] { ++asked; return Answer::No; };
    EXPECT_TRUE(cache.Get(L'6', L"CLSID\\{ab}", yes));
    EXPECT_TRUE(cache.Get(L'6', L"clsid\\{AB}", no));  // kept: not asked again
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(cache.Get(L'3', L"CLSID\\{ab}", no));  // another view is another question
    EXPECT_FALSE(cache.Get(L'3', L"CLSID\\{AB}", yes));
    EXPECT_EQ(asked, 2);
    // Only ASCII letters are folded: the cache never merges what the system might tell apart.
    EXPECT_TRUE(cache.Get(L'6', L"\u00e9", yes));
    EXPECT_FALSE(cache.Get(L'6', L"\u00c9", no));
    EXPECT_EQ(asked, 4);
}

TEST(ExistenceCache, AFailureIsAnsweredNoAndAskedAgain)
{
    ExistenceCache cache;
    int asked = 0;
    EXPECT_FALSE(cache.Get(L'N', L"C:\\x", [&] { ++asked; return Answer::Unsure; }));
    EXPECT_TRUE(cache.Get(L'N', L"C:\\x", [&] { ++asked; return Answer::Yes; }));
    EXPECT_TRUE(cache.Get(L'N', L"C:\\x", [&] { ++asked; return Answer::No; }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(cache.Size(), 1u);
}

// Bounded, and what keeps being asked for outlives what is asked once.
TEST(ExistenceCache, RecurringAnswersOutliveOneOffQuestions)
{
    ExistenceCache cache(8);
    int asked = 0;
    auto yes = [&] { ++asked; return Answer::Yes; };
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
