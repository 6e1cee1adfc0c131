// The record of compacted hives waiting for the restart that swaps them in.
// RegReplaceKeyW keeps no trace a program can read, and everything written to
// a hive before that restart is thrown away with it; so each queued swap is
// recorded first, in a volatile registry key that the restart itself clears.
#pragma once

#include <string>
#include <vector>

namespace defrag {

// The record is the volatile key Seams::pendingSwapKey below
// HKEY_LOCAL_MACHINE in the 64-bit view, one string value per hive: the
// hive's key name, the compacted file as data.
inline constexpr wchar_t kRestartFirstText[] =
    L"The compacted registry replaces the current one at the next restart; restart first";
inline constexpr wchar_t kRestartFirstCaption[] = L"Tamsel";

// Records that `hiveKeyName` is about to be replaced by `file`; false when
// the record could not be made (then the swap must not be queued).
bool RecordPendingSwap(const std::wstring& hiveKeyName, const std::wstring& file);
// Takes a hive out of the record again after its swap could not be queued.
void ForgetPendingSwap(const std::wstring& hiveKeyName);

enum class SwapState { kNone, kPending, kUnknown };
// kUnknown when the record exists but cannot be read. `hives` receives the
// hive key names recorded.
SwapState PendingSwaps(std::vector<std::wstring>* hives = nullptr);

// Every change to the registry asks this first: true (after the report box
// with kRestartFirstText) while a swap is pending or the record cannot be
// read, since the change would be lost at the restart.
bool RefuseWhileSwapPending();

// Tests: removes the record as a restart would.
void ClearPendingSwaps();

}  // namespace defrag
