// The backup store, ignore list, fix, startup and schedule commands of the
// real TamselCli.exe, run from a private copy of the program folder so that
// its regback, IgnoreList.dat and startupManage.xml are the test's own.
#include <gtest/gtest.h>
#include <windows.h>
#include <mstask.h>

#include <string>
#include <vector>

#include "CliRun.h"
#include "core/ComPtr.h"
#include "support/ScanTaskSupport.h"
#include "pure/IgnoreCodec.h"
#include "support/TestEnv.h"

namespace {

using namespace clirun;

class CliStore : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(testenv::CopyDeliverables(dir.path())); }
    Outcome Cli(const std::vector<std::wstring>& args) { return RunExe(dir.File(L"TamselCli.exe"), args); }

    testenv::ScratchDir dir{L"clistore"};
};

TEST_F(CliStore, EmptyStoreAndEmptyIgnoreList)
{
    Outcome backups = Cli({L"backups"});
    EXPECT_EQ(backups.exitCode, 0u) << backups.err;
    EXPECT_EQ(backups.out, "0 backup(s)\n");
    Outcome ignored = Cli({L"ignored"});
    EXPECT_EQ(ignored.exitCode, 0u) << ignored.err;
    EXPECT_EQ(ignored.out, "0 ignored problem(s)\n");
}

