// The last status text of a defragmentation run: it says whether the run
// was stopped, names every hive that could not be compacted, and asks for
// the restart only when a compacted hive waits for it.
#pragma once

#include <string>
#include <vector>

namespace pure {

inline constexpr wchar_t kDefragSucceededText[] = L"Finished successfully.Please restart your computer.";

std::wstring DefragOutcomeText(bool stopped, const std::vector<std::wstring>& failedHives, bool restartNeeded);

}  // namespace pure
