// Startup items against the prefix's real Run keys and a real
// startupManage.xml in a scratch folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "StartupTestSupport.h"
#include "core/EngineState.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"
#include "tools/VersionTexts.h"

using namespace startuptest;

namespace {

const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\run";
const wchar_t kRunOnce[] = L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t kRun32[] = L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\run";
const char kEmptyStore[] = "<?xml version=\"1.0\"?>\n<startupManage/>\n";

std::wstring WindowsFile(const wchar_t* name)
{
    wchar_t dir[MAX_PATH] = {};
    GetWindowsDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\" + name;
}

class StartupItems : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_.Write(L"startupManage.xml", kEmptyStore);
        engine::Destroy();
    }
    void TearDown() override { engine::Destroy(); }
    testenv::ScratchDir dir_{L"startup"};
    ReportRecorder reports_;
};

// Where each key of the listing really is, and what items carry.
struct KeyCase {
    HKEY root;
    const wchar_t* rootName;
    const wchar_t* openPath;  // as the test opens it (with its view)
    REGSAM view;
    const wchar_t* itemPath;  // as the item must carry it
};
const KeyCase kKeys[] = {
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", kRun, 0, kRun},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", kRun, KEY_WOW64_64KEY, kRun},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", KEY_WOW64_32KEY,
     kRun32},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", kRunOnce, KEY_WOW64_64KEY, kRunOnce},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
     KEY_WOW64_64KEY, L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", kRunOnce, 0, kRunOnce},
};

}  // namespace

TEST_F(StartupItems, ListsEveryRunKeyInBothViewsInTableOrder)
{
    std::vector<std::unique_ptr<RunValue>> values;
    for (const KeyCase& k : kKeys)
        values.push_back(std::make_unique<RunValue>(k.root, k.openPath, k.view, L"\"C:\\Tamsel\\x.exe\" /min"));
    auto items = Load();
    int lastPosition = -1;
    for (size_t i = 0; i < values.size(); ++i) {
        const StartupItem* item = Find(items, values[i]->name(), 1);
        ASSERT_NE(item, nullptr) << kKeys[i].itemPath;
        EXPECT_EQ(item->rootName, kKeys[i].rootName);
        EXPECT_EQ(item->keyPath, kKeys[i].itemPath);
        EXPECT_EQ(item->commandLine, L"\"C:\\Tamsel\\x.exe\" /min");
        EXPECT_EQ(item->filePath, L"C:\\Tamsel\\x.exe");
        EXPECT_EQ(item->valueType, static_cast<DWORD>(REG_SZ));
        int position = 0;
        while (items[static_cast<size_t>(position)].get() != item) ++position;
        EXPECT_GT(position, lastPosition) << "keys out of order at " << kKeys[i].itemPath;
        lastPosition = position;
    }
}

