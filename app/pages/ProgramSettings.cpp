#include "pages/ProgramSettings.h"

#include <memory>

#include "pages/MessageBox.h"
#include "pages/PendingRestart.h"
#include "shell/EngineBinding.h"
#include "shell/SettingsFile.h"

namespace ui {
namespace {

constexpr wchar_t kInstruction[] =
    L"Select the items of program running style,and click \"OK\"button back to main menu.";
constexpr wchar_t kRunValue[] = L"Registry_quorv";

constexpr const wchar_t* kLabels[CProgramSettings::kBoxCount] = {
    L"Launch application when Windows starts.",
    L"Create restore point before cleaning and fixing.",
    L"Automatically check for updates when product is launched.",
    L"Always ask me about options when clicking the Close Application X button.",
    L"Always minimize the application to the System Tray when clicking the Close Application X button.",
};

// The own Run value is listed and enabled. The items LoadStartupItems hands
// over are ours to delete.
bool OwnStartupEntryEnabled()
{
    if (!g_engine || !g_engine->LoadStartupItems) return false;
    PtrArray<StartupItem>* items = g_engine->LoadStartupItems();
    if (!items) return false;
    bool found = false;
    for (int i = 0; i < items->GetCount(); ++i) {
        std::unique_ptr<StartupItem> item(items->At(i));
        if (item && item->valueName == kRunValue && item->enabled != 0) found = true;
    }
    return found;
}

}  // namespace

StartupItem OwnStartupEntry()
{
    wchar_t path[262] = L"";
    const DWORD n = GetModuleFileNameW(nullptr, path, 261);
    path[n < 261 ? n : 261] = 0;
    StartupItem item;
    item.rootName = L"HKEY_CURRENT_USER";
    item.keyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\run";
    item.valueName = kRunValue;
    // Quoted: a path with a blank would otherwise start something else, or
    // start without a scan.
    item.commandLine = L"\"" + std::wstring(path) + L"\" -scan";
    item.enabled = 1;
    return item;
}

bool WriteProgramSetting(const wchar_t* key, bool value)
{
    return WriteSetting(L"ProgramSettings", key, value ? L"TRUE" : L"FALSE");
}

CProgramSettings::CProgramSettings()
    : CPageBase(kSettingsPage, L"Program Settings", L"Set program running style mentioned below")
{
}

void CProgramSettings::CreateBoxes()
{
    for (int i = 0; i < kBoxCount; ++i) {
        const int top = 85 + 40 * i;
        boxes_[static_cast<size_t>(i)].Create(hwnd_, static_cast<UINT>(kStartupBox + i),
                                              {100, top, 115, top + 15});
    }
    labelFont_.reset(gdi::CreateFontSimple(15));
}

void CProgramSettings::OnPageEnter()
{
    CPageBase::OnPageEnter();
    if (g_mainDlg) g_mainDlg->SetupOkSettings(true);
    Box(kStartupBox).SetChecked(OwnStartupEntryEnabled());
    ShowStored();
}

void CProgramSettings::OnPageLeave()
{
    CPageBase::OnPageLeave();
    if (g_mainDlg) g_mainDlg->SetupOkSettings(false);
}

void CProgramSettings::OnStartupClicked()
{
    StartupItem entry = OwnStartupEntry();
    const bool checked = Box(kStartupBox).Checked();
    if (RefuseWhileRestartPending(hwnd_)) {
        Box(kStartupBox).SetChecked(!checked);
        return;
    }
    int ok = 0;
    if (g_engine && checked && g_engine->WriteStartupEntry) {
        ok = g_engine->WriteStartupEntry(&entry);
        // A copy the startup manager had disabled is no longer listed as such.
        if (ok && g_engine->RemoveDisabledStartupItem) g_engine->RemoveDisabledStartupItem(&entry);
    } else if (g_engine && !checked && g_engine->DeleteStartupEntry) {
        ok = g_engine->DeleteStartupEntry(&entry);
    }
    if (ok) return;
    Box(kStartupBox).SetChecked(!checked);
    RunStandardBox(hwnd_, L"The start-up entry could not be changed.", L"Tamsel", MB_OK | MB_ICONWARNING);
}

bool CProgramSettings::Store(const wchar_t* key, bool value)
{
    if (WriteProgramSetting(key, value)) return true;
    RunStandardBox(hwnd_, L"The setting could not be saved in Registry.ini; it stays as it was.", L"Tamsel",
                   MB_OK | MB_ICONWARNING);
    ShowStored();
    return false;
}

void CProgramSettings::ShowStored()
{
    Box(kRestorePointBox).SetChecked(ProgramSettingIsTrue(L"CreateRestorePoint"));
    Box(kUpdatesBox).SetChecked(ProgramSettingIsTrue(L"AutoCheckUpdates"));
    const bool ask = ProgramSettingIsTrue(L"AskClickXButton");
    Box(kAskCloseBox).SetChecked(ask);
    EnableWindow(Box(kTrayCloseBox).Hwnd(), ask ? FALSE : TRUE);
    Box(kTrayCloseBox).SetChecked(ProgramSettingIsTrue(L"MinAppClickXButton"));
}

void CProgramSettings::OnBoxClicked(int id)
{
    const bool checked = Box(id).Checked();
    switch (id) {
        case kStartupBox:
            OnStartupClicked();
            break;
        case kRestorePointBox:
            if (!checked) {
                RunStandardBox(hwnd_, L"For security,you must set this item.", L"Create Restore Point",
                                MB_OK);
                Box(id).SetChecked(true);
            }
            Store(L"CreateRestorePoint", true);
            break;
        case kUpdatesBox:
            Store(L"AutoCheckUpdates", checked);
            break;
        case kAskCloseBox:
            // Asking wins: the tray option is cleared and locked.
            if (checked && !Store(L"MinAppClickXButton", false)) break;
            if (Store(L"AskClickXButton", checked)) ShowStored();
            break;
        case kTrayCloseBox:
            Store(L"MinAppClickXButton", checked);
            break;
        default:
            break;
    }
}

LRESULT CProgramSettings::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
        case WM_CREATE:
            CreateBoxes();
            break;
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            if (HIWORD(wp) == BN_CLICKED && id >= kStartupBox && id < kStartupBox + kBoxCount) {
                OnBoxClicked(id);
                return 0;
            }
            break;
        }
        default:
            break;
    }
    return CPageBase::HandleMessage(msg, wp, lp);
}

void CProgramSettings::PaintPage(HDC dc, const RECT& client)
{
    CPageBase::PaintPage(dc, client);
    const int w = client.right;
    gdi::HorizontalLine(dc, 16, w - 16, 68, RGB(128, 128, 128));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    {
        gdi::Select font(dc, g_mainDlg ? g_mainDlg->StatusFont() : nullptr);
        RECT text{70, 24, w - 106, 74};
        DrawTextW(dc, kInstruction, -1, &text, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    gdi::Select font(dc, labelFont_.get());
    for (int i = 0; i < kBoxCount; ++i) {
        RECT r{120, 85 + 40 * i, w - 10, 100 + 40 * i};
        const COLORREF old = SetTextColor(dc, i == 4 ? RGB(155, 234, 137) : GetTextColor(dc));
        DrawTextW(dc, kLabels[i], -1, &r, DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
        SetTextColor(dc, old);
    }
    SetBkMode(dc, oldMode);
}

}  // namespace ui