TEST_F(CliStore, BadOrMissingBackupNamesFailWithOneLine)
{
    // The last is well formed but not in the store: nothing is deleted.
    for (const wchar_t* name : {L"nonsense", L"..\\..\\x", L"20261209072400-f", L"20000101000000-f.regbak"}) {
        Outcome run = Cli({L"delete-backup", name});
        EXPECT_EQ(run.exitCode, 2u) << testenv::WideToUtf8(name);
        EXPECT_TRUE(IsOneErrorLine(run.err)) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// An engine message box never waits for a person: with a display present,
// a backup into a store without its template prints the engine's report as
// one line and ends with exit 2 at once.
TEST_F(CliStore, AnEngineReportIsALineAndTheCommandFails)
{
    ASSERT_TRUE(DeleteFileW(dir.File(L"regbak-templ.xml").c_str()));
    const ULONGLONG start = GetTickCount64();
    Outcome run = Cli({L"backup"});
    EXPECT_LT(GetTickCount64() - start, 30000u);
    EXPECT_EQ(run.exitCode, 2u) << run.out << run.err;
    EXPECT_NE(run.err.find("TamselCli: Failed to load DOM from XMLFile: "), std::string::npos) << run.err;
    EXPECT_EQ(Cli({L"backups"}).out, "0 backup(s)\n");

    // The same with --json: the command's failure and the engine's report.
    Outcome json = Cli({L"backup", L"--json"});
    jsoncheck::Value doc = ExpectErrorDocument(json, L"backup");
    EXPECT_EQ(doc["error"].text, L"the full backup failed");
    EXPECT_EQ(doc["engineReport"].text.rfind(L"Failed to load DOM from XMLFile: ", 0), 0u)
        << testenv::WideToUtf8(doc["engineReport"].text);
}

TEST_F(CliStore, JsonDocumentForAMissingBackup)
{
    for (const wchar_t* command : {L"restore", L"delete-backup"}) {
        Outcome run = Cli({command, L"--json", L"20000101000000-f.regbak"});
        jsoncheck::Value doc = ExpectErrorDocument(run, command);
        EXPECT_FALSE(doc.Has("restored"));
        EXPECT_FALSE(doc.Has("deleted"));
    }
    Outcome empty = Cli({L"backups", L"--json"});
    ASSERT_EQ(empty.exitCode, 0u) << empty.err;
    jsoncheck::Value doc = jsoncheck::Parse(empty.out);
    ExpectFactsOfThisSystem(doc);
    EXPECT_TRUE(doc["backups"].items.empty());
    EXPECT_EQ(doc["exitCode"].number, 0);
}

bool ValueExists(HKEY root, const std::wstring& path, const wchar_t* name)
{
    return RegGetValueW(root, path.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// A run list entry naming a file that does not exist: the dry run leaves it,
// --yes backs it up into the program's store and deletes it, and the restore
// of that backup brings it back. Only the chosen category is fixed; the
// settings name scratch keys only, so nothing of the prefix itself is
// scanned or changed.
TEST_F(CliStore, FixOnlyWithYesAndAfterABackup)
{
    testenv::ScratchKey run(HKEY_CURRENT_USER, L"Software", L"clifixrun");
    testenv::ScratchKey paths(HKEY_CURRENT_USER, L"Software", L"clifixpaths");
    const std::wstring missing = dir.File(testenv::UniqueName(L"gone") + L".exe");
    run.SetString(L"", L"Gone", L"\"" + missing + L"\" /min");
    run.SetString(L"", L"Kept", L"\"" + dir.File(L"TamselCli.exe") + L"\" /min");
    paths.SetString(L"tool.exe", L"", missing);  // broken too, but not in the chosen category
    dir.Write(L"fix.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n"
              "  <AppPaths flag=\"true\" category=\"Application Paths\">\n"
              "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" + testenv::WideToUtf8(paths.path()) + "\"/>\n"
              "  </AppPaths>\n"
              "  <Startup flag=\"true\" category=\"Windows Startup Items\">\n"
              "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" + testenv::WideToUtf8(run.path()) + "\"/>\n"
              "  </Startup>\n</ScanSetting>\n");
    const std::vector<std::wstring> base = {L"fix", L"--quiet", L"--settings", dir.File(L"fix.xml"), L"--category",
                                            L"windows startup items"};
    const std::string shipped = dir.Read(L"scanSetting.xml");

    Outcome dry = Cli(base);
    ASSERT_EQ(dry.exitCode, 0u) << dry.err;
    EXPECT_NE(dry.out.find(testenv::WideToUtf8(missing)), std::string::npos) << dry.out;
    EXPECT_EQ(dry.out.find("tool.exe"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("would fix 1 problem(s); nothing was changed (run with --yes to back up and fix)\n"),
              std::string::npos)
        << dry.out;
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Gone"));
    EXPECT_EQ(Cli({L"backups"}).out, "0 backup(s)\n");
    std::vector<std::wstring> dryJson = base;
    dryJson.push_back(L"--json");
    Outcome dryDoc = Cli(dryJson);
    ASSERT_EQ(dryDoc.exitCode, 0u) << dryDoc.err;
    jsoncheck::Value doc = jsoncheck::Parse(dryDoc.out);
    EXPECT_TRUE(doc["fix"]["dryRun"].boolean);
    EXPECT_EQ(doc["fix"]["checked"].number, 1);
    EXPECT_FALSE(doc["fix"].Has("backedUp"));
    ASSERT_EQ(doc["results"].items.size(), 1u);
    EXPECT_EQ(doc["results"][0]["problems"][0]["valueName"].text, L"Gone");
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Gone"));

    std::vector<std::wstring> yes = base;
    yes.push_back(L"--yes");
    Outcome fix = Cli(yes);
    EXPECT_EQ(fix.exitCode, 0u) << fix.out << fix.err;
    EXPECT_EQ(fix.out, "backed up and fixed 1 of 1 problem(s), 0 not fixed\n") << fix.err;
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Gone"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Kept"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, paths.path() + L"\\tool.exe", nullptr));
    EXPECT_EQ(dir.Read(L"scanSetting.xml"), shipped);  // the filter wrote only the private copy

    // The backup is in the program's store, and restoring it undoes the fix.
    Outcome backups = Cli({L"backups"});
    ASSERT_EQ(backups.out.size(), std::string("20261209072400-p.regbak\tpartial\n1 backup(s)\n").size())
        << backups.out;
    EXPECT_NE(backups.out.find("-p.regbak\tpartial\n1 backup(s)\n"), std::string::npos) << backups.out;
    const std::wstring name = testenv::Utf8ToWide(backups.out.substr(0, backups.out.find('\t')));
    doc = jsoncheck::Parse(Cli({L"backups", L"--json"}).out);
    ASSERT_EQ(doc["backups"].items.size(), 1u);
    EXPECT_EQ(doc["backups"][0]["name"].text, name);
    EXPECT_EQ(doc["backups"][0]["kind"].text, L"partial");
    Outcome restore = Cli({L"restore", name});
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    EXPECT_EQ(restore.out, "restored " + testenv::WideToUtf8(name) + "\n");
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Gone"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Kept"));

    // An ignore list that is there but cannot be read stops the fix: it
    // would otherwise fix what the user ignored.
    dir.Write(L"IgnoreList.dat", "");
    HANDLE locked = CreateFileW(dir.File(L"IgnoreList.dat").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    Outcome blocked = Cli(yes);
    CloseHandle(locked);
    EXPECT_EQ(blocked.exitCode, 2u) << blocked.out << blocked.err;
    EXPECT_TRUE(IsOneErrorLine(blocked.err)) << blocked.err;
    EXPECT_NE(blocked.err.find("ignore list"), std::string::npos) << blocked.err;
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Gone"));
}

// IgnoreList.dat holds one of two broken Run values. While the file is locked
// or damaged the fix stops with exit 2 before any backup, naming the file,
// and both values stay; once it reads again the fix leaves the ignored one.
TEST_F(CliStore, AnUnreadableIgnoreListBlocksTheFix)
{
    testenv::ScratchKey run(HKEY_CURRENT_USER, L"Software", L"cliignore");
    for (const wchar_t* name : {L"Ignored", L"Other"})
        run.SetString(L"", name, L"\"" + dir.File(testenv::UniqueName(name) + L".exe") + L"\" /min");
    dir.Write(L"scanSetting.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n"
                                  "  <Startup flag=\"true\" category=\"Windows Startup Items\">\n"
                                  "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" +
                                      testenv::WideToUtf8(run.path()) + "\"/>\n  </Startup>\n</ScanSetting>\n");
    Outcome dry = Cli({L"fix", L"--json"});
    ASSERT_EQ(dry.exitCode, 0u) << dry.err;
    jsoncheck::Value doc = jsoncheck::Parse(dry.out);
    ASSERT_EQ(doc["results"].items.size(), 1u);
    pure::IgnoreGroupData group;
    group.name = doc["results"][0]["name"].text;
    for (const jsoncheck::Value& p : doc["results"][0]["problems"].items)
        if (p["valueName"].text == L"Ignored")
            group.entries.push_back({p["rootName"].text, p["keyPath"].text, p["valueName"].text, p["message"].text, 0,
                                     static_cast<int32_t>(p["is64View"].number)});
    ASSERT_EQ(group.entries.size(), 1u) << dry.out;
    group.entryCount = 1;
    const std::vector<uint8_t> good = pure::EncodeIgnoreList({group});
    const std::string goodBytes(good.begin(), good.end());

    const std::vector<std::wstring> fix = {L"fix", L"--quiet", L"--yes"};
    struct Case {
        const char* what;
        bool lock;
        std::string bytes;
    };
    const Case cases[] = {{"locked", true, goodBytes},
                          {"damaged", false, goodBytes.substr(0, goodBytes.size() - 3)},
                          {"over the size cap", false, std::string(5 * 1024 * 1024, '\0')}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.Write(L"IgnoreList.dat", c.bytes);
        HANDLE locked = c.lock ? CreateFileW(dir.File(L"IgnoreList.dat").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                             nullptr, OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
        ASSERT_EQ(c.lock, locked != INVALID_HANDLE_VALUE);
        Outcome blocked = Cli(fix);
        if (locked != INVALID_HANDLE_VALUE) CloseHandle(locked);
        EXPECT_EQ(blocked.exitCode, 2u) << blocked.out << blocked.err;
        const size_t last = blocked.err.rfind("TamselCli: ");
        ASSERT_NE(last, std::string::npos) << blocked.err;
        EXPECT_EQ(blocked.err.substr(last).rfind("TamselCli: IgnoreList.dat ", 0), 0u) << blocked.err;
        EXPECT_NE(blocked.err.find("nothing was backed up or fixed\n"), std::string::npos) << blocked.err;
        EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Ignored"));
        EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Other"));
        EXPECT_EQ(Cli({L"backups"}).out, "0 backup(s)\n");
    }

    // Readable again: the ignored value stays, the other one is fixed.
    dir.Write(L"IgnoreList.dat", goodBytes);
    Outcome fixed = Cli(fix);
    EXPECT_EQ(fixed.exitCode, 0u) << fixed.out << fixed.err;
    EXPECT_EQ(fixed.out, "backed up and fixed 1 of 1 problem(s), 0 not fixed\n");
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Ignored"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, run.path(), L"Other"));
}

class RunValue {
public:
    RunValue(const std::wstring& name, const std::wstring& command) : name_(name)
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, kRun, name.c_str(), REG_SZ, command.c_str(),
                        static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }
    ~RunValue() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun, name_.c_str()); }
    bool Exists() const
    {
        return RegGetValueW(HKEY_CURRENT_USER, kRun, name_.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
    static constexpr const wchar_t* kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

private:
    std::wstring name_;
};

// The number at the start of the listed line that contains `text`, or -1.
int LineIndex(const std::string& out, const std::string& text)
{
    size_t at = out.find(text);
    if (at == std::string::npos) return -1;
    size_t start = out.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    return std::stoi(out.substr(start, out.find('\t', start) - start));
}

TEST_F(CliStore, StartupItemsAreNamedNeverNumbered)
{
    const std::wstring name = testenv::UniqueName(L"clirun");
    const std::wstring command = L"C:\\nowhere\\" + name + L".exe /quiet";
    RunValue value(name, command);
    Outcome list = Cli({L"startup"});
    ASSERT_EQ(list.exitCode, 0u) << list.err;
    int index = LineIndex(list.out, "\\" + testenv::WideToUtf8(name) + "\t");
    ASSERT_GE(index, 0);
    jsoncheck::Value doc = jsoncheck::Parse(Cli({L"startup", L"--json"}).out);
    const jsoncheck::Value& item = doc["startupItems"][static_cast<size_t>(index)];
    EXPECT_EQ(item["valueName"].text, name);
    EXPECT_TRUE(item["enabled"].boolean);
    EXPECT_EQ(item["commandLine"].text, command);
    // The identity the commands take is the location the listing shows.
    const std::wstring identity = item["item"].text;
    EXPECT_EQ(identity, L"HKEY_CURRENT_USER\\" + item["keyPath"].text + L"\\" + name);
    EXPECT_NE(list.out.find("\tenabled\t" + testenv::WideToUtf8(identity) + "\t"), std::string::npos) << list.out;

    // A position from an earlier listing names nothing: one new value shifts it.
    for (const wchar_t* action : {L"disable", L"enable", L"remove"}) {
        Outcome positional = Cli({L"startup", action, std::to_wstring(index)});
        EXPECT_EQ(positional.exitCode, 2u);
        EXPECT_NE(positional.err.find("is a position"), std::string::npos) << positional.err;
    }
    EXPECT_TRUE(value.Exists());
    Outcome unknown = Cli({L"startup", L"remove", identity + L"x"});
    EXPECT_EQ(unknown.exitCode, 2u);
    EXPECT_EQ(unknown.err.rfind("TamselCli: no startup item '", 0), 0u) << unknown.err;

    // Named in another letter case, as the registry compares names.
    std::wstring upper = identity;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    Outcome disable = Cli({L"startup", L"disable", upper});
    ASSERT_EQ(disable.exitCode, 0u) << disable.err;
    EXPECT_FALSE(value.Exists());
    Outcome twice = Cli({L"startup", L"disable", identity});
    EXPECT_EQ(twice.exitCode, 2u);
    EXPECT_NE(twice.err.find("is already disabled"), std::string::npos) << twice.err;
    Outcome enable = Cli({L"startup", L"enable", identity});
    EXPECT_EQ(enable.exitCode, 0u) << enable.err;
    EXPECT_TRUE(value.Exists());
    EXPECT_EQ(Cli({L"startup"}).out.find("\tdisabled\t" + testenv::WideToUtf8(identity)), std::string::npos);
}

// What the uninstaller calls: whether startupManage.xml holds records, and
// enabling them all; a value the program wrote since is never replaced.
TEST_F(CliStore, DisabledRecordsAreListedAndEnabledWithoutReplacingNewerValues)
{
    const std::wstring name = testenv::UniqueName(L"cliall");
    const std::wstring command = L"C:\\nowhere\\" + name + L".exe";
    RunValue value(name, command);
    Outcome none = Cli({L"startup", L"disabled"});
    EXPECT_EQ(none.exitCode, 0u) << none.err;
    EXPECT_EQ(none.out, "0 disabled record(s)\n");
    const std::wstring identity = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\run\\" + name;
    ASSERT_EQ(Cli({L"startup", L"disable", identity}).exitCode, 0u);
    Outcome some = Cli({L"startup", L"disabled", L"--json"});
    EXPECT_EQ(some.exitCode, 1u) << some.err;
    jsoncheck::Value doc = jsoncheck::Parse(some.out);
    ASSERT_EQ(doc["disabledRecords"].items.size(), 1u);
    EXPECT_EQ(doc["disabledRecords"][0]["disabledBy"].text, L"tamsel");
    EXPECT_EQ(doc["exitCode"].number, 1);

    // The program wrote its own value again: a single enable refuses, so
    // does the uninstaller's, and the record stays.
    RunValue newer(name, command + L" /new");
    Outcome one = Cli({L"startup", L"enable", identity});
    EXPECT_EQ(one.exitCode, 2u);
    EXPECT_NE(one.err.find("now holds"), std::string::npos) << one.err;
    Outcome all = Cli({L"startup", L"enable", L"--all"});
    EXPECT_EQ(all.exitCode, 1u) << all.out << all.err;
    EXPECT_NE(all.out.find("0 enabled, 1 still disabled"), std::string::npos) << all.out;
    wchar_t data[MAX_PATH] = {};
    DWORD size = sizeof data;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, RunValue::kRun, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(data), command + L" /new");
    EXPECT_EQ(Cli({L"startup", L"disabled"}).exitCode, 1u);

    RegDeleteKeyValueW(HKEY_CURRENT_USER, RunValue::kRun, name.c_str());
    Outcome back = Cli({L"startup", L"enable", L"--all", L"--json"});
    EXPECT_EQ(back.exitCode, 0u) << back.out << back.err;
    EXPECT_EQ(jsoncheck::Parse(back.out)["enabled"][0].text, identity);
    EXPECT_TRUE(value.Exists());
    EXPECT_EQ(Cli({L"startup", L"disabled"}).exitCode, 0u);

    for (const std::vector<std::wstring>& wrong :
         {std::vector<std::wstring>{L"startup", L"enable", L"--all", identity},
          std::vector<std::wstring>{L"startup", L"disable", L"--all"}, std::vector<std::wstring>{L"startup", L"--all"}}) {
        Outcome refused = Cli(wrong);
        EXPECT_EQ(refused.exitCode, 2u) << refused.err;
    }
}

using tasktest::TaskCleanup;

bool TaskExists()
{
    ScopedCoInit com;
    ComPtr<ITaskScheduler> s;
    CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler, s.put_void());
    ComPtr<IUnknown> task;
    return s && SUCCEEDED(s->Activate(L"Registry Task", IID_ITask, task.put()));
}