TEST_F(StartupItems, LongAndUnterminatedValuesAreReadWholeAndTheListingGoesOn)
{
    std::wstring longLine = L"C:\\Tamsel\\long.exe " + std::wstring(300, L'x');
    RunValue longValue(HKEY_CURRENT_USER, kRun, 0, longLine);
    RunValue after(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\after.exe");
    std::wstring raw = L"C:\\Tamsel\\raw.exe";
    const BYTE* p = reinterpret_cast<const BYTE*>(raw.data());
    RunValue unterminated(HKEY_CURRENT_USER, kRun, 0, std::vector<BYTE>(p, p + raw.size() * 2), REG_SZ);
    RunValue expand(HKEY_CURRENT_USER, kRun, 0, L"%WINDIR%\\regedit.exe", REG_EXPAND_SZ);
    DWORD number = 7;
    RunValue dword(HKEY_CURRENT_USER, kRun, 0,
                   std::vector<BYTE>(reinterpret_cast<BYTE*>(&number), reinterpret_cast<BYTE*>(&number) + 4),
                   REG_DWORD);

    auto items = Load();
    const StartupItem* item = Find(items, longValue.name(), 1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->commandLine, longLine);
    EXPECT_EQ(item->filePath, L"C:\\Tamsel\\long.exe");
    EXPECT_NE(Find(items, after.name(), 1), nullptr);
    item = Find(items, unterminated.name(), 1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->commandLine, raw);
    item = Find(items, expand.name(), 1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->valueType, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(Find(items, dword.name(), 1), nullptr) << "a number is no command line";
}

TEST_F(StartupItems, DescriptionsComeFromVersionTextsAndTheShellType)
{
    RunValue withVersion(HKEY_CURRENT_USER, kRun, 0, WindowsFile(L"regedit.exe") + L" /s");
    RunValue withoutVersion(HKEY_CURRENT_USER, kRun, 0, L"\"" + WindowsFile(L"system32\\notepad.exe") + L"\"");
    auto items = Load();
    const StartupItem* a = Find(items, withVersion.name(), 1);
    const StartupItem* b = Find(items, withoutVersion.name(), 1);
    ASSERT_TRUE(a && b);
    tools::VersionTexts texts = tools::GetVersionTexts(a->filePath);
    ASSERT_FALSE(texts.product.empty());
    SHFILEINFOW info{};
    SHGetFileInfoW(a->filePath.c_str(), 0, &info, sizeof info, SHGFI_TYPENAME);
    EXPECT_EQ(a->description, texts.product + L" | " + (texts.description.empty() ? texts.product : texts.description) +
                                  L" | " + info.szTypeName);
    // No version resource: the description begins with " | ".
    EXPECT_EQ(b->filePath, WindowsFile(L"system32\\notepad.exe"));
    EXPECT_EQ(b->description.rfind(L" |  | ", 0), 0u) << b->description;
}

TEST_F(StartupItems, DisabledItemsAreReadByPositionFromTheStore)
{
    dir_.Write(L"startupManage.xml",
               "<?xml version=\"1.0\"?>\n<startupManage>"
               "<!-- a comment -->"
               "<node fileNameDescType=\"d1\" fileLocation=\"c1\" filePath=\"p1\" RegHkey=\"HKEY_CURRENT_USER\" "
               "RegSubkeyPath=\"k1\" RegSubkeyName=\"n1\"/>"
               "<node a=\"d2\" b=\"c2\" c=\"p2\" d=\"HKEY_LOCAL_MACHINE\" e=\"k2\" f=\"n2\" RegValueType=\"2\"/>"
               "<node fileNameDescType=\"short\" fileLocation=\"c3\"/>"
               "<other a=\"1\" b=\"2\" c=\"3\" d=\"4\" e=\"5\" f=\"6\"/>"
               "</startupManage>");
    auto items = Load();
    std::vector<const StartupItem*> disabled;
    for (const auto& item : items)
        if (!item->enabled) disabled.push_back(item.get());
    ASSERT_EQ(disabled.size(), 2u);
    EXPECT_EQ(disabled[0]->description, L"d1");
    EXPECT_EQ(disabled[0]->commandLine, L"c1");
    EXPECT_EQ(disabled[0]->filePath, L"p1");
    EXPECT_EQ(disabled[0]->rootName, L"HKEY_CURRENT_USER");
    EXPECT_EQ(disabled[0]->keyPath, L"k1");
    EXPECT_EQ(disabled[0]->valueName, L"n1");
    EXPECT_EQ(disabled[0]->valueType, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(disabled[1]->valueName, L"n2");
    EXPECT_EQ(disabled[1]->valueType, static_cast<DWORD>(REG_EXPAND_SZ));
    // Disabled items come after every registry item.
    EXPECT_EQ(items.back().get(), disabled.back());
    EXPECT_TRUE(reports_.Take().empty());
}

TEST_F(StartupItems, ADamagedStoreIsReportedAndKeptAsideNeverReadAsEmpty)
{
    RunValue value(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\x.exe");
    DeleteFileW(dir_.File(L"startupManage.xml").c_str());
    auto items = Load();
    EXPECT_NE(Find(items, value.name(), 1), nullptr);
    EXPECT_TRUE(reports_.Take().empty()) << "no file: no records, nothing to say";

    for (const char* content : {"<startupManage><node", "", "\xff\xfe<x"}) {
        SCOPED_TRACE(content);
        DeleteFileW(dir_.File(L"startupManage.xml.bad").c_str());
        dir_.Write(L"startupManage.xml", content);
        items = Load();
        EXPECT_NE(Find(items, value.name(), 1), nullptr) << "the registry items are still listed";
        for (const auto& item : items) EXPECT_EQ(item->enabled, 1);
        const auto shown = reports_.Take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].caption, L"startupManage.xml");
        EXPECT_NE(shown[0].text.find(L"startupManage.xml.bad"), std::wstring::npos) << shown[0].text;
        EXPECT_EQ(dir_.Read(L"startupManage.xml"), content) << "left as it was";
        EXPECT_EQ(dir_.Read(L"startupManage.xml.bad"), content);
    }
}

TEST_F(StartupItems, ARecordGoesIntoAFreshFileOnlyAfterTheDamagedOneWasKept)
{
    engine::Ensure();
    StartupItem item;
    item.rootName = L"HKEY_CURRENT_USER";
    item.keyPath = kRun;
    item.valueName = L"x";
    item.commandLine = L"x.exe";
    // Damaged: kept aside first, then a new file holds the one record.
    dir_.Write(L"startupManage.xml", "<startupManage><node");
    EXPECT_EQ(Table().RemoveDisabledStartupItem(&item), 0);
    EXPECT_EQ(dir_.Read(L"startupManage.xml"), "<startupManage><node");
    ASSERT_EQ(Table().AddDisabledStartupItem(&item), 1);
    EXPECT_EQ(dir_.Read(L"startupManage.xml.bad"), "<startupManage><node");
    EXPECT_EQ(reports_.Take().size(), 2u);
    auto items = Load();
    const StartupItem* recorded = Find(items, L"x", 0);
    ASSERT_NE(recorded, nullptr);
    EXPECT_EQ(recorded->commandLine, L"x.exe");
    // The copy is written whole: no temporary file is left.
    EXPECT_EQ(GetFileAttributesW(dir_.File(L"startupManage.xml.new").c_str()), INVALID_FILE_ATTRIBUTES);

    // Missing: a new file is started silently.
    DeleteFileW(dir_.File(L"startupManage.xml").c_str());
    ASSERT_EQ(Table().AddDisabledStartupItem(&item), 1);
    EXPECT_NE(Find(Load(), L"x", 0), nullptr);
    EXPECT_TRUE(reports_.Take().empty());

    // There but not readable (held open by another program): never replaced.
    const std::string before = dir_.Read(L"startupManage.xml");
    HANDLE held = CreateFileW(dir_.File(L"startupManage.xml").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    items = Load();
    EXPECT_EQ(Find(items, L"x", 0), nullptr);
    EXPECT_EQ(Table().AddDisabledStartupItem(&item), 0);
    EXPECT_EQ(Table().RemoveDisabledStartupItem(&item), 0);
    CloseHandle(held);
    EXPECT_EQ(dir_.Read(L"startupManage.xml"), before);
    const auto shown = reports_.Take();
    ASSERT_EQ(shown.size(), 3u);
    for (const RecordedReport& r : shown) EXPECT_EQ(r.caption, L"startupManage.xml");
    EXPECT_EQ(GetFileAttributesW(dir_.File(L"startupManage.xml.bad").c_str()) != INVALID_FILE_ATTRIBUTES, true);
}

TEST_F(StartupItems, AFailedSaveLeavesTheRecordsAsTheyWereAndIsSaid)
{
    engine::Ensure();
    StartupItem item;
    item.rootName = L"HKEY_CURRENT_USER";
    item.keyPath = kRun;
    item.valueName = L"kept";
    item.commandLine = L"kept.exe";
    ASSERT_EQ(Table().AddDisabledStartupItem(&item), 1);
    const std::string before = dir_.Read(L"startupManage.xml");
    // The temporary name is taken by a folder: the new file cannot be made.
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"startupManage.xml.new").c_str(), nullptr));
    StartupItem other = item;
    other.valueName = L"other";
    EXPECT_EQ(Table().AddDisabledStartupItem(&other), 0);
    EXPECT_EQ(Table().RemoveDisabledStartupItem(&item), 0);
    EXPECT_EQ(dir_.Read(L"startupManage.xml"), before);
    EXPECT_EQ(reports_.Take().size(), 2u);
    RemoveDirectoryW(dir_.File(L"startupManage.xml.new").c_str());
    EXPECT_EQ(Table().RemoveDisabledStartupItem(&item), 1);
}

