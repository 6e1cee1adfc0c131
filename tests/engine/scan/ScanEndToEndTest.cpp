// Whole scans through the engine table: settings file, callbacks in order,
// result list and counters, with COM fixtures of unique ids in both views.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScanFixtures.h"
#include "core/EngineState.h"
#include "scan/ProblemRecord.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using scantest::Call;
using scantest::CallbackRecorder;
using scantest::NewGuid;
using scantest::RegFixture;

namespace {

constexpr wchar_t kMarker[] = L"TCTC";

std::string Settings(const std::string& categories)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n" + categories + "</ScanSetting>\n";
}

std::string Category(const std::string& element, const std::string& flag, const std::string& name,
                     const std::vector<std::string>& subKeys)
{
    std::string text = "  <" + element + " flag=\"" + flag + "\" category=\"" + name + "\">\n";
    for (const std::string& s : subKeys)
        text += "    <Key rootKey=\"HKEY_CLASSES_ROOT\" subKey=\"" + s + "\"/>\n";
    return text + "  </" + element + ">\n";
}

// Runs one scan through the table and waits for its thread.
void RunScan(EngineFunctionTable& table)
{
    HANDLE thread = table.StartScan();
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 600000), WAIT_OBJECT_0);
    EXPECT_EQ(table.GetScanThread(), thread);
}

std::vector<const RegEntryProb*> ProblemsOf(PtrArray<RegScanCategory>& results, const std::wstring& mark)
{
    std::vector<const RegEntryProb*> out;
    for (const RegScanCategory* r : results)
        for (const RegEntryProb* p : r->problems)
            if (p->scannedKeyPath.find(mark) != std::wstring::npos) out.push_back(p);
    return out;
}

// The calls with every OnScanItem other than the marker left out.
std::vector<Call> Skeleton(const std::vector<Call>& calls)
{
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.slot != 2 || c.text == kMarker) out.push_back(c);
    return out;
}

// What the category callbacks and markers of a scan said, in order.
struct Frame {
    bool startedFirst = false;
    std::vector<int> begun;  // OnScanCategory with scan state 1
    std::vector<int> done;   // ... with scan state 2
    int markers = 0;
    int finishedCalls = 0;
    bool finishedLast = false;
};

Frame FrameOf(const std::vector<Call>& calls)
{
    Frame f;
    f.startedFirst = !calls.empty() && calls.front().slot == 0;
    f.finishedLast = !calls.empty() && calls.back().slot == 3;
    for (const Call& c : calls) {
        if (c.slot == 1) (c.state == 1 ? f.begun : f.done).push_back(c.number);
        if (c.slot == 2 && c.text == kMarker) ++f.markers;
        if (c.slot == 3) ++f.finishedCalls;
    }
    return f;
}

std::string Show(const std::vector<Call>& calls)
{
    std::string s;
    for (const Call& c : calls)
        s += "[" + std::to_string(c.slot) + " " + std::to_string(c.number) + " " + testenv::WideToUtf8(c.text) + "] ";
    return s;
}

struct Fixtures {
    RegFixture reg64{KEY_WOW64_64KEY};
    RegFixture reg32{KEY_WOW64_32KEY};
    std::wstring mark = NewGuid().substr(1, 8);
    std::wstring broken64 = L"{" + mark + NewGuid().substr(9);   // its server file is gone
    std::wstring broken32 = L"{" + mark + NewGuid().substr(9);   // TreatAs names nothing
    std::wstring only64 = L"{" + mark + NewGuid().substr(9);     // named from the 32-bit view
    std::wstring named32 = L"{" + mark + NewGuid().substr(9);
    std::wstring missing = NewGuid();

    explicit Fixtures(const std::wstring& folder)
    {
        reg64.String(L"CLSID\\" + broken64, L"", L"Tamsel end-to-end class");
        reg64.String(L"CLSID\\" + broken64 + L"\\InprocServer32", L"", folder + L"\\gone.dll");
        reg32.String(L"CLSID\\" + broken32 + L"\\TreatAs", L"", missing);
        reg64.Key(L"CLSID\\" + only64);
        reg32.String(L"CLSID\\" + named32 + L"\\TreatAs", L"", only64);
    }
};

