#include <gtest/gtest.h>

#include <algorithm>

#include "defrag/DefragOps.h"
#include "support/DefragFixture.h"

using vol::Extent;
using Size = DefragFixture::Size;

namespace {

constexpr wchar_t kDone[] = L"Finished successfully.Please restart your computer.";

// 100000 clusters: MFT [100, 1100), its zone up to 5000, the mirror inside
// the used area [5000, 60000) with a short free gap at 20000; free from 60000.
void Layout(vol::SimVolume& v)
{
    v.SetMft(100, 1000);
    v.SetMftZone(1100, 5000);
    v.MarkUsed(0, 100);
    v.MarkUsed(5000, 55000);
    v.SetMirror(50000, 1000);
    v.MarkFree(20000, 10);
}

bool Has(const std::vector<std::wstring>& v, const std::wstring& s)
{
    return std::find(v.begin(), v.end(), s) != v.end();
}

bool Contiguous(const std::vector<Extent>& e) { return e.size() == 1; }

}  // namespace

TEST(DefragAnalysis, UnderWineTheVolumeCannotBeAnalysedAndTheAnalysisStillEnds)
{
    DefragFixture fx;
    fx.seams.openVolume = nullptr;  // the real volume: Wine has no volume requests
    fx.ApplySeams();
    ASSERT_TRUE(fx.Analyse());
    auto seq = fx.recorder.Sequence();
    ASSERT_GE(seq.size(), 4u);
    EXPECT_EQ(seq[0], L"Phase 1");
    EXPECT_EQ(seq[1], L"Status Initializing...");
    const std::wstring why = fx.recorder.Statuses().back();
    EXPECT_NE(why.find(L"The volume cannot be analysed."), std::wstring::npos) << why;
    EXPECT_EQ(seq.back(), L"Finished 1 1");
    EXPECT_FALSE(Has(seq, L"Idle"));
    EXPECT_EQ(fx.running, 2);
    ASSERT_NE(fx.recorder.engine().GetHiveList(), nullptr);
    EXPECT_EQ(fx.recorder.engine().GetHiveList()->GetCount(), 0);
    EXPECT_EQ(fx.recorder.engine().GetDefragState(), 1);
}

TEST(DefragAnalysis, EarlyExitsEndTheAnalysis)
{
    struct Case {
        const char* what;
        bool noVolume;
        uint32_t bitmapError;
    } cases[] = {{"volume cannot be opened", true, 0}, {"bitmap cannot be read", false, vol::kErrorNotSupported}};
    for (const Case& c : cases) {
        DefragFixture fx;
        if (c.noVolume) fx.seams.openVolume = [](const std::wstring&, uint32_t*) { return nullptr; };
        fx.ApplySeams();
        fx.volume->FailBitmap(c.bitmapError);
        ASSERT_TRUE(fx.Analyse()) << c.what;
        EXPECT_EQ(fx.recorder.Sequence().back(), L"Finished 1 1") << c.what;
        EXPECT_EQ(fx.recorder.engine().GetDefragSize(), 0u) << c.what;
        EXPECT_TRUE(fx.recorder.Draws().empty()) << c.what;
    }
}