TEST_F(StartupItems, DisableAndEnableRestoreTheExactValue)
{
    struct Case {
        const KeyCase* key;
        DWORD type;
        const wchar_t* data;
    } cases[] = {
        {&kKeys[0], REG_SZ, L"\"C:\\Program Files\\Tamsel App\\a.exe\" -x"},
        {&kKeys[1], REG_EXPAND_SZ, L"%ProgramFiles%\\Tamsel\\b.exe"},
        {&kKeys[2], REG_SZ, L"C:\\Tamsel\\c32.exe"},
        {&kKeys[5], REG_EXPAND_SZ, L"rundll32.exe shell32.dll,Control_RunDLL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key->itemPath << " " << c.type);
        RunValue value(c.key->root, c.key->openPath, c.key->view, c.data, c.type);
        DWORD type0 = 0;
        std::vector<BYTE> bytes0;
        ASSERT_TRUE(value.Read(type0, bytes0));
        auto items = Load();
        const StartupItem* found = Find(items, value.name(), 1);
        ASSERT_NE(found, nullptr);
        StartupItem item = *found;

        // Disable: the record is saved first, then the value goes.
        ASSERT_EQ(Table().AddDisabledStartupItem(&item), 1);
        ASSERT_EQ(Table().DeleteStartupEntry(&item), 1);
        EXPECT_FALSE(value.Exists());
        std::string store = dir_.Read(L"startupManage.xml");
        size_t at = store.find("<node ");
        ASSERT_NE(at, std::string::npos) << store;
        const char* order[] = {"fileNameDescType=", "fileLocation=", "filePath=",   "RegHkey=",
                               "RegSubkeyPath=",    "RegSubkeyName=", "RegValueType="};
        for (const char* attribute : order) {
            size_t next = store.find(attribute, at);
            ASSERT_NE(next, std::string::npos) << attribute;
            at = next;
        }

        items = Load();
        const StartupItem* disabled = Find(items, value.name(), 0);
        ASSERT_NE(disabled, nullptr);
        EXPECT_EQ(Find(items, value.name(), 1), nullptr);
        EXPECT_EQ(disabled->commandLine, item.commandLine);
        EXPECT_EQ(disabled->description, item.description);
        EXPECT_EQ(disabled->filePath, item.filePath);
        EXPECT_EQ(disabled->rootName, item.rootName);
        EXPECT_EQ(disabled->keyPath, item.keyPath);
        EXPECT_EQ(disabled->valueType, c.type);

        // Enable: the value comes back as it was, then the record goes.
        StartupItem back = *disabled;
        ASSERT_EQ(Table().WriteStartupEntry(&back), 1);
        ASSERT_EQ(Table().RemoveDisabledStartupItem(&back), 1);
        DWORD type1 = 0;
        std::vector<BYTE> bytes1;
        ASSERT_TRUE(value.Read(type1, bytes1));
        EXPECT_EQ(type1, type0);
        EXPECT_EQ(bytes1, bytes0);
        EXPECT_EQ(dir_.Read(L"startupManage.xml").find("<node"), std::string::npos);
    }
    EXPECT_TRUE(reports_.Take().empty());
}

TEST_F(StartupItems, RecordsAreMatchedOnKeyNameAndCommandLine)
{
    engine::Ensure();
    StartupItem a;
    a.rootName = L"HKEY_CURRENT_USER";
    a.keyPath = kRun;
    a.valueName = L"A";
    a.commandLine = L"same.exe";
    StartupItem b = a;
    b.valueName = L"B";
    StartupItem c = a;
    c.keyPath = kRunOnce;
    ASSERT_EQ(Table().AddDisabledStartupItem(&a), 1);
    ASSERT_EQ(Table().AddDisabledStartupItem(&b), 1);
    ASSERT_EQ(Table().AddDisabledStartupItem(&c), 1);
    ASSERT_EQ(Table().AddDisabledStartupItem(&b), 1);  // a second record of the same entry

    ASSERT_EQ(Table().RemoveDisabledStartupItem(&b), 1);
    auto names = [] {
        std::wstring out;
        for (const auto& item : Load())
            if (!item->enabled) out += item->valueName + item->keyPath.substr(item->keyPath.size() - 3);
        return out;
    };
    EXPECT_EQ(names(), L"ArunAnceBrun");  // the first of the two B records went
    StartupItem other = a;
    other.rootName = L"HKEY_LOCAL_MACHINE";
    EXPECT_EQ(Table().RemoveDisabledStartupItem(&other), 0);
    other = a;
    other.commandLine = L"SAME.exe";
    EXPECT_EQ(Table().RemoveDisabledStartupItem(&other), 0);
    ASSERT_EQ(Table().RemoveDisabledStartupItem(&b), 1);
    ASSERT_EQ(Table().RemoveDisabledStartupItem(&a), 1);
    EXPECT_EQ(Table().RemoveDisabledStartupItem(&a), 0);
    EXPECT_EQ(names(), L"Ance");  // same name and command line, other key: kept
}

TEST_F(StartupItems, DeleteAndWriteTouchOnlyTheManagedRunKeys)
{
    engine::Ensure();
    testenv::ScratchKey scratch(HKEY_CURRENT_USER, L"Software", L"notrun");
    scratch.SetString(L"", L"victim", L"data");
    StartupItem foreign;
    foreign.rootName = L"HKEY_CURRENT_USER";
    foreign.keyPath = scratch.path();
    foreign.valueName = L"victim";
    foreign.commandLine = L"evil.exe";
    EXPECT_EQ(Table().DeleteStartupEntry(&foreign), 0);
    EXPECT_EQ(Table().WriteStartupEntry(&foreign), 0);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.path().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    wchar_t data[32] = {};
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExW(key, L"victim", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_STREQ(data, L"data");

    StartupItem wrongCase = foreign;
    wrongCase.rootName = L"hkey_current_user";
    wrongCase.keyPath = kRun;
    EXPECT_EQ(Table().WriteStartupEntry(&wrongCase), 0);
    EXPECT_EQ(Table().DeleteStartupEntry(&wrongCase), 0);
}

TEST_F(StartupItems, DeletingWhatIsAlreadyGoneSucceeds)
{
    engine::Ensure();
    StartupItem gone;
    gone.rootName = L"HKEY_CURRENT_USER";
    gone.keyPath = kRun;
    gone.valueName = testenv::UniqueName(L"gone");
    EXPECT_EQ(Table().DeleteStartupEntry(&gone), 1);  // no such value
    gone.rootName = L"HKEY_LOCAL_MACHINE";
    gone.keyPath = L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
    HKEY probe = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, gone.keyPath.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &probe) ==
        ERROR_SUCCESS)
        RegCloseKey(probe);
    else
        EXPECT_EQ(Table().DeleteStartupEntry(&gone), 1);  // no such key
}

