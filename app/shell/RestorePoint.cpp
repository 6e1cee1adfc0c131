#include "shell/RestorePoint.h"

#include <srrestoreptapi.h>

#include <memory>
#include <type_traits>

#include "safeload/SafeLoad.h"

namespace ui {
namespace {

struct LibraryDeleter {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

using SetRestorePointFn = BOOL(WINAPI*)(PRESTOREPOINTINFOW, PSTATEMGRSTATUS);

bool SystemCall(DWORD eventType, DWORD pointType, INT64* sequence)
{
    Library lib(safeload::LoadSystemLibrary(L"srclient.dll"));
    if (!lib) return false;
    auto fn = reinterpret_cast<SetRestorePointFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(lib.get(), "SRSetRestorePointW")));
    if (!fn) return false;
    RESTOREPOINTINFOW info{};
    info.dwEventType = eventType;
    info.dwRestorePtType = pointType;
    info.llSequenceNumber = *sequence;
    lstrcpynW(info.szDescription, L"Tamsel registry fix", MAX_DESC_W);
    STATEMGRSTATUS status{};
    if (!fn(&info, &status)) return false;
    *sequence = status.llSequenceNumber;
    return true;
}

RestorePointCall& Call()
{
    static RestorePointCall call;
    return call;
}

bool Invoke(DWORD eventType, DWORD pointType, INT64* sequence)
{
    return Call() ? Call()(eventType, pointType, sequence) : SystemCall(eventType, pointType, sequence);
}

}  // namespace

void SetRestorePointCall(RestorePointCall call)
{
    Call() = std::move(call);
}

std::optional<INT64> BeginRestorePoint()
{
    INT64 sequence = 0;
    if (!Invoke(BEGIN_SYSTEM_CHANGE, MODIFY_SETTINGS, &sequence)) return std::nullopt;
    return sequence;
}

void EndRestorePoint(INT64 sequence, bool keep)
{
    Invoke(END_SYSTEM_CHANGE, keep ? MODIFY_SETTINGS : CANCELLED_OPERATION, &sequence);
}

}  // namespace ui