TEST(DefragAnalysis, ListsTheHivesReadsTheirExtentsAndSignalsDoneLast)
{
    DefragFixture fx;
    Layout(*fx.volume);
    const std::wstring p0 = fx.AddHive(L"H0", {{30000, 8}, {31000, 16}}, Size::Compact);
    const std::wstring p1 = fx.AddHive(L"H1", {{32000, 3}, {32003, 6}}, Size::Compact);  // adjacent
    fx.AddHive(L"H2", {}, Size::Compact);                                                // no clusters
    fx.AddListValue(L"\\REGISTRY\\MACHINE\\VOLATILE", L"");                              // volatile hive
    fx.AddListValue(L"\\REGISTRY\\MACHINE\\GONE", fx.DevicePath(fx.HivePath(L"missing")));
    fx.AddListValue(L"\\REGISTRY\\MACHINE\\TWELVE",
                    L"\\Device\\HarddiskVolume12" + fx.HivePath(L"H0").substr(2));
    fx.AddListValue(L"\\REGISTRY\\MACHINE\\OTHER", L"\\Device\\Floppy0\\x");
    fx.AddListValue(L"\\REGISTRY\\MACHINE\\EXPAND", fx.DevicePath(p0), REG_EXPAND_SZ);
    const std::wstring p3 = fx.AddHive(L"H3", {{33000, 4}}, Size::Compact);
    fx.volume->FailOpen(p3, vol::kErrorAccessDenied);

    ASSERT_TRUE(fx.Analyse());
    auto seq = fx.recorder.Sequence();
    const std::vector<std::wstring> expected = {
        L"Phase 1",        L"Status Initializing...", L"Status Adding registry hiving list...",
        L"Status Initialized", L"Busy",               L"Clear",
        L"Item 0 0",       L"Item 1 0",               L"Item 2 0",
        L"Idle",           L"Finished 1 0"};
    EXPECT_EQ(seq, expected);
    EXPECT_EQ(fx.running, 2);
    EXPECT_EQ(fx.redraw, 0);

    EngineFunctionTable& t = fx.recorder.engine();
    EXPECT_EQ(t.GetDefragSize(), 100000u);
    EXPECT_EQ(t.GetDefragState(), 1);
    PtrArray<HiveItem>* hives = t.GetHiveList();
    ASSERT_NE(hives, nullptr);
    ASSERT_EQ(hives->GetCount(), 4);
    struct Row {
        const wchar_t* file;
        int state, flags;
        uint64_t clusters;
        int extents;
    } rows[] = {{L"H0", 1, 2, 16, 2}, {L"H1", 1, 0, 6, 2}, {L"H2", 1, 0, 0, 0}, {L"H3", 0, 0, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        const HiveItem& h = *hives->At(i);
        EXPECT_EQ(h.index, i);
        EXPECT_EQ(h.fileName, rows[i].file);
        EXPECT_EQ(h.keyName, fx.KeyName(rows[i].file));
        EXPECT_EQ(h.path, fx.HivePath(rows[i].file));
        EXPECT_GT(h.size, 0u);
        EXPECT_EQ(h.state, rows[i].state) << i;
        EXPECT_EQ(h.flags, rows[i].flags) << i;
        EXPECT_EQ(h.clusters, rows[i].clusters) << i;
        int n = 0;
        for (const HiveFragment* f = h.extents.get(); f; f = f->next.get()) ++n;
        EXPECT_EQ(n, rows[i].extents) << i;
    }

    // The map: bitmap runs with the zones' own boundaries, then the hives'
    // extents (H0 fragmented, H1 not), every number joined from two words.
    std::vector<std::vector<uint64_t>> draws;
    for (const DefragEvent& e : fx.recorder.Draws()) {
        EXPECT_EQ(e.n[0], 100000u);
        draws.push_back({e.n[1], e.n[2], e.n[3]});
    }
    std::vector<std::vector<uint64_t>> expectedDraws = {
        {0, 100, 1},        {100, 1100, 1},     {1100, 1101, 1},   {1101, 5000, 1},    {5000, 20000, 1},
        {20000, 20010, 0},  {20010, 50000, 1},  {50000, 51000, 1}, {51000, 60000, 1},  {60000, 100000, 0},
        {30000, 30008, 4},  {31000, 31008, 4},  {32000, 32003, 2}, {32003, 32006, 2}};
    EXPECT_EQ(draws, expectedDraws);
}

TEST(DefragAnalysis, HiveWhoseExtentsCannotBeReadIsNeverMoved)
{
    DefragFixture fx;
    Layout(*fx.volume);
    const std::wstring p0 = fx.AddHive(L"H0", {{30000, 8}, {31000, 16}}, Size::Compact);
    fx.volume->FailExtents(p0, vol::kErrorNotSupported);
    ASSERT_TRUE(fx.Analyse());
    const HiveItem& h = *fx.recorder.engine().GetHiveList()->At(0);
    EXPECT_EQ(h.unmovable, 1);
    EXPECT_EQ(h.clusters, 0u);
}

TEST(DefragRun, CompactsEveryHiveAndMovesTheCompactFragmentedOnes)
{
    DefragFixture fx;
    Layout(*fx.volume);
    const std::wstring p0 = fx.AddHive(L"H0", {{30000, 8}, {31000, 16}}, Size::Compact);    // moved
    const std::wstring p1 = fx.AddHive(L"H1", {{32000, 12}, {33000, 24}}, Size::Different); // replaced, moved
    const std::wstring p2 = fx.AddHive(L"H2", {{34000, 4}, {35000, 8}}, Size::Compact);     // cannot move
    const std::wstring p3 = fx.AddHive(L"H3", {}, Size::Compact);                           // no clusters
    const std::wstring p4 = fx.AddHive(L"H4", {{36000, 3}, {37000, 6}}, Size::Compact);     // not compact
    fx.volume->FailMoves(p2, vol::kErrorAccessDenied);
    CreateDirectoryW((p4 + L".rns").c_str(), nullptr);  // its copy cannot be saved

    ASSERT_TRUE(fx.Analyse());
    ASSERT_TRUE(fx.Defragment());
    EngineFunctionTable& t = fx.recorder.engine();
    EXPECT_EQ(t.GetDefragState(), 3);
    EXPECT_EQ(fx.running, 2);

    auto seq = fx.recorder.Sequence();
    ASSERT_FALSE(seq.empty());
    EXPECT_EQ(seq.front(), L"Phase 3");
    EXPECT_EQ(seq.back(), L"Finished 3 0");
    EXPECT_EQ(seq[seq.size() - 2], L"Idle");

    const std::wstring k0 = fx.KeyName(L"H0"), k1 = fx.KeyName(L"H1"), k2 = fx.KeyName(L"H2"),
                       k3 = fx.KeyName(L"H3"), k4 = fx.KeyName(L"H4");
    const std::vector<std::wstring> statuses = {
        L"processing file for the key : " + p0, L"compacted : " + k0, L"analyze fragment : " + p0,
        L"fragmented : " + p0,
        L"processing file for the key : " + p1, L"compacting : " + k1, L"compacted : " + k1,
        L"analyze fragment : " + p1, L"fragmented : " + p1,
        L"processing file for the key : " + p2, L"compacted : " + k2, L"analyze fragment : " + p2,
        L"fragmented : " + p2,
        L"processing file for the key : " + p3, L"compacted : " + k3, L"analyze fragment : " + p3,
        L"nonfragmented : " + p3,
        L"processing file for the key : " + p4, L"analyze fail : " + k4,
        L"defragmenting...", L"defragmenting " + k0, L"defragmenting " + k1, L"defragmenting " + k2,
        // H4 failed and H1 waits for its swap: no success, the failure named.
        L"Finished with errors. Not compacted: " + k4 +
            L". Please restart your computer to swap in the hives compacted so far."};
    EXPECT_EQ(fx.recorder.Statuses(), statuses);

    // Rows: busy then done, H4 failed; then the moved ones.
    std::vector<std::wstring> items;
    for (const std::wstring& s : seq)
        if (s.rfind(L"Item", 0) == 0) items.push_back(s);
    EXPECT_EQ(items, (std::vector<std::wstring>{L"Item 0 1", L"Item 0 0", L"Item 1 1", L"Item 1 0", L"Item 2 1",
                                                L"Item 2 0", L"Item 3 1", L"Item 3 0", L"Item 4 1", L"Item 4 2",
                                                L"Item 0 0", L"Item 1 0", L"Item 2 0"}));

    // Only the non-compact hive's replacement was scheduled.
    ASSERT_EQ(fx.replaced.size(), 1u);
    EXPECT_EQ(fx.replaced[0].root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(fx.replaced[0].subKey, fx.keys->path() + L"\\H1");
    EXPECT_EQ(fx.replaced[0].newFile, p1 + L".rns");
    EXPECT_EQ(fx.replaced[0].oldFile, p1 + L".rold");
    EXPECT_NE(GetFileAttributesW((p0 + L".rns").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW((p0 + L".rnew").c_str()), INVALID_FILE_ATTRIBUTES);

    // H0 went to the first free run, H1 next to it (the old clusters of H0
    // are free again but too short for it).
    EXPECT_EQ(fx.volume->FileExtents(p0).front().lcn, 60000u);
    EXPECT_TRUE(Contiguous(fx.volume->FileExtents(p0)));
    EXPECT_EQ(fx.volume->FileExtents(p1).front().lcn, 60016u);
    EXPECT_TRUE(Contiguous(fx.volume->FileExtents(p1)));
    EXPECT_FALSE(fx.volume->IsUsed(31000));
    EXPECT_FALSE(fx.volume->IsUsed(33000));
    EXPECT_TRUE(Has(seq, L"Detail 0 16 30000 60000 0"));
    EXPECT_TRUE(Has(seq, L"Detail 1 24 32000 60016 0"));

    PtrArray<HiveItem>& hives = *t.GetHiveList();
    struct Row {
        int state, flags, error, unmovable;
    } rows[] = {{4, 1, 0, 0}, {4, 1, 0, 0}, {4, 3, 0, 1}, {3, 1, 0, 0}, {1, 2, 1, 0}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(hives[i]->state, rows[i].state) << i;
        EXPECT_EQ(hives[i]->flags, rows[i].flags) << i;
        EXPECT_EQ(hives[i]->error, rows[i].error) << i;
        EXPECT_EQ(hives[i]->unmovable, rows[i].unmovable) << i;
    }
    ASSERT_TRUE(hives[0]->compactCopy);
    EXPECT_EQ(hives[0]->compactCopy->size, hives[0]->size);
    EXPECT_EQ(hives[0]->compactCopy->path, p0 + L".rnew");
    // The hive that could not move was only tried once, at the first free run.
    int tries = 0;
    for (const auto& m : fx.volume->Moves())
        if (m.path == p2) ++tries;
    EXPECT_EQ(tries, 1);
}

TEST(DefragRun, NoSpaceAndShorterRuns)
{
    // All free clusters lie in the MFT zone: no run at all.
    {
        DefragFixture fx(20000);
        fx.volume->SetMftZone(1000, 5000);
        fx.volume->MarkUsed(0, 1000);
        fx.volume->MarkUsed(5000, 15000);
        const std::wstring p0 = fx.AddHive(L"H0", {{8000, 8}, {9000, 16}}, Size::Compact);
        ASSERT_TRUE(fx.Analyse());
        ASSERT_TRUE(fx.Defragment());
        auto st = fx.recorder.Statuses();
        ASSERT_GE(st.size(), 2u);
        EXPECT_EQ(st[st.size() - 2], L"no space available for " + fx.KeyName(L"H0"));
        EXPECT_EQ(st.back(), L"Finished successfully.") << "nothing was replaced: no restart to ask for";
        EXPECT_EQ(fx.recorder.engine().GetHiveList()->At(0)->state, 3);
        EXPECT_TRUE(fx.volume->Moves().empty());
    }
    // Only a shorter run: the hive stays, without a message.
    {
        DefragFixture fx(20000);
        fx.volume->MarkUsed(0, 20000);
        fx.volume->MarkFree(12000, 10);
        const std::wstring p0 = fx.AddHive(L"H0", {{8000, 8}, {9000, 16}}, Size::Compact);
        ASSERT_TRUE(fx.Analyse());
        ASSERT_TRUE(fx.Defragment());
        auto st = fx.recorder.Statuses();
        EXPECT_EQ(st[st.size() - 2], L"defragmenting " + fx.KeyName(L"H0"));
        const HiveItem& h = *fx.recorder.engine().GetHiveList()->At(0);
        EXPECT_EQ(h.state, 4);
        EXPECT_EQ(h.flags & 2, 2);
        EXPECT_TRUE(fx.volume->Moves().empty());
    }
}

TEST(DefragRun, StopDuringTheCompactionPass)
{
    DefragFixture fx;
    Layout(*fx.volume);
    fx.AddHive(L"H0", {{30000, 8}, {31000, 16}}, Size::Compact);
    fx.AddHive(L"H1", {{32000, 8}, {33000, 16}}, Size::Compact);
    ASSERT_TRUE(fx.Analyse());
    fx.recorder.onEvent = [&](const DefragEvent& e) {
        if (e.kind == "Item" && e.n[0] == 0 && e.n[1] == 1) fx.recorder.engine().StopDefrag();
    };
    ASSERT_TRUE(fx.Defragment());
    auto seq = fx.recorder.Sequence();
    EXPECT_EQ(seq.back(), L"Finished 3 1");
    EXPECT_TRUE(Has(seq, L"Item 0 0"));
    EXPECT_FALSE(Has(seq, L"Item 1 1"));
    auto st = fx.recorder.Statuses();
    EXPECT_FALSE(Has(st, kDone));
    EXPECT_FALSE(Has(st, L"defragmenting..."));
    EXPECT_EQ(st.back(), L"Stopped. Nothing waits for a restart.");
    EXPECT_TRUE(fx.volume->Moves().empty());
}

TEST(DefragRun, StopDuringTheMovePass)
{
    DefragFixture fx;
    Layout(*fx.volume);
    fx.AddHive(L"H0", {{30000, 8}, {31000, 16}}, Size::Compact);
    fx.AddHive(L"H1", {{32000, 8}, {33000, 16}}, Size::Compact);
    ASSERT_TRUE(fx.Analyse());
    const std::wstring k0 = fx.KeyName(L"H0");
    fx.recorder.onEvent = [&](const DefragEvent& e) {
        if (e.kind == "Status" && e.text == L"defragmenting " + k0) fx.recorder.engine().StopDefrag();
    };
    ASSERT_TRUE(fx.Defragment());
    auto seq = fx.recorder.Sequence();
    EXPECT_EQ(seq.back(), L"Finished 3 1");
    auto st = fx.recorder.Statuses();
    EXPECT_EQ(st.back(), L"Stopped. Nothing waits for a restart.");
    EXPECT_FALSE(Has(st, kDone));
    EXPECT_FALSE(Has(st, L"defragmenting " + fx.KeyName(L"H1")));
    EXPECT_TRUE(fx.volume->Moves().empty());
    // Stopped, not failed: the hive may be moved by a later run.
    EXPECT_EQ(fx.recorder.engine().GetHiveList()->At(0)->unmovable, 0);
}

TEST(DefragRun, UnexpectedKeyNameOrUnscheduledReplacementAbortsTheRun)
{
    struct Case {
        const char* what;
        bool badName;
        LONG replaceResult;
        int items;  // rows touched before the abort
    } cases[] = {{"key name (second in the list)", true, ERROR_SUCCESS, 4},
                 {"replacement", false, ERROR_ACCESS_DENIED, 2}};
    for (const Case& c : cases) {
        DefragFixture fx;
        Layout(*fx.volume);
        const std::wstring p0 = fx.AddHive(L"H0", {{30000, 8}}, c.badName ? Size::Compact : Size::Different);
        fx.AddHive(L"H1", {{32000, 8}}, Size::Compact);
        if (c.badName) {
            HKEY k = nullptr;
            RegOpenKeyExW(HKEY_CURRENT_USER, fx.hivelist->path().c_str(), 0, KEY_ALL_ACCESS, &k);
            RegDeleteValueW(k, fx.KeyName(L"H0").c_str());
            RegCloseKey(k);
            fx.AddListValue(L"SOFTWARE\\H0", fx.DevicePath(p0));
        }
        fx.replaceResult = c.replaceResult;
        ASSERT_TRUE(fx.Analyse()) << c.what;
        ASSERT_TRUE(fx.Defragment()) << c.what;
        auto seq = fx.recorder.Sequence();
        EXPECT_EQ(seq.back(), L"Finished 3 2") << c.what;
        int items = 0;
        for (const std::wstring& s : seq)
            if (s.rfind(L"Item", 0) == 0) ++items;
        EXPECT_EQ(items, c.items) << c.what;
        EXPECT_FALSE(Has(fx.recorder.Statuses(), L"defragmenting...")) << c.what;
        // The aborted run names the hive it failed on, and queued nothing.
        const std::wstring last = fx.recorder.Statuses().back();
        EXPECT_EQ(last.rfind(L"Finished with errors. Not compacted: ", 0), 0u) << last;
        EXPECT_NE(last.find(c.badName ? L"SOFTWARE\\H0" : fx.KeyName(L"H0")), std::wstring::npos) << last;
        EXPECT_EQ(fx.recorder.engine().GetPendingCompaction(), 0) << c.what;
    }
}

TEST(DefragRun, WaitForTheRedrawIsBounded)
{
    DefragFixture fx;
    Layout(*fx.volume);
    fx.AddHive(L"H0", {{30000, 8}, {31000, 16}}, Size::Compact);
    ASSERT_TRUE(fx.Analyse());
    fx.redraw = 1;  // a request nobody serves
    ASSERT_TRUE(fx.Defragment());
    auto seq = fx.recorder.Sequence();
    ASSERT_EQ(seq.size(), 2u);
    EXPECT_EQ(seq[0].rfind(L"Status ", 0), 0u);
    EXPECT_EQ(seq[1], L"Finished 3 1");
    EXPECT_EQ(fx.recorder.engine().GetDefragState(), 1);
}

TEST(DefragRedraw, RedrawAndItemUpdate)
{
    DefragFixture fx;
    EXPECT_EQ(fx.recorder.engine().StartMapRedraw(), 0);  // nothing analysed yet
    Layout(*fx.volume);
    fx.AddHive(L"H0", {{30000, 8}, {31000, 16}}, Size::Compact);
    ASSERT_TRUE(fx.Analyse());
    fx.recorder.Clear();
    fx.redraw = 1;
    ASSERT_EQ(fx.recorder.engine().StartMapRedraw(), 1);
    ASSERT_TRUE(fx.recorder.WaitIdle());
    ASSERT_TRUE(defrag::WaitForWorkers(20000));
    EXPECT_EQ(fx.recorder.Sequence(), (std::vector<std::wstring>{L"Busy", L"Clear", L"Idle"}));
    EXPECT_EQ(fx.redraw, 0);
    EXPECT_EQ(fx.recorder.Draws().size(), 12u);

    fx.recorder.Clear();
    HiveItem* h = fx.recorder.engine().GetHiveList()->At(0);
    h->flags |= 4;
    fx.recorder.engine().UpdateDefragItem(h);
    auto draws = fx.recorder.Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].n, (std::vector<uint64_t>{100000, 30000, 30008, 5}));
    EXPECT_EQ(draws[1].n, (std::vector<uint64_t>{100000, 31000, 31008, 5}));

    EXPECT_EQ(fx.recorder.engine().ReleaseDefrag(), 1);
    EXPECT_EQ(fx.recorder.engine().GetHiveList(), nullptr);
    EXPECT_EQ(fx.recorder.engine().GetDefragSize(), 0u);
    EXPECT_EQ(fx.recorder.engine().GetDefragState(), 0);
    EXPECT_EQ(fx.recorder.engine().StartMapRedraw(), 0);
}

// A whole move leaves the part behind a virtual extent where it was: the
// chunk goes through another free run extent by extent and comes back.
TEST(DefragRun, SplitChunkGoesThroughAnotherRunAndBack)
{
    const uint64_t V = vol::kVirtualLcn;
    DefragFixture fx;
    Layout(*fx.volume);
    const std::wstring p0 = fx.AddHive(L"H0", {{30000, 4}, {V, 6}, {31000, 10}}, Size::Compact);
    ASSERT_TRUE(fx.Analyse());
    ASSERT_TRUE(fx.Defragment());
    std::vector<std::wstring> details;
    for (const std::wstring& s : fx.recorder.Sequence())
        if (s.rfind(L"Detail", 0) == 0) details.push_back(s);
    EXPECT_EQ(details, (std::vector<std::wstring>{
                           L"Detail 0 8 30000 20000 0",  // first whole, into the short gap
                           L"Detail 0 4 20000 60000 0",  // then to the next free run
                           L"Detail 0 2 20006 60004 6", L"Detail 0 2 31002 60006 8",
                           L"Detail 0 4 60000 20000 0",  // and back
                           L"Detail 0 4 60004 20004 6"}));
    auto e = fx.volume->FileExtents(p0);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].lcn, 20000u);
    EXPECT_EQ(e[1].lcn, V);
    EXPECT_EQ(e[2].lcn, 20004u);
    const HiveItem& h = *fx.recorder.engine().GetHiveList()->At(0);
    EXPECT_EQ(h.flags, 1);
    EXPECT_EQ(h.state, 4);
    EXPECT_EQ(h.unmovable, 0);
    for (uint64_t c = 60000; c < 60008; ++c) EXPECT_FALSE(fx.volume->IsUsed(c)) << c;
}

