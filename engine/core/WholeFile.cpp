#include "core/WholeFile.h"

#include "core/Handles.h"

namespace files {
namespace {

DWORD LastErrorOr(DWORD fallback)
{
    const DWORD e = GetLastError();
    return e != ERROR_SUCCESS ? e : fallback;
}

DWORD Flush(const std::wstring& file)
{
    UniqueFile handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!handle) return LastErrorOr(ERROR_OPEN_FAILED);
    return FlushFileBuffers(handle.get()) ? ERROR_SUCCESS : LastErrorOr(ERROR_WRITE_FAULT);
}

}  // namespace

std::wstring TemporaryFor(const std::wstring& target) { return target + L".new"; }

DWORD ReplaceWith(const std::wstring& temporary, const std::wstring& target)
{
    DWORD error = Flush(temporary);
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = LastErrorOr(ERROR_WRITE_FAULT);
    if (error != ERROR_SUCCESS) DeleteFileW(temporary.c_str());
    return error;
}

DWORD WriteWhole(const std::wstring& target, const std::vector<uint8_t>& bytes)
{
    const std::wstring temporary = TemporaryFor(target);
    {
        UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return LastErrorOr(ERROR_OPEN_FAILED);
        DWORD done = 0;
        if (!bytes.empty() &&
            (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
             done != bytes.size())) {
            const DWORD error = LastErrorOr(ERROR_WRITE_FAULT);
            file.reset();
            DeleteFileW(temporary.c_str());
            return error;
        }
    }
    return ReplaceWith(temporary, target);
}

}  // namespace files
