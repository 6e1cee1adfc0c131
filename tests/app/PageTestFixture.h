// The scan and clean pages inside the real main window, with a fake engine
// table whose lists the tests fill and the real callback table called from
// worker threads as the engine calls it. Runs in a scratch folder so
// LastScan.ini never lands in the build tree; the skinned box is answered by
// the test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/AppTestEnv.h"
#include "controls/ImageCache.h"
#include "controls/ReportList.h"
#include "core/Handles.h"
#include "pages/MessageBox.h"
#include "pages/ProgressListPage.h"
#include "shell/EngineBinding.h"
#include "shell/MainDlg.h"
#include "shell/ProgressTextQueue.h"
#include "shell/UiCallbacks.h"
#include "shell/UiThread.h"
#include "support/TestEnv.h"

namespace pagetest {

// What the fake engine holds and what it was asked.
struct FakeEngine {
    PtrArray<XMLElement> categories;
    PtrArray<RegScanCategory> results;
    bool noCategories = false;
    bool noResults = false;
    int problemCount = 0;
    int fixedCount = 0;
    int operationResult = 1;
    std::atomic<int> startScanCalls{0};
    std::atomic<int> startFixCalls{0};
    std::atomic<int> backupCalls{0};
    std::atomic<int> stopFlagCalls{0};
    std::atomic<int> stopFlag{0};
    PtrArray<RegScanCategory>* backupSource = nullptr;

    // Scan area: LoadScanSettings returns `categories`; a stored flag lands
    // in the element of that name unless writes fail.
    bool failCategoryWrites = false;
    std::vector<std::pair<std::wstring, std::wstring>> categoryWrites;  // element, flag
    // Ignore list: RemoveIgnoreItem removes the entry, as the engine does.
    PtrArray<RegScanCategory> ignoreList;
    std::vector<std::pair<int, int>> removeCalls;
    bool removeThrows = false;
    // Backup store.
    PtrArray<BackupEntry> backups;
    std::atomic<int> fullBackupCalls{0};
    std::vector<std::wstring> restoreCalls, deleteCalls;
    std::vector<std::wstring> undeletable;  // DeleteBackup fails for these and keeps them
    // Start-up entries: the Run value as LoadStartupItems lists it, and
    // as many other items, enabled and disabled, as asked for.
    bool runValueListed = false;
    int enabledItems = 0;
    int disabledItems = 0;
    int runValueEnabled = 1;
    int startupWriteResult = 1;
    int startupDeleteResult = 1;
    std::vector<std::wstring> startupWrites, startupDeletes, disabledRemoves;  // command lines
    // The items listed are the page's to delete, never the array's.
    PtrArray<StartupItem> startupItems;
    ~FakeEngine() { startupItems.DetachAll(); }
};

inline FakeEngine* g_fake = nullptr;
// Any non-null handle: the pages only test it.
inline HANDLE FakeThread()
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(1));
}

inline HANDLE CORVEX_CALL StartScan()
{
    ++g_fake->startScanCalls;
    return FakeThread();
}
inline HANDLE CORVEX_CALL StartFix()
{
    ++g_fake->startFixCalls;
    return FakeThread();
}
inline void CORVEX_CALL SetStopFlag(int v)
{
    ++g_fake->stopFlagCalls;
    g_fake->stopFlag = v;
}
inline PtrArray<XMLElement>* CORVEX_CALL GetScanCategories()
{
    return g_fake->noCategories ? nullptr : &g_fake->categories;
}
inline PtrArray<RegScanCategory>* CORVEX_CALL GetScanResults()
{
    return g_fake->noResults ? nullptr : &g_fake->results;
}
inline int CORVEX_CALL GetProblemCount()
{
    return g_fake->problemCount;
}
inline int CORVEX_CALL GetFixedCount()
{
    return g_fake->fixedCount;
}
inline int CORVEX_CALL GetOperationResult()
{
    return g_fake->operationResult;
}
inline int CORVEX_CALL StartPartialBackup(PtrArray<RegScanCategory>* results)
{
    ++g_fake->backupCalls;
    g_fake->backupSource = results;
    return 0;
}

