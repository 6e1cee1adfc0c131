#include "startup/DisabledStore.h"

#include <vector>

#include "core/XmlDocument.h"
#include "pure/StartupRules.h"

namespace startup {
namespace {

constexpr const wchar_t* kAttributes[] = {L"fileNameDescType", L"fileLocation", L"filePath",
                                          L"RegHkey",          L"RegSubkeyPath", L"RegSubkeyName"};
constexpr wchar_t kTypeAttribute[] = L"RegValueType";
constexpr wchar_t kNodeName[] = L"node";

// The node's first six attribute values by position, and the value type by name.
struct Record {
    std::wstring fields[6];
    unsigned long type = pure::kTypeSz;
};

bool ReadRecord(IXMLDOMNode* node, Record& record)
{
    DOMNodeType type = NODE_INVALID;
    std::wstring name;
    if (FAILED(xml::NodeType(node, &type)) || type != NODE_ELEMENT) return false;
    if (FAILED(xml::NodeName(node, &name)) || name != kNodeName) return false;
    ComPtr<IXMLDOMNamedNodeMap> map;
    if (FAILED(node->get_attributes(map.put())) || !map) return false;
    long count = 0;
    if (FAILED(map->get_length(&count)) || count < 6) return false;
    for (long i = 0; i < 6; ++i) {
        ComPtr<IXMLDOMNode> attribute;
        if (FAILED(map->get_item(i, attribute.put())) || !attribute) return false;
        ScopedVariant value;
        if (FAILED(attribute->get_nodeValue(value.put())) || value.get().vt != VT_BSTR) return false;
        BSTR b = value.get().bstrVal;
        record.fields[i].assign(b ? b : L"", b ? SysStringLen(b) : 0);
    }
    std::wstring typeText;
    if (SUCCEEDED(xml::TryReadAttribute(node, kTypeAttribute, typeText))) record.type = pure::ParseValueType(typeText);
    return true;
}

bool Matches(const Record& r, const StartupItem& item)
{
    return r.fields[1] == item.commandLine && r.fields[3] == item.rootName && r.fields[4] == item.keyPath &&
           r.fields[5] == item.valueName;
}

bool Children(const xml::Document& doc, ComPtr<IXMLDOMElement>& root, std::vector<ComPtr<IXMLDOMNode>>& children)
{
    root = doc.Root();
    return root && SUCCEEDED(xml::ChildNodes(root.get(), children));
}

HRESULT SetAttribute(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value)
{
    ScopedBstr bname(name);
    ScopedVariant bvalue(value.c_str());
    return element->setAttribute(bname.get(), bvalue.get());
}

}  // namespace

void AppendDisabledItems(PtrArray<StartupItem>& out)
{
    xml::Document doc;
    if (!doc.Create(xml::kLoadCaption)) return;
    ScopedVariant file(kDisabledFile);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (doc.get()->load(file.get(), &loaded) != S_OK || loaded != VARIANT_TRUE) return;
    ComPtr<IXMLDOMElement> root;
    std::vector<ComPtr<IXMLDOMNode>> children;
    if (!Children(doc, root, children)) return;
    for (const ComPtr<IXMLDOMNode>& child : children) {
        Record r;
        if (!ReadRecord(child.get(), r)) continue;
        auto item = std::make_unique<StartupItem>();
        item->description = r.fields[0];
        item->commandLine = r.fields[1];
        item->filePath = r.fields[2];
        item->rootName = r.fields[3];
        item->keyPath = r.fields[4];
        item->valueName = r.fields[5];
        item->enabled = 0;
        item->valueType = r.type;
        out.Add(std::move(item));
    }
}

bool AddDisabledRecord(const StartupItem& item)
{
    xml::Document doc;
    if (!doc.Load(kDisabledFile, xml::kLoadCaption)) return false;
    ComPtr<IXMLDOMElement> root = doc.Root();
    ComPtr<IXMLDOMElement> node;
    ScopedBstr name(kNodeName);
    if (!root || FAILED(doc.get()->createElement(name.get(), node.put())) || !node) {
        doc.ReportFailure(xml::kLoadCaption);
        return false;
    }
    const std::wstring* values[] = {&item.description, &item.commandLine, &item.filePath,
                                    &item.rootName,    &item.keyPath,     &item.valueName};
    for (size_t i = 0; i < 6; ++i)
        if (FAILED(SetAttribute(node.get(), kAttributes[i], *values[i]))) {
            doc.ReportFailure(xml::kLoadCaption);
            return false;
        }
    ComPtr<IXMLDOMNode> appended;
    if (FAILED(SetAttribute(node.get(), kTypeAttribute, pure::ValueTypeText(item.valueType))) ||
        FAILED(root->appendChild(node.get(), appended.put()))) {
        doc.ReportFailure(xml::kLoadCaption);
        return false;
    }
    return doc.Save(kDisabledFile) == S_OK;
}

bool RemoveDisabledRecord(const StartupItem& item)
{
    xml::Document doc;
    if (!doc.Load(kDisabledFile, xml::kLoadCaption)) return false;
    ComPtr<IXMLDOMElement> root;
    std::vector<ComPtr<IXMLDOMNode>> children;
    if (!Children(doc, root, children)) {
        doc.ReportFailure(xml::kLoadCaption);
        return false;
    }
    for (const ComPtr<IXMLDOMNode>& child : children) {
        Record r;
        if (!ReadRecord(child.get(), r) || !Matches(r, item)) continue;
        ComPtr<IXMLDOMNode> removed;
        if (FAILED(root->removeChild(child.get(), removed.put()))) {
            doc.ReportFailure(xml::kLoadCaption);
            return false;
        }
        return doc.Save(kDisabledFile) == S_OK;
    }
    return false;
}

}  // namespace startup
