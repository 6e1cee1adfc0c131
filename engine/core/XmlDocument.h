// The engine's XML files (scan settings, backup indexes and their template,
// disabled start-up programs) through the MSXML DOM document. A failing DOM
// call ends the routine that made it: that routine shows the document's parse
// error reason in a box captioned after the routine and returns 0/false.
// COM must be initialised on the calling thread.
#pragma once

#include <windows.h>
#include <msxml.h>

#include <string>
#include <vector>

#include "core/ComPtr.h"

namespace xml {

inline constexpr wchar_t kLoadCaption[] = L"Failed to load DOM from XMLFile";
inline constexpr wchar_t kLoadForWriteCaption[] = L"Failed to load DOM from the XMLFile";
inline constexpr wchar_t kWriteCaption[] = L"Failed to parse the node";

inline constexpr DWORD kDomClassContext = 23;  // in-proc server and handler, local and remote server

class Document {
public:
    // Creates the DOM document and loads `file`; a creation failure, a missing
    // or a malformed file is reported with `caption` and gives false.
    bool Load(const std::wstring& file, const wchar_t* caption);
    // Creates an empty document (no file); false after a reported failure.
    bool Create(const wchar_t* caption);
    // Creates the document and loads `file` without any report; the parse
    // error's reason stays readable after a failure.
    bool TryLoad(const std::wstring& file);
    // Creates the document from text; false when it does not parse.
    bool TryLoadText(const std::wstring& text);

    IXMLDOMDocument* get() const { return doc_.get(); }
    ComPtr<IXMLDOMElement> Root() const;

    // The parse error's reason (empty for a well-formed document) in an MB_OK
    // box with this caption.
    void ReportFailure(const wchar_t* caption) const;
    std::wstring ParseErrorReason() const;

    // Saves under `file`; the result is not examined by callers that follow
    // the data files' conventions, but is returned for those that care.
    HRESULT Save(const std::wstring& file) const;
    // Saves under a temporary name and renames that over `file`, so the file
    // is replaced whole or stays as it was. ERROR_SUCCESS or the error.
    DWORD SaveWhole(const std::wstring& file) const;

private:
    bool CreateQuiet();
    bool LoadFile(const std::wstring& file);  // into the created document
    ComPtr<IXMLDOMDocument> doc_;
};

// A node's children in document order. Fails as a whole when the list or any
// item cannot be had.
HRESULT ChildNodes(IXMLDOMNode* node, std::vector<ComPtr<IXMLDOMNode>>& out);
HRESULT NodeType(IXMLDOMNode* node, DOMNodeType* type);
HRESULT NodeName(IXMLDOMNode* node, std::wstring* name);

// Reads an attribute's value. A missing attribute is a failure. Reports with
// kLoadCaption and returns 0 on failure, 1 on success.
int ReadAttribute(const Document& doc, IXMLDOMNode* node, const wchar_t* name, std::wstring& value);
// The same without the report box, for callers that probe.
HRESULT TryReadAttribute(IXMLDOMNode* node, const wchar_t* name, std::wstring& value);

// Sets the value of an existing attribute (a missing one cannot be written).
// Reports with kWriteCaption and returns 0 on failure, 1 on success.
int WriteAttribute(const Document& doc, IXMLDOMNode* node, const wchar_t* name, const std::wstring& value);

}  // namespace xml
