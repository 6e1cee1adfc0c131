#include <gtest/gtest.h>

#include <windows.h>

#include "cli/pure/ReportAnswer.h"

// Nobody answers an engine box in the console tool: a notice is taken, a
// question gets the answer that changes nothing.
TEST(ReportAnswer, NoticesAreTakenAndQuestionsDeclined)
{
    struct Case {
        unsigned flags;
        int answer;
    } cases[] = {
        {MB_OK, IDOK},
        {MB_OK | MB_ICONERROR, IDOK},
        {MB_YESNO | MB_ICONQUESTION, IDNO},
        {MB_YESNOCANCEL, IDCANCEL},
        {MB_OKCANCEL | MB_DEFBUTTON1, IDCANCEL},
        {MB_RETRYCANCEL, IDCANCEL},
        {MB_ABORTRETRYIGNORE, IDABORT},
        {MB_CANCELTRYCONTINUE, IDCANCEL},
    };
    for (const Case& c : cases) EXPECT_EQ(cli::SafeAnswer(c.flags), c.answer) << c.flags;
}
