// Rules of the startup manager that need no Windows call: the Run keys it
// manages, the executable named by a command line, the description text and
// the value-type attribute of startupManage.xml.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pure {

struct RunKey {
    const wchar_t* rootName;
    const wchar_t* keyPath;  // letter case as items carry it
};

// The Run keys listed, in listing order.
inline constexpr RunKey kRunKeys[] = {
    {L"HKEY_CURRENT_USER", L"Software\\Microsoft\\Windows\\CurrentVersion\\run"},
    {L"HKEY_LOCAL_MACHINE", L"Software\\Microsoft\\Windows\\CurrentVersion\\run"},
    {L"HKEY_LOCAL_MACHINE", L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
    {L"HKEY_LOCAL_MACHINE", L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
    {L"HKEY_CURRENT_USER", L"SoftWare\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
};

// On 64-bit Windows the machine's Run keys also exist in the 32-bit view; such
// items carry the key's real location below the 64-bit view, with
// "Wow6432Node" after the first component. The per-user keys are shared by
// both views.
bool HasWow64Twin(const RunKey& key);
std::wstring Wow64TwinPath(const RunKey& key);

// True when root and key path name one of the Run keys (or, on 64-bit
// Windows, a machine key's 32-bit twin). The root name must match exactly;
// the key path without regard to ASCII case, as the registry compares it.
bool IsManagedRunKey(std::wstring_view rootName, std::wstring_view keyPath, bool is64BitWindows);

// The executable of a command line: the text up to the first ".exe", else
// ".EXE", else ".DLL", else ".dll" (each searched case-sensitively), without
// the opening quote when a quote follows the extension; the whole command
// line when none occurs.
std::wstring StartupFilePath(std::wstring_view commandLine);

// product + " | " + description (the product again when empty) + " | " + type.
std::wstring StartupDescription(std::wstring_view product, std::wstring_view fileDescription,
                                std::wstring_view typeName);

// The value type recorded for a disabled item: decimal text. Only the two
// string types are kept; anything else (also no attribute) reads as REG_SZ.
inline constexpr unsigned long kTypeSz = 1;        // REG_SZ
inline constexpr unsigned long kTypeExpandSz = 2;  // REG_EXPAND_SZ
std::wstring ValueTypeText(unsigned long type);
unsigned long ParseValueType(std::wstring_view text);

// Windows' own start-up switch (Task Manager's): a 12-byte binary value of
// the item's name below the StartupApproved key of its Run key; the first
// byte says enabled (2 or 6) or disabled (3 or 7), a FILETIME of the change
// follows after four bytes. No value means enabled.
inline constexpr wchar_t kApprovedParent[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
inline constexpr size_t kApprovedSize = 12;

// The StartupApproved key (below the same root, in the 64-bit view) that
// switches the items of a Run key: "...\Run" for the Run keys, "...\Run32"
// for the machine's 32-bit Run key on 64-bit Windows; empty for keys
// Windows does not switch (RunOnce, RunOnceEx) and for any other key.
std::wstring ApprovedKeyPath(std::wstring_view rootName, std::wstring_view keyPath, bool is64BitWindows);

// What a StartupApproved value says. Unknown: not 12 bytes of binary data,
// or a first byte this rule does not know; Tamsel then neither lists the
// item as disabled nor changes the value.
enum class ApprovedState { Enabled, Disabled, Unknown };
inline constexpr unsigned long kTypeBinary = 3;  // REG_BINARY
ApprovedState ReadApprovedState(unsigned long type, const uint8_t* data, size_t size);

// The value that switches a disabled item on again: the first byte with its
// disabled bit cleared (3 -> 2, 7 -> 6), the rest of the flag word kept, the
// time of the change zeroed as Windows writes it for an enabled item.
std::vector<uint8_t> EnabledApprovedValue(const uint8_t* data, size_t size);

}  // namespace pure
