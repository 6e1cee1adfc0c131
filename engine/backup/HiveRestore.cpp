#include "backup/HiveRestore.h"

#include <atomic>
#include <cwchar>
#include <vector>

#include "core/Handles.h"
#include "core/KeyNames.h"
#include "core/WineFolders.h"
#include "pure/TextRules.h"

namespace backup {
namespace {

std::atomic<HiveRestoreFn> g_override{nullptr};

RestoreStatus Failed(RestoreStatus::Stage stage, LONG code)
{
    RestoreStatus s;
    s.stage = stage;
    s.code = code;
    return s;
}

constexpr wchar_t kTemporaryPrefix[] = L"TamselRestore_";

// A name for the temporary hive that no other restore uses at the same time.
std::wstring TemporaryHiveName()
{
    static std::atomic<unsigned> counter{0};
    return kTemporaryPrefix + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount()) +
           L"_" + std::to_wstring(++counter);
}

constexpr wchar_t kLinkValue[] = L"SymbolicLinkValue";

// The target a link key points at (its REG_LINK value); empty for an
// ordinary key. Wine keeps such keys inside the class root (the 32-bit
// view's AppID, TypeLib, ...), and following one would reach the key it
// names.
std::wstring LinkTarget(HKEY key)
{
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(key, kLinkValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_LINK ||
        size == 0)
        return std::wstring();
    std::wstring target(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, kLinkValue, nullptr, &type, reinterpret_cast<BYTE*>(target.data()), &size) !=
        ERROR_SUCCESS)
        return std::wstring();
    target.resize(size / sizeof(wchar_t));
    while (!target.empty() && target.back() == L'\0') target.pop_back();
    return target;
}

// A subkey opened as itself: a link key is not followed.
LONG OpenUnfollowed(HKEY parent, const wchar_t* name, REGSAM access, UniqueHKey& out)
{
    LONG rc = RegOpenKeyExW(parent, name, REG_OPTION_OPEN_LINK, access, out.put());
    if (rc != ERROR_SUCCESS) out.release();
    return rc;
}

