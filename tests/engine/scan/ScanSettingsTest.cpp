#include <gtest/gtest.h>

#include "core/ComPtr.h"
#include "core/EngineState.h"
#include "core/Slots.h"
#include "scan/ScanSettings.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

namespace {

class ScanSettings : public ::testing::Test {
protected:
    void TearDown() override { engine::Destroy(); }
    PtrArray<XMLElement>* Load(const std::string& xmlText)
    {
        dir.Write(L"scanSetting.xml", xmlText);
        return slots::LoadScanSettings();
    }
    testenv::ScratchDir dir{L"settings"};
    ReportRecorder recorder;
};

const char kTwoCategories[] = R"(<?xml version="1.0"?>
<S>
  <First flag="FALSE" category="Font Entries">
    <k rootKey="HKEY_LOCAL_MACHINE" subKey="SOFTWARE\A"/>
    <k rootKey="hkey_local_machine" subKey="SOFTWARE\B"/>
  </First>
  <!-- a comment between two categories -->
  <Second flag="no" category="Help Files"/>
</S>)";

}  // namespace

TEST_F(ScanSettings, ReadsCategoriesFlagsAndKeyEntries)
{
    PtrArray<XMLElement>* list = Load(kTwoCategories);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetCount(), 2);
    const XMLElement& first = *list->At(0);
    EXPECT_EQ(first.elementName, L"First");
    EXPECT_EQ(first.categoryName, L"Font Entries");
    EXPECT_EQ(first.enabled, 0);
    EXPECT_EQ(first.scanState, 0);
    EXPECT_EQ(first.foundCount, 0);
    ASSERT_EQ(first.keyEntries.GetCount(), 2);
    EXPECT_EQ(first.keyEntries[0]->rootHandle, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(first.keyEntries[0]->subKey, L"SOFTWARE\\A");
    // A root name in the wrong case stays, with a null handle.
    EXPECT_EQ(first.keyEntries[1]->rootName, L"hkey_local_machine");
    EXPECT_EQ(first.keyEntries[1]->rootHandle, nullptr);
    EXPECT_EQ(list->At(1)->enabled, 1);
    EXPECT_EQ(list->At(1)->keyEntries.GetCount(), 0);
    EXPECT_TRUE(recorder.Take().empty());  // the comment passes without a message
}

TEST_F(ScanSettings, OnlyFalseInAnyCaseDisables)
{
    const std::pair<const char*, int> flags[] = {
        {"false", 0}, {"FALSE", 0}, {"False", 0}, {"no", 1}, {"", 1}, {"0", 1}, {"true", 1}, {"falsey", 1},
    };
    for (const auto& f : flags) {
        PtrArray<XMLElement>* list =
            Load(std::string("<S><C flag=\"") + f.first + "\" category=\"Help Files\"/></S>");
        ASSERT_EQ(list->GetCount(), 1);
        EXPECT_EQ(list->At(0)->enabled, f.second) << f.first;
    }
    EXPECT_TRUE(recorder.Take().empty());
}

TEST_F(ScanSettings, IncompleteCategoriesAreDroppedWithOneReportEach)
{
    PtrArray<XMLElement>* list = Load(R"(<S>
      <NoFlag category="Help Files"/>
      <NoCategory flag="true"/>
      <Good flag="true" category="Help Files"><k rootKey="HKEY_USERS" subKey="x"/></Good>
      <NoSubKey flag="true" category="Help Files"><k rootKey="HKEY_USERS" subKey="x"/><k rootKey="HKEY_USERS"/><k subKey="y"/></NoSubKey>
      <NoRoot flag="true" category="Help Files"><k subKey="y"/></NoRoot>
      <Last flag="true" category="Font Entries"/>
    </S>)");
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->At(0)->elementName, L"Good");
    EXPECT_EQ(list->At(1)->elementName, L"Last");
    auto reports = recorder.Take();
    ASSERT_EQ(reports.size(), 4u);  // one per dropped category, the rest of its children unread
    for (const RecordedReport& r : reports) {
        EXPECT_EQ(r.caption, L"Failed to load DOM from XMLFile");
        EXPECT_EQ(r.text, L"");
    }
}

TEST_F(ScanSettings, MissingOrBrokenFileGivesAnEmptyListAndOneReport)
{
    PtrArray<XMLElement>* list = slots::LoadScanSettings();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 0);
    list = Load("<S><C flag=\"true\" category=\"x\"></S>");
    EXPECT_EQ(list->GetCount(), 0);
    auto reports = recorder.Take();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].caption, L"Failed to load DOM from XMLFile");
    EXPECT_FALSE(reports[1].text.empty());
}