// Several threads share each scan here, as on any machine with more than
// one processor.
class ScanEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { recorder.engine().SetScanThreads(4); }
    void TearDown() override
    {
        recorder.engine().SetScanThreads(0);
        recorder.engine().ReleaseEngine();
        engine::SetFactsOverride(nullptr);
    }
    ReportRecorder reports;
    CallbackRecorder recorder;
};

}  // namespace

TEST_F(ScanEndToEnd, CategoriesInFileOrderWithBothViews)
{
    testenv::ScratchDir dir(L"e2e");
    Fixtures f(dir.path());
    dir.Write(L"scanSetting.xml",
              Settings(Category("Com", "true", "COM/ActiveX Entries",
                                {"clsid", "TypeLib", "INTERFACE", "AppID", "clsid\\" + testenv::WideToUtf8(f.only64)}) +
                       Category("Fonts", "FALSE", "Font Entries", {"clsid"}) +
                       Category("Odd", "true", "Tamsel Odd Category", {"clsid", "typelib", "appid"})));
    EngineFunctionTable& t = recorder.engine();
    RunScan(t);

    // The frame: started; categories 0 and 2 begun and done, each in order
    // (category 2 may begin while 0 still runs); one marker per key entry
    // of category 0 and none for 2 (its name selects no scanner); finished
    // once, last.
    std::vector<Call> calls = recorder.Calls();
    const Frame frame = FrameOf(calls);
    EXPECT_TRUE(frame.startedFirst);
    EXPECT_EQ(frame.begun, (std::vector<int>{0, 2})) << Show(Skeleton(calls));
    EXPECT_EQ(frame.done, (std::vector<int>{0, 2})) << Show(Skeleton(calls));
    EXPECT_EQ(frame.markers, 5);
    EXPECT_EQ(frame.finishedCalls, 1);
    EXPECT_TRUE(frame.finishedLast);
    EXPECT_EQ(calls.back().number, 0);
    EXPECT_EQ(recorder.Overlaps(), 0);
    EXPECT_GT(t.GetScanThreads(), 1);

    // Every examined value was announced with the running count.
    int next = 0;
    for (const Call& c : calls) {
        if (c.slot == 2 && c.text != kMarker) {
            EXPECT_EQ(c.number, next++) << testenv::WideToUtf8(c.text);
        }
    }
    EXPECT_EQ(engine::Current()->processedCount.load(), next);
    EXPECT_FALSE(recorder.ItemsContaining(L"clsid\\" + f.broken64 + L"\\default value").empty());

    PtrArray<RegScanCategory>& results = *t.GetScanResults();
    ASSERT_EQ(results.GetCount(), 2);
    EXPECT_EQ(results[0]->name, L"COM/ActiveX Entries");
    EXPECT_EQ(results[1]->name, L"Tamsel Odd Category");
    EXPECT_EQ(results[1]->problems.GetCount(), 0);
    PtrArray<XMLElement>& categories = *t.GetScanCategories();
    ASSERT_EQ(categories.GetCount(), 3);
    EXPECT_EQ(categories[0]->scanState, 2);
    EXPECT_EQ(categories[1]->scanState, 0);
    EXPECT_EQ(categories[2]->scanState, 2);
    EXPECT_EQ(categories[0]->foundCount, results[0]->problems.GetCount());
    EXPECT_EQ(t.GetProblemCount(), results[0]->problems.GetCount());
    EXPECT_EQ(t.GetCheckedCount(), t.GetProblemCount());

    std::vector<const RegEntryProb*> mine = ProblemsOf(results, f.mark);
    ASSERT_EQ(mine.size(), 2u);
    const RegEntryProb& a = *mine[0];
    EXPECT_EQ(a.scannedKeyPath, L"clsid\\" + f.broken64 + L"\\InprocServer32");
    EXPECT_EQ(a.keyPath, a.scannedKeyPath);
    EXPECT_EQ(a.viewFlag, 0x100);
    EXPECT_EQ(a.is64View, 1);
    EXPECT_EQ(a.data, dir.path() + L"\\gone.dll");
    EXPECT_EQ(a.message, L"The file or directroy does not exist!");
    const RegEntryProb& b = *mine[1];
    EXPECT_EQ(b.scannedKeyPath, L"clsid\\" + f.broken32 + L"\\TreatAs");
    EXPECT_EQ(b.keyPath, L"clsid\\Wow6432Node\\" + f.broken32 + L"\\TreatAs");
    EXPECT_EQ(b.viewFlag, 0x200);
    EXPECT_EQ(b.is64View, 0);
    EXPECT_EQ(b.data, f.missing);
    EXPECT_EQ(b.message, L"The clsid class does not exist!");
    EXPECT_EQ(b.grade, 2);
    EXPECT_EQ(b.fixAction, 1);
    EXPECT_TRUE(reports.Take().empty());
}

