#include <gtest/gtest.h>

#include <string>

#include "report/ReportFile.h"
#include "support/TestEnv.h"

TEST(ReportFile, ReadsWholeFilesUpToTheCap)
{
    testenv::ScratchDir dir(L"reportfile");
    dir.Write(L"empty.json", "");
    const std::string report = "{\"results\":[]}";  // 14 bytes: the cap below
    dir.Write(L"report.json", report);
    dir.Write(L"longer.json", report + "\n");
    const struct {
        const wchar_t* name;
        bool ok;
        std::string data;
    } cases[] = {
        {L"empty.json", true, ""},
        {L"report.json", true, report},  // exactly the cap
        {L"longer.json", false, ""},     // one byte past it: refused, not cut
        {L"missing.json", false, ""},
    };
    for (const auto& c : cases) {
        std::string data = "left over";
        EXPECT_EQ(report::ReadCappedFile(dir.File(c.name), data, 14), c.ok) << testenv::WideToUtf8(c.name);
        EXPECT_EQ(data, c.data) << testenv::WideToUtf8(c.name);
    }
}
