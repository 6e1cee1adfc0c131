// The image-faced owner-drawn push button of the skin.
#pragma once

#include <windows.h>

#include <string>

#include "controls/Gdi.h"
#include "controls/ImageCache.h"
#include "controls/ImageDraw.h"
#include "controls/Window.h"

namespace ui {

struct ButtonCaption {
    std::wstring text;
    int x = 0;  // below 1: centred on that axis; design units, as the height
    int y = 0;
    int height = 0;
    int weight = 0;
    COLORREF colour = RGB(0, 0, 0);
    COLORREF hoverColour = RGB(0, 0, 0);
    gdi::Font plain;
    gdi::Font underlined;
    bool IsSet() const { return !text.empty(); }
};

class CMyButton : public CControl {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2 };

    // faceMode: 2 repeat down, 3 stretch, 4 tile, 5 extended (one copy and
    // its last column stretched), anything else repeat across.
    CMyButton(bool transparent, int faceMode);

    bool Create(HWND parent, UINT id, const RECT& r, const wchar_t* text = L"");
    void AttachButton(HWND hwnd);

    void SetStateFace(int state, const std::wstring& path);
    void SetFallbackFace();  // "./images/banner-button-bg.png"
    void SetIcon(const std::wstring& path, int x, int y);
    void SetCaption(int x, int y, COLORREF colour, COLORREF hover, int height, const std::wstring& text,
                    int weight = 0);
    void SetSecondCaption(int x, int y, COLORREF colour, COLORREF hover, int height,
                          const std::wstring& text);
    void SetCaptionText(const std::wstring& text);
    // The caption's accelerator letter (0 for none): the window text (what
    // the dialog manager and screen readers read) marks it, and the drawn
    // caption underlines it.
    void SetAccelerator(wchar_t letter);
    void SetBackgroundColour(COLORREF c);
    void SetBorderColour(int state, COLORREF c);
    void SetSticky(bool sticky) { sticky_ = sticky; }
    void SetState(int state);
    // Captions, icon and faces follow the window's DPI.
    void SetDpi(int dpi);
    int DpiValue() const { return dpi_; }

    int State() const { return state_; }
    bool Sticky() const { return sticky_; }
    bool Focused() const { return focused_; }
    const ButtonCaption& Caption() const { return caption_; }
    // The state drawn: hover while focused in the normal state.
    int EffectiveState(bool pressedNow) const;
    // Where a caption is drawn in the button's client area (its measured
    // extent at its position); empty for a caption without text.
    RECT CaptionRect(const ButtonCaption& c) const;
    const ButtonCaption& SecondCaption() const { return second_; }
    // The width the captions need: their position and extent and a margin
    // of 8 pixels on their free side (on both sides for a centred one).
    int NeededWidth() const;

    // Paints the whole button into dc (client coordinates).
    void Paint(HDC dc, bool pressedNow);

    bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    LRESULT ControlMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void TakeSnapshot();
    void DrawCaption(HDC dc, const ButtonCaption& c, int effective, const RECT& client);
    DrawMode FaceMode() const;
    void MakeFonts(ButtonCaption& c) const;

    bool transparent_;
    int faceMode_;
    CImage* faces_[3] = {nullptr, nullptr, nullptr};
    CImage* fallback_ = nullptr;
    CImage* icon_ = nullptr;
    POINT iconPos_{};
    bool hasBackground_ = false;
    COLORREF background_ = 0;
    bool hasBorder_[3] = {false, false, false};
    COLORREF border_[3] = {0, 0, 0};
    ButtonCaption caption_;
    ButtonCaption second_;
    wchar_t accelerator_ = 0;
    int state_ = kNormal;
    bool sticky_ = false;
    bool focused_ = false;
    bool tracking_ = false;
    int dpi_ = 96;
    gdi::Bitmap snapshot_;
};

}  // namespace ui