TEST_F(ScanSettings, FlagWriteChangesTheFirstMatchOnly)
{
    Load(R"(<S><Dup flag="true" category="Help Files"/><dup flag="true" category="Font Entries"/></S>)");
    std::wstring flag = L"false";
    slots::SetCategoryEnabled(L"DUP", &flag);
    PtrArray<XMLElement>* list = slots::LoadScanSettings();
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->At(0)->enabled, 0);
    EXPECT_EQ(list->At(1)->enabled, 1);

    // An element name not in the file: saved, nothing changed.
    slots::SetCategoryEnabled(L"Absent", &flag);
    list = slots::LoadScanSettings();
    EXPECT_EQ(list->At(0)->enabled, 0);
    EXPECT_EQ(list->At(1)->enabled, 1);

    // No file: reported with the write caption, nothing created.
    DeleteFileW(dir.File(L"scanSetting.xml").c_str());
    recorder.Take();
    slots::SetCategoryEnabled(L"Dup", &flag);
    auto reports = recorder.Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].caption, L"Failed to load DOM from the XMLFile");
    EXPECT_EQ(GetFileAttributesW(dir.File(L"scanSetting.xml").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ScanSettings, AFlagThatCannotBeSavedLeavesTheFileWholeAndIsSaid)
{
    const std::string text = R"(<S><A flag="true" category="Help Files"/></S>)";
    Load(text);
    recorder.Take();
    // The temporary name is taken by a folder: the new file cannot be made.
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"scanSetting.xml.new").c_str(), nullptr));
    std::wstring flag = L"false";
    slots::SetCategoryEnabled(L"A", &flag);
    RemoveDirectoryW(dir.File(L"scanSetting.xml.new").c_str());
    auto reports = recorder.Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].caption, L"scanSetting.xml");
    EXPECT_EQ(dir.Read(L"scanSetting.xml"), text);
    // Saved whole, with no temporary file left behind.
    slots::SetCategoryEnabled(L"A", &flag);
    EXPECT_TRUE(recorder.Take().empty());
    EXPECT_EQ(slots::LoadScanSettings()->At(0)->enabled, 0);
    EXPECT_EQ(GetFileAttributesW(dir.File(L"scanSetting.xml.new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ShippedScanSettings, NameTheTwelveCategoriesWithTheirKeys)
{
    testenv::ScratchDir dir(L"shipped");
    ReportRecorder recorder;
    ScopedCoInit com;
    PtrArray<XMLElement> list;
    ASSERT_EQ(scan::LoadCategories(list, testenv::BinDir() + L"\\scanSetting.xml"), 1);
    const wchar_t* expected[] = {
        L"COM/ActiveX Entries", L"Application Paths", L"File Extensions", L"File Associations",
        L"Install&Uninstall Entries", L"Font Entries", L"Shared DLLS", L"Help Files",
        L"History Lists", L"Program Shortcuts", L"Sound&App Events", L"Windows Startup Items",
    };
    ASSERT_EQ(list.GetCount(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(list[i]->categoryName, expected[i]);
        EXPECT_EQ(list[i]->enabled, 1);
        EXPECT_GT(list[i]->keyEntries.GetCount(), 0) << expected[i];
        for (const RegScanKeyEntry* k : list[i]->keyEntries) EXPECT_NE(k->rootHandle, nullptr);
    }
    std::vector<std::wstring> comKeys;
    for (const RegScanKeyEntry* k : list[0]->keyEntries) comKeys.push_back(k->subKey);
    EXPECT_EQ(comKeys, (std::vector<std::wstring>{L"clsid", L"typelib", L"interface", L"appid"}));
    // Shortcut folders are written with environment variables and name the
    // folders themselves (a trailing backslash), never their parents.
    for (const RegScanKeyEntry* k : list[9]->keyEntries) {
        EXPECT_EQ(k->subKey.front(), L'%') << testenv::WideToUtf8(k->subKey);
        EXPECT_EQ(k->subKey.back(), L'\\') << testenv::WideToUtf8(k->subKey);
    }
    // The sound walk's scope expects the whole event tree, labels and schemes.
    ASSERT_EQ(list[10]->keyEntries.GetCount(), 1);
    EXPECT_EQ(list[10]->keyEntries[0]->subKey, L"AppEvents");
    EXPECT_EQ(list[3]->keyEntries[0]->subKey, L"");  // the class root itself
    EXPECT_TRUE(recorder.Take().empty());
}
