// The application object: start-up and shut-down around the main window.
#pragma once

#include <string>

namespace ui {

class CKelvuApp {
public:
    // Runs the program; returns its exit code.
    int Run(const std::wstring& commandLine);
};

}  // namespace ui
