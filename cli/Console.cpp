#include "Console.h"

#include <string>

#include "report/pure/TextEncoding.h"

namespace cli {

OutputStream::OutputStream(DWORD stdHandle) : handle_(GetStdHandle(stdHandle)), console_(false)
{
    DWORD mode = 0;
    console_ = handle_ && handle_ != INVALID_HANDLE_VALUE && GetFileType(handle_) == FILE_TYPE_CHAR &&
               GetConsoleMode(handle_, &mode);
}

int OutputStream::Width() const
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console_ && GetConsoleScreenBufferInfo(handle_, &info)) {
        int w = info.srWindow.Right - info.srWindow.Left + 1;
        if (w > 10) return w;
    }
    return 80;
}

void OutputStream::Write(std::wstring_view text)
{
    if (!console_) {
        WriteUtf8(report::ToUtf8(text));
        return;
    }
    while (!text.empty()) {
        DWORD chunk = static_cast<DWORD>(text.size() > 8192 ? 8192 : text.size());
        DWORD written = 0;
        if (!WriteConsoleW(handle_, text.data(), chunk, &written, nullptr) || written == 0) return;
        text.remove_prefix(written);
    }
}

void OutputStream::WriteUtf8(std::string_view utf8)
{
    if (console_) {
        int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
        Write(wide);
        return;
    }
    if (!handle_ || handle_ == INVALID_HANDLE_VALUE) return;
    while (!utf8.empty()) {
        DWORD chunk = static_cast<DWORD>(utf8.size() > 65536 ? 65536 : utf8.size());
        DWORD written = 0;
        if (!WriteFile(handle_, utf8.data(), chunk, &written, nullptr) || written == 0) return;
        utf8.remove_prefix(written);
    }
}

OutputStream& Out()
{
    static OutputStream out(STD_OUTPUT_HANDLE);
    return out;
}

OutputStream& Err()
{
    static OutputStream err(STD_ERROR_HANDLE);
    return err;
}

void PrintError(const std::wstring& message)
{
    Err().Write(L"TamselCli: " + report::PrintableText(message) + L"\n");
}

}  // namespace cli
