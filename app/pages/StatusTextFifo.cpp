#include "pages/StatusTextFifo.h"

namespace ui {

void StatusTextFifo::Append(const std::wstring& text)
{
    CriticalSection::Lock lock(lock_);
    queue_.push_back(text);
}

void StatusTextFifo::TakeForPaint()
{
    CriticalSection::Lock lock(lock_);
    if (queue_.empty()) return;
    current_ = std::move(queue_.front());
    queue_.pop_front();
}

std::wstring StatusTextFifo::Current() const
{
    CriticalSection::Lock lock(lock_);
    return current_;
}

size_t StatusTextFifo::Pending() const
{
    CriticalSection::Lock lock(lock_);
    return queue_.size();
}

void StatusTextFifo::Clear()
{
    CriticalSection::Lock lock(lock_);
    queue_.clear();
    current_.clear();
}

void StatusTextFifo::SkipToLast()
{
    CriticalSection::Lock lock(lock_);
    if (queue_.empty()) return;
    current_ = std::move(queue_.back());
    queue_.clear();
}

}  // namespace ui
