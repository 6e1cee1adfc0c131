// The programs Windows starts at log-on, as they stand in the Run keys.
#pragma once

#include "core/RegEngine.h"

namespace startup {

// The view every access to the Run and StartupApproved keys names: the
// 64-bit one on 64-bit Windows (the 32-bit keys are reached through their
// Wow6432Node paths, from either build).
REGSAM RunKeyView(const CRegEngine& engine);

// Appends one item per string value of each Run key, in key order; keys that
// cannot be opened contribute nothing. On 64-bit Windows each machine key is
// followed by its 32-bit twin.
void AppendRunKeyItems(const CRegEngine& engine, PtrArray<StartupItem>& out);

enum class DeleteResult { kDeleted, kNotFound, kFailed };

// Deletes the item's Run value. Only the managed Run keys are touched; any
// other root or key fails.
DeleteResult DeleteRunValue(const CRegEngine& engine, const StartupItem& item);

// Writes the item's Run value back with its recorded type; false for a key
// that is not one of the managed Run keys or when the write fails.
bool WriteRunValue(const CRegEngine& engine, const StartupItem& item);

enum class ReadResult { kAbsent, kPresent, kFailed };

// Reads the item's Run value as it stands now: its text (up to the first
// terminator) and type. kFailed when the key or value cannot be read, or
// the value is not a string.
ReadResult ReadRunValue(const CRegEngine& engine, const StartupItem& item, std::wstring& text, DWORD& type);

}  // namespace startup
