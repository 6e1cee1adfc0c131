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

TEST(ExistenceCache, StartsAfreshWhenFull)
{
    ExistenceCache cache;
    auto yes = [] { return Answer::Yes; };
    for (size_t i = 0; i < ExistenceCache::kCapacity; ++i) cache.Get(L'N', std::to_wstring(i), yes);
    EXPECT_EQ(cache.Size(), ExistenceCache::kCapacity);
    cache.Get(L'N', L"one more", yes);
    EXPECT_EQ(cache.Size(), 1u);
    int asked = 0;
    cache.Get(L'N', L"0", [&] { ++asked; return Answer::No; });  // forgotten with the rest
    EXPECT_EQ(asked, 1);
}
