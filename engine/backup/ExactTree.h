// Making one open registry key hold exactly what another holds: the step of
// the load-and-copy restore that puts a loaded hive's contents over its
// target.
#pragma once

#include <windows.h>

namespace backup {

// Every key below a restore's target, and every key of a loaded hive, is
// opened as exactly the key it is. Without KEY_WOW64_64KEY a 32-bit process
// under Wine is sent to a key's "Wow6432Node" child whenever it has one (the
// loaded copy of Software\Classes opens as its 32-bit branch), and a child
// created after a "Wow6432Node" sibling lands inside it. The restore's view
// chooses the target only; a 64-bit process, and 32-bit Windows, take the
// flag as a plain open.
inline constexpr REGSAM kExactKey = KEY_WOW64_64KEY;

// Makes `to` hold exactly the values and subkeys of `from`: each value with
// its stored bytes and type, each link key as a link to the same target
// (never followed, neither in `from` nor in `to`), names with their case.
// A subkey both hold as the same kind of key is brought up to date where it
// is, not deleted and made again: Wine keeps facts of its own on some keys
// (Software\Classes\Wow6432Node is shared with the 64-bit classes only while
// it is the key the server made at start), and other processes' handles to
// such keys stay valid. Everything `to` holds that `from` does not is
// deleted. Stops at the first failure and returns its code.
LONG MakeTreeEqual(HKEY from, HKEY to);

}  // namespace backup
