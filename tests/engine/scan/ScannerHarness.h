// Runs one category scanner over one key entry, as the driver calls it, and
// compares the problems of one fixture with the expected ones.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/RegEngine.h"
#include "scan/Scanner.h"

namespace scantest {

struct Expected {
    std::wstring scannedPath;
    std::wstring valueName;
    std::wstring data;
    int kind;
    int grade;
    int action;
    int view = kView64;
};

class ScannerHarness {
public:
    explicit ScannerHarness(const std::wstring& categoryName);

    void Run(scan::ScannerFn scanner, HKEY root, const std::wstring& rootName, const std::wstring& subKey,
             int view = kView64);

    // The problems whose examined key path contains `mark`.
    std::vector<const RegEntryProb*> Of(const std::wstring& mark) const;

    // Exactly these problems for `mark`, in any order; key paths compare
    // without regard to case.
    void ExpectExactly(const std::wstring& mark, std::vector<Expected> expected) const;

    CRegEngine engine;
    RegScanCategory result;
    XMLElement category;
    std::wstring rootName;
};

std::string Describe(const RegEntryProb& p);
std::wstring Env(const wchar_t* name);

}  // namespace scantest
