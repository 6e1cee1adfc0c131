// What the pages show of texts they did not write themselves (registry
// data, engine messages, settings files) and of their own captions:
// printable, spelled right, never blank. Compiled into the program and
// natively.
#pragma once

#include <string>
#include <string_view>

namespace uitext {

// The text with every control character but the line break pair "\r\n"
// shown as one blank, so that nothing is drawn as a box; a tab becomes a
// blank too. Line breaks stay where `keepLineBreaks`, else they become
// blanks as well.
std::wstring Printable(std::wstring_view text, bool keepLineBreaks = false);

// An engine problem message as the program shows it. The engine's own two
// misspelt messages stay as they are in its reports and the console tool's
// output (old reports compare by them); the window shows them spelled right.
std::wstring ShownProblemMessage(const std::wstring& message);

// The main menu's summary of LastScan.ini's values: the counts of the last
// scan, "Last scan: no scan has been performed." for an explicit "FALSE",
// and "No scan yet" while any count is missing (no scan recorded).
std::wstring LastScanLine(const std::wstring& performed, const std::wstring& errors, const std::wstring& fixed,
                          const std::wstring& remain);

// The name a start-up row shows: the program's description, or, when it
// names nothing (empty, or "product | file description | type" with the
// first two empty), the file name of its program file (from `filePath`,
// else from the command line's program part).
std::wstring StartupItemName(const std::wstring& description, const std::wstring& filePath,
                             const std::wstring& commandLine);

// A list row's name with its count: "name(count)", no blank between.
std::wstring WithCount(const std::wstring& name, int count);

// `caption` with its accelerator: "&" before the first `letter` (any case)
// that is not part of a "&&". Unchanged when the letter is 0 or absent.
std::wstring WithAccelerator(const std::wstring& caption, wchar_t letter);

// A marked caption as it reads: "&&" is one ampersand, a single "&" no
// character; and the letter it marks (0 for none).
std::wstring WithoutAccelerator(const std::wstring& text);
wchar_t AcceleratorOf(const std::wstring& text);

// The accelerator letter of a bottom-bar or header caption; 0 for none.
wchar_t BarAccelerator(std::wstring_view caption);

}  // namespace uitext
