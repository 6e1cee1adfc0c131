#include "defrag/PendingSwap.h"

#include <windows.h>

#include "core/Handles.h"
#include "core/ReportBox.h"
#include "defrag/DefragState.h"

namespace defrag {
namespace {

constexpr REGSAM kView = KEY_WOW64_64KEY;  // one record for both builds

const wchar_t* RecordKey() { return CurrentSeams().pendingSwapKey.c_str(); }

}  // namespace

bool RecordPendingSwap(const std::wstring& hiveKeyName, const std::wstring& file)
{
    UniqueHKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, RecordKey(), 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE | kView,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), hiveKeyName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                          static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void ForgetPendingSwap(const std::wstring& hiveKeyName)
{
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, RecordKey(), 0, KEY_SET_VALUE | KEY_QUERY_VALUE | kView, key.put()) !=
        ERROR_SUCCESS)
        return;
    RegDeleteValueW(key.get(), hiveKeyName.c_str());
    DWORD values = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS &&
        values == 0) {
        key.reset();
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, RecordKey(), kView, 0);
    }
}

SwapState PendingSwaps(std::vector<std::wstring>* hives)
{
    if (hives) hives->clear();
    UniqueHKey key;
    LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, RecordKey(), 0, KEY_QUERY_VALUE | kView, key.put());
    if (rc == ERROR_FILE_NOT_FOUND) return SwapState::kNone;
    if (rc != ERROR_SUCCESS) return SwapState::kUnknown;
    bool any = false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[512];
        DWORD length = 512;
        rc = RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return SwapState::kUnknown;
        any = true;
        if (hives) hives->emplace_back(name, length);
    }
    return any ? SwapState::kPending : SwapState::kNone;
}

bool RefuseWhileSwapPending()
{
    if (PendingSwaps() == SwapState::kNone) return false;
    report::Show(kRestartFirstText, kRestartFirstCaption, MB_OK | MB_ICONWARNING);
    return true;
}

void ClearPendingSwaps() { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, RecordKey(), kView, 0); }

}  // namespace defrag
