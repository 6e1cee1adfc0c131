// IgnoreList.dat and the ignore filter, with real files in a scratch folder.
#include <gtest/gtest.h>

#include "core/EngineState.h"
#include "core/Slots.h"
#include "engine/backup/RegistryFixture.h"
#include "pure/IgnoreCodec.h"
#include "scan/FixRun.h"
#include "scan/IgnoreList.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

namespace {

// A fresh engine state holding one scanned category with three problems.
CRegEngine& ScannedState(const wchar_t* category = L"Shared DLLS")
{
    CRegEngine& e = engine::New();
    auto c = std::make_unique<XMLElement>();
    c->categoryName = category;
    XMLElement& cat = *e.categories.Add(std::move(c));
    auto r = std::make_unique<RegScanCategory>();
    r->name = category;
    fixture::Record(e, *r, cat, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                    L"C:\\a.dll", kView64, 0);
    fixture::Record(e, *r, cat, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                    L"C:\\b.dll", kView64, 0);
    fixture::Record(e, *r, cat, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                    L"C:\\a.dll", kView32, 0);
    e.results.Add(std::move(r));
    return e;
}

std::vector<pure::IgnoreGroupData> FileGroups(const testenv::ScratchDir& dir)
{
    std::string bytes = dir.Read(L"IgnoreList.dat");
    std::vector<pure::IgnoreGroupData> groups;
    EXPECT_EQ(pure::DecodeIgnoreList(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), groups),
              pure::DecodeResult::Ok);
    return groups;
}

class Ignore : public ::testing::Test {
protected:
    void TearDown() override { engine::Destroy(); }
    ReportRecorder reports_;
    testenv::ScratchDir dir_{L"ignore"};
};

