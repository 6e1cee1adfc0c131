// The progress line that a console shows while a scan runs, rewritten in
// place with a carriage return.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

// "[2/12] COM/ActiveX Entries: 1234 items  <item text>", cut to fit in
// `width` columns less one (so the console never wraps) and padded with
// spaces to that width so that it covers the previous line. The item text
// is cut at its front, where paths are alike.
std::wstring ProgressLine(int position, int total, std::wstring_view category, int64_t examined,
                          std::wstring_view item, int width);

// One line of --progress=json (without its line break), UTF-8:
// {"category":"...","itemsExamined":N,"problems":N} with the scan's totals
// so far, and ,"done":true when the category is done.
std::string ProgressJson(std::wstring_view category, int64_t examined, int problems, bool done);

// The line written when a category is done.
std::wstring CategoryDoneLine(int position, int total, std::wstring_view category, int problems,
                              int64_t examined);

}  // namespace cli
