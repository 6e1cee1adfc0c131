// The summary of the last scan in .\LastScan.ini, section "ScanStatus":
// "Performed", "ErrorsCount", "FixedCount" and "RemainCount". The selection
// page writes it after a scan, the clean page after a fix, the main menu
// page reads it.
#pragma once

#include <string>

namespace ui::lastscan {

inline constexpr wchar_t kPerformed[] = L"Performed";
inline constexpr wchar_t kErrorsCount[] = L"ErrorsCount";
inline constexpr wchar_t kFixedCount[] = L"FixedCount";
inline constexpr wchar_t kRemainCount[] = L"RemainCount";

// The value of `key`, read with a 50-character buffer; empty when the file or
// the key is missing.
std::wstring Read(const wchar_t* key);
// False when the file could not be written.
bool Write(const wchar_t* key, const std::wstring& value);
bool Write(const wchar_t* key, int value);

}  // namespace ui::lastscan
