#include "pages/SetScanSchedule.h"

#include <commctrl.h>

#include "pages/MessageBox.h"
#include "pure/PageRules.h"
#include "res/ResourceIds.h"

namespace ui {
namespace {

CSetScanSchedule::OpenHook& Hook()
{
    static CSetScanSchedule::OpenHook hook;
    return hook;
}

}  // namespace

void CSetScanSchedule::SetOpenHook(OpenHook hook) { Hook() = std::move(hook); }

unsigned CSetScanSchedule::DayBits() const
{
    unsigned bits = 0;
    for (size_t i = 0; i < days.size(); ++i)
        if (days[i]) bits |= 1u << i;
    return bits;
}

void CSetScanSchedule::SetDayBits(unsigned bits)
{
    for (size_t i = 0; i < days.size(); ++i) days[i] = (bits & (1u << i)) != 0;
}

bool CSetScanSchedule::DoModal(HWND owner)
{
    accepted = false;
    modeless_ = false;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TAMSEL_SETSCANSCHEDULE), owner, &Proc,
                    reinterpret_cast<LPARAM>(this));
    return accepted;
}

HWND CSetScanSchedule::CreateModeless(HWND owner)
{
    accepted = false;
    modeless_ = true;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TAMSEL_SETSCANSCHEDULE), owner, &Proc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CSetScanSchedule::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        reinterpret_cast<CSetScanSchedule*>(lp)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<CSetScanSchedule*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    const INT_PTR r = self->Handle(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return r;
}

INT_PTR CSetScanSchedule::Handle(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_INITDIALOG:
        OnInit();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        // Enter sends the default button's command ("Ok"), or IDOK.
        case kOk:
        case IDOK: OnOk(); return TRUE;
        case kCancel:
        case IDCANCEL: Close(false); return TRUE;
        default: return FALSE;
        }
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr->idFrom == static_cast<UINT_PTR>(kUpDown) && hdr->code == UDN_DELTAPOS) {
            OnDelta(reinterpret_cast<const NMUPDOWN*>(lp)->iDelta);
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

void CSetScanSchedule::OnInit()
{
    SetDlgItemTextW(hwnd_, kTimeEdit, timeText.c_str());
    for (int i = 0; i < 7; ++i)
        CheckDlgButton(hwnd_, kFirstDay + i, days[static_cast<size_t>(i)] ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(hwnd_, kUpDown, UDM_SETRANGE32, 0, 100);
    SetWindowTextW(hwnd_, L"SetScanSchedule");
    if (Hook()) Hook()(*this);
}

void CSetScanSchedule::ReadControls()
{
    wchar_t text[64] = L"";
    GetDlgItemTextW(hwnd_, kTimeEdit, text, 64);
    timeText = text;
    for (int i = 0; i < 7; ++i) days[static_cast<size_t>(i)] = IsDlgButtonChecked(hwnd_, kFirstDay + i) == BST_CHECKED;
}

void CSetScanSchedule::OnOk()
{
    ReadControls();
    int h = 0, m = 0;
    switch (pagerules::ParseScheduleTime(timeText, &h, &m)) {
    case pagerules::TimeCheck::Empty:
        RunStandardBox(hwnd_, L"You must enter the Schedule Time!", L"Tamsel", MB_OK);
        return;
    case pagerules::TimeCheck::Invalid:
        RunStandardBox(hwnd_, L"You must enter the right schedule time!", L"Tamsel", MB_OK);
        return;
    case pagerules::TimeCheck::Ok:
        break;
    }
    if (DayBits() == 0) {
        RunStandardBox(hwnd_, L"You must select a day or more!", L"Tamsel", MB_OK);
        return;
    }
    hour = h;
    minute = m;
    Close(true);
}

void CSetScanSchedule::Close(bool accept)
{
    accepted = accept;
    if (modeless_)
        DestroyWindow(hwnd_);
    else
        EndDialog(hwnd_, accept ? IDOK : IDCANCEL);
}

void CSetScanSchedule::OnDelta(int delta)
{
    wchar_t text[64] = L"";
    GetDlgItemTextW(hwnd_, kTimeEdit, text, 64);
    std::wstring stepped;
    if (pagerules::StepTime(text, delta, &stepped)) SetDlgItemTextW(hwnd_, kTimeEdit, stepped.c_str());
}

}  // namespace ui