inline PtrArray<XMLElement>* CORVEX_CALL LoadScanSettings()
{
    return &g_fake->categories;
}
inline void CORVEX_CALL SetCategoryEnabled(std::wstring element, const std::wstring* flag)
{
    g_fake->categoryWrites.emplace_back(element, *flag);
    if (g_fake->failCategoryWrites) return;
    for (XMLElement* c : g_fake->categories)
        if (c->elementName == element) c->enabled = *flag == L"true" ? 1 : 0;
}
inline PtrArray<RegScanCategory>* CORVEX_CALL GetIgnoreList()
{
    return &g_fake->ignoreList;
}
inline void CORVEX_CALL RemoveIgnoreItem(int group, int entry)
{
    if (g_fake->removeThrows || !g_fake->ignoreList.IsValidIndex(group) ||
        !g_fake->ignoreList[group]->problems.IsValidIndex(entry))
        throw EngineInvalidArgument("ignore index");
    g_fake->removeCalls.emplace_back(group, entry);
    g_fake->ignoreList[group]->problems.RemoveAt(entry);
}
inline PtrArray<BackupEntry>* CORVEX_CALL ListBackups()
{
    return &g_fake->backups;
}
inline int CORVEX_CALL StartFullBackup()
{
    ++g_fake->fullBackupCalls;
    return 0;
}
inline int CORVEX_CALL StartRestore(const std::wstring* name)
{
    g_fake->restoreCalls.push_back(*name);
    return 0;
}
inline int CORVEX_CALL DeleteBackup(const std::wstring* name)
{
    g_fake->deleteCalls.push_back(*name);
    for (const std::wstring& kept : g_fake->undeletable)
        if (kept == *name) return 0;
    for (int i = 0; i < g_fake->backups.GetCount(); ++i)
        if (g_fake->backups[i]->fileName == *name) {
            g_fake->backups.RemoveAt(i);
            return 1;
        }
    return 0;
}
// Hands out the Run value as the engine does: the caller deletes the item.
inline PtrArray<StartupItem>* CORVEX_CALL LoadStartupItems()
{
    g_fake->startupItems.DetachAll();
    if (g_fake->runValueListed) {
        auto item = std::make_unique<StartupItem>();
        item->valueName = L"Registry_quorv";
        item->enabled = g_fake->runValueEnabled;
        g_fake->startupItems.Add(std::move(item));
    }
    for (int i = 0; i < g_fake->enabledItems + g_fake->disabledItems; ++i) {
        auto item = std::make_unique<StartupItem>();
        item->valueName = L"Item" + std::to_wstring(i);
        item->description = L"Program " + std::to_wstring(i);
        item->commandLine = L"\"C:\\Program Files\\Program " + std::to_wstring(i) + L"\\run.exe\" /background";
        item->enabled = i < g_fake->enabledItems ? 1 : 0;
        g_fake->startupItems.Add(std::move(item));
    }
    return &g_fake->startupItems;
}
inline int CORVEX_CALL WriteStartupEntry(StartupItem* item)
{
    g_fake->startupWrites.push_back(item->commandLine);
    return g_fake->startupWriteResult;
}
inline int CORVEX_CALL DeleteStartupEntry(StartupItem* item)
{
    g_fake->startupDeletes.push_back(item->commandLine);
    return g_fake->startupDeleteResult;
}
inline int CORVEX_CALL RemoveDisabledStartupItem(StartupItem* item)
{
    g_fake->disabledRemoves.push_back(item->commandLine);
    return 1;
}

