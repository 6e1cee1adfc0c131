// Error report values and the texts of system error codes.
#pragma once

#include <windows.h>

#include <string>

// A failing operation's name (shown as the caption) and its system error
// code. Built on the spot, shown and discarded; never thrown.
class BaseException {
public:
    BaseException(const wchar_t* context, DWORD code) : context_(context), code_(code) {}
    virtual ~BaseException() = default;
    const wchar_t* Context() const { return context_; }
    DWORD Code() const { return code_; }
    // "Error (code code): system text", at most 499 characters.
    virtual std::wstring MessageText() const;

private:
    const wchar_t* context_;
    DWORD code_;
};

class CRegistryKey {
public:
    class RegistryException : public BaseException {
        using BaseException::BaseException;
    };
};

class CSystemInfo {
public:
    class SystemException : public BaseException {
        using BaseException::BaseException;
    };
};

// The system's own text for a code in the user's language; empty when the
// system has none.
std::wstring SystemMessageText(DWORD code, DWORD languageId = 0x400);

// "[code] text" with trailing white space stripped, written to a caller
// buffer of 512 characters.
void ShortErrorText(DWORD code, wchar_t (&out)[512]);
