#include "core/KeyNames.h"

#include <sddl.h>

#include <atomic>
#include <vector>

#include "core/Handles.h"
#include "core/SysCalls.h"

namespace regkey {
namespace {

constexpr int kKeyNameInformation = 3;
constexpr LONG kBufferTooSmall = static_cast<LONG>(0xC0000023);
constexpr LONG kBufferOverflow = static_cast<LONG>(0x80000005);

using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

std::atomic<SystemNameSource> g_source{nullptr};

}  // namespace

std::wstring SystemNameOf(HKEY key)
{
    static const NtQueryKeyFn query = reinterpret_cast<NtQueryKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
    if (!query || !key) return std::wstring();
    std::vector<ULONG> buffer(256);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
        ULONG needed = 0;
        const LONG status = query(key, kKeyNameInformation, buffer.data(), size, &needed);
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

std::wstring SystemKeyName(HKEY root, const std::wstring& path, REGSAM view)
{
    UniqueHKey key;
    if (sys::OpenKey(root, path.c_str(), KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS) {
        key.release();
        return std::wstring();
    }
    return SystemNameOf(key.get());
}

std::wstring CurrentUserSid()
{
    static const std::wstring sid = [] {
        UniqueHandle token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::wstring();
        DWORD size = 0;
        GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
        std::vector<BYTE> buffer(size ? size : 1);
        if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return std::wstring();
        LPWSTR text = nullptr;
        if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return std::wstring();
        std::wstring out = text;
        LocalFree(text);
        return out;
    }();
    return sid;
}

bool RealLocation(HKEY root, const std::wstring& path, REGSAM view, pure::KeyLocation& out)
{
    const SystemNameSource source = g_source.load();
    const std::wstring name = source ? source(root, path, view) : SystemKeyName(root, path, view);
    return !name.empty() && pure::LocationFromSystemName(name, CurrentUserSid(), out);
}

void SetSystemNameSourceForTests(SystemNameSource source)
{
    g_source.store(source);
}

}  // namespace regkey