// Deletes the key behind an open handle (a link key itself, not its target).
LONG DeleteOpenKey(HKEY key)
{
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    static const NtDeleteKeyFn deleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    if (!deleteKey) return ERROR_PROC_NOT_FOUND;
    return deleteKey(key) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Removes every value and subkey of `key`, depth first; a link key below it
// is removed as a link and never followed, so the key it names stays. Each
// subkey is opened in `view` again: a handle's view does not carry over to
// keys opened below it.
LONG EmptyKey(HKEY key, REGSAM view)
{
    std::vector<wchar_t> value(16384);  // the longest value name, on the heap: this recurses
    for (;;) {
        DWORD length = static_cast<DWORD>(value.size());
        LONG rc = RegEnumValueW(key, 0, value.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return rc;
        rc = RegDeleteValueW(key, value.data());
        if (rc != ERROR_SUCCESS) return rc;
    }
    for (;;) {
        wchar_t name[256];
        DWORD length = 256;
        LONG rc = RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        UniqueHKey sub;
        rc = OpenUnfollowed(key, name, KEY_ALL_ACCESS | view, sub);
        if (rc != ERROR_SUCCESS) return rc;
        if (LinkTarget(sub.get()).empty()) {
            rc = EmptyKey(sub.get(), view);
            if (rc != ERROR_SUCCESS) return rc;
        }
        rc = DeleteOpenKey(sub.get());
        if (rc != ERROR_SUCCESS) return rc;
    }
}

// Makes `name` below `to` a link to `target`, as the saved key was.
LONG CreateLink(HKEY to, const wchar_t* name, const std::wstring& target, REGSAM view)
{
    UniqueHKey link;
    LONG rc = RegCreateKeyExW(to, name, 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | view, nullptr,
                              link.put(), nullptr);
    if (rc != ERROR_SUCCESS) {
        link.release();
        return rc;
    }
    return RegSetValueExW(link.get(), kLinkValue, 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                          static_cast<DWORD>(target.size() * sizeof(wchar_t)));
}

// Copies every value and subkey of `from` into `to`, each value with
// exactly its stored bytes. RegCopyTreeW is not exact: the value writer adds
// a terminator to a string whose data ends without one when the character
// after it in the buffer is a null, so "abc" stored in 6 bytes came back in
// 8. Here the buffer goes on with a non-null sentinel past the data.
LONG CopyTreeExactly(HKEY from, HKEY to, REGSAM view)
{
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
    LONG rc = RegQueryInfoKeyW(from, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                               &maxValueName, &maxData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<wchar_t> name(maxValueName + 2);
    std::vector<BYTE> data(maxData + 4);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size() - 4);
        DWORD type = REG_NONE;
        rc = RegEnumValueW(from, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (rc != ERROR_SUCCESS) return rc;
        for (DWORD b = size; b < size + 4; ++b) data[b] = 0xFF;
        rc = RegSetValueExW(to, name.data(), 0, type, size ? data.data() : nullptr, size);
        if (rc != ERROR_SUCCESS) return rc;
    }
    std::vector<wchar_t> subName(maxSubKey + 2);
    for (DWORD i = 0; i < subKeys; ++i) {
        DWORD length = static_cast<DWORD>(subName.size());
        rc = RegEnumKeyExW(from, i, subName.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        UniqueHKey source, target;
        rc = OpenUnfollowed(from, subName.data(), KEY_READ, source);
        if (rc != ERROR_SUCCESS) return rc;
        const std::wstring link = LinkTarget(source.get());
        if (!link.empty()) {
            rc = CreateLink(to, subName.data(), link, view);
            if (rc != ERROR_SUCCESS) return rc;
            continue;
        }
        rc = RegCreateKeyExW(to, subName.data(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, target.put(),
                             nullptr);
        if (rc != ERROR_SUCCESS) {
            target.release();
            return rc;
        }
        rc = CopyTreeExactly(source.get(), target.get(), view);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

// True when no process of that id runs (any more).
bool ProcessGone(DWORD pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// A restore killed while it copied leaves its temporary hive loaded; the
// next restore unloads those of processes that are gone.
void UnloadAbandonedHives()
{
    for (HKEY root : {HKEY_USERS, HKEY_LOCAL_MACHINE}) {
        std::vector<std::wstring> abandoned;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(root, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            const std::wstring key(name, length);
            if (key.rfind(kTemporaryPrefix, 0) != 0) continue;
            const std::wstring rest = key.substr(wcslen(kTemporaryPrefix));
            const size_t end = rest.find(L'_');
            if (end == 0 || end == std::wstring::npos || rest.find_first_not_of(L"0123456789") != end) continue;
            const DWORD pid = static_cast<DWORD>(std::wcstoul(rest.substr(0, end).c_str(), nullptr, 10));
            if (pid != GetCurrentProcessId() && ProcessGone(pid)) abandoned.push_back(key);
        }
        for (const std::wstring& key : abandoned) RegUnLoadKeyW(root, key.c_str());
    }
}

// No recorded name (an older index) accepts any key.
bool IsNamed(HKEY key, const std::wstring& systemName)
{
    return systemName.empty() || pure::EqualsNoCase(regkey::SystemNameOf(key), systemName);
}

}  // namespace

RestoreStatus RestoreWithRegRestoreKey(HKEY root, const std::wstring& subKey, REGSAM view,
                                       const std::wstring& hiveFile, const std::wstring& systemName)
{
    UniqueHKey key;
    LONG rc = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_BACKUP_RESTORE,
                              KEY_WRITE | KEY_QUERY_VALUE | view,
                              nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) {
        key.release();
        return Failed(RestoreStatus::KeyFailed, rc);
    }
    // Whether the backup-and-restore option keeps the view flags is not
    // documented: the key must be the one that was saved.
    if (!IsNamed(key.get(), systemName)) return Failed(RestoreStatus::ElsewhereKey, ERROR_INVALID_HANDLE);
    rc = RegRestoreKeyW(key.get(), hiveFile.c_str(), REG_FORCE_RESTORE);
    if (rc != ERROR_SUCCESS) return Failed(RestoreStatus::RestoreFailed, rc);
    return RestoreStatus();
}

RestoreStatus RestoreByLoadAndCopy(HKEY root, const std::wstring& subKey, REGSAM view,
                                   const std::wstring& hiveFile, const std::wstring& systemName)
{
    UnloadAbandonedHives();
    // Load first: a file that cannot be loaded must leave the target alone.
    HKEY hiveRoot = HKEY_USERS;
    const std::wstring temp = TemporaryHiveName();
    LONG rc = RegLoadKeyW(hiveRoot, temp.c_str(), hiveFile.c_str());
    if (rc != ERROR_SUCCESS) {
        hiveRoot = HKEY_LOCAL_MACHINE;
        LONG rc2 = RegLoadKeyW(hiveRoot, temp.c_str(), hiveFile.c_str());
        if (rc2 != ERROR_SUCCESS) return Failed(RestoreStatus::RestoreFailed, rc);
    }
    RestoreStatus status;
    {
        UniqueHKey source;
        rc = RegOpenKeyExW(hiveRoot, temp.c_str(), 0, KEY_READ, source.put());
        if (rc != ERROR_SUCCESS) {
            source.release();
            status = Failed(RestoreStatus::RestoreFailed, rc);
        } else {
            UniqueHKey target;
            rc = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, target.put(),
                                 nullptr);
            if (rc != ERROR_SUCCESS) {
                target.release();
                status = Failed(RestoreStatus::KeyFailed, rc);
            } else if (!IsNamed(target.get(), systemName)) {
                status = Failed(RestoreStatus::ElsewhereKey, ERROR_INVALID_HANDLE);
            } else {
                rc = EmptyKey(target.get(), view);
                if (rc == ERROR_SUCCESS) rc = CopyTreeExactly(source.get(), target.get(), view);
                if (rc != ERROR_SUCCESS) status = Failed(RestoreStatus::RestoreFailed, rc);
            }
        }
    }
    RegUnLoadKeyW(hiveRoot, temp.c_str());
    return status;
}

bool RunningUnderWine()
{
    return wine::IsRunningUnderWine();
}

HiveRestoreFn ActiveHiveRestore()
{
    if (HiveRestoreFn fn = g_override.load()) return fn;
    static const bool wine = RunningUnderWine();
    return wine ? RestoreByLoadAndCopy : RestoreWithRegRestoreKey;
}

void SetHiveRestoreForTests(HiveRestoreFn fn)
{
    g_override.store(fn);
}

}  // namespace backup
