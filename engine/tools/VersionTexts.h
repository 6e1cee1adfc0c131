// A file's "FileDescription" and "ProductName" version strings.
#pragma once

#include <string>

namespace tools {

struct VersionTexts {
    std::wstring description;
    std::wstring product;
};

// Both empty when the file has no version resource or no translation. Each
// text keeps at most capacity - 1 characters.
VersionTexts GetVersionTexts(const std::wstring& path, size_t capacity = 260);

}  // namespace tools
