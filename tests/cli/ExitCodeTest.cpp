#include <gtest/gtest.h>

#include "cli/pure/ExitCode.h"

TEST(ExitCode, ShownProblemsAndStopDecide)
{
    report::ProblemInfo shown;
    report::ProblemInfo ignored;
    ignored.ignored = 1;
    struct Case {
        std::vector<report::ProblemInfo> problems;
        bool stopped;
        int code;
    };
    const Case cases[] = {
        {{}, false, 0},
        {{ignored}, false, 0},  // only an ignored one: nothing shown
        {{ignored, shown}, false, 1},
        {{shown}, true, 2},
        {{}, true, 2},
    };
    for (const Case& c : cases) {
        report::ScanReport r;
        r.results.push_back({L"Application Paths", 0, 0, 0, 0, 0, c.problems, 0, {}});
        r.stopped = c.stopped;
        EXPECT_EQ(cli::ExitCodeFor(r), c.code) << c.problems.size() << " problems, stopped " << c.stopped;
    }
}
