#include "shell/ProgressTextQueue.h"

#include "pure/UiTexts.h"

namespace ui {
namespace {
class Lock {
public:
    explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION& cs_;
};
}  // namespace

ProgressTextQueue::ProgressTextQueue() { InitializeCriticalSection(&lock_); }
ProgressTextQueue::~ProgressTextQueue() { DeleteCriticalSection(&lock_); }

void ProgressTextQueue::SetTarget(HWND hwnd, const RECT& r)
{
    hwnd_ = hwnd;
    rect_ = r;
}

void ProgressTextQueue::Invalidate() const
{
    if (hwnd_) InvalidateRect(hwnd_, &rect_, FALSE);
}

void ProgressTextQueue::Append(const std::wstring& text)
{
    Lock l(lock_);
    if (queue_.empty())
        queue_.push_back(text);
    else
        queue_.back() = text;
}

void ProgressTextQueue::Clear()
{
    Lock l(lock_);
    queue_.clear();
}

size_t ProgressTextQueue::Pending() const
{
    Lock l(lock_);
    return queue_.size();
}

std::wstring ProgressTextQueue::TakeForPaint()
{
    Lock l(lock_);
    if (!queue_.empty()) {
        current_ = std::move(queue_.front());
        queue_.pop_front();
    }
    return current_;
}

std::wstring ProgressTextQueue::Current() const
{
    Lock l(lock_);
    return current_;
}

void ProgressTextQueue::Paint(HDC dc, HFONT font)
{
    // Registry data may hold tabs and line breaks; they are not drawn as boxes.
    const std::wstring text = uitext::Printable(Current());
    if (text.empty()) return;
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    RECT r = rect_;
    DrawTextW(dc, text.c_str(), -1, &r, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    if (old) SelectObject(dc, old);
}

bool ProgressTextQueue::DrainWait(HWND mainWindow, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (Pending() > 0) {
        if (mainWindow && (!IsWindowVisible(mainWindow) || IsIconic(mainWindow))) {
            Clear();
            return false;
        }
        if (GetTickCount() - start >= timeoutMs) return false;
        Invalidate();
        Sleep(5);
    }
    return true;
}

}  // namespace ui
