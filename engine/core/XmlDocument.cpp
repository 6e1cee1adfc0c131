#include "core/XmlDocument.h"

#include "core/ReportBox.h"
#include "core/WholeFile.h"

namespace xml {
namespace {
// {2933BF90-7B36-11D2-B20E-00C04F983E60}, the DOM document class.
const CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
// {2933BF81-7B36-11D2-B20E-00C04F983E60}, IXMLDOMDocument.
const IID kDomDocumentIid = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

HRESULT NamedAttribute(IXMLDOMNode* node, const wchar_t* name, ComPtr<IXMLDOMNode>& attr)
{
    ComPtr<IXMLDOMNamedNodeMap> map;
    HRESULT hr = node->get_attributes(map.put());
    if (FAILED(hr)) return hr;
    if (!map) return E_FAIL;
    ScopedBstr bname(name);
    hr = map->getNamedItem(bname.get(), attr.put());
    if (FAILED(hr)) return hr;
    return attr ? S_OK : E_FAIL;  // S_FALSE with no node: the attribute is missing
}

// Data files are named relative to the current folder. The DOM would search
// a relative name along the program's folder first (under Wine it does), and
// so could read a different file from the one Save writes.
std::wstring InCurrentFolder(const std::wstring& file)
{
    DWORD n = GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
    if (n == 0) return file;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(file.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return file;
    full.resize(n);
    return full;
}
}  // namespace

bool Document::CreateQuiet()
{
    HRESULT hr = CoCreateInstance(kDomDocumentClass, nullptr, kDomClassContext, kDomDocumentIid,
                                  doc_.put_void());
    if (SUCCEEDED(hr) && doc_) return true;
    doc_.reset();
    return false;
}

bool Document::Create(const wchar_t* caption)
{
    if (CreateQuiet()) return true;
    report::Show(L"", caption, MB_OK);
    return false;
}

bool Document::Load(const std::wstring& file, const wchar_t* caption)
{
    if (!Create(caption)) return false;
    if (LoadFile(file)) return true;
    ReportFailure(caption);
    doc_.reset();
    return false;
}

bool Document::LoadFile(const std::wstring& file)
{
    ScopedVariant name(InCurrentFolder(file).c_str());
    VARIANT_BOOL ok = VARIANT_FALSE;
    return doc_->load(name.get(), &ok) == S_OK && ok == VARIANT_TRUE;
}

bool Document::TryLoad(const std::wstring& file) { return CreateQuiet() && LoadFile(file); }

bool Document::TryLoadText(const std::wstring& text)
{
    if (!CreateQuiet()) return false;
    ScopedBstr source(text.c_str());
    VARIANT_BOOL ok = VARIANT_FALSE;
    return doc_->loadXML(source.get(), &ok) == S_OK && ok == VARIANT_TRUE;
}

ComPtr<IXMLDOMElement> Document::Root() const
{
    ComPtr<IXMLDOMElement> root;
    if (doc_) doc_->get_documentElement(root.put());
    return root;
}

std::wstring Document::ParseErrorReason() const
{
    if (!doc_) return std::wstring();
    ComPtr<IXMLDOMParseError> error;
    if (FAILED(doc_->get_parseError(error.put())) || !error) return std::wstring();
    ScopedBstr reason;
    if (FAILED(error->get_reason(reason.put())) || !reason.get()) return std::wstring();
    return std::wstring(reason.get(), SysStringLen(reason.get()));
}

void Document::ReportFailure(const wchar_t* caption) const
{
    report::Show(ParseErrorReason(), caption, MB_OK);
}

HRESULT Document::Save(const std::wstring& file) const
{
    if (!doc_) return E_POINTER;
    ScopedVariant name(file.c_str());
    return doc_->save(name.get());
}

DWORD Document::SaveWhole(const std::wstring& file) const
{
    if (!doc_) return ERROR_INVALID_HANDLE;
    const std::wstring full = InCurrentFolder(file);
    const std::wstring temporary = files::TemporaryFor(full);
    ScopedVariant name(temporary.c_str());
    const HRESULT hr = doc_->save(name.get());
    if (FAILED(hr)) {
        DeleteFileW(temporary.c_str());
        return HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_WRITE_FAULT;
    }
    return files::ReplaceWith(temporary, full);
}

HRESULT ChildNodes(IXMLDOMNode* node, std::vector<ComPtr<IXMLDOMNode>>& out)
{
    out.clear();
    if (!node) return E_POINTER;
    ComPtr<IXMLDOMNodeList> list;
    HRESULT hr = node->get_childNodes(list.put());
    if (FAILED(hr) || !list) return FAILED(hr) ? hr : E_FAIL;
    long count = 0;
    hr = list->get_length(&count);
    if (FAILED(hr)) return hr;
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> item;
        hr = list->get_item(i, item.put());
        if (FAILED(hr) || !item) return FAILED(hr) ? hr : E_FAIL;
        out.push_back(std::move(item));
    }
    return S_OK;
}

HRESULT NodeType(IXMLDOMNode* node, DOMNodeType* type)
{
    return node->get_nodeType(type);
}

HRESULT NodeName(IXMLDOMNode* node, std::wstring* name)
{
    ScopedBstr b;
    HRESULT hr = node->get_nodeName(b.put());
    if (FAILED(hr)) return hr;
    name->assign(b.get() ? b.get() : L"", b.get() ? SysStringLen(b.get()) : 0);
    return S_OK;
}

HRESULT TryReadAttribute(IXMLDOMNode* node, const wchar_t* name, std::wstring& value)
{
    ComPtr<IXMLDOMNode> attr;
    HRESULT hr = NamedAttribute(node, name, attr);
    if (FAILED(hr)) return hr;
    ScopedVariant v;
    hr = attr->get_nodeValue(v.put());
    if (FAILED(hr)) return hr;
    if (v.get().vt != VT_BSTR) return E_FAIL;
    BSTR b = v.get().bstrVal;
    value.assign(b ? b : L"", b ? SysStringLen(b) : 0);
    return S_OK;
}

int ReadAttribute(const Document& doc, IXMLDOMNode* node, const wchar_t* name, std::wstring& value)
{
    if (SUCCEEDED(TryReadAttribute(node, name, value))) return 1;
    doc.ReportFailure(kLoadCaption);
    return 0;
}

int WriteAttribute(const Document& doc, IXMLDOMNode* node, const wchar_t* name, const std::wstring& value)
{
    ComPtr<IXMLDOMNode> attr;
    HRESULT hr = NamedAttribute(node, name, attr);
    if (SUCCEEDED(hr)) {
        ScopedVariant v(value.c_str());
        hr = attr->put_nodeValue(v.get());
    }
    if (SUCCEEDED(hr)) return 1;
    doc.ReportFailure(kWriteCaption);
    return 0;
}

}  // namespace xml
