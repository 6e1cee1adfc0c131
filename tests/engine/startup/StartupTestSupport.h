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

// Takes over every item of a listing; the caller owns them from then on.
std::vector<std::unique_ptr<StartupItem>> Load();

const StartupItem* Find(const std::vector<std::unique_ptr<StartupItem>>& items, const std::wstring& valueName,
                        int enabled);

}  // namespace startuptest
