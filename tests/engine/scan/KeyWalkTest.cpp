#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ScanFixtures.h"
#include "scan/KeyWalk.h"
#include "scan/ProblemRecord.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using namespace scan;
using scantest::Call;

namespace {

// What the rules saw, in order.
struct Seen {
    std::wstring what;  // "key", "value", "empty", "error"
    std::wstring path;
    int depth;
    std::wstring name;
    std::wstring text;
    DWORD number;  // value: size; key: subkey count; error: the code
};

class RecordingRules : public WalkRules {
public:
    std::vector<Seen> seen;
    std::function<void(const ScanTarget&, const WalkKey&, const WalkValue&)> onValue;
    std::function<bool(const std::wstring& upperName, int depth)> enter;

    bool EnterSubKey(const ScanTarget& t, const WalkItem& parent, const std::wstring& upperName,
                     WalkItem& child) override
    {
        if (enter) return enter(upperName, child.depth);
        return WalkRules::EnterSubKey(t, parent, upperName, child);
    }
    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        seen.push_back({L"value", key.item.keyPath, key.item.depth, std::wstring(v.name), std::wstring(v.Text()), v.size});
        if (onValue) onValue(t, key, v);
    }
    void OnEmptyKey(const ScanTarget&, const WalkKey& key) override
    {
        seen.push_back({L"empty", key.item.keyPath, key.item.depth, L"", L"", key.subKeyCount});
    }
    void OnValueError(const ScanTarget&, const WalkKey& key, DWORD, LONG error) override
    {
        seen.push_back({L"error", key.item.keyPath, key.item.depth, L"", L"", static_cast<DWORD>(error)});
    }
    std::vector<Seen> Of(const wchar_t* what) const
    {
        std::vector<Seen> out;
        for (const Seen& s : seen)
            if (s.what == what) out.push_back(s);
        return out;
    }
};

// A walk target below HKEY_CURRENT_USER\Software in the 64-bit view.
struct WalkSetup {
    testenv::ScratchKey key{HKEY_CURRENT_USER, L"Software", L"walk"};
    scantest::RegFixture reg{KEY_WOW64_64KEY, HKEY_CURRENT_USER};
    CRegEngine engine{SystemFacts::Detect()};
    RegScanCategory result;
    XMLElement category;
    RegScanKeyEntry entry;
    WalkSetup()
    {
        category.categoryName = L"Install&Uninstall Entries";
        entry.rootHandle = HKEY_CURRENT_USER;
        entry.rootName = L"HKEY_CURRENT_USER";
        entry.subKey = key.path();
    }
    ScanTarget Target() { return ScanTarget{engine, result, category, entry, kView64}; }
    std::wstring At(const std::wstring& sub) const { return sub.empty() ? key.path() : key.path() + L"\\" + sub; }
    void Walk(RecordingRules& rules)
    {
        rules.scopeCategory = category.categoryName;
        WalkKeys(Target(), rules);
    }
};

}  // namespace

TEST(KeyWalk, DepthFirstVisitsWithItemsBeforeEachTakenValue)
{
    WalkSetup s;
    s.reg.String(s.At(L""), L"", L"root");
    DWORD one = 1;
    s.reg.Raw(s.At(L""), L"count", REG_DWORD, &one, sizeof one);
    s.reg.String(s.At(L"A"), L"v1", L"%windir%", REG_EXPAND_SZ);
    s.reg.String(s.At(L"A\\A1"), L"deep", L"d");
    s.reg.String(s.At(L"B"), L"vb", L"b");
    s.reg.Key(s.At(L"C"));
    scantest::CallbackRecorder callbacks;
    ReportRecorder reports;

    RecordingRules rules;
    s.Walk(rules);

    std::vector<std::wstring> order;
    for (const Seen& v : rules.seen) order.push_back(v.what + L":" + v.path.substr(s.key.path().size()) + L":" + v.name);
    std::vector<std::wstring> expected = {L"value::default value", L"value:\\A:v1", L"value:\\A\\A1:deep",
                                          L"value:\\B:vb", L"empty:\\C:"};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(rules.seen[0].depth, 0);
    EXPECT_EQ(rules.seen[1].text, L"%windir%");  // as stored
    EXPECT_EQ(rules.seen[2].depth, 2);

    std::vector<Call> items = callbacks.ItemsContaining(s.key.path());
    ASSERT_EQ(items.size(), 4u);  // the DWORD value is neither announced nor counted
    EXPECT_EQ(items[0].text, s.key.path() + L"\\default value");
    EXPECT_EQ(items[1].text, s.At(L"A") + L"\\v1");
    EXPECT_EQ(items[2].text, s.At(L"A\\A1") + L"\\deep");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(items[i].number, i);
    EXPECT_EQ(s.engine.processedCount.load(), 4);
    EXPECT_TRUE(reports.Take().empty());
}

