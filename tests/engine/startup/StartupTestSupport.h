// Shared pieces of the startup tests: the engine table, values in the real
// Run keys that are removed again, and ownership of listed items.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "corvex/EngineTables.h"

namespace startuptest {

EngineFunctionTable& Table();

// One value in a real Run key, created with a name unique to the test and
// deleted at the end (with the key itself when the test had to create it).
class RunValue {
public:
    RunValue(HKEY root, const std::wstring& keyPath, REGSAM view, const std::wstring& data, DWORD type = REG_SZ);
    // Exact bytes, for data without a terminator.
    RunValue(HKEY root, const std::wstring& keyPath, REGSAM view, const std::vector<BYTE>& bytes, DWORD type);
    ~RunValue();
    RunValue(const RunValue&) = delete;
    RunValue& operator=(const RunValue&) = delete;

    const std::wstring& name() const { return name_; }
    bool Exists() const;
    // Type and bytes as stored now.
    bool Read(DWORD& type, std::vector<BYTE>& bytes) const;

private:
    void Create(const std::vector<BYTE>& bytes, DWORD type);
    HKEY root_;
    std::wstring keyPath_;
    REGSAM view_;
    std::wstring name_;
    bool createdKey_ = false;
};

std::vector<BYTE> Bytes(const std::wstring& text);  // with its terminator

// Windows' own switch for a Run value: a binary value of the same name below
// root's StartupApproved\<sub> (Run or Run32), in the 64-bit view; removed
// (with the keys the test had to create) at the end.
class ApprovedSwitch {
public:
    ApprovedSwitch(HKEY root, const wchar_t* sub, const std::wstring& name, const std::vector<BYTE>& bytes);
    ~ApprovedSwitch();
    ApprovedSwitch(const ApprovedSwitch&) = delete;
    ApprovedSwitch& operator=(const ApprovedSwitch&) = delete;
    // The bytes stored now; empty when there is no value.
    std::vector<BYTE> Read() const;

private:
    HKEY root_;
    std::wstring path_, name_;
};
// Twelve bytes with this first byte and a time of change.
std::vector<BYTE> ApprovedBytes(BYTE first);

// Takes over every item of a listing; the caller owns them from then on.
std::vector<std::unique_ptr<StartupItem>> Load();

const StartupItem* Find(const std::vector<std::unique_ptr<StartupItem>>& items, const std::wstring& valueName,
                        int enabled);

}  // namespace startuptest