TEST_F(StartupItems, WithoutEngineStateNothingChanges)
{
    RunValue value(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\x.exe");
    StartupItem item;
    item.rootName = L"HKEY_CURRENT_USER";
    item.keyPath = kRun;
    item.valueName = value.name();
    item.commandLine = L"C:\\Tamsel\\x.exe";
    ASSERT_EQ(engine::Current(), nullptr);
    EXPECT_EQ(Table().AddDisabledStartupItem(&item), 0);
    EXPECT_EQ(Table().RemoveDisabledStartupItem(&item), 0);
    EXPECT_EQ(Table().DeleteStartupEntry(&item), 0);
    EXPECT_EQ(Table().WriteStartupEntry(&item), 0);
    EXPECT_TRUE(value.Exists());
    EXPECT_EQ(dir_.Read(L"startupManage.xml"), kEmptyStore);
    EXPECT_EQ(engine::Current(), nullptr);
    engine::Ensure();
    EXPECT_EQ(Table().AddDisabledStartupItem(nullptr), 0);
    EXPECT_EQ(Table().DeleteStartupEntry(nullptr), 0);
}

// Items a load hands out are the caller's: neither the next load nor the end
// of the engine state deletes them.
namespace {
int g_destroyed = 0;
struct CountedItem : StartupItem {
    ~CountedItem() override { ++g_destroyed; }
};
}  // namespace

TEST_F(StartupItems, ListedItemsBelongToTheCaller)
{
    g_destroyed = 0;
    auto* planted = new CountedItem;
    std::unique_ptr<StartupItem> owner(planted);
    engine::Ensure().startupItems.Add(std::unique_ptr<StartupItem>(planted));
    auto first = Load();  // lets go of the planted item
    EXPECT_EQ(g_destroyed, 0);
    engine::Current()->startupItems.Add(std::unique_ptr<StartupItem>(planted));
    engine::Destroy();
    EXPECT_EQ(g_destroyed, 0);
    auto second = Load();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) EXPECT_NE(first[i].get(), second[i].get());
    owner.reset();
    EXPECT_EQ(g_destroyed, 1);
}

