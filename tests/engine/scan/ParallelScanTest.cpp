// The scan shared among several threads: the same report as one thread, its
// callbacks one at a time, a stop or a failure that ends every thread and
// finishes once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "ScanFixtures.h"
#include "core/EngineState.h"
#include "core/WorkerStart.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using scantest::Call;
using scantest::CallbackRecorder;

namespace {

constexpr wchar_t kMarker[] = L"TCTC";

// A key of one name in both registry views (on 32-bit Windows one key),
// removed with its subtree at the end.
class KeyInBothViews {
public:
    KeyInBothViews(HKEY root, const std::wstring& path) : root_(root), path_(path) {}
    ~KeyInBothViews()
    {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS) {
                RegDeleteTreeW(key, nullptr);
                RegCloseKey(key);
            }
            RegDeleteKeyExW(root_, path_.c_str(), view, 0);
        }
    }
    KeyInBothViews(const KeyInBothViews&) = delete;
    KeyInBothViews& operator=(const KeyInBothViews&) = delete;

    void Set(REGSAM view, const std::wstring& sub, const std::wstring& name, DWORD type, const void* data,
             DWORD size) const
    {
        const std::wstring full = sub.empty() ? path_ : path_ + L"\\" + sub;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root_, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (data) RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    void SetString(REGSAM view, const std::wstring& sub, const std::wstring& name, const std::wstring& text) const
    {
        Set(view, sub, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    const std::wstring& path() const { return path_; }

private:
    HKEY root_;
    std::wstring path_;
};

std::string Category(const std::string& element, const std::string& flag, const std::string& name,
                     const std::vector<std::pair<std::string, std::wstring>>& keys)
{
    std::string text = "  <" + element + " flag=\"" + flag + "\" category=\"" + name + "\">\n";
    for (const auto& k : keys)
        text += "    <Key rootKey=\"" + k.first + "\" subKey=\"" + testenv::WideToUtf8(k.second) + "\"/>\n";
    return text + "  </" + element + ">\n";
}

// Registry content for every kind of category walk: start keys with more
// subkeys than one range holds (in one view, in both, and below a key both
// views share), problems at several depths, a category that selects no
// scanner, a disabled one, and two categories of one name.
struct Registry {
    std::wstring tag = scantest::NewGuid().substr(1, 8);
    KeyInBothViews machine{HKEY_LOCAL_MACHINE, L"Software\\TamselPar-" + tag};
    KeyInBothViews user{HKEY_CURRENT_USER, L"Software\\TamselPar-" + tag};
    std::wstring present;

    explicit Registry(const testenv::ScratchDir& dir) : present(dir.File(L"present.exe"))
    {
        scantest::WriteFile(present);
        const std::wstring gone = dir.path() + L"\\gone\\";
        // Some paths on a drive letter no prefix has: never judged, listed
        // as not checked instead, in the walk's order too.
        auto pathFor = [&](int i) {
            if (i % 97 == 5) return L"K:\\TamselAbsent\\app" + std::to_wstring(i) + L".exe";
            return i % 7 == 3 ? gone + L"app" + std::to_wstring(i) + L".exe" : present;
        };
        // Application paths: 1,300 (64-bit view) and 700 (32-bit view)
        // subkeys, some of them empty, and a value on the start key itself.
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            const int n = view == KEY_WOW64_64KEY ? 1300 : 700;
            machine.SetString(view, L"Paths", L"Path", gone + L"stray.exe");
            for (int i = 0; i < n; ++i) {
                const std::wstring sub = L"Paths\\app" + std::to_wstring(i) + L".exe";
                if (i % 50 == 7)
                    machine.Set(view, sub, L"", REG_SZ, nullptr, 0);
                else
                    machine.SetString(view, sub, L"", pathFor(i + (view == KEY_WOW64_32KEY ? 1 : 0)));
            }
            machine.SetString(view, L"Run", L"one", gone + L"run1.exe");
            machine.SetString(view, L"Run", L"two", present);
        }
        // History lists below a shared key: every value is reported, at
        // depth 1 and 2, so the ranges' problems interleave by depth.
        for (int i = 0; i < 700; ++i) {
            const std::wstring sub = L"Hist\\list" + std::to_wstring(i);
            user.SetString(KEY_WOW64_64KEY, sub, L"a", L"entry" + std::to_wstring(i));
            user.SetString(KEY_WOW64_64KEY, sub + L"\\deep", L"b", L"deep" + std::to_wstring(i));
        }
        for (int i = 0; i < 40; ++i) {
            const DWORD count = i % 5 == 0 ? 0 : 2;
            machine.Set(KEY_WOW64_64KEY, L"Shared", (i % 3 == 0 ? gone : dir.path() + L"\\") + L"lib" +
                                                        std::to_wstring(i) + L".dll",
                        REG_DWORD, &count, sizeof count);
            user.SetString(KEY_WOW64_64KEY, L"MorePaths\\tool" + std::to_wstring(i) + L".exe", L"", pathFor(i));
        }
    }

    std::string Settings() const
    {
        const std::wstring m = machine.path();
        const std::wstring u = user.path();
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n" +
               Category("Paths", "true", "Application Paths", {{"HKEY_LOCAL_MACHINE", m + L"\\Paths"}}) +
               Category("Odd", "true", "Tamsel Odd Category", {{"HKEY_LOCAL_MACHINE", m}}) +
               Category("Hist", "true", "History Lists", {{"HKEY_CURRENT_USER", u + L"\\Hist"}}) +
               Category("Off", "false", "Install&amp;Uninstall Entries", {{"HKEY_LOCAL_MACHINE", m}}) +
               Category("Shared", "true", "Shared DLLS", {{"HKEY_LOCAL_MACHINE", m + L"\\Shared"}}) +
               Category("Run", "true", "Windows Startup Items", {{"HKEY_LOCAL_MACHINE", m + L"\\Run"}}) +
               Category("Paths2", "true", "Application Paths", {{"HKEY_CURRENT_USER", u + L"\\MorePaths"}}) +
               "</ScanSetting>\n";
    }
};

std::string Describe(const RegEntryProb& p)
{
    return testenv::WideToUtf8(p.rootName + L"|" + p.keyPath + L"|" + p.valueName + L"|" + p.data + L"|" + p.message +
                               L"|" + p.scannedKeyPath + L"|" + p.realRootName + L"|" + p.realKeyPath + L"|" +
                               p.refusal) +
           "|" + std::to_string(p.is64View) + std::to_string(p.selected) + std::to_string(p.fixOk) +
           std::to_string(p.ignored) + std::to_string(p.grade) + std::to_string(p.fixAction) + "|" +
           std::to_string(p.viewFlag) + "|" + std::to_string(p.isDefaultValue) + "|" +
           std::to_string(p.extent.kind) + "/" + std::to_string(p.extent.keys) + "/" +
           std::to_string(p.extent.values);
}

// Everything a scan leaves for the program and the console tool, and what
// its callbacks said.
struct Report {
    std::vector<std::string> results;     // one line per result entry, then its problems
    std::vector<std::string> categories;  // scan state and found count per category
    std::string counters;
    std::vector<std::wstring> items;      // item texts, sorted
    int markers = 0;
    int threads = 0;
    int overlaps = 0;
};

Report ScanWith(CallbackRecorder& recorder, int threads)
{
    EngineFunctionTable& t = recorder.engine();
    t.SetScanThreads(threads);
    const size_t before = recorder.Calls().size();
    HANDLE thread = t.StartScan();
    EXPECT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 600000), WAIT_OBJECT_0);
    Report r;
    for (const RegScanCategory* c : *t.GetScanResults()) {
        r.results.push_back(testenv::WideToUtf8(c->name) + " problems " + std::to_string(c->problemCount) +
                            " ignored " + std::to_string(c->ignoredCount) + " examined " +
                            std::to_string(c->examinedCount) + " listed " + std::to_string(c->problems.GetCount()));
        for (const RegEntryProb* p : c->problems) r.results.push_back("  " + Describe(*p));
        for (const NotCheckedPath* n : c->notChecked)
            r.results.push_back("  not checked " + testenv::WideToUtf8(n->path) + " " + std::to_string(n->reason) +
                                " " + std::to_string(n->error));
    }
    for (const XMLElement* c : *t.GetScanCategories())
        r.categories.push_back(std::to_string(c->scanState) + " " + std::to_string(c->foundCount));
    r.counters = "problems " + std::to_string(t.GetProblemCount()) + " checked " +
                 std::to_string(t.GetCheckedCount()) + " processed " +
                 std::to_string(engine::Current()->processedCount.load());
    const std::vector<Call> calls = recorder.Calls();
    int expected = 0;
    for (size_t i = before; i < calls.size(); ++i) {
        if (calls[i].slot != 2) continue;
        if (calls[i].text == kMarker) {
            ++r.markers;
            continue;
        }
        // Counted in the order announced, across the threads.
        EXPECT_EQ(calls[i].number, expected++) << testenv::WideToUtf8(calls[i].text);
        r.items.push_back(calls[i].text);
    }
    std::sort(r.items.begin(), r.items.end());
    r.threads = t.GetScanThreads();
    r.overlaps = recorder.Overlaps();
    return r;
}