namespace {
std::wstring g_stopAt;
EngineFunctionTable* g_table = nullptr;
void StopAtItem(const std::wstring& text, int)
{
    if (text == g_stopAt) g_table->SetStopFlag(1);
}
}  // namespace

// On one thread the stop is exact; ParallelScan covers it on several.
TEST_F(ScanEndToEnd, StopFlagMidCategory)
{
    testenv::ScratchDir dir(L"stop");
    Fixtures f(dir.path());
    dir.Write(L"scanSetting.xml", Settings(Category("Com", "true", "COM/ActiveX Entries", {"clsid", "typelib"}) +
                                           Category("More", "true", "COM/ActiveX Entries", {"appid"})));
    EngineFunctionTable& t = recorder.engine();
    t.SetScanThreads(1);
    g_stopAt = L"clsid\\" + f.broken64 + L"\\default value";
    g_table = &t;
    recorder.OnItem(&StopAtItem);
    RunScan(t);
    recorder.OnItem(nullptr);

    // Nothing after the item that set the flag but the entry's marker, the
    // category's closing call and the end.
    std::vector<Call> calls = recorder.Calls();
    size_t at = 0;
    while (at < calls.size() && !(calls[at].slot == 2 && calls[at].text == g_stopAt)) ++at;
    ASSERT_LT(at, calls.size());
    std::vector<std::pair<int, int>> tail;
    for (size_t i = at + 1; i < calls.size(); ++i) tail.push_back({calls[i].slot, calls[i].number});
    std::vector<std::pair<int, int>> expected = {{2, 0}, {1, 0}, {3, 1}};
    EXPECT_EQ(tail, expected) << Show(std::vector<Call>(calls.begin() + static_cast<long>(at), calls.end()));
    EXPECT_EQ(calls[at + 1].text, kMarker);

    PtrArray<RegScanCategory>& results = *t.GetScanResults();
    ASSERT_EQ(results.GetCount(), 1);
    EXPECT_EQ(t.GetScanCategories()->GetCount(), 2);
    EXPECT_EQ((*t.GetScanCategories())[1]->scanState, 0);
    EXPECT_EQ(t.GetProblemCount(), results[0]->problems.GetCount());
    EXPECT_TRUE(ProblemsOf(results, f.broken32).empty());  // the 32-bit pass never ran
    EXPECT_TRUE(reports.Take().empty());
}

TEST_F(ScanEndToEnd, WithoutASecondViewOnlyTheThirtyTwoBitViewIsScanned)
{
    SystemFacts facts;  // 32-bit Windows
    engine::SetFactsOverride(&facts);
    testenv::ScratchDir dir(L"single");
    Fixtures f(dir.path());
    dir.Write(L"scanSetting.xml", Settings(Category("Com", "true", "COM/ActiveX Entries", {"clsid"})));
    EngineFunctionTable& t = recorder.engine();
    RunScan(t);

    PtrArray<RegScanCategory>& results = *t.GetScanResults();
    ASSERT_EQ(results.GetCount(), 1);
    std::vector<const RegEntryProb*> mine = ProblemsOf(results, f.mark);
    // The 64-bit class is not seen; the 32-bit TreatAs naming a 64-bit-only
    // class is now broken too, as there is no other view to look in.
    ASSERT_EQ(mine.size(), 2u);
    for (const RegEntryProb* p : mine) {
        EXPECT_EQ(p->viewFlag, 0x200);
        EXPECT_EQ(p->is64View, 0);
        EXPECT_EQ(p->keyPath, p->scannedKeyPath);  // no "Wow6432Node" without a second view
        EXPECT_EQ(p->message, L"The clsid class does not exist!");
    }
    EXPECT_EQ(Skeleton(recorder.Calls()).size(), 5u);  // started, category twice, one marker, finished
    EXPECT_TRUE(reports.Take().empty());
}