namespace {
// Lets everyone only read a key's values while it lives; the key's own
// security is put back at the end.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const std::wstring& path)
    {
        if (RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) return;
        DWORD size = 0;
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
        original_.resize(size);
        if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data(), &size) != ERROR_SUCCESS) return;
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
        std::vector<BYTE> acl(256);
        InitializeAcl(reinterpret_cast<PACL>(acl.data()), static_cast<DWORD>(acl.size()), ACL_REVISION);
        AddAccessAllowedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, KEY_READ | READ_CONTROL | WRITE_DAC,
                            everyone);
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE);
        applied_ = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
        FreeSid(everyone);
    }
    ~ReadOnlyKey()
    {
        if (applied_) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data());
        if (key_) RegCloseKey(key_);
    }
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
    bool applied() const { return applied_; }

private:
    HKEY key_ = nullptr;
    std::vector<BYTE> original_;
    bool applied_ = false;
};
}  // namespace

TEST_F(StartupItems, ADisableWhoseDeleteIsRefusedLeavesNoRecord)
{
    RunValue value(HKEY_CURRENT_USER, kRunOnce, 0, L"C:\\Tamsel\\locked.exe");
    auto items = Load();
    const StartupItem* found = Find(items, value.name(), 1);
    ASSERT_NE(found, nullptr);
    StartupItem item = *found;
    ReadOnlyKey locked(HKEY_CURRENT_USER, kRunOnce);
    ASSERT_TRUE(locked.applied());
    HKEY probe = nullptr;
    LONG rc = RegOpenKeyExW(HKEY_CURRENT_USER, kRunOnce, 0, KEY_SET_VALUE, &probe);
    if (rc == ERROR_SUCCESS) {
        RegCloseKey(probe);
        GTEST_SKIP() << "this registry does not enforce key security";
    }
    // The order every caller follows: record, delete, and undo the record
    // when the delete fails.
    ASSERT_EQ(Table().AddDisabledStartupItem(&item), 1);
    EXPECT_EQ(Table().DeleteStartupEntry(&item), 0) << "access denied is no success";
    ASSERT_EQ(Table().RemoveDisabledStartupItem(&item), 1);
    EXPECT_TRUE(value.Exists());
    EXPECT_EQ(dir_.Read(L"startupManage.xml").find("<node"), std::string::npos);
}