TEST_F(Ignore, IgnoringTheFirstProblemWritesOneGroup)
{
    CRegEngine& e = ScannedState();
    EXPECT_EQ(slots::IgnoreProblem(0, 0), 1);
    RegEntryProb& p = *e.results[0]->problems[0];
    EXPECT_EQ(p.selected, 0);
    EXPECT_EQ(p.ignored, 1);
    EXPECT_EQ(e.results[0]->ignoredCount, 1);
    EXPECT_EQ(e.checkedCount.load(), 2);
    EXPECT_EQ(e.problemCount.load(), 3);

    auto groups = FileGroups(dir_);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, L"Shared DLLS");
    EXPECT_EQ(groups[0].fixedCount, 0);
    EXPECT_EQ(groups[0].entryCount, 1);
    EXPECT_EQ(groups[0].problemCount, 0);
    EXPECT_EQ(groups[0].notFixedCount, 0);
    EXPECT_EQ(groups[0].fixState, 0);
    ASSERT_EQ(groups[0].entries.size(), 1u);
    EXPECT_EQ(groups[0].entries[0].selected, 0);
    EXPECT_EQ(groups[0].entries[0].valueName, L"C:\\a.dll");
    EXPECT_EQ(groups[0].entries[0].is64View, 1);
    EXPECT_EQ(GetFileAttributesW(dir_.File(L"IgnoreList.dat.new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Ignore, IgnoringTwiceOrAnUncheckedProblemMovesNoCounterTwice)
{
    CRegEngine& e = ScannedState();
    slots::SetProblemChecked(0, 1, 0);
    EXPECT_EQ(e.checkedCount.load(), 2);
    slots::IgnoreProblem(0, 1);  // already unchecked: the checked counter stays
    EXPECT_EQ(e.checkedCount.load(), 2);
    slots::IgnoreProblem(0, 1);  // already ignored: nothing at all
    EXPECT_EQ(e.results[0]->ignoredCount, 1);
    EXPECT_EQ(e.ignoreList[0]->problems.GetCount(), 1);
    EXPECT_THROW(slots::IgnoreProblem(0, 3), EngineInvalidArgument);
    EXPECT_THROW(slots::IgnoreProblem(1, 0), EngineInvalidArgument);
}

TEST_F(Ignore, NextScanFiltersTheSameProblemInTheSameViewOnly)
{
    ScannedState();
    slots::IgnoreProblem(0, 0);
    // A fresh state reads the file, as a scan does; the stored key path in
    // another letter case still matches.
    CRegEngine& e = engine::New();
    scan::LoadIgnoreList(e);
    ASSERT_EQ(e.ignoreList.GetCount(), 1);
    EXPECT_EQ(e.ignoreList[0]->problems[0]->fixOk, 0);
    EXPECT_EQ(e.ignoreList[0]->problems[0]->rootHandle, HKEY_LOCAL_MACHINE);
    e.ignoreList[0]->problems[0]->keyPath = L"software\\microsoft\\windows\\currentversion\\shareddlls";
    auto c = std::make_unique<XMLElement>();
    c->categoryName = L"Shared DLLS";
    XMLElement& cat = *e.categories.Add(std::move(c));
    RegScanCategory r;
    r.name = L"shared dlls";
    for (int i = 0; i < 2; ++i)  // the same problem found twice: only one is matched
        fixture::Record(e, r, cat, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                        L"C:\\A.dll", kView64, 0);
    fixture::Record(e, r, cat, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                    L"C:\\a.dll", kView32, 0);
    scan::ApplyIgnoreList(e, r, cat);
    EXPECT_EQ(r.problems[0]->ignored, 1);
    EXPECT_EQ(r.problems[0]->selected, 0);
    EXPECT_EQ(r.problems[1]->ignored, 0);
    EXPECT_EQ(r.problems[2]->ignored, 0);
    EXPECT_EQ(r.problemCount, 2);
    EXPECT_EQ(e.problemCount.load(), 2);
    EXPECT_EQ(e.checkedCount.load(), 2);
    EXPECT_EQ(cat.foundCount, 2);
}

// Two copies of one entry in the list (the same problem ignored in two
// scans): each can take only a problem not ignored yet, so one finding is
// counted out once.
TEST_F(Ignore, DuplicateEntriesTakeOneFindingOnce)
{
    CRegEngine& e = engine::New();
    auto g = std::make_unique<RegScanCategory>();
    g->name = L"Help Files";
    for (int i = 0; i < 2; ++i) {
        auto entry = std::make_unique<RegEntryProb>();
        entry->rootName = L"HKEY_LOCAL_MACHINE";
        entry->keyPath = L"SOFTWARE\\Microsoft\\Windows\\Help";
        entry->valueName = L"x.hlp";
        entry->is64View = 1;
        g->problems.Add(std::move(entry));
    }
    e.ignoreList.Add(std::move(g));
    XMLElement cat;
    cat.categoryName = L"Help Files";
    RegScanCategory r;
    r.name = L"Help Files";
    fixture::Record(e, r, cat, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\Help", L"x.hlp", kView64, 0);
    scan::ApplyIgnoreList(e, r, cat);
    EXPECT_EQ(r.problems[0]->ignored, 1);
    EXPECT_EQ(r.problemCount, 0);
    EXPECT_EQ(e.problemCount.load(), 0);
    EXPECT_EQ(e.checkedCount.load(), 0);
    EXPECT_EQ(cat.foundCount, 0);
}

TEST_F(Ignore, RemovingTheOnlyEntryKeepsAnEmptyGroup)
{
    ScannedState();
    slots::IgnoreProblem(0, 0);
    CRegEngine& e = engine::New();
    PtrArray<RegScanCategory>* list = slots::GetIgnoreList();
    ASSERT_EQ(list, &e.ignoreList);
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_THROW(slots::RemoveIgnoreItem(0, 1), EngineInvalidArgument);
    EXPECT_THROW(slots::RemoveIgnoreItem(1, 0), EngineInvalidArgument);
    slots::RemoveIgnoreItem(0, 0);
    EXPECT_EQ((*list)[0]->ignoredCount, 0);
    auto groups = FileGroups(dir_);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].entryCount, 0);
    EXPECT_TRUE(groups[0].entries.empty());
}

TEST_F(Ignore, ARemovalThatCannotBeSavedKeepsTheEntryListed)
{
    ScannedState();
    slots::IgnoreProblem(0, 0);
    slots::IgnoreProblem(0, 1);
    engine::New();
    PtrArray<RegScanCategory>* list = slots::GetIgnoreList();
    ASSERT_EQ((*list)[0]->problems.GetCount(), 2);
    const std::string before = dir_.Read(L"IgnoreList.dat");
    reports_.Take();
    // The temporary name is taken by a folder: the new list cannot be written.
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"IgnoreList.dat.new").c_str(), nullptr));
    slots::RemoveIgnoreItem(0, 0);
    RemoveDirectoryW(dir_.File(L"IgnoreList.dat.new").c_str());
    EXPECT_EQ(reports_.Take().size(), 1u);
    EXPECT_EQ(dir_.Read(L"IgnoreList.dat"), before);
    ASSERT_EQ((*list)[0]->problems.GetCount(), 2) << "the list is what the file holds";
    EXPECT_EQ((*list)[0]->ignoredCount, 2);
    EXPECT_EQ((*list)[0]->problems[0]->valueName, L"C:\\a.dll");
    slots::RemoveIgnoreItem(0, 0);
    ASSERT_EQ((*list)[0]->problems.GetCount(), 1);
    EXPECT_EQ((*list)[0]->problems[0]->valueName, L"C:\\b.dll");
    EXPECT_EQ(FileGroups(dir_)[0].entries.size(), 1u);
}

