// The window layer: one base class for our own windows, one for subclassed
// system controls. A window binds its C++ object at WM_NCCREATE; a control
// binds at Attach. Parents reflect WM_COMMAND, WM_NOTIFY, WM_DRAWITEM,
// WM_MEASUREITEM and WM_CTLCOLOR* to the control object, so each control
// owns its look.
#pragma once

#include <windows.h>

namespace ui {

class CControl;

class CWindow {
public:
    CWindow() = default;
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;
    virtual ~CWindow();

    HWND Hwnd() const { return hwnd_; }
    static CWindow* FromHandle(HWND hwnd);

    // Registers (once) and creates a window of our class `className`.
    bool CreateWin(const wchar_t* className, DWORD exStyle, const wchar_t* title, DWORD style,
                   const RECT& r, HWND parent, UINT id, UINT classStyle = CS_DBLCLKS,
                   HICON icon = nullptr);
    void Destroy();

protected:
    // Every message after WM_NCCREATE; the default reflects to controls and
    // then falls back to DefWindowProc.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Called after WM_NCDESTROY, when the handle is gone.
    virtual void OnFinalDestroy() {}

    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
    // True when a child control handled a reflected message.
    static bool Reflect(HWND parent, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

// A system control (button, list view, header...) with a C++ object.
class CControl {
public:
    CControl() = default;
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;
    virtual ~CControl();

    HWND Hwnd() const { return hwnd_; }
    static CControl* FromHandle(HWND hwnd);

    void Attach(HWND hwnd);
    void Detach();

    // A message the parent reflected back; true when handled.
    virtual bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    // Messages of the control itself; the default passes them on.
    virtual LRESULT ControlMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                         UINT_PTR id, DWORD_PTR ref);
};

// Moves and sizes a child window to `r` (parent client coordinates); does
// nothing for a null window.
void PlaceChild(HWND child, const RECT& r);

// Creates a child control of a system class.
HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, const RECT& r,
                 HWND parent, UINT id, DWORD exStyle = 0);

}  // namespace ui
