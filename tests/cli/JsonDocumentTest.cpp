// The one JSON document of a command: the facts block, and a document cut
// short by a failure in the middle of an array still parses and names the
// error.
#include <gtest/gtest.h>

#include "support/JsonCheck.h"
#include "cli/pure/JsonDocument.h"

namespace {

cli::ToolFacts Facts(bool x64, bool windows64, const wchar_t* wine)
{
    cli::ToolFacts f;
    f.version = L"1.2.3";
    f.x64Build = x64;
    f.windows64 = windows64;
    f.underWine = wine != nullptr;
    f.wineVersion = wine ? wine : L"";
    return f;
}

TEST(JsonDocument, FactsOfEachKindOfSystem)
{
    struct Case {
        bool x64, windows64;
        const wchar_t* wine;
        const wchar_t* build;
        size_t views;
    } cases[] = {
        {true, true, L"8.0", L"x64", 2},
        {false, true, nullptr, L"x86", 2},  // 32-bit build under WOW64
        {false, false, L"9.0", L"x86", 1},  // pure 32-bit Windows
    };
    for (const Case& c : cases) {
        cli::JsonDocument doc(Facts(c.x64, c.windows64, c.wine), L"backups");
        jsoncheck::Value v = jsoncheck::Parse(doc.Finish(0, L""));
        EXPECT_EQ(v["tool"]["name"].text, L"TamselCli");
        EXPECT_EQ(v["tool"]["version"].text, L"1.2.3");
        EXPECT_EQ(v["build"].text, c.build);
        EXPECT_EQ(v["windows"]["is64Bit"].boolean, c.windows64);
        if (c.wine) {
            EXPECT_EQ(v["wine"].text, c.wine);
        } else {
            EXPECT_EQ(v["wine"].kind, jsoncheck::Value::Null);
        }
        ASSERT_EQ(v["views"].items.size(), c.views);
        EXPECT_EQ(v["views"][c.views - 1].text, L"32-bit");
        EXPECT_EQ(v["command"].text, L"backups");
        EXPECT_EQ(v["exitCode"].number, 0);
        EXPECT_FALSE(v.Has("error"));
    }
}

TEST(JsonDocument, FailureMidwayKeepsWhatWasGatheredAndNamesTheError)
{
    cli::JsonDocument doc(Facts(true, true, nullptr), L"");
    report::JsonWriter& w = doc.Body();
    w.Key("backups").BeginArray().BeginObject().Member("name", L"a-f.regbak").Key("kind");
    jsoncheck::Value v = jsoncheck::Parse(doc.Finish(2, L"restoring 'x' failed", L"Restore: \"x\" <U+000A>"));
    EXPECT_EQ(v["command"].kind, jsoncheck::Value::Null);
    ASSERT_EQ(v["backups"].items.size(), 1u);
    EXPECT_EQ(v["backups"][0]["name"].text, L"a-f.regbak");
    EXPECT_EQ(v["backups"][0]["kind"].kind, jsoncheck::Value::Null);  // the pending member
    EXPECT_EQ(v["exitCode"].number, 2);
    EXPECT_EQ(v["error"].text, L"restoring 'x' failed");
    EXPECT_EQ(v["engineReport"].text, L"Restore: \"x\" <U+000A>");
}

}  // namespace
