// Paths longer than MAX_PATH. The file functions take them only in the
// "\\?\" form, which the system uses exactly as written: no "/" is read as a
// separator and no "." or ".." is resolved. So the long form is made from
// the path normalised the way the system normalises a short one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pure {

// The most characters a path may have in its short form (MAX_PATH less the
// terminator).
inline constexpr size_t kMaxShortPath = 259;

// "\\?\C:\a\b" for "C:\a\b", "\\?\UNC\server\share\a" for
// "\\server\share\a"; a path already in the "\\?\" form is kept. Separators
// ("/" too, and runs of them) become one backslash, "." components go, ".."
// removes the component before it (never the drive or the share), and the
// last component loses its trailing spaces and dots. Empty for a path that
// is not absolute ("a\b", "C:a", "\a", "\\server"): it has no long form.
std::wstring LongPathForm(std::wstring_view path);

}  // namespace pure
