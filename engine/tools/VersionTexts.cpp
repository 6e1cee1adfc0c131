#include "tools/VersionTexts.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace tools {
namespace {

std::wstring QueryString(const std::vector<BYTE>& block, WORD language, WORD codePage, const wchar_t* name,
                         size_t capacity)
{
    wchar_t query[80];
    swprintf(query, 80, L"\\StringFileInfo\\%04x%04x\\%ls", language, codePage, name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), query, &value, &length) || !value || length == 0) return std::wstring();
    std::wstring text(static_cast<const wchar_t*>(value), length);
    text.resize(wcsnlen(text.c_str(), text.size()));  // the length counts the terminator
    if (capacity > 0 && text.size() > capacity - 1) text.resize(capacity - 1);
    return text;
}

}  // namespace

VersionTexts GetVersionTexts(const std::wstring& path, size_t capacity)
{
    VersionTexts out;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return out;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return out;
    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) || !value ||
        length < sizeof(Translation))
        return out;
    const Translation* first = static_cast<const Translation*>(value);
    out.description = QueryString(block, first->language, first->codePage, L"FileDescription", capacity);
    out.product = QueryString(block, first->language, first->codePage, L"ProductName", capacity);
    return out;
}

}  // namespace tools
