#include <gtest/gtest.h>

#include "core/ComPtr.h"
#include "core/XmlDocument.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

namespace {
class XmlAccess : public ::testing::Test {
protected:
    ScopedCoInit com;
    testenv::ScratchDir dir{L"xml"};
    ReportRecorder recorder;
};
}  // namespace

TEST_F(XmlAccess, MissingAndMalformedFilesAreReportedWithTheCallersCaption)
{
    xml::Document missing;
    EXPECT_FALSE(missing.Load(dir.File(L"absent.xml"), xml::kLoadCaption));
    dir.Write(L"bad.xml", "<root><unclosed></root>");
    xml::Document bad;
    EXPECT_FALSE(bad.Load(dir.File(L"bad.xml"), xml::kLoadForWriteCaption));
    auto reports = recorder.Take();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].caption, L"Failed to load DOM from XMLFile");
    EXPECT_EQ(reports[1].caption, L"Failed to load DOM from the XMLFile");
    EXPECT_FALSE(reports[1].text.empty());  // the parser's reason
    EXPECT_EQ(reports[1].flags, static_cast<unsigned>(MB_OK));
}

TEST_F(XmlAccess, AttributesReadWriteAndMissingOnes)
{
    dir.Write(L"a.xml", "<root><item flag=\"true\" name=\"x\u00e9\"/><!-- c --></root>");
    xml::Document doc;
    ASSERT_TRUE(doc.Load(dir.File(L"a.xml"), xml::kLoadCaption));
    std::vector<ComPtr<IXMLDOMNode>> nodes;
    ASSERT_EQ(xml::ChildNodes(doc.Root().get(), nodes), S_OK);
    ASSERT_EQ(nodes.size(), 2u);
    DOMNodeType type;
    ASSERT_EQ(xml::NodeType(nodes[1].get(), &type), S_OK);
    EXPECT_EQ(type, NODE_COMMENT);

    IXMLDOMNode* item = nodes[0].get();
    std::wstring value;
    EXPECT_EQ(xml::ReadAttribute(doc, item, L"flag", value), 1);
    EXPECT_EQ(value, L"true");
    EXPECT_TRUE(recorder.Take().empty());

    // A missing attribute: a box with the (empty) parse reason of a well-formed document.
    EXPECT_EQ(xml::ReadAttribute(doc, item, L"absent", value), 0);
    EXPECT_EQ(xml::WriteAttribute(doc, item, L"absent", L"v"), 0);
    auto reports = recorder.Take();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].caption, L"Failed to load DOM from XMLFile");
    EXPECT_EQ(reports[0].text, L"");
    EXPECT_EQ(reports[1].caption, L"Failed to parse the node");

    EXPECT_EQ(xml::WriteAttribute(doc, item, L"flag", L"false"), 1);
    doc.Save(dir.File(L"a.xml"));
    xml::Document again;
    ASSERT_TRUE(again.Load(dir.File(L"a.xml"), xml::kLoadCaption));
    ASSERT_EQ(xml::ChildNodes(again.Root().get(), nodes), S_OK);
    EXPECT_EQ(xml::ReadAttribute(again, nodes[0].get(), L"flag", value), 1);
    EXPECT_EQ(value, L"false");
}
