// Pure rules of the shortcut folder walk (which folder entries are entered)
// and of which paths can be tested at all.
#pragma once

#include <string_view>

namespace pure {

inline constexpr unsigned long kAttributeDirectory = 0x10;     // FILE_ATTRIBUTE_DIRECTORY
inline constexpr unsigned long kAttributeReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT
inline constexpr size_t kShortcutPathCapacity = 260;            // characters with the terminator

// A directory entry the walk may queue: a directory, its name not beginning
// with ".", not a junction or symbolic link (those lead out of the tree or
// round in a loop), and its full path short enough for the walk's buffers.
bool IsEnterableFolder(std::wstring_view name, unsigned long attributes, size_t fullPathLength);

// A file entry whose name ends with ".lnk" (any case).
bool IsShortcutName(std::wstring_view name);

// Where a path points: the scan judges no path on a network share and only
// paths on drives that are fixed and ready. The long forms "\\?\X:\..."
// and "\\?\UNC\..." count as the drive and the share they name.
enum class TargetPlace {
    Unc,    // \\server\share...: cannot be checked now
    Drive,  // "X:" first: checkable when the drive is a fixed drive that is ready
    Other,  // anything else: left to the path test
};
TargetPlace PlaceOfTarget(std::wstring_view target, wchar_t& driveLetter);

// The folder a shortcut folder setting names once expanded: the text before
// its last backslash (so "...\Desktop\" is the desktop and "...\Desktop" its
// parent); a text without a backslash is kept.
std::wstring_view ShortcutStartFolder(std::wstring_view expanded);

}  // namespace pure