// HKEY_CURRENT_USER\Software is one key in both views: it is walked once, and
// a path there is gone only when neither a 64-bit nor a 32-bit program finds
// it. Its 32-bit pass used to see System32 as SysWOW64 and report the native
// file as missing, under a "Wow6432Node" path that does not exist.
TEST_F(ScanEndToEnd, ASharedKeyIsWalkedOnceAndItsPathsTestedInBothFileViews)
{
    if (testenv::PrefixArch() != L"win64") GTEST_SKIP() << "needs 64-bit Windows";
    testenv::ScratchDir dir(L"shared");
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"sharedpaths");
    wchar_t windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring name = testenv::UniqueName(L"only");
    const std::wstring native = std::wstring(windows) + L"\\system32\\" + name + L"-native.exe";
    const std::wstring wow = std::wstring(windows) + L"\\syswow64\\" + name + L"-wow.exe";
    {
        testenv::NativeFileSystem nativeFolders;
        CloseHandle(CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    }
    CloseHandle(CreateFileW(wow.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    key.SetString(L"native.exe", L"", native);
    key.SetString(L"wow.exe", L"", std::wstring(windows) + L"\\system32\\" + name + L"-wow.exe");
    key.SetString(L"gone.exe", L"", std::wstring(windows) + L"\\system32\\" + name + L"-gone.exe");
    dir.Write(L"scanSetting.xml",
              Settings("  <Paths flag=\"true\" category=\"Application Paths\">\n"
                       "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" +
                       testenv::WideToUtf8(key.path()) + "\"/>\n  </Paths>\n"));
    EngineFunctionTable& t = recorder.engine();
    RunScan(t);

    std::vector<const RegEntryProb*> mine = ProblemsOf(*t.GetScanResults(), key.path());
    ASSERT_EQ(mine.size(), 1u);
    const RegEntryProb& gone = *mine[0];
    EXPECT_EQ(gone.scannedKeyPath, key.path() + L"\\gone.exe");
    EXPECT_EQ(gone.keyPath, gone.scannedKeyPath);  // the real path, no Wow6432Node
    EXPECT_EQ(gone.viewFlag, kView64);
    EXPECT_EQ(t.GetProblemCount(), 1);
    // One walk: the three values were examined once each.
    EXPECT_EQ(recorder.ItemsContaining(L"\\gone.exe\\").size(), 1u);
    EXPECT_TRUE(reports.Take().empty());
    {
        testenv::NativeFileSystem nativeFolders;
        DeleteFileW(native.c_str());
    }
    DeleteFileW(wow.c_str());
}

// Within a scan a repeated question (the same file, the same class) is
// answered once for all who ask; a file or key that appears before the next
// scan is seen by that scan.
TEST_F(ScanEndToEnd, WhatChangedBetweenTwoScansIsSeenByTheSecond)
{
    testenv::ScratchDir dir(L"rescan");
    RegFixture reg64{KEY_WOW64_64KEY};
    const std::wstring mark = NewGuid().substr(1, 8);
    const std::wstring later = NewGuid();  // registered between the scans
    const std::wstring dll = dir.path() + L"\\later.dll";
    for (int i = 0; i < 2; ++i) {
        const std::wstring clsid = L"CLSID\\{" + mark + NewGuid().substr(9);
        reg64.String(clsid + L"\\InprocServer32", L"", dll);
        reg64.String(clsid + L"\\TreatAs", L"", later);
    }
    dir.Write(L"scanSetting.xml", Settings(Category("Com", "true", "COM/ActiveX Entries", {"clsid"})));
    EngineFunctionTable& t = recorder.engine();

    RunScan(t);
    std::vector<const RegEntryProb*> first = ProblemsOf(*t.GetScanResults(), mark);
    ASSERT_EQ(first.size(), 4u);
    int missingFiles = 0;
    for (const RegEntryProb* p : first) missingFiles += p->message == scan::KindMessage(scan::kFileMissing);
    EXPECT_EQ(missingFiles, 2);

    dir.Write(L"later.dll", "MZ");
    reg64.Key(L"CLSID\\" + later);
    RunScan(t);
    EXPECT_TRUE(ProblemsOf(*t.GetScanResults(), mark).empty());
    EXPECT_TRUE(reports.Take().empty());
}