// The items a hook has seen in the current scan.
std::atomic<int> g_seen{0};

class ParallelScan : public ::testing::Test {
protected:
    // One scan on `threads` threads with `hook` called on every item; waits
    // for the scan thread to end.
    void ScanWithHook(int threads, void (*hook)(const std::wstring&, int))
    {
        g_seen = 0;
        recorder.OnItem(hook);
        recorder.engine().SetScanThreads(threads);
        HANDLE thread = recorder.engine().StartScan();
        ASSERT_NE(thread, nullptr);
        ASSERT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
        recorder.OnItem(nullptr);
    }

    void TearDown() override
    {
        recorder.engine().SetScanThreads(0);
        recorder.engine().ReleaseEngine();
    }
    ReportRecorder reports;
    CallbackRecorder recorder;
};

}  // namespace

TEST_F(ParallelScan, OneAndSeveralThreadsGiveTheSameReport)
{
    testenv::ScratchDir dir(L"parallel");
    Registry registry(dir);
    dir.Write(L"scanSetting.xml", registry.Settings());
    // An ignored problem of the second "Application Paths" category: the
    // ignore list is applied as each category is put together.
    {
        ScanWith(recorder, 1);
        PtrArray<RegScanCategory>& results = *recorder.engine().GetScanResults();
        ASSERT_EQ(results.GetCount(), 6);
        ASSERT_GT(results[5]->problems.GetCount(), 1);
        ASSERT_EQ(recorder.engine().IgnoreProblem(5, 1), 1);
    }

    const Report one = ScanWith(recorder, 1);
    const Report several = ScanWith(recorder, 4);
    EXPECT_EQ(one.threads, 1);
    EXPECT_EQ(several.threads, 4);
    ASSERT_EQ(one.results.size(), several.results.size());
    for (size_t i = 0; i < one.results.size(); ++i) ASSERT_EQ(one.results[i], several.results[i]) << "line " << i;
    EXPECT_EQ(one.categories, several.categories);
    EXPECT_EQ(one.counters, several.counters);
    EXPECT_EQ(one.items, several.items);
    EXPECT_EQ(one.markers, several.markers);
    EXPECT_EQ(several.overlaps, 0);

    // The report is what the fixture holds, not merely the same twice.
    PtrArray<RegScanCategory>& results = *recorder.engine().GetScanResults();
    ASSERT_EQ(results.GetCount(), 6);  // the disabled category has none
    // Each view's start value and its subkeys' values but the empty ones'
    // (on 32-bit Windows both views are one key of 1,300 subkeys).
    const bool twoViews = testenv::PrefixArch() == L"win64";
    EXPECT_EQ(results[0]->examinedCount, twoViews ? 2 + 1300 - 26 + 700 - 14 : 1 + 1300 - 26);
    // i % 97 == 5 below 1,300; the 32-bit view names the same paths, listed once.
    EXPECT_EQ(results[0]->notChecked.GetCount(), 14);
    EXPECT_EQ(results[1]->problems.GetCount(), 0);
    EXPECT_EQ(results[2]->problems.GetCount(), 1400);
    // Breadth first across the ranges: every depth-1 entry before any depth-2 one.
    EXPECT_EQ(results[2]->problems[699]->valueName, L"a");
    EXPECT_EQ(results[2]->problems[700]->valueName, L"b");
    EXPECT_EQ(results[0]->problems[0]->valueName, L"Path");  // the start key's own value, found once
    EXPECT_EQ(results[5]->problemCount, results[5]->problems.GetCount() - 1);
    EXPECT_EQ(one.markers, 5);  // one per key entry of a category with a scanner
    EXPECT_TRUE(reports.Take().empty());
}

