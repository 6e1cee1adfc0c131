#include "core/RegistryKey.h"

#include "core/ReportBox.h"
#include "core/SysCalls.h"

namespace regkey {

UniqueHKey OpenKeyQuietly(HKEY root, const std::wstring& path, int view, LONG* error)
{
    UniqueHKey key;
    const LONG rc = sys::OpenKey(root, path.c_str(), KEY_READ | static_cast<REGSAM>(view), key.put());
    *error = rc;
    if (rc == ERROR_SUCCESS) return key;
    key.release();
    return UniqueHKey();
}

UniqueHKey OpenKey(HKEY root, const std::wstring& path, int view, const wchar_t* context, LONG* error)
{
    LONG rc = ERROR_SUCCESS;
    UniqueHKey key = OpenKeyQuietly(root, path, view, &rc);
    if (error) *error = rc;
    if (!key && rc != ERROR_FILE_NOT_FOUND) report::ShowError(static_cast<DWORD>(rc), context);
    return key;
}

}  // namespace regkey
