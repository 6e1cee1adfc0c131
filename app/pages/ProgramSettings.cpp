#include "pages/ProgramSettings.h"

#include <memory>

#include "pages/MessageBox.h"
#include "pages/PendingRestart.h"
#include "shell/EngineBinding.h"
#include "shell/SettingsFile.h"

namespace ui {
namespace {

// One line over (70, 24)-(W - 106, 74), the rule at 68.
constexpr PageInstruction kInstruction = {
    L"Select the items of program running style,and click \"OK\"button back to main menu.", 24, 74, 106, 68,
    false};
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
    : CCheckBoxPage(kSettingsPage, L"Program Settings", L"Set program running style mentioned below", kInstruction,
                    kStartupBox, kBoxCount)
{
}

RECT CProgramSettings::BoxRect(int index) const
{
    const int top = 85 + 40 * index;
    return {100, top, 115, top + 15};
}

ShownText CProgramSettings::Label(int index, const RECT& client) const
{
    ShownText t;
    const Dpi& s = Scaled();
    t.text = kLabels[index];
    t.rect = {s(120), s(84 + 40 * index), client.right - s(10), s(102 + 40 * index)};
    t.font = LabelFont();
    t.format = DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
    if (index == 4) t.colour = RGB(155, 234, 137);
    return t;
}

void CProgramSettings::OnPageEnter()
{
    CPageBase::OnPageEnter();
    if (g_mainDlg) g_mainDlg->SetupOkSettings(true);
    BoxById(kStartupBox).SetChecked(OwnStartupEntryEnabled());
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
    const bool checked = BoxById(kStartupBox).Checked();
    if (RefuseWhileRestartPending(hwnd_)) {
        BoxById(kStartupBox).SetChecked(!checked);
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
    BoxById(kStartupBox).SetChecked(!checked);
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
    BoxById(kRestorePointBox).SetChecked(ProgramSettingIsTrue(L"CreateRestorePoint"));
    BoxById(kUpdatesBox).SetChecked(ProgramSettingIsTrue(L"AutoCheckUpdates"));
    const bool ask = ProgramSettingIsTrue(L"AskClickXButton");
    BoxById(kAskCloseBox).SetChecked(ask);
    EnableWindow(BoxById(kTrayCloseBox).Hwnd(), ask ? FALSE : TRUE);
    BoxById(kTrayCloseBox).SetChecked(ProgramSettingIsTrue(L"MinAppClickXButton"));
}

void CProgramSettings::OnBoxClicked(int index)
{
    const int id = kStartupBox + index;
    const bool checked = Box(index).Checked();
    switch (id) {
        case kStartupBox:
            OnStartupClicked();
            break;
        case kRestorePointBox:
            if (!checked) {
                RunStandardBox(hwnd_, L"For security,you must set this item.", L"Create Restore Point",
                                MB_OK);
                Box(index).SetChecked(true);
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

}  // namespace ui
