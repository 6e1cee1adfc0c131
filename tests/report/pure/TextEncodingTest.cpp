#include <gtest/gtest.h>

#include <cstdint>

#include "support/JsonCheck.h"
#include "report/pure/JsonWriter.h"
#include "report/pure/TextEncoding.h"

namespace {

TEST(TextEncoding, JsonStringEscapes)
{
    const struct {
        std::wstring in;
        std::string out;
    } cases[] = {
        {L"", "\"\""},
        {L"plain", "\"plain\""},
        {L"HKEY_CLASSES_ROOT\\CLSID", "\"HKEY_CLASSES_ROOT\\\\CLSID\""},
        {L"say \"hi\"", "\"say \\\"hi\\\"\""},
        {std::wstring(L"a\0b", 3), "\"a\\u0000b\""},
        {L"\n\r\t\x1F", "\"\\u000A\\u000D\\u0009\\u001F\""},
        {L"\x7F/", "\"\x7F/\""},
        {L"\u00E9", "\"\xC3\xA9\""},
        {L"\u51FA\u9519", "\"\xE5\x87\xBA\xE9\x94\x99\""},
        {L"\xD83D\xDE00", "\"\xF0\x9F\x98\x80\""},  // a pair is one character
        {L"\xD83D", "\"\\uD83D\""},                 // lone high surrogate at the end
        {L"\xDE00x", "\"\\uDE00x\""},               // lone low surrogate
        {L"\xD83D\xD83D\xDE00", "\"\\uD83D\xF0\x9F\x98\x80\""},
        {L"\xDBFF\xDFFF", "\"\xF4\x8F\xBF\xBF\""},  // the last code point
    };
    for (const auto& c : cases) {
        EXPECT_EQ(report::JsonString(c.in), c.out);
        // And a strict reader gives the same UTF-16 units back.
        EXPECT_EQ(jsoncheck::Parse(c.out).text, c.in);
    }
}

TEST(TextEncoding, Utf8ReplacesLoneSurrogates)
{
    EXPECT_EQ(report::ToUtf8(L"a\xD800z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(report::ToUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(report::ToUtf8(L"\u07FF\u0800"), "\xDF\xBF\xE0\xA0\x80");
}

TEST(TextEncoding, PrintableTextKeepsFieldsOnOneLine)
{
    EXPECT_EQ(report::PrintableText(L"C:\\x.dll"), L"C:\\x.dll");
    EXPECT_EQ(report::PrintableText(std::wstring(L"a\nb\0c", 5)), L"a<U+000A>b<U+0000>c");
    EXPECT_EQ(report::PrintableText(L"\t"), L"<U+0009>");
}

TEST(JsonWriter, NestsAndSeparates)
{
    report::JsonWriter w;
    w.BeginObject().Member("a", 1).Key("list").BeginArray().Int(-2).String(L"x").BeginObject().EndObject();
    w.BeginArray().EndArray().EndArray().MemberBool("ok", false).EndObject();
    std::string doc = w.Finish();
    jsoncheck::Value v = jsoncheck::Parse(doc);
    EXPECT_EQ(v["a"].number, 1);
    ASSERT_EQ(v["list"].items.size(), 4u);
    EXPECT_EQ(v["list"][0].number, -2);
    EXPECT_EQ(v["list"][1].text, L"x");
    EXPECT_EQ(v["list"][2].kind, jsoncheck::Value::Object);
    EXPECT_EQ(v["list"][3].kind, jsoncheck::Value::Array);
    EXPECT_FALSE(v["ok"].boolean);
    EXPECT_EQ(doc.back(), '\n');
}

TEST(JsonCheck, RejectsBrokenDocuments)
{
    for (const char* bad : {"{\"a\":1,}", "[1,]", "\"a\nb\"", "\"\\x\"", "{\"a\" 1}", "\"\xC3\"",
                            "\"\xED\xA0\x80\"", "01", "[1] 2", "", "9223372036854775808", "-9223372036854775809",
                            "[99999999999999999999]"})
        EXPECT_THROW(jsoncheck::Parse(bad), std::runtime_error) << bad;
}

// Numbers are whole 64-bit numbers, to both ends of the range.
TEST(JsonCheck, NumbersUpToSixtyFourBits)
{
    EXPECT_EQ(jsoncheck::Parse("9223372036854775807").number, INT64_MAX);
    EXPECT_EQ(jsoncheck::Parse("-9223372036854775808").number, INT64_MIN);
    EXPECT_EQ(jsoncheck::Parse("-0").number, 0);
    EXPECT_EQ(jsoncheck::Parse("512").number, 512);
}

}  // namespace
