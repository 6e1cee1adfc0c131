#include <gtest/gtest.h>

#include "pure/DefragOutcome.h"

using pure::DefragOutcomeText;

TEST(DefragOutcome, SuccessIsSaidOnlyWhenNothingStoppedOrFailed)
{
    const std::vector<std::wstring> none, two = {L"\\REGISTRY\\MACHINE\\SAM", L"\\REGISTRY\\USER\\S-1"};
    struct Case {
        bool stopped;
        const std::vector<std::wstring>* failed;
        bool restart;
        const wchar_t* text;
    } cases[] = {
        {false, &none, true, L"Finished successfully.Please restart your computer."},
        {false, &none, false, L"Finished successfully."},
        {true, &none, true, L"Stopped. Please restart your computer to swap in the hives compacted so far."},
        {true, &none, false, L"Stopped. Nothing waits for a restart."},
        {false, &two, true,
         L"Finished with errors. Not compacted: \\REGISTRY\\MACHINE\\SAM, \\REGISTRY\\USER\\S-1. Please restart your "
         L"computer to swap in the hives compacted so far."},
        {true, &two, false,
         L"Stopped. Not compacted: \\REGISTRY\\MACHINE\\SAM, \\REGISTRY\\USER\\S-1. Nothing waits for a restart."},
    };
    for (const Case& c : cases) {
        const std::wstring text = DefragOutcomeText(c.stopped, *c.failed, c.restart);
        EXPECT_EQ(text, c.text);
        if (c.stopped || !c.failed->empty()) {
            EXPECT_EQ(text.find(L"successfully"), std::wstring::npos);
        }
    }
}