// The walk goes depth first, but what it finds is listed level by level,
// each level in enumeration order, and a key's own problems in the order
// its rules recorded them.
TEST(KeyWalk, ProblemsComeOutBreadthFirst)
{
    WalkSetup s;
    s.reg.String(s.At(L"A\\A1\\A11"), L"a11", L"x");
    s.reg.String(s.At(L"A\\A1"), L"a1", L"x");
    s.reg.String(s.At(L"A\\A2"), L"a2", L"x");
    s.reg.String(s.At(L"A"), L"a", L"x");
    s.reg.String(s.At(L"B\\B1"), L"b1-first", L"x");
    s.reg.String(s.At(L"B\\B1"), L"b1-second", L"x");
    s.reg.String(s.At(L"B"), L"b", L"x");
    s.reg.Key(s.At(L"C\\C1"));
    s.reg.String(s.At(L""), L"top", L"x");
    // Problems recorded before the walk stay first and untouched.
    RecordValueProblem(s.Target(), WalkKey{WalkItem{HKEY_CURRENT_USER, L"earlier", 1}, nullptr, 0, 1},
                       WalkValue{L"before", 6, REG_SZ, nullptr, 0}, kFileMissing, kImportant, kDeleteValue);

    struct EmptyToo : RecordingRules {
        void OnEmptyKey(const ScanTarget& t, const WalkKey& key) override
        {
            RecordingRules::OnEmptyKey(t, key);
            if (key.subKeyCount == 0) RecordKeyProblem(t, key, kDefaultValueNull, kFair, kDeleteKey);
        }
    } withEmpty;
    withEmpty.onValue = [](const ScanTarget& t, const WalkKey& key, const WalkValue& v) {
        RecordValueProblem(t, key, v, kFileMissing, kImportant, kDeleteValue);
    };
    s.Walk(withEmpty);

    std::vector<std::wstring> found;
    for (const RegEntryProb* p : s.result.problems) {
        const std::wstring tail = p->keyPath.size() > s.key.path().size() ? p->keyPath.substr(s.key.path().size() + 1)
                                                                         : p->keyPath.substr(0, 0);
        found.push_back(tail + L":" + p->valueName);
    }
    std::vector<std::wstring> expected = {L":before",   L":top",           L"A:a",           L"B:b",
                                          L"A\\A1:a1", L"A\\A2:a2",      L"B\\B1:b1-first", L"B\\B1:b1-second",
                                          L"C\\C1:default value", L"A\\A1\\A11:a11"};
    EXPECT_EQ(found, expected);
    // The visits themselves were depth first.
    EXPECT_EQ(withEmpty.Of(L"value")[2].name, L"a1");
}

TEST(KeyWalk, ScopeAndTypeFiltersAndEmptyKeys)
{
    WalkSetup s;
    s.reg.String(s.At(L"keep\\inner"), L"x", L"1");
    s.reg.String(s.At(L"skip"), L"x", L"2");
    DWORD one = 1;
    s.reg.Raw(s.At(L"dwordonly"), L"n", REG_DWORD, &one, sizeof one);
    s.reg.Raw(s.At(L"keep"), L"bin", REG_BINARY, "a\0b\0", 4);

    RecordingRules rules;
    rules.enter = [](const std::wstring& upper, int depth) { return upper != L"SKIP" && depth <= 2; };
    s.Walk(rules);
    std::vector<Seen> values = rules.Of(L"value");
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].path, s.At(L"keep\\inner"));
    // The root key has subkeys but no values; "keep" has a binary value, so it is not empty.
    std::vector<Seen> empty = rules.Of(L"empty");
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].path, s.key.path());
    EXPECT_EQ(empty[0].number, 3u);

    RecordingRules binary;
    binary.valueTypes = TypeBit(REG_SZ) | TypeBit(REG_BINARY);
    s.engine.processedCount = 0;
    s.Walk(binary);
    std::vector<Seen> got = binary.Of(L"value");
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].path, s.At(L"keep"));  // breadth first: depth 1 before depth 2
    EXPECT_EQ(got[0].text, L"ab");
    EXPECT_EQ(s.engine.processedCount.load(), 3);
}

TEST(KeyWalk, DataTextEndsAtTheReturnedSize)
{
    WalkSetup s;
    const std::wstring k = s.At(L"data");
    const std::wstring longText(200, L'x');
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    const wchar_t embedded[] = {L'a', L'b', 0, L'c', L'd', 0};
    // Binary data is never given a terminator by the registry: the short
    // value after the long one shows whether stale bytes leak into the text.
    s.reg.Raw(k, L"1long", REG_BINARY, longText.c_str(), static_cast<DWORD>(longText.size() * sizeof(wchar_t)));
    s.reg.Raw(k, L"2short", REG_BINARY, L"ab", 2 * sizeof(wchar_t));
    s.reg.Raw(k, L"3unterminated", REG_SZ, unterminated, sizeof unterminated);
    s.reg.Raw(k, L"4empty", REG_SZ, nullptr, 0);
    s.reg.Raw(k, L"5embedded", REG_SZ, embedded, sizeof embedded);
    s.reg.Raw(k, L"6odd", REG_BINARY, "y\0z", 3);
    s.reg.Raw(k, L"7terminator", REG_SZ, L"", sizeof(wchar_t));

    RecordingRules rules;
    rules.valueTypes = TypeBit(REG_SZ) | TypeBit(REG_BINARY);
    std::vector<std::pair<bool, bool>> flags;  // empty, present
    rules.onValue = [&](const ScanTarget&, const WalkKey&, const WalkValue& v) {
        flags.push_back({v.IsEmptyText(), v.IsPresent()});
    };
    s.Walk(rules);
    std::vector<Seen> values = rules.Of(L"value");
    ASSERT_EQ(values.size(), 7u);
    EXPECT_EQ(values[0].text, longText);
    EXPECT_EQ(values[1].text, L"ab");
    EXPECT_EQ(values[1].number, 4u);
    EXPECT_EQ(values[2].text, L"abc");
    EXPECT_EQ(values[3].text, L"");
    EXPECT_EQ(values[4].text, L"ab");
    EXPECT_EQ(values[5].text, L"y");
    EXPECT_EQ(values[6].text, L"");
    std::vector<std::pair<bool, bool>> expected = {{false, true}, {false, true}, {false, true}, {true, false},
                                                   {false, true}, {false, true}, {true, true}};
    EXPECT_EQ(flags, expected);
}