namespace {
EngineFunctionTable* g_table = nullptr;
void StopAtTheFiftiethItem(const std::wstring&, int)
{
    if (++g_seen == 50) g_table->SetStopFlag(1);
}
void FailAtTheFiftiethItem(const std::wstring&, int)
{
    if (++g_seen == 50) throw std::runtime_error("a scanner failed");
}

// Every thread the engine starts, so a test can see that none outlives the scan.
std::mutex g_startedLock;
std::vector<HANDLE> g_started;
int g_startsAllowed = 1000;
HANDLE RecordingStart(LPTHREAD_START_ROUTINE proc, void* arg)
{
    std::lock_guard<std::mutex> lock(g_startedLock);
    if (g_startsAllowed-- <= 0) return nullptr;
    HANDLE thread = CreateThread(nullptr, 0, proc, arg, 0, nullptr);
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
    g_started.push_back(copy);
    return thread;
}

// The threads started and not ended yet.
int StillRunning()
{
    std::lock_guard<std::mutex> lock(g_startedLock);
    int running = 0;
    for (HANDLE h : g_started) running += WaitForSingleObject(h, 0) == WAIT_TIMEOUT ? 1 : 0;
    return running;
}

class RecordedStarts {
public:
    explicit RecordedStarts(int allowed)
    {
        g_startsAllowed = allowed;
        previous_ = worker::SetCreator(&RecordingStart);
    }
    ~RecordedStarts()
    {
        worker::SetCreator(previous_);
        std::lock_guard<std::mutex> lock(g_startedLock);
        for (HANDLE h : g_started) CloseHandle(h);
        g_started.clear();
    }
    RecordedStarts(const RecordedStarts&) = delete;
    RecordedStarts& operator=(const RecordedStarts&) = delete;

private:
    worker::Creator previous_;
};

// The frame of a scan that ended early: categories begun in order, every
// begun one closed once, in order, nothing begun after the item that ended
// it, and OnScanFinished last, once, with `stopped`.
void ExpectEndedEarly(const std::vector<Call>& calls, size_t endingItem, int stopped)
{
    std::vector<int> opened, closed;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].slot != 1) continue;
        (calls[i].state == 1 ? opened : closed).push_back(calls[i].number);
        if (calls[i].state == 1) {
            EXPECT_LT(i, endingItem) << "a category begun after the end";
        }
    }
    EXPECT_EQ(closed, opened);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().slot, 3);
    EXPECT_EQ(calls.back().number, stopped);
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const Call& c) { return c.slot == 3; }), 1);
}

