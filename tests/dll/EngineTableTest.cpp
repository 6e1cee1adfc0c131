// The real Corvex.dll, loaded by name and driven only through its tables,
// as the program does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvex/EngineTables.h"
#include "support/CallbackRecorder.h"
#include "support/TestEnv.h"

namespace {

HMODULE LoadEngine()
{
    static HMODULE dll = LoadLibraryExW((testenv::BinDir() + L"\\Corvex.dll").c_str(), nullptr,
                                        LOAD_WITH_ALTERED_SEARCH_PATH);
    return dll;
}

EngineFunctionTable* Bind(UiCallbackTable* callbacks)
{
    auto init = reinterpret_cast<ToEngineInitGetUIInterfaceFn>(
        reinterpret_cast<void*>(GetProcAddress(LoadEngine(), "toEngineInitGetUIInterface")));
    if (!init) return nullptr;
    EngineFunctionTable* table = nullptr;
    EXPECT_EQ(init(callbacks, &table), callbacks);
    return table;
}

std::vector<std::string> ExportNames(HMODULE module)
{
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (!dir.VirtualAddress) return names;
    auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.emplace_back(reinterpret_cast<const char*>(base + nameRvas[i]));
    EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames);
    return names;
}

// Runs one scan through the table and waits for its thread.
callbacks::Log Scan(EngineFunctionTable& engine)
{
    callbacks::Reset();
    HANDLE thread = engine.StartScan();
    EXPECT_NE(thread, nullptr);
    EXPECT_EQ(engine.GetScanThread(), thread);
    EXPECT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
    return callbacks::Take();
}

class RealDll : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(LoadEngine(), nullptr) << GetLastError();
        engine = Bind(callbacks::Table());
        ASSERT_NE(engine, nullptr);
    }
    void TearDown() override
    {
        if (engine) engine->ReleaseEngine();
    }
    EngineFunctionTable* engine = nullptr;
    testenv::ScratchDir dir{L"dll"};
};

}  // namespace

TEST_F(RealDll, ExportsOnlyTheBindingFunctionUndecorated)
{
    EXPECT_EQ(ExportNames(LoadEngine()), std::vector<std::string>{"toEngineInitGetUIInterface"});
}

TEST_F(RealDll, SecondBindingReplacesTheCallbacksAndKeepsTheTable)
{
    EngineFunctionTable* again = Bind(callbacks::SilentTable());
    EXPECT_EQ(again, engine);
    dir.Write(L"scanSetting.xml", "<S/>");
    int before = callbacks::SilentCalls();
    callbacks::Log log = Scan(*engine);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(callbacks::SilentCalls() - before, 2);  // OnScanStarted, OnScanFinished
    Bind(callbacks::Table());
}

TEST_F(RealDll, ScanOrderWithDisabledAndUnknownCategories)
{
    dir.Write(L"scanSetting.xml", R"(<S>
      <A flag="true" category="No Such Scanner">
        <k rootKey="HKEY_CURRENT_USER" subKey="x"/><k rootKey="HKEY_CURRENT_USER" subKey="y"/>
        <k rootKey="HKEY_CURRENT_USER" subKey="z"/>
      </A>
      <B flag="false" category="Help Files"><k rootKey="HKEY_CURRENT_USER" subKey="x"/></B>
      <C flag="true" category="font entries"><k rootKey="HKEY_CURRENT_USER" subKey="Software\TamselNoSuchKey"/></C>
    </S>)");
    callbacks::Log log = Scan(*engine);
    const std::vector<std::wstring> expected = {
        L"ScanStarted",
        L"ScanCategory 0", L"ScanCategory 0",                     // unknown name: no key entry visited
        L"ScanCategory 2", L"ScanItem TCTC 0", L"ScanCategory 2",  // one entry, one view
        L"ScanFinished 0",
    };
    EXPECT_EQ(log.lines, expected);

    PtrArray<XMLElement>* categories = engine->GetScanCategories();
    ASSERT_EQ(categories->GetCount(), 3);
    EXPECT_EQ(categories->At(0)->scanState, 2);
    EXPECT_EQ(categories->At(1)->scanState, 0);
    EXPECT_EQ(categories->At(2)->scanState, 2);
    PtrArray<RegScanCategory>* results = engine->GetScanResults();
    ASSERT_EQ(results->GetCount(), 2);
    EXPECT_EQ(results->At(0)->name, L"No Such Scanner");
    EXPECT_EQ(results->At(1)->name, L"font entries");
    EXPECT_EQ(results->At(1)->problems.GetCount(), 0);
    EXPECT_EQ(engine->GetProblemCount(), 0);
    EXPECT_EQ(engine->GetCheckedCount(), 0);
    EXPECT_EQ(engine->GetFixedCount(), 0);
    EXPECT_EQ(engine->GetNotFixedCount(), 0);
}