TEST(CompactHive, KeyNameForms)
{
    DefragFixture fx;
    const std::wstring path = fx.HivePath(L"H0");
    struct Case {
        const wchar_t* keyName;
        int result;
        const wchar_t* status;  // the last status text, empty for none
    } cases[] = {
        {L"", 1, L""},
        {L"\\", 1, L""},
        {L"\\SOFTWARE\\MACHINE\\X", 1, L""},
        {L"\\REGISTRY\\MACHINE", 1, L""},
        {L"\\REGISTRY\\", 1, L""},
        {L"\\REGISTRY\\A\\X", 0, L"open fail : \\REGISTRY\\A\\X"},
        {L"\\registry\\machine\\Tamsel_no_such_key", 0, L"open fail : \\registry\\machine\\Tamsel_no_such_key"},
        {L"\\REGISTRY\\USER\\Tamsel_no_such_key", 0, L"open fail : \\REGISTRY\\USER\\Tamsel_no_such_key"},
    };
    defrag::DefragContext& ctx = defrag::CreateContext();
    for (const Case& c : cases) {
        fx.recorder.Clear();
        HiveItem hive;
        hive.keyName = c.keyName;
        hive.path = path;
        EXPECT_EQ(defrag::CompactHive(ctx, hive), c.result) << testenv::WideToUtf8(c.keyName);
        auto st = fx.recorder.Statuses();
        if (*c.status) {
            ASSERT_EQ(st.size(), 2u);
            EXPECT_EQ(st[0], L"processing file for the key : " + path);
            EXPECT_EQ(st[1], c.status);
            EXPECT_EQ(hive.error, 1);
        } else {
            EXPECT_TRUE(st.empty());
            EXPECT_EQ(hive.error, 0);
        }
        EXPECT_EQ(hive.state, 0);
    }
}

