#include "pure/DefragOutcome.h"

namespace pure {

std::wstring DefragOutcomeText(bool stopped, const std::vector<std::wstring>& failedHives, bool restartNeeded)
{
    if (!stopped && failedHives.empty()) return restartNeeded ? kDefragSucceededText : L"Finished successfully.";
    std::wstring text = stopped ? L"Stopped." : L"Finished with errors.";
    if (!failedHives.empty()) {
        text += L" Not compacted: ";
        for (size_t i = 0; i < failedHives.size(); ++i) text += (i ? L", " : L"") + failedHives[i];
        text += L".";
    }
    text += restartNeeded ? L" Please restart your computer to swap in the hives compacted so far."
                          : L" Nothing waits for a restart.";
    return text;
}

}  // namespace pure
