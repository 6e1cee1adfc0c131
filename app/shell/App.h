// The application object: start-up and shut-down around the main window.
#pragma once

#include <string>

namespace ui {

// The single-instance mutex: a name no other program uses, so another
// program's object of a common name never stops Tamsel from starting.
inline constexpr wchar_t kSingleInstanceMutex[] = L"Tamsel-{D732A59A-260B-4EBD-99BB-36B440EF4BD3}";

class CKelvuApp {
public:
    // Runs the program; returns its exit code.
    int Run(const std::wstring& commandLine);
};

}  // namespace ui
