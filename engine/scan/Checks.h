// The validity checks the scanners share: does what a registry value names
// still exist. They only ask; nothing here changes the registry or the disk,
// records a problem or throws.
//
// Each existence check answers Present, Missing or Unknown (pure/Presence.h):
// Missing only when the system said "not there", Unknown when it would not
// say or the path is on a drive that is not judged. For an Unknown answer
// the check fills `why` (when given) with the path or key and the reason,
// for the scan report's "not checked" list.
#pragma once

#include <string>

#include "core/RegEngine.h"
#include "pure/Presence.h"
#include "pure/ScopeRules.h"

namespace scan {

using pure::Presence;

inline constexpr size_t kExpandCapacity = 16383;          // characters
inline constexpr int kShortcutTargetCapacity = 16383;     // characters

// How a file test sees the file system. Data read in the 32-bit view on
// 64-bit Windows belongs to 32-bit programs and is tested the way such a
// program sees the disk: in a 32-bit build by leaving the system's
// redirection alone; in a 64-bit build by mapping the system folder to
// SysWOW64 and %ProgramFiles%/%CommonProgramFiles% to their "(x86)"
// folders. Everything else is tested natively: "Program Files (x86)" from
// %ProgramFiles% becomes "Program Files", and a 32-bit process under WOW64
// switches redirection off around each search.
enum class FileView { Native, As32BitProgram };

FileView FileViewFor(const CRegEngine& engine, int view);

// Environment variables expanded (at most kExpandCapacity characters); the
// result is cut to capacity - 1 characters. Failures are shown and give false.
bool ExpandEnvString(const std::wstring& text, size_t capacity, std::wstring& out,
                     FileView fileView = FileView::Native);

// The first drive path inside expanded data (see pure::FindDrivePath). False
// for empty data, a failed expansion or no drive path.
bool ExtractFilePath(const std::wstring& data, std::wstring& path, FileView fileView = FileView::Native);

// Something (file or folder) exists at exactly this path; wildcards match as
// patterns, as in the system's file search. Within a scan a Present or
// Missing answer is kept for the rest of the scan (see ScanCache.h).
Presence CheckFileExist(const std::wstring& path, const CRegEngine& engine, FileView fileView = FileView::Native,
                        NotCheckedPath* why = nullptr);

// The path, or a file path recognisable inside it, exists
// (pure::PathExistsByCuts). A path on a network share, or on a drive that is
// absent or not a fixed one that answers (DriveCheck.h), is Unknown without
// a search.
Presence IsPathExist(const std::wstring& path, const CRegEngine& engine, FileView fileView = FileView::Native,
                     NotCheckedPath* why = nullptr);

using pure::IsExtensionName;
using pure::IsGuidString;

// The other registry view of a view flag.
int OtherView(int view);

// HKEY_CLASSES_ROOT\name exists in `view`, or on 64-bit Windows in the other
// view. An empty name counts as existing. Only "not found" from the key open
// is Missing; a key that exists but cannot be opened (access denied) is
// Unknown. Within a scan each key's Present or Missing answer per view is
// kept for the rest of the scan.
Presence IsClassKeyExist(const CRegEngine& engine, int view, const std::wstring& name, NotCheckedPath* why = nullptr);

// `id` is registered for `kind` ("CLSID", "TYPELIB", "APPID" or "INTERFACE",
// any case) under HKEY_CLASSES_ROOT in either view, or names the context key
// itself (it occurs in `contextPath`). An empty id or another kind: Missing.
Presence IsTypeIdExist(const std::wstring& id, const std::wstring& contextPath, const std::wstring& kind, int view,
                       const CRegEngine& engine, NotCheckedPath* why = nullptr);

// The target of a .lnk file through the shell link object. COM must be
// initialised on the calling thread. False when the object cannot be made or
// the file cannot be loaded; no message.
bool ResolveShortcut(const std::wstring& linkPath, std::wstring& target);

}  // namespace scan
