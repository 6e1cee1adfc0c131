#include <gtest/gtest.h>

#include <random>

#include "pure/IgnoreCodec.h"

using namespace pure;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> b)
{
    std::vector<uint8_t> v;
    for (int x : b) v.push_back(static_cast<uint8_t>(x));
    return v;
}

std::vector<IgnoreGroupData> Sample()
{
    IgnoreGroupData g;
    g.name = L"Shared DLLS";
    g.entryCount = 1;
    IgnoreEntryData e;
    e.rootName = L"HKEY_LOCAL_MACHINE";
    e.keyPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
    e.valueName = L"C:\\gone.dll";
    e.message = L"Shared dlls without be used!";
    e.selected = 0;
    e.is64View = 1;
    g.entries.push_back(e);
    IgnoreGroupData empty;
    empty.name = L"Help Files";
    empty.fixedCount = -3;
    empty.problemCount = 7;
    empty.notFixedCount = 2;
    empty.fixState = 2;
    return {g, empty};
}

}  // namespace

TEST(IgnoreCodec, StringLengthForms)
{
    struct Case {
        size_t n;
        std::vector<uint8_t> head;
    } cases[] = {
        {0, Bytes({0xFF, 0xFE, 0xFF, 0x00})},
        {3, Bytes({0xFF, 0xFE, 0xFF, 0x03})},
        {254, Bytes({0xFF, 0xFE, 0xFF, 0xFE})},
        {255, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00})},
        {300, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01})},
        {0xFFFD, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF})},
        {0xFFFE, Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
    };
    for (const Case& c : cases) {
        std::wstring text(c.n, L'a');
        std::vector<uint8_t> out;
        AppendCountedString(out, text);
        ASSERT_EQ(out.size(), c.head.size() + 2 * c.n) << c.n;
        EXPECT_TRUE(std::equal(c.head.begin(), c.head.end(), out.begin())) << c.n;
        if (c.n) {
            EXPECT_EQ(out[c.head.size()], 'a');
            EXPECT_EQ(out[c.head.size() + 1], 0);
        }
    }
}

TEST(IgnoreCodec, OneIgnoredSharedDllHasTheDocumentedLayout)
{
    IgnoreGroupData g;
    g.name = L"Shared DLLS";
    g.entryCount = 1;
    IgnoreEntryData e;
    e.rootName = L"R";
    e.keyPath = L"K";
    e.valueName = L"";
    e.message = L"M";
    g.entries.push_back(e);
    std::vector<uint8_t> expected = Bytes({1, 0, 0, 0, 0xFF, 0xFE, 0xFF, 11});
    for (wchar_t c : std::wstring(L"Shared DLLS")) {
        expected.push_back(static_cast<uint8_t>(c));
        expected.push_back(0);
    }
    for (int v : {0, 1, 0, 0, 0, 1}) {  // fixed, entry, problem, not-fixed, state, entries
        std::vector<uint8_t> n = Bytes({v, 0, 0, 0});
        expected.insert(expected.end(), n.begin(), n.end());
    }
    for (const char* s : {"R", "K", "", "M"}) {
        std::vector<uint8_t> str = Bytes({0xFF, 0xFE, 0xFF, static_cast<int>(std::string(s).size())});
        for (const char* p = s; *p; ++p) {
            str.push_back(static_cast<uint8_t>(*p));
            str.push_back(0);
        }
        expected.insert(expected.end(), str.begin(), str.end());
    }
    std::vector<uint8_t> tail = Bytes({0, 0, 0, 0, 0, 0, 0, 0});  // selected 0, view 0
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(EncodeIgnoreList({g}), expected);
}

TEST(IgnoreCodec, RoundTripKeepsEveryStoredField)
{
    std::vector<IgnoreGroupData> in = Sample();
    in[0].entries[0].keyPath = std::wstring(300, L'k');
    in[0].entries[0].message = std::wstring(70000, L'm');
    std::vector<uint8_t> bytes = EncodeIgnoreList(in);
    std::vector<IgnoreGroupData> out;
    ASSERT_EQ(DecodeIgnoreList(bytes.data(), bytes.size(), out), DecodeResult::Ok);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].name, in[0].name);
    EXPECT_EQ(out[0].entryCount, 1);
    ASSERT_EQ(out[0].entries.size(), 1u);
    EXPECT_EQ(out[0].entries[0].rootName, in[0].entries[0].rootName);
    EXPECT_EQ(out[0].entries[0].keyPath, in[0].entries[0].keyPath);
    EXPECT_EQ(out[0].entries[0].valueName, in[0].entries[0].valueName);
    EXPECT_EQ(out[0].entries[0].message, in[0].entries[0].message);
    EXPECT_EQ(out[0].entries[0].is64View, 1);
    EXPECT_EQ(out[1].fixedCount, -3);
    EXPECT_EQ(out[1].problemCount, 7);
    EXPECT_EQ(out[1].notFixedCount, 2);
    EXPECT_EQ(out[1].fixState, 2);
    EXPECT_TRUE(out[1].entries.empty());
}

TEST(IgnoreCodec, EmptyInputIsAnEmptyList)
{
    std::vector<IgnoreGroupData> out = Sample();
    EXPECT_EQ(DecodeIgnoreList(nullptr, 0, out), DecodeResult::Ok);
    EXPECT_TRUE(out.empty());
}

TEST(IgnoreCodec, HostileFilesAreRejected)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"short count", Bytes({1, 0})},
        {"huge group count", Bytes({0xFF, 0xFF, 0xFF, 0x7F})},
        {"count without groups", Bytes({1, 0, 0, 0})},
        {"wrong marker", Bytes({1, 0, 0, 0, 0xFE, 0xFE, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 0, 0, 0, 0, 0, 0})},
        {"string longer than the file", Bytes({1, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                               0x7F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"trailing bytes", Bytes({0, 0, 0, 0, 9})},
    };
    for (const Case& c : cases) {
        std::vector<IgnoreGroupData> out;
        EXPECT_EQ(DecodeIgnoreList(c.bytes.data(), c.bytes.size(), out), DecodeResult::Corrupt) << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
    }
}

TEST(IgnoreCodec, HugeEntryCountIsRejectedBeforeAllocating)
{
    std::vector<uint8_t> b;
    AppendInt32(b, 1);
    AppendCountedString(b, L"G");
    for (int i = 0; i < 5; ++i) AppendInt32(b, 0);
    AppendInt32(b, 0x7FFFFFFF);
    b.resize(b.size() + 64, 0);
    std::vector<IgnoreGroupData> out;
    EXPECT_EQ(DecodeIgnoreList(b.data(), b.size(), out), DecodeResult::Corrupt);
}

// Every truncation and a few thousand random corruptions of a valid file
// decode to Ok or Corrupt without touching memory outside the buffer (the
// native build runs this under AddressSanitizer).
TEST(IgnoreCodec, TruncatedAndMutatedFilesNeverOverRead)
{
    const std::vector<uint8_t> good = EncodeIgnoreList(Sample());
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        std::vector<IgnoreGroupData> out;
        EXPECT_EQ(DecodeIgnoreList(cut.data(), cut.size(), out), n == 0 ? DecodeResult::Ok : DecodeResult::Corrupt)
            << n;
    }
    std::mt19937 rng(12345);
    for (int round = 0; round < 5000; ++round) {
        std::vector<uint8_t> bad = good;
        int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
        bad.resize(rng() % (bad.size() + 1));
        std::vector<uint8_t> exact(bad);  // heap block of exactly the file's size
        std::vector<IgnoreGroupData> out;
        DecodeIgnoreList(exact.data(), exact.size(), out);
    }
}
