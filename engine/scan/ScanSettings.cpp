#include "scan/ScanSettings.h"

#include <memory>
#include <vector>

#include "core/ReportBox.h"
#include "core/XmlDocument.h"
#include "pure/TextRules.h"

namespace scan {
namespace {

constexpr wchar_t kProcessNode[] = L"ProcessNode";

// Reads one category element; null when a required attribute is missing
// (already reported).
std::unique_ptr<XMLElement> ReadCategory(const xml::Document& doc, IXMLDOMNode* node)
{
    auto element = std::make_unique<XMLElement>();
    if (FAILED(xml::NodeName(node, &element->elementName))) return nullptr;

    std::wstring flag;
    if (!xml::ReadAttribute(doc, node, L"flag", flag)) return nullptr;
    element->enabled = pure::EqualsNoCase(flag, L"false") ? 0 : 1;
    if (!xml::ReadAttribute(doc, node, L"category", element->categoryName)) return nullptr;

    std::vector<ComPtr<IXMLDOMNode>> children;
    if (FAILED(xml::ChildNodes(node, children))) {
        report::Show(L"get childNodes'list failed!", kProcessNode, MB_OK);
        return element;
    }
    for (const ComPtr<IXMLDOMNode>& child : children) {
        auto entry = std::make_unique<RegScanKeyEntry>();
        if (!xml::ReadAttribute(doc, child.get(), L"rootKey", entry->rootName)) return nullptr;
        entry->rootHandle = CRegEngine::LookupRoot(entry->rootName);
        if (!xml::ReadAttribute(doc, child.get(), L"subKey", entry->subKey)) return nullptr;
        element->keyEntries.Add(std::move(entry));
    }
    return element;
}

}  // namespace

int LoadCategories(PtrArray<XMLElement>& out, const std::wstring& file)
{
    xml::Document doc;
    if (!doc.Load(file, xml::kLoadCaption)) return 0;
    ComPtr<IXMLDOMElement> root = doc.Root();
    std::vector<ComPtr<IXMLDOMNode>> nodes;
    if (!root || FAILED(xml::ChildNodes(root.get(), nodes))) {
        doc.ReportFailure(xml::kLoadCaption);
        return 0;
    }
    for (const ComPtr<IXMLDOMNode>& node : nodes) {
        DOMNodeType type = NODE_INVALID;
        if (FAILED(xml::NodeType(node.get(), &type))) {
            report::Show(L"get nodeType failed!", kProcessNode, MB_OK);
            continue;
        }
        if (type != NODE_ELEMENT) continue;
        if (std::unique_ptr<XMLElement> element = ReadCategory(doc, node.get()))
            out.Add(std::move(element));
    }
    return 1;
}

void WriteCategoryFlag(const std::wstring& elementName, const std::wstring& flag, const std::wstring& file)
{
    xml::Document doc;
    if (!doc.Load(file, xml::kLoadForWriteCaption)) return;
    ComPtr<IXMLDOMElement> root = doc.Root();
    std::vector<ComPtr<IXMLDOMNode>> nodes;
    if (root && SUCCEEDED(xml::ChildNodes(root.get(), nodes))) {
        for (const ComPtr<IXMLDOMNode>& node : nodes) {
            std::wstring name;
            if (FAILED(xml::NodeName(node.get(), &name)) || !pure::EqualsNoCase(name, elementName)) continue;
            if (!xml::WriteAttribute(doc, node.get(), L"flag", flag)) return;
            break;
        }
    }
    // Replaced whole: a failed write leaves the settings as they were, and says so.
    const DWORD error = doc.SaveWhole(file);
    if (error != ERROR_SUCCESS) report::ShowError(error, L"scanSetting.xml");
}

}  // namespace scan
