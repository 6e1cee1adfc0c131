#include "core/ReportBox.h"

#include <atomic>
#include <mutex>

#include "core/ErrorText.h"

namespace report {
namespace {
std::atomic<Sink> g_sink{nullptr};
// A scan's threads may each meet a failure: their boxes (or a handler's
// lines) come one after another, never over each other.
std::mutex g_showing;
}

Sink SetSink(Sink sink)
{
    return g_sink.exchange(sink);
}

int Show(const std::wstring& text, const wchar_t* caption, UINT flags)
{
    std::wstring cap = caption ? caption : L"";
    std::lock_guard<std::mutex> one(g_showing);
    if (Sink sink = g_sink.load()) return sink(text, cap, flags);
    return MessageBoxW(nullptr, text.c_str(), cap.c_str(), flags);
}

void ShowError(DWORD code, const wchar_t* caption)
{
    BaseException report(caption, code);
    Show(report.MessageText(), caption, MB_ICONERROR);
}

}  // namespace report
