#include "backup/HiveRestore.h"

#include <atomic>

#include "core/Handles.h"

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

// A name for the temporary hive that no other restore uses at the same time.
std::wstring TemporaryHiveName()
{
    static std::atomic<unsigned> counter{0};
    return L"TamselRestore_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount()) +
           L"_" + std::to_wstring(++counter);
}

}  // namespace

RestoreStatus RestoreWithRegRestoreKey(HKEY root, const std::wstring& subKey, REGSAM view,
                                       const std::wstring& hiveFile)
{
    UniqueHKey key;
    LONG rc = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_BACKUP_RESTORE, KEY_WRITE | view,
                              nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) {
        key.release();
        return Failed(RestoreStatus::KeyFailed, rc);
    }
    rc = RegRestoreKeyW(key.get(), hiveFile.c_str(), REG_FORCE_RESTORE);
    if (rc != ERROR_SUCCESS) return Failed(RestoreStatus::RestoreFailed, rc);
    return RestoreStatus();
}

RestoreStatus RestoreByLoadAndCopy(HKEY root, const std::wstring& subKey, REGSAM view,
                                   const std::wstring& hiveFile)
{
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
            } else {
                rc = RegDeleteTreeW(target.get(), nullptr);
                if (rc == ERROR_SUCCESS) rc = RegCopyTreeW(source.get(), nullptr, target.get());
                if (rc != ERROR_SUCCESS) status = Failed(RestoreStatus::RestoreFailed, rc);
            }
        }
    }
    RegUnLoadKeyW(hiveRoot, temp.c_str());
    return status;
}

bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
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