TEST_F(Ignore, MissingEmptyAndDamagedFiles)
{
    CRegEngine& e = engine::New();
    scan::LoadIgnoreList(e);  // missing
    EXPECT_TRUE(e.ignoreList.IsEmpty());
    dir_.Write(L"IgnoreList.dat", "");
    scan::LoadIgnoreList(e);
    EXPECT_TRUE(e.ignoreList.IsEmpty());
    EXPECT_TRUE(reports_.Take().empty());

    const std::string damaged("\x01\x00\x00\x00\xFF\xFE\xFF\x40", 8);
    dir_.Write(L"IgnoreList.dat", damaged);
    scan::LoadIgnoreList(e);
    EXPECT_TRUE(e.ignoreList.IsEmpty());
    auto r = reports_.Take();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].caption, L"IgnoreList.dat");
    EXPECT_EQ(r[0].text.find(L'\n'), std::wstring::npos);
    // Reading never rewrites the file.
    EXPECT_EQ(dir_.Read(L"IgnoreList.dat"), damaged);
}

}  // namespace

namespace {

// A list that is there but cannot be read is never replaced: ignoring fails
// and changes nothing, and the file keeps its bytes.
TEST_F(Ignore, AnUnreadableListIsNeitherReplacedNorTakenForEmpty)
{
    ScannedState();
    ASSERT_EQ(slots::IgnoreProblem(0, 0), 1);
    const std::string stored = dir_.Read(L"IgnoreList.dat");
    reports_.Take();

    CRegEngine& e = ScannedState();
    HANDLE locked = CreateFileW(dir_.File(L"IgnoreList.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(slots::IgnoreProblem(0, 1), 0);
    CloseHandle(locked);
    const RegEntryProb& p = *e.results[0]->problems[1];
    EXPECT_EQ(p.ignored, 0);
    EXPECT_EQ(e.results[0]->ignoredCount, 0);
    auto shown = reports_.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, L"IgnoreList.dat");
    EXPECT_EQ(dir_.Read(L"IgnoreList.dat"), stored);

    // Once it can be read again, both entries are kept.
    EXPECT_EQ(slots::IgnoreProblem(0, 1), 1);
    auto groups = FileGroups(dir_);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].entries.size(), 2u);
}

// A damaged list is kept as IgnoreList.dat.bad before it is first rewritten.
TEST_F(Ignore, ADamagedListIsKeptBesideTheNewOne)
{
    const std::string damaged("\x01\x00\x00\x00\xFF\xFE\xFF\x40", 8);
    dir_.Write(L"IgnoreList.dat", damaged);
    ScannedState();
    EXPECT_EQ(slots::IgnoreProblem(0, 0), 1);
    EXPECT_EQ(reports_.Take().size(), 1u);  // the damage, once
    EXPECT_EQ(dir_.Read(L"IgnoreList.dat.bad"), damaged);
    EXPECT_EQ(FileGroups(dir_).size(), 1u);
    // Later writes keep the first copy.
    EXPECT_EQ(slots::IgnoreProblem(0, 1), 1);
    EXPECT_EQ(dir_.Read(L"IgnoreList.dat.bad"), damaged);

    // A file beyond any list a user builds is not read as one.
    std::string huge(5 * 1024 * 1024, '\0');
    dir_.Write(L"IgnoreList.dat", huge);
    CRegEngine& e = engine::New();
    EXPECT_TRUE(scan::LoadIgnoreList(e));
    EXPECT_TRUE(e.ignoreList.IsEmpty());
    EXPECT_EQ(reports_.Take().size(), 1u);
}

}  // namespace

