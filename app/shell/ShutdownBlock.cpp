#include "shell/ShutdownBlock.h"

namespace ui {
namespace {

ShutdownReasonCall& Call()
{
    static ShutdownReasonCall call;
    return call;
}

}  // namespace

void SetShutdownReasonCall(ShutdownReasonCall call)
{
    Call() = std::move(call);
}

void SetShutdownReason(HWND window, const wchar_t* reason)
{
    if (Call()) {
        Call()(window, reason);
        return;
    }
    if (reason)
        ShutdownBlockReasonCreate(window, reason);
    else
        ShutdownBlockReasonDestroy(window);
}

}  // namespace ui