TEST_F(CliStore, ScheduleAddListDelete)
{
    TaskCleanup cleanup;
    Outcome add = Cli({L"schedule", L"add", L"--weekly", L"Wed,Mon", L"--at", L"03:17"});
    ASSERT_EQ(add.exitCode, 0u) << add.err;
    EXPECT_EQ(add.out.rfind("added: weekly Mon,Wed at 03:17 from ", 0), 0u) << add.out;
    Outcome list = Cli({L"schedule"});
    ASSERT_EQ(list.exitCode, 0u) << list.err;
    int index = LineIndex(list.out, "\tweekly Mon,Wed at 03:17 from ");
    ASSERT_GE(index, 0) << list.out;
    jsoncheck::Value doc = jsoncheck::Parse(Cli({L"schedule", L"--json"}).out);
    const jsoncheck::Value& trigger = doc["triggers"][static_cast<size_t>(index)];
    EXPECT_EQ(trigger["weekly"].text, L"Mon,Wed");
    EXPECT_EQ(trigger["at"].text, L"03:17");
    const std::wstring text = trigger["description"].text;
    Outcome positional = Cli({L"schedule", L"delete", std::to_wstring(index)});
    EXPECT_EQ(positional.exitCode, 2u);
    EXPECT_NE(positional.err.find("is a position"), std::string::npos) << positional.err;
    Outcome bad = Cli({L"schedule", L"delete", L"weekly Sun at 00:00 from 2000-01-01"});
    EXPECT_EQ(bad.exitCode, 2u);
    EXPECT_EQ(bad.err.rfind("TamselCli: no trigger 'weekly Sun at 00:00 from 2000-01-01'", 0), 0u) << bad.err;
    Outcome del = Cli({L"schedule", L"delete", text});
    EXPECT_EQ(del.exitCode, 0u) << del.err;
    EXPECT_EQ(LineIndex(Cli({L"schedule"}).out, "\tweekly Mon,Wed at 03:17 from "), -1);

    // delete-task removes the whole task, as the uninstaller does; a second
    // time there is none, which is no failure for it.
    Outcome gone = Cli({L"schedule", L"delete-task"});
    EXPECT_EQ(gone.exitCode, 0u) << gone.err;
    EXPECT_EQ(gone.out, "deleted the scan task\n");
    EXPECT_FALSE(TaskExists());
    Outcome again = Cli({L"schedule", L"delete-task", L"--json"});
    EXPECT_EQ(again.exitCode, 0u) << again.err;
    EXPECT_FALSE(jsoncheck::Parse(again.out)["taskDeleted"].boolean);
}

