#include "scan/SharedViews.h"

#include <vector>

#include "core/Handles.h"
#include "pure/TextRules.h"

namespace scan {
namespace {

constexpr int kKeyNameInformation = 3;
constexpr LONG kBufferTooSmall = static_cast<LONG>(0xC0000023);
constexpr LONG kBufferOverflow = static_cast<LONG>(0x80000005);

using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

// The full name the system gives an opened key ("\REGISTRY\MACHINE\..."),
// empty when it cannot be had.
std::wstring SystemKeyName(HKEY root, const std::wstring& path, REGSAM view)
{
    static const NtQueryKeyFn query = reinterpret_cast<NtQueryKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
    if (!query) return std::wstring();
    UniqueHKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS) {
        key.release();
        return std::wstring();
    }
    std::vector<ULONG> buffer(256);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
        ULONG needed = 0;
        const LONG status = query(key.get(), kKeyNameInformation, buffer.data(), size, &needed);
        if (status == kBufferTooSmall || status == kBufferOverflow) {
            buffer.resize(needed / sizeof(ULONG) + 2);
            continue;
        }
        if (status < 0) return std::wstring();
        // KEY_NAME_INFORMATION: the name's length in bytes, then the name.
        const ULONG bytes = buffer[0];
        if (bytes > size - sizeof(ULONG)) return std::wstring();
        return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + 1), bytes / sizeof(wchar_t));
    }
    return std::wstring();
}

bool SameSite(const RegEntryProb& a, const RegEntryProb& b)
{
    return a.rootName == b.rootName && a.valueName == b.valueName && a.isDefaultValue == b.isDefaultValue &&
           pure::EqualsNoCase(a.scannedKeyPath, b.scannedKeyPath);
}

}  // namespace

bool IsSameKeyInBothViews(HKEY root, const std::wstring& path)
{
    const std::wstring name64 = SystemKeyName(root, path, KEY_WOW64_64KEY);
    return !name64.empty() && pure::EqualsNoCase(name64, SystemKeyName(root, path, KEY_WOW64_32KEY));
}

void DropSharedViewRepeats(CRegEngine& engine, RegScanCategory& result, XMLElement& category, int first64,
                           int first32)
{
    PtrArray<RegEntryProb>& problems = result.problems;
    for (int i = problems.GetCount() - 1; i >= first32; --i) {
        const RegEntryProb& found32 = *problems[i];
        bool repeat = false;
        for (int k = first64; k < first32 && !repeat; ++k) repeat = SameSite(*problems[k], found32);
        if (!repeat || !IsSameKeyInBothViews(found32.rootHandle, found32.scannedKeyPath)) continue;
        category.foundCount -= 1;
        result.problemCount -= 1;
        engine.problemCount -= 1;
        if (found32.selected) engine.checkedCount -= 1;
        problems.RemoveAt(i);
    }
}

}  // namespace scan