namespace {
// Disables a listed item the way every caller does: record, then delete.
StartupItem DisabledCopy(const RunValue& value)
{
    auto items = Load();
    const StartupItem* found = Find(items, value.name(), 1);
    if (!found) return StartupItem{};
    StartupItem item = *found;
    if (Table().AddDisabledStartupItem(&item) != 1 || Table().DeleteStartupEntry(&item) != 1) return StartupItem{};
    items = Load();
    found = Find(items, value.name(), 0);
    return found ? *found : StartupItem{};
}

void SetRunValue(const std::wstring& name, const std::wstring& data, DWORD type)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}
}  // namespace

TEST_F(StartupItems, EnablingNeverReplacesAValueTheProgramWroteSince)
{
    const std::wstring old = L"\"C:\\Tamsel\\app.exe\" /old";
    struct Case {
        const char* what;
        const wchar_t* now;  // the Run value when enabling; null for none
        DWORD type;
        int result;          // without replaceNewer
    } cases[] = {
        {"gone", nullptr, REG_SZ, 1},
        {"the same again", L"\"C:\\Tamsel\\app.exe\" /old", REG_SZ, 1},
        {"newer", L"\"C:\\Tamsel\\app.exe\" /new", REG_SZ, 2},
        {"same text, other type", L"\"C:\\Tamsel\\app.exe\" /old", REG_EXPAND_SZ, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunValue value(HKEY_CURRENT_USER, kRun, 0, old);
        StartupItem item = DisabledCopy(value);
        ASSERT_EQ(item.valueName, value.name());
        if (c.now) SetRunValue(value.name(), c.now, c.type);
        std::wstring current = L"<untouched>";
        ASSERT_EQ(Table().EnableStartupItem(&item, 0, &current), c.result);
        DWORD type = 0;
        std::vector<BYTE> bytes;
        if (c.result == 2) {
            EXPECT_EQ(current, c.now);
            EXPECT_EQ(item.enabled, 0);
            ASSERT_TRUE(value.Read(type, bytes));
            EXPECT_EQ(bytes, Bytes(c.now)) << "the newer value stays";
            EXPECT_EQ(type, c.type);
            EXPECT_NE(Find(Load(), value.name(), 0), nullptr) << "the record stays";
            // Asked and answered yes: the recorded command goes back.
            ASSERT_EQ(Table().EnableStartupItem(&item, 1, nullptr), 1);
        } else {
            EXPECT_EQ(current, L"<untouched>");
        }
        EXPECT_EQ(item.enabled, 1);
        ASSERT_TRUE(value.Read(type, bytes));
        EXPECT_EQ(bytes, Bytes(old));
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(Find(Load(), value.name(), 0), nullptr) << "the record went";
    }
    EXPECT_TRUE(reports_.Take().empty());
}

// Windows' own switch, planted as Task Manager writes it, in both roots and
// (on 64-bit Windows) both views of the machine's Run key.
TEST_F(StartupItems, WindowsSwitchedOffItemsAreListedDisabledAndEnablingSwitchesThemOn)
{
    engine::Ensure();
    const bool is64 = engine::Current()->Is64BitWindows();
    const std::wstring parent = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
    struct Case {
        const KeyCase* key;
        const wchar_t* sub;
        BYTE first, enabledFirst;
    } cases[] = {
        {&kKeys[0], L"Run", 3, 2},
        {&kKeys[1], L"Run", 7, 6},
        {&kKeys[2], L"Run32", 3, 2},
    };
    for (const Case& c : cases) {
        if (!is64 && c.key == &kKeys[2]) continue;
        SCOPED_TRACE(testing::Message() << c.key->itemPath << " " << c.sub);
        RunValue value(c.key->root, c.key->openPath, c.key->view, L"C:\\Tamsel\\switched.exe");
        ApprovedSwitch off(c.key->root, c.sub, value.name(), ApprovedBytes(c.first));
        auto items = Load();
        const StartupItem* listed = Find(items, value.name(), 0);
        ASSERT_NE(listed, nullptr) << "listed as disabled";
        EXPECT_EQ(listed->windowsDisabled, 1);
        EXPECT_EQ(listed->approvedKey, std::wstring(c.key->rootName) + parent + c.sub);
        StartupItem item = *listed;
        ASSERT_EQ(Table().EnableStartupItem(&item, 0, nullptr), 1);
        EXPECT_EQ(off.Read(), (std::vector<BYTE>{c.enabledFirst, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_TRUE(value.Exists());
        items = Load();
        const StartupItem* now = Find(items, value.name(), 1);
        ASSERT_NE(now, nullptr) << "listed as enabled";
        EXPECT_EQ(now->windowsDisabled, 0);
    }
    EXPECT_TRUE(reports_.Take().empty());
}

// A program Tamsel disabled whose switch Windows also turned off: enabling
// turns both back on, so "enabled" means it starts; a switch this rule does
// not understand is left as it is.
TEST_F(StartupItems, EnablingARecordAlsoTurnsOnWindowsSwitchAndLeavesAnUnknownOneAlone)
{
    RunValue both(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\both.exe");
    StartupItem item = DisabledCopy(both);
    ASSERT_EQ(item.valueName, both.name());
    ApprovedSwitch bothSwitch(HKEY_CURRENT_USER, L"Run", both.name(), ApprovedBytes(3));
    auto items = Load();
    const StartupItem* recorded = Find(items, both.name(), 0);
    ASSERT_NE(recorded, nullptr);
    EXPECT_EQ(recorded->windowsDisabled, 0) << "the record is Tamsel's: not in the Run key";
    ASSERT_EQ(Table().EnableStartupItem(&item, 0, nullptr), 1);
    EXPECT_TRUE(both.Exists());
    EXPECT_EQ(bothSwitch.Read()[0], 2);
    EXPECT_NE(Find(Load(), both.name(), 1), nullptr);

    RunValue odd(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\odd.exe");
    ApprovedSwitch oddSwitch(HKEY_CURRENT_USER, L"Run", odd.name(), ApprovedBytes(0x43));
    item = DisabledCopy(odd);
    ASSERT_EQ(Table().EnableStartupItem(&item, 0, nullptr), 1);
    EXPECT_EQ(oddSwitch.Read(), ApprovedBytes(0x43));
    EXPECT_TRUE(reports_.Take().empty());
}
