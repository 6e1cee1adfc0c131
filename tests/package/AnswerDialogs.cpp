// answer_dialogs.exe SECONDS RULE...: answers the dialogs of another
// program (an installer or uninstaller run without /S) as a user would.
// A RULE is "TEXT=>BUTTON": when a visible dialog whose texts contain TEXT
// has an enabled button BUTTON ("&" ignored), the button is pressed, once
// per rule, and "TEXT=>BUTTON" is printed. A rule ending in "!" ends the run
// after its press (exit 0); exits 1 when that has not happened in SECONDS,
// printing what the dialogs then show.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Rule {
    std::wstring text, button;
    bool last = false, done = false;
};

std::wstring TextOf(HWND h)
{
    wchar_t buf[1024] = L"";
    // Another process's window: WM_GETTEXT through SendMessageTimeout, so a
    // busy program cannot hang the helper.
    DWORD_PTR n = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 1000, &n);
    std::wstring t = buf;
    std::wstring plain;
    for (wchar_t c : t)
        if (c != L'&') plain += c;
    return plain;
}

struct Dialog {
    std::wstring texts;
    std::vector<std::pair<HWND, std::wstring>> buttons;
};

BOOL CALLBACK VisitChild(HWND h, LPARAM lp)
{
    auto* d = reinterpret_cast<Dialog*>(lp);
    if (!IsWindowVisible(h)) return TRUE;
    wchar_t cls[32] = L"";
    GetClassNameW(h, cls, 32);
    std::wstring text = TextOf(h);
    if (lstrcmpiW(cls, L"Button") == 0 && IsWindowEnabled(h)) d->buttons.emplace_back(h, text);
    d->texts += text + L"\n";
    return TRUE;
}

BOOL CALLBACK VisitTop(HWND h, LPARAM lp)
{
    auto* dialogs = reinterpret_cast<std::vector<Dialog>*>(lp);
    wchar_t cls[32] = L"";
    GetClassNameW(h, cls, 32);
    if (!IsWindowVisible(h) || lstrcmpW(cls, L"#32770") != 0) return TRUE;
    Dialog d;
    d.texts = TextOf(h) + L"\n";
    EnumChildWindows(h, &VisitChild, reinterpret_cast<LPARAM>(&d));
    dialogs->push_back(std::move(d));
    return TRUE;
}

// Presses the button of the first rule that matches a dialog; true when
// that rule was the last.
bool AnswerOnce(std::vector<Rule>& rules)
{
    std::vector<Dialog> dialogs;
    EnumWindows(&VisitTop, reinterpret_cast<LPARAM>(&dialogs));
    for (Rule& r : rules) {
        if (r.done) continue;
        for (const Dialog& d : dialogs) {
            if (d.texts.find(r.text) == std::wstring::npos) continue;
            for (const auto& [button, label] : d.buttons) {
                if (label != r.button) continue;
                PostMessageW(button, BM_CLICK, 0, 0);
                r.done = true;
                std::wprintf(L"%ls=>%ls\n", r.text.c_str(), r.button.c_str());
                std::fflush(stdout);
                return r.last;
            }
        }
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: answer_dialogs SECONDS TEXT=>BUTTON[!]...\n");
        return 2;
    }
    std::vector<Rule> rules;
    for (int i = 2; i < argc; ++i) {
        std::wstring arg = argv[i];
        size_t arrow = arg.find(L"=>");
        if (arrow == std::wstring::npos) {
            std::fwprintf(stderr, L"answer_dialogs: no => in %ls\n", argv[i]);
            return 2;
        }
        Rule r;
        r.text = arg.substr(0, arrow);
        r.button = arg.substr(arrow + 2);
        if (!r.button.empty() && r.button.back() == L'!') {
            r.last = true;
            r.button.pop_back();
        }
        rules.push_back(r);
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(_wtoi(argv[1])) * 1000;
    while (GetTickCount64() < deadline) {
        if (AnswerOnce(rules)) return 0;
        Sleep(300);  // the pressed dialog closes, the next one opens
    }
    std::fwprintf(stderr, L"answer_dialogs: the last rule was not reached in %ls s; the dialogs show:\n", argv[1]);
    std::vector<Dialog> dialogs;
    EnumWindows(&VisitTop, reinterpret_cast<LPARAM>(&dialogs));
    for (const Dialog& d : dialogs) {
        std::wstring buttons;
        for (const auto& b : d.buttons) buttons += L"[" + b.second + L"] ";
        std::fwprintf(stderr, L"---\n%ls%ls\n", d.texts.c_str(), buttons.c_str());
    }
    return 1;
}
