// A private working folder for one run of the engine with other settings.
//
// The engine reads "scanSetting.xml" (and "IgnoreList.dat") from the current
// folder and SetCategoryEnabled writes into that same file. To scan another
// settings file, or only some categories, without touching the shipped file,
// the console copies the settings (and the ignore list, so ignored problems
// stay hidden) into a fresh folder under %TEMP%, makes it the current folder
// for the run, sets the flags of the copy through the engine table, and
// removes the folder afterwards.
#pragma once

#include <string>

namespace cli {

class WorkFolder {
public:
    // settingsFile: full path of the settings to use; ignoreList: full path
    // of an ignore list to copy when it exists. Throws CliError.
    WorkFolder(const std::wstring& settingsFile, const std::wstring& ignoreList);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::wstring& path() const { return path_; }
    // Makes the folder current before this one current again (the folder
    // itself stays until the object ends). The backup store and its template
    // belong to the program folder, so a fix leaves before its backup.
    void Leave();

private:
    std::wstring path_;
    std::wstring previous_;
    bool entered_ = false;
};

// Full path of `file` as seen from the current folder.
std::wstring FullPath(const std::wstring& file);
bool FileExists(const std::wstring& path);

}  // namespace cli