TEST(KeyWalk, OversizedNamesAndDataAreEnumerationFailures)
{
    WalkSetup s;
    s.reg.String(s.At(L"twelve-chars"), L"x", L"deep");
    s.reg.String(s.At(L"v"), L"a", std::wstring(9000, L'd'));  // 18002 bytes
    s.reg.String(s.At(L"v"), std::wstring(300, L'n'), L"long name");
    s.reg.String(s.At(L"v"), L"b", L"after");

    RecordingRules rules;
    rules.subKeyNameCapacity = 12;  // room for 11 characters
    s.Walk(rules);
    std::vector<Seen> values = rules.Of(L"value");
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, L"b");
    std::vector<Seen> errors = rules.Of(L"error");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].number, static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(s.engine.processedCount.load(), 1);

    // With the usual capacity the twelve-character subkey is entered.
    RecordingRules usual;
    s.Walk(usual);
    ASSERT_EQ(usual.Of(L"value").size(), 2u);
    EXPECT_EQ(usual.Of(L"value")[0].path, s.At(L"twelve-chars"));
}

TEST(KeyWalk, StopFlagEndsTheWalkAtTheNextItem)
{
    WalkSetup s;
    for (int i = 0; i < 10; ++i) s.reg.String(s.At(L"a"), L"v" + std::to_wstring(i), L"x");
    s.reg.String(s.At(L"b"), L"v", L"x");
    scantest::CallbackRecorder callbacks;

    RecordingRules rules;
    int handed = 0;
    rules.onValue = [&](const ScanTarget& t, const WalkKey&, const WalkValue&) {
        if (++handed == 3) t.engine.stopFlag = 1;
    };
    s.Walk(rules);
    // The root (no values) came first; nothing after the third value of "a".
    ASSERT_EQ(rules.seen.size(), 4u);
    EXPECT_EQ(rules.seen[0].what, L"empty");
    EXPECT_EQ(rules.Of(L"value").size(), 3u);
    EXPECT_EQ(rules.seen.back().path, s.At(L"a"));
    EXPECT_EQ(s.engine.processedCount.load(), 3);
    EXPECT_EQ(callbacks.ItemsContaining(s.key.path()).size(), 3u);

    RecordingRules again;
    s.Walk(again);  // still stopped: nothing at all
    EXPECT_TRUE(again.seen.empty());
}

TEST(KeyWalk, MissingStartKeyIsSilent)
{
    WalkSetup s;
    ReportRecorder reports;
    s.entry.subKey = s.key.path() + L"\\missing";
    RecordingRules rules;
    rules.scopeCategory = s.category.categoryName;
    WalkKeys(s.Target(), rules);
    EXPECT_TRUE(rules.seen.empty());
    EXPECT_TRUE(reports.Take().empty());
}

TEST(KeyWalk, RecordsKeepTheUnnamedValueApartFromOneCalledDefaultValue)
{
    WalkSetup s;
    s.reg.String(s.At(L"k"), L"", L"unnamed");
    s.reg.String(s.At(L"k"), L"default value", L"named");
    RecordingRules rules;
    rules.onValue = [](const ScanTarget& t, const WalkKey& key, const WalkValue& v) {
        RecordValueProblem(t, key, v, kFileMissing, kImportant, kDeleteValue);
    };
    s.Walk(rules);
    ASSERT_EQ(s.result.problems.GetCount(), 2);
    int unnamed = 0;
    for (int i = 0; i < 2; ++i) {
        const RegEntryProb& p = *s.result.problems[i];
        EXPECT_EQ(p.valueName, L"default value");
        EXPECT_EQ(p.scannedKeyPath, s.At(L"k"));
        EXPECT_EQ(p.viewFlag, kView64);
        EXPECT_EQ(p.rootName, L"HKEY_CURRENT_USER");
        if (p.isDefaultValue) {
            ++unnamed;
            EXPECT_EQ(p.data, L"unnamed");
        } else {
            EXPECT_EQ(p.data, L"named");
        }
    }
    EXPECT_EQ(unnamed, 1);
}
