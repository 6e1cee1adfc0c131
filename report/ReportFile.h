// Reading a report file whole. Reports are named by users (--compare) or
// kept beside the program, so a file of any size may turn up: past the cap
// it is refused instead of read.
#pragma once

#include <string>

namespace report {

inline constexpr long long kMaxReportBytes = 256ll << 20;

// The file's bytes; false (and no data) when it cannot be opened or read,
// or is larger than maxBytes.
bool ReadCappedFile(const std::wstring& path, std::string& data, long long maxBytes = kMaxReportBytes);

}  // namespace report
