#include "core/RegistryKey.h"

#include "core/ReportBox.h"
#include "core/SysCalls.h"

namespace regkey {

UniqueHKey OpenKey(HKEY root, const std::wstring& path, int view, const wchar_t* context, LONG* error)
{
    UniqueHKey key;
    LONG rc = sys::OpenKey(root, path.c_str(), KEY_READ | static_cast<REGSAM>(view), key.put());
    if (error) *error = rc;
    if (rc == ERROR_SUCCESS) return key;
    key.release();
    if (rc != ERROR_FILE_NOT_FOUND) report::ShowError(static_cast<DWORD>(rc), context);
    return UniqueHKey();
}

}  // namespace regkey