struct BoxQuestion {
    std::wstring text, caption;
    int kind;
};

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_fake = &fake_;
        table_.StartScan = &StartScan;
        table_.StartFix = &StartFix;
        table_.SetStopFlag = &SetStopFlag;
        table_.GetScanCategories = &GetScanCategories;
        table_.GetScanResults = &GetScanResults;
        table_.GetProblemCount = &GetProblemCount;
        table_.GetFixedCount = &GetFixedCount;
        table_.GetOperationResult = &GetOperationResult;
        table_.StartPartialBackup = &StartPartialBackup;
        table_.LoadScanSettings = &LoadScanSettings;
        table_.SetCategoryEnabled = &SetCategoryEnabled;
        table_.GetIgnoreList = &GetIgnoreList;
        table_.RemoveIgnoreItem = &RemoveIgnoreItem;
        table_.ListBackups = &ListBackups;
        table_.StartFullBackup = &StartFullBackup;
        table_.StartRestore = &StartRestore;
        table_.DeleteBackup = &DeleteBackup;
        table_.LoadStartupItems = &LoadStartupItems;
        table_.WriteStartupEntry = &WriteStartupEntry;
        table_.DeleteStartupEntry = &DeleteStartupEntry;
        table_.RemoveDisabledStartupItem = &RemoveDisabledStartupItem;
        ui::g_engine = &table_;
        ui::SetMessageBoxAnswer([this](const std::wstring& text, const std::wstring& caption, int kind) {
            questions_.push_back({text, caption, kind});
            return boxAnswer_;
        });
        ASSERT_TRUE(ui::StartUiThreadDispatch());
        ui::g_imageCache = &cache_;
        apptest::PreloadSkin(cache_);
        ui::MainDlgOptions o;
        o.bindEngine = false;
        o.trayIcon = false;
        o.quitOnDestroy = false;
        o.closeWaitSlices = 300;
        dlg_ = std::make_unique<ui::CKelvuDlg>(o);
        ui::g_mainDlg = dlg_.get();
        ASSERT_TRUE(dlg_->Create());
        ShowWindow(dlg_->Hwnd(), SW_SHOW);
        apptest::Pump(50);
        // After Create, which moves to the program's folder.
        scratch_ = std::make_unique<testenv::ScratchDir>(L"pages");
    }
    void TearDown() override
    {
        if (!dlg_->Closed()) DestroyWindow(dlg_->Hwnd());
        ui::g_mainDlg = nullptr;
        dlg_.reset();
        ui::StopUiThreadDispatch();
        ui::g_imageCache = nullptr;
        ui::g_engine = nullptr;
        ui::SetMessageBoxAnswer(nullptr);
        ui::SetStandardBoxAnswer(nullptr);
        scratch_.reset();
        g_fake = nullptr;
    }

    void AddCategory(const wchar_t* name, bool enabled, const wchar_t* element = L"")
    {
        auto c = std::make_unique<XMLElement>();
        c->elementName = element;
        c->categoryName = name;
        c->enabled = enabled ? 1 : 0;
        fake_.categories.Add(std::move(c));
    }
    RegScanCategory* AddResult(const wchar_t* name, int problems, int ignored = 0)
    {
        auto r = std::make_unique<RegScanCategory>();
        r->name = name;
        r->problemCount = problems;
        r->ignoredCount = ignored;
        return fake_.results.Add(std::move(r));
    }

    // The bottom-bar button `id` clicked, as the main window receives it.
    void ClickButton(int id)
    {
        SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dlg_->Button(id)->Hwnd()));
    }

    // Saves the whole window as it shows now under the build's screenshots.
    void Screenshot(const wchar_t* name)
    {
        RedrawWindow(dlg_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        apptest::Pump(200);
        size_t colours = 0;
        apptest::CaptureWindow(dlg_->Hwnd(), name, &colours);
        EXPECT_GT(colours, 8u) << "a picture, not a blank window";
    }

    ui::CMyChildWnd* Page(int id) { return dlg_->Page(id); }
    ui::CProgressListPage* ListPage(int id) { return static_cast<ui::CProgressListPage*>(Page(id)); }
    ui::CReportList& List(int id) { return ListPage(id)->List(); }
    ui::ProgressTextQueue* Queue(int id) { return Page(id)->ProgressQueue(); }
    bool Visible(int buttonId) { return IsWindowVisible(dlg_->Button(buttonId)->Hwnd()) != FALSE; }
    bool Enabled(int buttonId) { return IsWindowEnabled(dlg_->Button(buttonId)->Hwnd()) != FALSE; }
    std::wstring ActionCaption() { return dlg_->Button(ui::kCmdAction)->Caption().text; }
    std::wstring Status(int line) { return dlg_->StatusLine(line).value_or(L"<none>"); }
    void ClickAction()
    {
        SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(ui::kCmdAction, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dlg_->Button(ui::kCmdAction)->Hwnd()));
    }
    bool Idle() { return WaitForSingleObject(dlg_->ScanIdleEvent(), 0) == WAIT_OBJECT_0; }
    PBRANGE Range(int id)
    {
        PBRANGE r{};
        SendMessageW(ListPage(id)->Progress().Hwnd(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    int Pos(int id) { return ListPage(id)->Progress().GetPos(); }
    // Paints the page until its queue is empty; returns the text left shown.
    std::wstring PaintedText(int id)
    {
        for (int i = 0; i < 50 && Queue(id)->Pending() > 0; ++i)
            RedrawWindow(Page(id)->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return Queue(id)->Current();
    }
    // Runs callbacks on a worker thread, as the engine does.
    void OnWorker(const std::function<void(UiCallbackTable&)>& work)
    {
        UiCallbackTable* cb = ui::CallbackTable();
        ASSERT_TRUE(apptest::RunOnWorker([&] { work(*cb); }));
    }

    apptest::ComInit com_;
    FakeEngine fake_;
    EngineFunctionTable table_{};
    ui::ImageCache cache_;
    std::unique_ptr<ui::CKelvuDlg> dlg_;
    std::unique_ptr<testenv::ScratchDir> scratch_;
    std::vector<BoxQuestion> questions_;
    int boxAnswer_ = 0;
};

}  // namespace pagetest
