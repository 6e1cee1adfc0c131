// The program's main window over the real engine, run in a copy of the
// program folder (a scratch folder that is the current folder meanwhile):
// whatever the program and the engine write stays there.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "controls/ImageCache.h"
#include "shell/MainDlg.h"
#include "support/TestEnv.h"

namespace testenv {

class ProgramWindow {
public:
    // Copies the deliverables into a scratch folder named by `tag` and
    // loads the copy's Corvex.dll (the binding loads it by name, and finds
    // the copy already loaded).
    explicit ProgramWindow(const std::wstring& tag);
    // Closes the window and releases the engine.
    ~ProgramWindow();
    ProgramWindow(const ProgramWindow&) = delete;
    ProgramWindow& operator=(const ProgramWindow&) = delete;

    // The copy was made and its engine loaded.
    bool Ready() const { return copied_ && engine_ != nullptr; }
    ScratchDir& Folder() { return folder_; }

    // Creates and shows the main window bound to the engine; null when it
    // could not be created. Files the test writes into Folder() before are
    // what the program finds.
    ui::CKelvuDlg* Open();
    void Close();

private:
    ScratchDir folder_;
    bool copied_ = false;
    HMODULE engine_ = nullptr;
    ui::ImageCache cache_;
    std::unique_ptr<ui::CKelvuDlg> dlg_;
    bool dispatching_ = false;
};

}  // namespace testenv
