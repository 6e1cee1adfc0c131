// Names of the backup store: stamps, index file names, hive file names, and
// the rules that keep a name from reaching outside the store.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pure {

inline constexpr wchar_t kIndexExtension[] = L".regbak";
inline constexpr wchar_t kHiveExtension[] = L".bakdat";
inline constexpr size_t kBackupNameLength = 23;  // 14 digits, "-f"/"-p", ".regbak"
inline constexpr size_t kBaseNameLength = 16;

// "%04d%02d%02d%02d%02d%02d"; empty when a field is out of range, so a stamp
// is always exactly 14 digits.
std::wstring MakeStamp(int year, int month, int day, int hour, int minute, int second);

// stamp + "-f" or "-p".
std::wstring BaseName(std::wstring_view stamp, bool partial);

// Listing rule: 0 for "...f.regbak", 1 for "...p.regbak", -1 for any other
// name (case-sensitive extension; length not checked).
int ListedKind(std::wstring_view fileName);

// A backup name restore and deletion accept: exactly 23 characters, 14
// digits, "-f" or "-p", ".regbak". Nothing else can form a path outside the
// store.
bool IsValidBackupName(std::wstring_view name);

// A hive file name from an index file, accepted only in the shape the store
// makes them (HiveFileName): four letters or digits, one to ten decimal
// digits, ".bakdat". Nothing else can name a path elsewhere or a device
// ("CON.bakdat", "NUL.bakdat").
bool IsSafeHiveFileName(std::wstring_view name);

// Four characters of 0-9A-Za-z chosen by the four numbers (each modulo 62),
// the tick count in decimal, ".bakdat".
std::wstring HiveFileName(const uint32_t (&random)[4], uint32_t tickCount);

// A shortcut copy's name in a data folder: "S", decimal digits, ".lnk".
bool IsStoredShortcutName(std::wstring_view name);

// Where a stored shortcut may go back to: a full drive path ("C:\...")
// ending in ".lnk" (any case), with no "." or ".." component.
bool IsRestorableShortcutPath(std::wstring_view path);

// One of the five predefined root names (exact case).
bool IsFixedRootName(std::wstring_view name);

// True when `saved` names the same key as `key` or one of its ancestors:
// case-insensitive, and only on a backslash boundary (Software\A covers
// Software\A\B, not Software\AB).
bool CoversKey(std::wstring_view saved, std::wstring_view key);

// Splits at the last backslash: parent (empty when there is none) and name.
void SplitKeyPath(std::wstring_view path, std::wstring& parent, std::wstring& name);

// A registry key path the platform can take: every component at most 255
// characters, the whole at most 32767, no empty component.
bool IsUsableKeyPath(std::wstring_view path);

}  // namespace pure
