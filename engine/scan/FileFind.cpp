#include "scan/FileFind.h"

#include <atomic>

#include "core/Handles.h"
#include "core/SysCalls.h"
#include "pure/LongPath.h"

namespace scan {
namespace {

DWORD SearchNow(const std::wstring& searchText)
{
    WIN32_FIND_DATAW data;
    UniqueFindHandle search(sys::FindFirst(searchText.c_str(), &data));
    if (search) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    // A failed search that names no error cannot be told apart from any
    // other failure.
    return error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error;
}

std::atomic<FileFinder> g_finder{&SearchNow};

}  // namespace

std::wstring SearchTextOf(const std::wstring& path)
{
    if (path.size() <= pure::kMaxShortPath) return path;
    std::wstring longForm = pure::LongPathForm(path);
    return longForm.empty() ? path : longForm;
}

DWORD FindFileError(const std::wstring& path)
{
    return g_finder.load()(SearchTextOf(path));
}

FileFinder SetFileFinderForTests(FileFinder finder)
{
    return g_finder.exchange(finder ? finder : &SearchNow);
}

}  // namespace scan
