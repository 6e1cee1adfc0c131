// The schedule dialog: a time of day (hour:minute, with an up-down control
// stepping it by a minute) and the days of the week of one weekly scan.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

namespace ui {

class CSetScanSchedule {
public:
    static constexpr int kOk = 2004;
    static constexpr int kCancel = 2005;
    static constexpr int kTimeEdit = 2006;
    static constexpr int kUpDown = 2007;
    static constexpr int kFirstDay = 2008;  // Sunday; Saturday is 2014

    // The dialog data: loaded into the controls on opening, read back by "Ok".
    std::wstring timeText;
    std::array<bool, 7> days{};  // Sunday first
    int hour = 0;
    int minute = 0;
    bool accepted = false;

    // Runs the dialog modally; true when "Ok" accepted it.
    bool DoModal(HWND owner);
    // The same dialog without a modal loop (the caller pumps); it destroys
    // itself on "Ok" or "Cancel". Null when it could not be created.
    HWND CreateModeless(HWND owner);
    HWND Hwnd() const { return hwnd_; }

    // The day bits of the checked days: Sunday 1 ... Saturday 64.
    unsigned DayBits() const;
    void SetDayBits(unsigned bits);

    // Called with every dialog once its controls are loaded (tests fill and
    // press its controls here). Empty clears it.
    using OpenHook = std::function<void(CSetScanSchedule&)>;
    static void SetOpenHook(OpenHook hook);

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Handle(UINT msg, WPARAM wp, LPARAM lp);
    void OnInit();
    void ReadControls();
    void OnOk();
    void Close(bool accept);
    void OnDelta(int delta);

    HWND hwnd_ = nullptr;
    bool modeless_ = false;
};

}  // namespace ui