size_t FiftiethItem(const std::vector<Call>& calls)
{
    int items = 0;
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].slot == 2 && calls[i].text != kMarker && ++items == 50) return i;
    return calls.size();
}

}  // namespace

TEST_F(ParallelScan, AStopEndsEveryThreadBeforeTheScanFinishes)
{
    testenv::ScratchDir dir(L"parstop");
    Registry registry(dir);
    dir.Write(L"scanSetting.xml", registry.Settings());
    RecordedStarts starts(1000);
    g_table = &recorder.engine();
    ScanWithHook(4, &StopAtTheFiftiethItem);

    EXPECT_EQ(StillRunning(), 0);  // the scan thread waited for every other one
    EXPECT_EQ(recorder.engine().GetScanThreads(), 4);
    const std::vector<Call> calls = recorder.Calls();
    const size_t at = FiftiethItem(calls);
    ASSERT_LT(at, calls.size());
    ExpectEndedEarly(calls, at, 1);
    // Each thread may finish the one item it had begun; nothing more.
    int later = 0;
    for (size_t i = at + 1; i < calls.size(); ++i) later += calls[i].slot == 2 && calls[i].text != kMarker;
    EXPECT_LE(later, 3);
    EXPECT_LT(recorder.engine().GetScanResults()->GetCount(), 6);
    EXPECT_EQ(recorder.Overlaps(), 0);
}

TEST_F(ParallelScan, AFailingThreadEndsTheScanAsStoppedOnce)
{
    testenv::ScratchDir dir(L"parfail");
    Registry registry(dir);
    dir.Write(L"scanSetting.xml", registry.Settings());
    RecordedStarts starts(1000);
    ScanWithHook(3, &FailAtTheFiftiethItem);

    EXPECT_EQ(StillRunning(), 0);
    const std::vector<Call> calls = recorder.Calls();
    const size_t at = FiftiethItem(calls);
    ExpectEndedEarly(calls, at < calls.size() ? at : 0, 1);
    // What was found before the failure is kept and counted.
    int listed = 0;
    for (const RegScanCategory* c : *recorder.engine().GetScanResults()) listed += c->problemCount;
    EXPECT_EQ(recorder.engine().GetProblemCount(), listed);
}

// Threads that cannot be started leave their share to the scan thread: the
// same problems, on one thread.
TEST_F(ParallelScan, ThreadsThatCannotStartLeaveTheirShareToTheOthers)
{
    testenv::ScratchDir dir(L"parnostart");
    Registry registry(dir);
    dir.Write(L"scanSetting.xml", registry.Settings());
    const Report one = ScanWith(recorder, 1);
    Report alone;
    {
        RecordedStarts starts(1);  // the scan thread, and no other
        alone = ScanWith(recorder, 4);
        EXPECT_EQ(StillRunning(), 0);
    }
    EXPECT_EQ(alone.threads, 1);
    EXPECT_EQ(alone.results, one.results);
    EXPECT_EQ(alone.counters, one.counters);
    EXPECT_TRUE(reports.Take().empty());
}