TEST_F(CliStore, AnotherProgramsTaskIsNeitherAdoptedNorDeleted)
{
    TaskCleanup cleanup;
    {
        ScopedCoInit com;
        ASSERT_TRUE(tasktest::PlantTask(L"C:\\Other\\cleaner.exe", L"-scan"));
    }
    Outcome del = Cli({L"schedule", L"delete-task"});
    EXPECT_EQ(del.exitCode, 1u) << del.out << del.err;
    EXPECT_NE(del.err.find("starts another program; Tamsel leaves it alone"), std::string::npos) << del.err;
    EXPECT_TRUE(TaskExists());
    for (const std::vector<std::wstring>& args :
         {std::vector<std::wstring>{L"schedule"},
          std::vector<std::wstring>{L"schedule", L"add", L"--weekly", L"Mon", L"--at", L"01:00"}}) {
        Outcome run = Cli(args);
        EXPECT_EQ(run.exitCode, 2u) << run.out << run.err;
        EXPECT_NE(run.err.find("starts another program"), std::string::npos) << run.err;
    }
    ScopedCoInit com;
    ComPtr<ITask> task = tasktest::OpenTask();
    ASSERT_TRUE(task);
    EXPECT_EQ(tasktest::TaskText(task.get(), &ITask::GetApplicationName), L"C:\\Other\\cleaner.exe");
    WORD count = 0;
    task->GetTriggerCount(&count);
    EXPECT_EQ(count, 1);
}