namespace {

// The unnamed value and a value named "default value" are two problems: an
// entry made in this session hides only its own. Read back from the file,
// where both look alike, it hides both, so neither is fixed by mistake.
TEST_F(Ignore, TheUnnamedValueAndOneNamedDefaultValueStayApart)
{
    const std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
    auto scanned = [&](CRegEngine& e) {
        e.categories.Clear();
        e.results.Clear();
        auto c = std::make_unique<XMLElement>();
        c->categoryName = L"Help Files";
        XMLElement& cat = *e.categories.Add(std::move(c));
        auto r = std::make_unique<RegScanCategory>();
        r->name = L"Help Files";
        fixture::Record(e, *r, cat, HKEY_LOCAL_MACHINE, key, L"", kView64, 0, true);
        fixture::Record(e, *r, cat, HKEY_LOCAL_MACHINE, key, kDefaultValueLabel, kView64, 0, false);
        e.results.Add(std::move(r));
        return &cat;
    };
    CRegEngine& e = engine::New();
    scanned(e);
    ASSERT_EQ(slots::IgnoreProblem(0, 0), 1);  // the unnamed value

    // The same session: a new scan's list hides the unnamed value only.
    XMLElement* cat = scanned(e);
    scan::ApplyIgnoreList(e, *e.results[0], *cat);
    EXPECT_EQ(e.results[0]->problems[0]->ignored, 1);
    EXPECT_EQ(e.results[0]->problems[1]->ignored, 0);

    // A new session reads the file: both are hidden.
    CRegEngine& fresh = engine::New();
    cat = scanned(fresh);
    ASSERT_TRUE(scan::LoadIgnoreList(fresh));
    scan::ApplyIgnoreList(fresh, *fresh.results[0], *cat);
    EXPECT_EQ(fresh.results[0]->problems[0]->ignored, 1);
    EXPECT_EQ(fresh.results[0]->problems[1]->ignored, 1);
}

}  // namespace

namespace {

// A scan whose ignore list could not be read cannot leave out what the user
// ignored: every problem is found unchecked, none can be checked, and a fix
// run fixes nothing even when a caller set the flag itself. A readable list
// (or none) keeps the problems checked and the fix working.
TEST_F(Ignore, AListThatCouldNotBeReadBlocksCheckingAndFixing)
{
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"ignoreblock");
    key.SetString(L"", L"v", L"C:\\gone.exe");
    const std::string good = [] {
        const std::vector<uint8_t> b = pure::EncodeIgnoreList({});
        return std::string(b.begin(), b.end());
    }();
    struct Case {
        const char* what;
        const char* bytes;  // null: no file
        bool lock;
        int state;
    };
    const Case cases[] = {{"no file", nullptr, false, kIgnoreListRead},
                          {"a good list", "", false, kIgnoreListRead},
                          {"damaged", "\x01\x00\x00\x00\xFF", false, kIgnoreListDamaged},
                          {"locked", "", true, kIgnoreListUnreadable}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(dir_.File(L"IgnoreList.dat").c_str());
        if (c.bytes) dir_.Write(L"IgnoreList.dat", *c.bytes ? std::string(c.bytes) : good);
        HANDLE locked = c.lock ? CreateFileW(dir_.File(L"IgnoreList.dat").c_str(), GENERIC_READ, 0, nullptr,
                                             OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
        CRegEngine& e = engine::New();
        auto category = std::make_unique<XMLElement>();
        category->categoryName = L"Windows Startup Items";
        XMLElement& cat = *e.categories.Add(std::move(category));
        auto r = std::make_unique<RegScanCategory>();
        r->name = cat.categoryName;
        fixture::Record(e, *r, cat, HKEY_CURRENT_USER, key.path(), L"v", e.PrimaryView(), 0);
        RegScanCategory& result = *e.results.Add(std::move(r));
        scan::LoadIgnoreListForScan(e);
        scan::ApplyIgnoreList(e, result, cat);
        if (locked != INVALID_HANDLE_VALUE) CloseHandle(locked);
        reports_.Take();

        const bool read = c.state == kIgnoreListRead;
        EXPECT_EQ(slots::GetIgnoreListState(), c.state);
        EXPECT_EQ(e.checkedCount.load(), read ? 1 : 0);
        slots::SetProblemChecked(0, 0, 0);
        slots::SetProblemChecked(0, 0, 1);
        EXPECT_EQ(e.checkedCount.load(), read ? 1 : 0);
        result.problems[0]->selected = 1;  // a caller that went round the slot
        scan::RunFix(e);
        EXPECT_EQ(fixture::ValueExists(HKEY_CURRENT_USER, key.path(), L"v", 0), !read);
        EXPECT_EQ(e.fixedCount.load(), read ? 1 : 0);
        auto shown = reports_.Take();
        ASSERT_EQ(shown.size(), read ? 0u : 1u);
        if (!read) {
            EXPECT_EQ(shown[0].text, L"IgnoreList.dat could not be read for this scan, so nothing was fixed.");
        }
        key.SetString(L"", L"v", L"C:\\gone.exe");
    }
}

}  // namespace
