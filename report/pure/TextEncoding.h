// UTF-16 text of the engine to UTF-8 and to JSON string literals.
// std::wstring holds UTF-16 code units here (Windows): a surrogate pair is
// one character, a surrogate without its partner is kept visible.
#pragma once

#include <string>
#include <string_view>

namespace report {

// UTF-8; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);

// A quoted JSON string in UTF-8: quote and backslash escaped, control
// characters as \u00XX, surrogate pairs as one UTF-8 character, a lone
// surrogate as its \uXXXX escape so the value survives unchanged.
std::string JsonString(std::wstring_view text);

// A line of plain text for the console: control characters (line breaks,
// tabs, NUL inside registry data) shown as <U+000A> so one field stays on
// one line.
std::wstring PrintableText(std::wstring_view text);

}  // namespace report
