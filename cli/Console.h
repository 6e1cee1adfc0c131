// stdout and stderr of the console tool. A console gets wide text
// (WriteConsoleW); a pipe or file gets UTF-8 bytes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace cli {

class OutputStream {
public:
    explicit OutputStream(DWORD stdHandle);
    // True only for a real console: under Wine a pipe or file is not one.
    bool IsConsole() const { return console_; }
    int Width() const;  // console columns, 80 when not a console
    void Write(std::wstring_view text);
    void WriteUtf8(std::string_view utf8);

private:
    HANDLE handle_;
    bool console_;
};

OutputStream& Out();
OutputStream& Err();

// "TamselCli: <message>" as one line on stderr.
void PrintError(const std::wstring& message);

// A failure that ends the command with exit code 2 and one line on stderr.
struct CliError {
    std::wstring message;
};

}  // namespace cli
