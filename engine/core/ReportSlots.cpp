// The report-handler slot: the engine's message boxes handed to a caller
// that has no one at a screen.
#include <atomic>

#include "core/ReportBox.h"
#include "core/Slots.h"

namespace slots {
namespace {

std::atomic<ReportHandler> g_handler{nullptr};

int ToHandler(const std::wstring& text, const std::wstring& caption, UINT flags)
{
    if (ReportHandler handler = g_handler.load()) return handler(&text, &caption, flags);
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), flags);
}

}  // namespace

void CORVEX_CALL SetReportHandler(ReportHandler handler)
{
    g_handler.store(handler);
    report::SetSink(handler ? &ToHandler : nullptr);
}

}  // namespace slots
