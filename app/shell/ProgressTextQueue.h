// The progress texts of the scan and clean pages: worker threads append,
// the page's paint step shows one queued text per paint. Texts come far
// faster than a window paints (one per key examined), so at most one waits:
// a newer text replaces the waiting one. The window then always shows the
// latest text, and a drain wait lasts one paint at most. Appending only
// stores the text; the page paints it on its own timer, so the painting
// costs the worker nothing and runs at the window's pace, not the scan's.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

namespace ui {

class ProgressTextQueue {
public:
    ProgressTextQueue();
    ~ProgressTextQueue();
    ProgressTextQueue(const ProgressTextQueue&) = delete;
    ProgressTextQueue& operator=(const ProgressTextQueue&) = delete;

    // The window and rectangle the text is drawn in.
    void SetTarget(HWND hwnd, const RECT& r);
    const RECT& Rect() const { return rect_; }

    void Append(const std::wstring& text);  // any thread
    void Clear();
    size_t Pending() const;
    // Paint step: takes one queued text, if any, as the current text and
    // returns the text to draw.
    std::wstring TakeForPaint();
    std::wstring Current() const;
    // Draws the current text (after TakeForPaint) word-wrapped.
    void Paint(HDC dc, HFONT font);

    // Called on a worker thread: waits until the UI thread has painted every
    // queued text, looking every few milliseconds and for at most `timeoutMs`.
    // While `mainWindow` is hidden or minimised nothing paints, so the queue is
    // cleared instead. Returns true when the queue emptied by painting.
    bool DrainWait(HWND mainWindow, DWORD timeoutMs = 2000);

private:
    void Invalidate() const;

    mutable CRITICAL_SECTION lock_;
    std::deque<std::wstring> queue_;
    std::wstring current_;
    HWND hwnd_ = nullptr;
    RECT rect_{};
};

}  // namespace ui
