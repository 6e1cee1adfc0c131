// Tamsel's own files are replaced whole or not at all: the new contents go
// to a temporary file beside the target, which is flushed and then renamed
// over it in one step, so a crash or a full disk leaves the old file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace files {

// The temporary name a replacement is written under first.
std::wstring TemporaryFor(const std::wstring& target);

// Flushes `temporary` and renames it over `target` (which need not exist).
// ERROR_SUCCESS, or the failing call's error; on failure the temporary file
// is deleted and the target is as it was.
DWORD ReplaceWith(const std::wstring& temporary, const std::wstring& target);

// Writes `bytes` as the whole of `target` through its temporary file.
DWORD WriteWhole(const std::wstring& target, const std::vector<uint8_t>& bytes);

}  // namespace files
