// The defrag status texts: workers append, each paint takes the next one,
// so a burst is shown text by text.
#pragma once

#include <deque>
#include <string>

#include "shell/CriticalSection.h"

namespace ui {

class StatusTextFifo {
public:
    void Append(const std::wstring& text);
    // Takes the oldest waiting text, if any, as the current one.
    void TakeForPaint();
    std::wstring Current() const;
    size_t Pending() const;
    void Clear();
    // Drops the waiting texts but the newest, which becomes the current one.
    void SkipToLast();

private:
    mutable CriticalSection lock_;
    std::deque<std::wstring> queue_;
    std::wstring current_;
};

}  // namespace ui
