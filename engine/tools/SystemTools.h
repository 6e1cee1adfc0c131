// Handing the user over to Windows tools: the registry editor at a key, the
// resource monitor, system information, system restore, a file's properties.
#pragma once

#include <string>

#include "core/RegEngine.h"

namespace tools {

inline constexpr wchar_t kRegeditKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
inline constexpr wchar_t kShortcutCategory[] = L"Program Shortcuts";

// The text written to "LastKey" for a problem: root name, a backslash and the
// key where the editor shows it (for a 32-bit view find on 64-bit Windows the
// Wow6432Node location that exists).
std::wstring RegeditLastKey(const CRegEngine& engine, const RegEntryProb& problem);

// Opens the problem's key in the registry editor (a shortcut problem's folder
// in the shell); false when nothing could be opened.
bool OpenInRegedit(const CRegEngine& engine, const RegScanCategory& category, const RegEntryProb& problem);

// ShellExecuteExW with the engine's mask and no verb.
bool RunProgram(const std::wstring& path, const std::wstring& arguments);

// 0 resource monitor, 1 system information, 2 system restore; others do nothing.
void LaunchSystemTool(const CRegEngine& engine, int tool);

// The shell's properties sheet; an error box and false when it fails.
bool ShowFileProperties(const std::wstring& path);

}  // namespace tools
