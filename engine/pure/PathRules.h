// How a file path is found inside registry data and how it is cut until
// something on disk answers. Pure text rules: the existence test is the
// caller's.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "pure/Presence.h"

namespace pure {

// The drive-path expression, ECMAScript grammar: a drive letter and a colon
// followed by one or more groups of a backslash and characters that cannot
// appear in a file name component.
inline constexpr wchar_t kDrivePathPattern[] = L"([a-zA-Z]:(\\\\([^/;:?\"><\\*'\\\\]+))+)";

// A found path is at most this long: the search starts where the first
// possible match starts, so a path is found anywhere in the text, but only
// this many characters from there are matched; no path the file search
// accepts comes near this length.
inline constexpr size_t kMaxPathMatch = 1024;

// The leftmost, greedy match of kDrivePathPattern in `text` (cut at
// kMaxPathMatch characters), found without a regular expression engine.
// False when there is none.
bool FindDrivePath(std::wstring_view text, std::wstring& path);

// Leading and trailing spaces, tabs, line feeds, vertical tabs, form feeds and
// carriage returns removed.
std::wstring_view TrimSpace(std::wstring_view text);

using ExistsFn = std::function<Presence(const std::wstring& path)>;

// Whether `path`, or a file path recognisable inside it, exists: the whole
// trimmed path; the part before the first comma (else the first slash); that
// part cut right after its first ".EXE" or ".DLL"; its folder when the
// folder's own name looks like a file name. An empty path counts as existing.
// The first candidate found present ends the search; the path is missing
// only when every candidate tried is surely missing, and unknown when one of
// them could not be told.
Presence PathExistsByCuts(std::wstring_view path, const ExistsFn& exists);

// The expanded form of a text that names %ProgramFiles%: every
// "Program Files (x86)" becomes "Program Files", so the native program folder
// is the one tested. Texts that do not name the variable are returned as
// expanded.
std::wstring NativeProgramFiles(std::wstring_view source, std::wstring_view expanded);

// Data as a 32-bit program would expand it: %ProgramFiles% and
// %CommonProgramFiles% (any case) become their "(x86)" variables.
std::wstring ProgramFilesVariablesAs32Bit(std::wstring_view text);

// A path as a 32-bit program's file system redirection sees it: the system
// folder below `windowsDir` becomes SysWOW64 (except the folders redirection
// leaves alone), and "Sysnative" becomes the real system folder.
std::wstring SystemFolderAs32Bit(std::wstring_view path, std::wstring_view windowsDir);

}  // namespace pure
