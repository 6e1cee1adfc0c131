#include "startup/DisabledStore.h"

#include <vector>

#include "core/Handles.h"
#include "core/ReportBox.h"
#include "core/XmlDocument.h"
#include "pure/StartupRules.h"

namespace startup {
namespace {

constexpr const wchar_t* kAttributes[] = {L"fileNameDescType", L"fileLocation", L"filePath",
                                          L"RegHkey",          L"RegSubkeyPath", L"RegSubkeyName"};
constexpr wchar_t kTypeAttribute[] = L"RegValueType";
constexpr wchar_t kNodeName[] = L"node";
constexpr wchar_t kFreshStore[] = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<startupManage/>\r\n";
constexpr wchar_t kDamagedText[] =
    L"startupManage.xml is damaged. It was kept as startupManage.xml.bad; the programs disabled in it are not "
    L"listed and cannot be enabled here.";
constexpr wchar_t kRestartedText[] =
    L"startupManage.xml was damaged. It was kept as startupManage.xml.bad and a new one was started.";
constexpr wchar_t kNotCopiedText[] =
    L"startupManage.xml is damaged and could not be kept as startupManage.xml.bad; it is left as it is and "
    L"nothing is recorded in it.";

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


// The record file as found: read into `doc` (kFine), not there, not
// well-formed, or there but not readable (locked, access denied).
StoreState Open(xml::Document& doc, DWORD& error)
{
    {
        UniqueFile probe(CreateFileW(kDisabledFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe) {
            error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? StoreState::kMissing
                                                                                  : StoreState::kUnreadable;
        }
    }
    return doc.TryLoad(kDisabledFile) ? StoreState::kFine : StoreState::kDamaged;
}

// A damaged file is kept aside before anything could replace it.
bool KeepDamaged()
{
    if (CopyFileW(kDisabledFile, kDisabledBadFile, FALSE)) return true;
    report::Show(kNotCopiedText, kDisabledCaption, MB_OK | MB_ICONERROR);
    return false;
}

// Reports a file that cannot be used as it is; false when nothing may be
// written. A damaged file is kept aside first, then (`startFresh`) a new
// document replaces it in memory.
bool Usable(StoreState state, DWORD error, xml::Document& doc, bool startFresh)
{
    switch (state) {
    case StoreState::kFine:
        return true;
    case StoreState::kUnreadable:
        report::ShowError(error, kDisabledCaption);
        return false;
    case StoreState::kMissing:
        return startFresh && doc.TryLoadText(kFreshStore);
    case StoreState::kDamaged:
        if (!KeepDamaged()) return false;
        report::Show(startFresh ? kRestartedText : kDamagedText, kDisabledCaption, MB_OK | MB_ICONWARNING);
        return startFresh && doc.TryLoadText(kFreshStore);
    }
    return false;
}

bool SaveStore(const xml::Document& doc)
{
    const DWORD error = doc.SaveWhole(kDisabledFile);
    if (error == ERROR_SUCCESS) return true;
    report::ShowError(error, kDisabledCaption);
    return false;
}

}  // namespace

StoreState AppendDisabledItems(PtrArray<StartupItem>& out)
{
    xml::Document doc;
    DWORD error = ERROR_SUCCESS;
    const StoreState state = Open(doc, error);
    if (state != StoreState::kFine) {
        if (state != StoreState::kMissing) Usable(state, error, doc, false);
        return state;
    }
    ComPtr<IXMLDOMElement> root;
    std::vector<ComPtr<IXMLDOMNode>> children;
    if (!Children(doc, root, children)) return StoreState::kDamaged;
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
    return StoreState::kFine;
}

bool AddDisabledRecord(const StartupItem& item)
{
    xml::Document doc;
    DWORD error = ERROR_SUCCESS;
    if (!Usable(Open(doc, error), error, doc, true)) return false;
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
    return SaveStore(doc);
}

bool RemoveDisabledRecord(const StartupItem& item)
{
    xml::Document doc;
    DWORD error = ERROR_SUCCESS;
    const StoreState state = Open(doc, error);
    if (state != StoreState::kFine) {
        Usable(state, error, doc, false);
        return false;
    }
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
        return SaveStore(doc);
    }
    return false;
}

}  // namespace startup