// Runs alone: the record of a pending swap is the machine's.
TEST_F(CliStore, PendingCompactionRefusesEveryChange)
{
    const std::wstring name = testenv::UniqueName(L"clipending");
    RunValue value(name, L"C:\\nowhere\\pending.exe");
    const std::wstring identity = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\run\\" + name;
    HKEY record = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamsel Pending Compaction", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &record, nullptr),
              ERROR_SUCCESS);
    const wchar_t file[] = L"C:\\windows\\system32\\config\\software.rns";
    RegSetValueExW(record, L"\\REGISTRY\\MACHINE\\SOFTWARE", 0, REG_SZ, reinterpret_cast<const BYTE*>(file),
                   sizeof file);
    RegCloseKey(record);
    struct Refused {
        std::vector<std::wstring> args;
    } refused[] = {
        {{L"startup", L"disable", identity}},
        {{L"startup", L"remove", identity}},
        {{L"startup", L"enable", L"--all"}},
        {{L"restore", L"20261209072400-f.xml"}},
    };
    for (const Refused& r : refused) {
        Outcome run = Cli(r.args);
        EXPECT_EQ(run.exitCode, 2u) << run.out << run.err;
        EXPECT_NE(run.err.find("The compacted registry replaces the current one at the next restart; restart first"),
                  std::string::npos)
            << run.err;
    }
    EXPECT_TRUE(value.Exists());
    EXPECT_EQ(Cli({L"startup"}).exitCode, 0u) << "listing changes nothing";
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamsel Pending Compaction", KEY_WOW64_64KEY, 0);
    EXPECT_EQ(Cli({L"startup", L"disable", identity}).exitCode, 0u);
    EXPECT_FALSE(value.Exists());
    EXPECT_EQ(Cli({L"startup", L"enable", identity}).exitCode, 0u);
}

}  // namespace
