#include "backup/HiveRestore.h"

#include <atomic>
#include <cwchar>
#include <vector>

#include "backup/ExactTree.h"
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
        rc = RegOpenKeyExW(hiveRoot, temp.c_str(), 0, KEY_READ | kExactKey, source.put());
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
                rc = MakeTreeEqual(source.get(), target.get());
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
