#include "controls/MemDC.h"

namespace ui {

CMyMemDC::CMyMemDC(HDC target, const RECT& r)
    : target_(target), rect_(r), dc_(target),
      bitmap_(gdi::CreateDib32(r.right - r.left, r.bottom - r.top))
{
    oldBitmap_ = SelectObject(dc_.get(), bitmap_.get());
    SetWindowOrgEx(dc_.get(), r.left, r.top, &oldOrigin_);
    SetBkMode(dc_.get(), TRANSPARENT);
}

CMyMemDC::CMyMemDC(HDC target, const RECT& r, HDC source) : CMyMemDC(target, r)
{
    BitBlt(dc_.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, source, r.left, r.top, SRCCOPY);
}

CMyMemDC::~CMyMemDC()
{
    if (copyBack_)
        BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top,
               dc_.get(), rect_.left, rect_.top, SRCCOPY);
    SetWindowOrgEx(dc_.get(), oldOrigin_.x, oldOrigin_.y, nullptr);
    SelectObject(dc_.get(), oldBitmap_);
}

}  // namespace ui