TEST_F(RealDll, BothViewsAndTheirRootExceptions)
{
    dir.Write(L"scanSetting.xml", R"(<S>
      <U flag="true" category="Install&amp;Uninstall Entries">
        <k rootKey="HKEY_CLASSES_ROOT" subKey="TamselNoSuchKey"/><k rootKey="HKEY_LOCAL_MACHINE" subKey="SOFTWARE\TamselNoSuchKey"/>
      </U>
    </S>)");
    callbacks::Log log = Scan(*engine);
    // One "TCTC" per key entry, whatever the number of views.
    const std::vector<std::wstring> expected = {
        L"ScanStarted", L"ScanCategory 0", L"ScanItem TCTC 0", L"ScanItem TCTC 0", L"ScanCategory 0",
        L"ScanFinished 0",
    };
    EXPECT_EQ(log.lines, expected);
}

TEST_F(RealDll, NoCategoryEnabledGoesStraightToTheEnd)
{
    dir.Write(L"scanSetting.xml", R"(<S><A flag="FALSE" category="Help Files"/></S>)");
    EXPECT_EQ(Scan(*engine).lines, (std::vector<std::wstring>{L"ScanStarted", L"ScanFinished 0"}));
    EXPECT_EQ(engine->GetScanResults()->GetCount(), 0);
}

TEST_F(RealDll, InvalidIndexErrorCrossesTheLibraryBoundary)
{
    dir.Write(L"scanSetting.xml", "<S/>");
    Scan(*engine);
    bool caught = false;
    try {
        engine->SetProblemChecked(0, 0, 1);
    } catch (const EngineInvalidArgument& e) {
        caught = true;
        EXPECT_NE(std::string(e.what()).find("SetProblemChecked"), std::string::npos);
    }
    EXPECT_TRUE(caught);
    EXPECT_THROW(engine->IgnoreProblem(-1, 0), std::out_of_range);
    EXPECT_EQ(engine->GetCheckedCount(), 0);
}

TEST_F(RealDll, SettingsSlotsRoundTripThroughTheTable)
{
    dir.Write(L"scanSetting.xml", R"(<S><A flag="true" category="Help Files"/><B flag="true" category="Font Entries"/></S>)");
    PtrArray<XMLElement>* list = engine->LoadScanSettings();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(engine->GetScanCategories(), list);
    std::wstring off = L"false";
    engine->SetCategoryEnabled(L"B", &off);
    EXPECT_EQ(list->At(1)->enabled, 1);  // the list in memory is not updated
    list = engine->LoadScanSettings();
    EXPECT_EQ(list->At(0)->enabled, 1);
    EXPECT_EQ(list->At(1)->enabled, 0);
    EXPECT_NE(engine->GetIgnoreList(), nullptr);
    EXPECT_NE(engine->ListBackups(), nullptr);
    EXPECT_EQ(engine->GetOperationResult(), 0);
    EXPECT_EQ(engine->GetHiveList(), nullptr);
    EXPECT_EQ(engine->ReleaseEngine(), 1);
}