TEST(DefragRun, RedrawRequestedDuringAMoveIsServedByTheRun)
{
    DefragFixture fx;
    Layout(*fx.volume);
    fx.AddHive(L"H0", {{30000, 8}, {31000, 16}}, Size::Compact);
    ASSERT_TRUE(fx.Analyse());
    bool asked = false;
    fx.recorder.onEvent = [&](const DefragEvent& e) {
        if (e.kind == "Detail" && !asked) {
            asked = true;
            defrag::StoreFlag(&fx.redraw, 1);
        }
    };
    ASSERT_TRUE(fx.Defragment());
    auto seq = fx.recorder.Sequence();
    EXPECT_EQ(fx.redraw, 0);
    EXPECT_TRUE(Has(seq, L"Busy"));
    EXPECT_TRUE(Has(seq, L"Clear"));
    // Only the run's own end tells the page it may act again.
    EXPECT_EQ(std::count(seq.begin(), seq.end(), L"Idle"), 1);
    EXPECT_EQ(seq[seq.size() - 2], L"Idle");
    EXPECT_EQ(seq.back(), L"Finished 3 0");
}

namespace {
// A retrieval request that never stops reporting more data.
class EndlessFile : public vol::VolumeFile {
public:
    uint32_t ReadExtents(uint64_t start, uint64_t* first, vol::Extent* out, size_t, size_t* count) override
    {
        ++calls;
        *first = start;
        out[0] = {1000 + start, start + 1};
        *count = 1;
        return vol::kErrorMoreData;
    }
    bool Flush() override { return true; }
    int calls = 0;
};
}  // namespace

TEST(ReadHiveExtents, ContinuesInChunksAndGivesUpAfterAThousandCalls)
{
    vol::SimVolume sim(10000);
    std::vector<Extent> many;
    for (uint64_t i = 0; i < 2500; ++i) many.push_back({2 * i, i + 1});  // every other cluster
    sim.AddFile(L"c:\\many", many);
    defrag::DefragContext& ctx = defrag::CreateContext();
    uint32_t err = 0;
    auto file = sim.OpenFile(L"c:\\many", &err);
    ASSERT_TRUE(file);
    HiveItem hive;
    ASSERT_TRUE(defrag::ReadHiveExtents(ctx, hive, *file));
    EXPECT_EQ(hive.clusters, 2500u);
    EXPECT_EQ(defrag::ExtentsOf(hive).size(), 2500u);
    EXPECT_TRUE(defrag::IsHiveRangeFragmented(hive, 0, 2500));

    EndlessFile endless;
    EXPECT_FALSE(defrag::ReadHiveExtents(ctx, hive, endless));
    EXPECT_EQ(endless.calls, 1000);
    EXPECT_EQ(hive.clusters, 1000u);
    defrag::Release();
}
