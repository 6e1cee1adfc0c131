// The IgnoreList.dat layout: 32-bit little-endian integers and counted UTF-16
// strings (0xFF, 0xFFFE, then the length in one of three forms, then the code
// units). The reader checks every count and length against the bytes left,
// so a truncated or hostile file is rejected without reading past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pure {

struct IgnoreEntryData {
    std::wstring rootName;
    std::wstring keyPath;
    std::wstring valueName;
    std::wstring message;
    int32_t selected = 0;
    int32_t is64View = 0;
};

struct IgnoreGroupData {
    std::wstring name;
    int32_t fixedCount = 0;
    int32_t entryCount = 0;  // the group's ignored-count field
    int32_t problemCount = 0;
    int32_t notFixedCount = 0;
    int32_t fixState = 0;
    std::vector<IgnoreEntryData> entries;
};

// Each wchar_t is written as one 16-bit code unit (UTF-16 on Windows).
void AppendCountedString(std::vector<uint8_t>& out, std::wstring_view text);
void AppendInt32(std::vector<uint8_t>& out, int32_t value);

std::vector<uint8_t> EncodeIgnoreList(const std::vector<IgnoreGroupData>& groups);

enum class DecodeResult { Ok, Corrupt };

// Empty input is an empty list. On Corrupt `groups` is left empty. Bytes after
// the last group make the file corrupt too: it is not one this code wrote.
DecodeResult DecodeIgnoreList(const uint8_t* data, size_t size, std::vector<IgnoreGroupData>& groups);

}  // namespace pure
