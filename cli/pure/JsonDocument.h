// The one JSON document a command prints with --json: the facts of the tool
// and the system it ran on first, then what the command gathered, then its
// exit code and, when it failed, the error. No windows.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/pure/JsonWriter.h"

namespace cli {

struct ToolFacts {
    std::wstring version;    // the tool's version, "0.1.0"
    bool x64Build = false;   // "x64", else "x86"
    bool windows64 = false;  // 64-bit Windows (a 32-bit build may run under WOW64)
    bool underWine = false;
    std::wstring wineVersion;  // Wine's own version; null in the document when empty
};

// The registry views the engine reads on such a system: both on 64-bit
// Windows, the only one on 32-bit Windows.
std::vector<std::wstring> RegistryViews(bool windows64);

class JsonDocument {
public:
    // An empty command is written as null (the command line was not understood).
    JsonDocument(const ToolFacts& facts, std::wstring_view command);

    // Open object of the document: the command adds its members here.
    report::JsonWriter& Body() { return w_; }

    // Closes what the command left open, adds exitCode and, when not empty,
    // error (the command's failure) and engineReport (the first message the
    // engine reported); returns the document with its final line break.
    std::string Finish(int exitCode, std::wstring_view error, std::wstring_view engineReport = {});

private:
    report::JsonWriter w_;
};

}  // namespace cli
