#include "pages/MainChildWnd.h"

#include <shellapi.h>

#include <string>

#include "controls/ImageDraw.h"
#include "pages/PendingRestart.h"
#include "pure/UiTexts.h"
#include "shell/EngineBinding.h"
#include "shell/LastScan.h"
#include "shell/LastScanReport.h"

namespace ui {
namespace {

struct GroupDef {
    int id;
    int top;
    const wchar_t* faces[3];  // normal, hover, pressed
    // The faces are pictures: the name (with its accelerator) is the window
    // text, for the keyboard and screen readers.
    const wchar_t* name;
};

const GroupDef kGroups[CMainChildWnd::kGroupCount] = {
    {CMainChildWnd::kGroupScanClean, 170,
     {L"./images/left_ScanAdClean_normal.png", L"./images/left_ScanAdClean_on.png",
      L"./images/left_ScanAdClean_down.png"},
     L"&Scan && Clean"},
    {CMainChildWnd::kGroupOptimize, 234,
     {L"./images/left_Optimize_normal.png", L"./images/left_Optimize_on.png", L"./images/left_Optimize_down.png"},
     L"&Optimize"},
    {CMainChildWnd::kGroupManage, 298,
     {L"./images/left_Manage_normal.png", L"./images/left_Manage_on.png", L"./images/left_Manage_down.png"},
     L"&Manage"},
    {CMainChildWnd::kGroupOptions, 362,
     {L"./images/left_Options_normal.png", L"./images/left_Options_on.png", L"./images/left_Options_down.png"},
     L"O&ptions"},
};

// What an entry does: open a page, or start a system tool (then page is 0).
struct EntryDef {
    int id;
    int group;
    int slot;  // 0, 1, 2 from the top
    const wchar_t* title;
    const wchar_t* subTitle;
    const wchar_t* icon;
    int page;
    int tool;
    // Unique among the group buttons, the entries of one group, "About"
    // and "Help".
    wchar_t accelerator;
};

constexpr wchar_t kIconScan[] = L"./images/new_main_right_scan.png";
constexpr wchar_t kIconRestore[] = L"./images/new_main_right_restore.png";
constexpr wchar_t kIconIgnore[] = L"./images/new_main_right_ignore.png";
constexpr wchar_t kIconSecurity[] = L"./images/new_main_right_security.png";

const EntryDef kEntries[CMainChildWnd::kEntryCount] = {
    {1009, 1000, 0, L"Scan && Clean Windows Registry", L"Scan,clean,repair and optimize windows registry", kIconScan,
     kScanPage, -1, L'C'},
    {1010, 1000, 1, L"Restore Windows Registry", L"View and restore previous backup registry", kIconRestore,
     kBackupPage, -1, L'R'},
    {1011, 1000, 2, L"Registry Ignored List", L"Manage the items to be ignored by the scanner", kIconIgnore,
     kIgnorePage, -1, L'I'},
    {1020, 1001, 0, L"Defrag Your Registry", L"Defrag and optimize the registry", kIconScan, kDefragPage, -1, L'D'},
    {1014, 1001, 1, L"Monitor System Resource", L"Monitor how Operating System is using resources", kIconSecurity,
     0, 0, L'N'},
    {1017, 1002, 0, L"Manage Startup Items", L"Disable unnecessary startup items will speed up your PC", kIconRestore,
     kStartupPage, -1, L'T'},
    {1015, 1002, 1, L"Restore Windows System", L"Create and manage Windows System restore points", kIconSecurity, 0,
     2, L'Y'},
    {1016, 1002, 2, L"View System Information", L"View hardware and software information", kIconIgnore, 0, 1, L'V'},
    {1018, 1003, 0, L"Modify Program Settings", L"Set program running style", kIconIgnore, kSettingsPage, -1, L'E'},
    {1013, 1003, 1, L"Set Registry Scan Area", L"Set the scan area", kIconScan, kScanAreaPage, -1, L'R'},
    {1019, 1003, 2, L"Set up Scan Schedules", L"Set up scan schedules so that regular scan can be performed",
     kIconSecurity, kSchedulePage, -1, L'U'},
};

constexpr int kSlotTop[3] = {120, 224, 327};
constexpr int kSlotBottom[3] = {220, 323, 426};
constexpr int kEntryLeft = 200;
constexpr int kRightMargin = 12;
constexpr RECT kAboutRect{587, 54, 683, 94};
constexpr RECT kHelpRect{684, 54, 780, 94};

int GroupIndex(int groupId)
{
    const int i = groupId - CMainChildWnd::kGroupScanClean;
    return i >= 0 && i < CMainChildWnd::kGroupCount ? i : -1;
}

int EntryIndex(int entryId)
{
    for (int i = 0; i < CMainChildWnd::kEntryCount; ++i)
        if (kEntries[i].id == entryId) return i;
    return -1;
}

std::wstring LastScanSummary()
{
    std::wstring summary =
        uitext::LastScanLine(lastscan::Read(lastscan::kPerformed), lastscan::Read(lastscan::kErrorsCount),
                                lastscan::Read(lastscan::kFixedCount), lastscan::Read(lastscan::kRemainCount));
    // Only when the previous scan's report was there to compare with.
    const std::wstring added = lastscan::Read(lastscan::kNewCount);
    if (!added.empty() && summary.rfind(L"Last scan: Error(s):", 0) == 0)
        summary += L" (+" + added + L" new since the previous scan)";
    return summary;
}

std::wstring CurrentDirectory()
{
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return {};
    std::wstring dir(n, L'\0');
    const DWORD got = GetCurrentDirectoryW(n, dir.data());
    dir.resize(got < n ? got : 0);
    return dir;
}

}  // namespace

CMainChildWnd::CMainChildWnd() : CPageBase(kMainPage, L"", L"") {}

int CMainChildWnd::SelectedEntry(int groupId) const
{
    const int g = GroupIndex(groupId);
    return g < 0 ? 0 : selectedEntry_[static_cast<size_t>(g)];
}

CMyButton* CMainChildWnd::Button(int id) const
{
    if (const int g = GroupIndex(id); g >= 0) return groups_[static_cast<size_t>(g)].get();
    if (const int e = EntryIndex(id); e >= 0) return entries_[static_cast<size_t>(e)].get();
    switch (id) {
    case kCmdAbout: return about_.get();
    case kCmdHelp: return help_.get();
    case kCmdCheckUpdates: return update_.get();
    default: return nullptr;
    }
}

void CMainChildWnd::OnCreate()
{
    // Every button is placed by OnSize, which follows.
    background_ = LoadCachedImage(L"./images/bg_main.png");
    logo_ = LoadCachedImage(L"./images/reg-product-title.png");
    rightPanel_ = LoadCachedImage(L"./images/bg_right.png");
    productName_ = LoadCachedImage(L"./images/product_name.png");
    separator1_ = LoadCachedImage(L"./images/new_main_right_separator1.png");
    separator2_ = LoadCachedImage(L"./images/new_main_right_separator2.png");

    for (size_t i = 0; i < groups_.size(); ++i) {
        const GroupDef& d = kGroups[i];
        auto b = std::make_unique<CMyButton>(false, 1);
        b->Create(hwnd_, static_cast<UINT>(d.id), {}, d.name);
        for (int s = 0; s < 3; ++s) b->SetStateFace(s, d.faces[s]);
        b->SetBackgroundColour(RGB(248, 250, 255));
        b->SetSticky(true);
        groups_[i] = std::move(b);
    }

    for (size_t i = 0; i < entries_.size(); ++i) {
        const EntryDef& d = kEntries[i];
        auto b = std::make_unique<CMyButton>(true, 1);
        b->Create(hwnd_, static_cast<UINT>(d.id), {}, d.title);
        b->SetIcon(d.icon, 17, 10);
        b->SetCaption(96, 2, RGB(0, 110, 18), RGB(0, 110, 18), 20, d.title, FW_BOLD);
        b->SetSecondCaption(96, 24, RGB(0, 102, 204), RGB(0, 102, 204), 17, d.subTitle);
        b->SetAccelerator(d.accelerator);
        b->SetSticky(true);
        ShowWindow(b->Hwnd(), SW_HIDE);
        entries_[i] = std::move(b);
    }

    auto corner = [&](std::unique_ptr<CMyButton>& b, int id, const wchar_t* face, const wchar_t* text,
                      wchar_t accelerator) {
        b = std::make_unique<CMyButton>(true, 5);
        b->Create(hwnd_, static_cast<UINT>(id), {}, text);
        for (int s = 0; s < 3; ++s) b->SetStateFace(s, face);
        b->SetCaption(40, 13, RGB(21, 28, 85), RGB(21, 28, 230), 17, text);
        b->SetAccelerator(accelerator);
    };
    corner(about_, kCmdAbout, L"./images/bn_menu_about.png", L"About", L'B');
    corner(help_, kCmdHelp, L"./images/bn_menu_help.png", L"Help", L'H');

    update_ = std::make_unique<CMyButton>(true, 1);
    update_->Create(hwnd_, kCmdCheckUpdates, {}, L"Check for Updates");
    update_->SetCaption(0, 0, RGB(61, 172, 35), RGB(84, 203, 61), 17, L"Check for Updates");
    ShowWindow(update_->Hwnd(), SW_HIDE);

    OnDpiChanged();
    SelectGroup(kGroupScanClean);
}

void CMainChildWnd::OnDpiChanged()
{
    const int dpi = Scaled().value();
    for (auto& b : groups_) b->SetDpi(dpi);
    for (auto& b : entries_) b->SetDpi(dpi);
    for (CMyButton* b : {about_.get(), help_.get(), update_.get()}) b->SetDpi(dpi);
}

void CMainChildWnd::OnSize(int w, int h)
{
    const Dpi& s = Scaled();
    for (size_t i = 0; i < groups_.size(); ++i)
        PlaceChild(groups_[i]->Hwnd(), s(RECT{15, kGroups[i].top, 165, kGroups[i].top + 40}));
    for (size_t i = 0; i < entries_.size(); ++i) {
        const int slot = kEntries[i].slot;
        PlaceChild(entries_[i]->Hwnd(), {s(kEntryLeft), s(kSlotTop[slot]), w - s(kRightMargin), s(kSlotBottom[slot])});
    }
    // "About" and "Help" keep their distance from the right edge.
    const int dx = w - s(kReferenceWidth);
    for (auto [button, r] : {std::pair{about_.get(), kAboutRect}, std::pair{help_.get(), kHelpRect}}) {
        const RECT scaled = s(r);
        PlaceChild(button->Hwnd(), {scaled.left + dx, scaled.top, scaled.right + dx, scaled.bottom});
    }
    PlaceChild(update_->Hwnd(), {s(25), h - s(40), s(155), h});
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void CMainChildWnd::ShowGroupEntries(int groupIndex, bool show)
{
    const int groupId = kGroupScanClean + groupIndex;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (kEntries[i].group == groupId && entries_[i]) ShowWindow(entries_[i]->Hwnd(), show ? SW_SHOW : SW_HIDE);
}

void CMainChildWnd::SelectGroup(int groupId)
{
    const int g = GroupIndex(groupId);
    if (g < 0 || groupId == selectedGroup_) return;
    if (const int old = GroupIndex(selectedGroup_); old >= 0) {
        ShowGroupEntries(old, false);
        CMyButton* b = groups_[static_cast<size_t>(old)].get();
        b->SetState(CMyButton::kNormal);
        UpdateWindow(b->Hwnd());
    }
    ShowGroupEntries(g, true);
    selectedGroup_ = groupId;
    groups_[static_cast<size_t>(g)]->SetState(CMyButton::kPressed);
}

void CMainChildWnd::ClickEntry(int entryId)
{
    const int e = EntryIndex(entryId);
    if (e < 0) return;
    const EntryDef& d = kEntries[e];
    if (d.page == 0) {
        // System tools open outside the program; the entry is not selected.
        if (g_engine && g_engine->LaunchSystemTool) g_engine->LaunchSystemTool(d.tool);
        return;
    }
    int& selected = selectedEntry_[static_cast<size_t>(GroupIndex(d.group))];
    if (selected != 0 && selected != entryId) {
        CMyButton* previous = Button(selected);
        if (previous && previous->State() == CMyButton::kPressed) previous->SetState(CMyButton::kNormal);
    }
    selected = entryId;
    entries_[static_cast<size_t>(e)]->SetState(CMyButton::kPressed);
    if (g_mainDlg) g_mainDlg->ShowPage(g_mainDlg->Page(d.page));
}

void CMainChildWnd::CheckForUpdates()
{
    const std::wstring path = CurrentDirectory() + L"\\Vantrel.exe";
    HWND owner = g_mainDlg ? g_mainDlg->Hwnd() : GetAncestor(hwnd_, GA_ROOT);
    ShellExecuteW(owner, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CMainChildWnd::OnPageEnter()
{
    CPageBase::OnPageEnter();
    if (g_mainDlg) {
        g_mainDlg->SetupMainMenu(true);
        g_mainDlg->SetStatusLine1(LastScanSummary().c_str());
        g_mainDlg->SetStatusLine2(RestartPending() ? kRestartPendingText : nullptr);
    }
    if (update_) ShowWindow(update_->Hwnd(), SW_HIDE);
}

void CMainChildWnd::OnPageLeave()
{
    CPageBase::OnPageLeave();
    if (!g_mainDlg) return;
    g_mainDlg->SetupMainMenu(false);
    g_mainDlg->SetStatusLine1(nullptr);
    g_mainDlg->SetStatusLine2(nullptr);
    g_mainDlg->SetStatusLine3(nullptr);
}

void CMainChildWnd::PaintPage(HDC dc, const RECT& client)
{
    const int w = client.right, h = client.bottom;
    const Dpi& s = Scaled();
    gdi::FillSolid(dc, client, RGB(255, 255, 255));
    DrawRepeatDown(dc, background_, client, s(2), s.value());
    DrawStretch(dc, rightPanel_, {s(178), s(100), w, h});
    DrawNatural(dc, logo_, s(22), s(22), s.value());
    DrawNatural(dc, productName_, s(148), s(42), s.value());
    DrawStretch(dc, separator1_, {s(kEntryLeft), s(221), w - s(kRightMargin), s(224)});
    DrawStretch(dc, separator2_, {s(kEntryLeft), s(324), w - s(kRightMargin), s(326)});
}

bool CMainChildWnd::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED) return false;
    if (GroupIndex(id) >= 0) {
        SelectGroup(id);
        return true;
    }
    if (EntryIndex(id) >= 0) {
        ClickEntry(id);
        return true;
    }
    if (id == kCmdCheckUpdates) {
        CheckForUpdates();
        return true;
    }
    return false;  // "About" and "Help" go on to the main window
}

}  // namespace ui
