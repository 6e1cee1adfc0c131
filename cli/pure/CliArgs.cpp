#include "cli/pure/CliArgs.h"

namespace cli {
namespace {

struct OptionSpec {
    Option option;
    const wchar_t* name;
    bool takesValue;
};

const OptionSpec kOptions[] = {
    {kOptJson, L"--json", false},
    {kOptCategory, L"--category", true},
    {kOptSettings, L"--settings", true},
    {kOptQuiet, L"--quiet", false},
};

const OptionSpec* FindOption(const std::wstring& name)
{
    for (const OptionSpec& o : kOptions)
        if (name == o.name) return &o;
    return nullptr;
}

const CommandSpec* FindCommand(const std::wstring& name)
{
    for (const CommandSpec& c : CommandTable())
        if (name == c.name) return &c;
    return nullptr;
}

bool IsHelp(const std::wstring& a)
{
    return a == L"--help" || a == L"-h" || a == L"-?" || a == L"/?";
}

}  // namespace

const std::vector<CommandSpec>& CommandTable()
{
    static const std::vector<CommandSpec> table = {
        {Command::Scan, L"scan", kOptJson | kOptCategory | kOptSettings | kOptQuiet,
         L"scan the registry and list the problems found"},
        {Command::Categories, L"categories", kOptSettings, L"list the scan categories and their flags"},
        {Command::Help, L"help", 0, L"show this text"},
    };
    return table;
}

ParseResult ParseArguments(const std::vector<std::wstring>& argv)
{
    ParseResult r;
    const CommandSpec* command = nullptr;
    unsigned seen = 0;
    // A help flag anywhere wins over every mistake around it.
    for (const std::wstring& a : argv) {
        if (IsHelp(a)) {
            r.args.command = Command::Help;
            return r;
        }
    }
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::wstring& a = argv[i];
        if (a.size() > 1 && a[0] == L'-') {
            std::wstring name = a, value;
            bool inlineValue = false;
            size_t eq = a.find(L'=');
            if (a.rfind(L"--", 0) == 0 && eq != std::wstring::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
                inlineValue = true;
            }
            const OptionSpec* o = FindOption(name);
            if (!o) {
                r.error = L"unknown option '" + name + L"' (see TamselCli --help)";
                return r;
            }
            if (o->takesValue && !inlineValue) {
                if (i + 1 >= argv.size()) {
                    r.error = L"option '" + name + L"' needs a value";
                    return r;
                }
                value = argv[++i];
            } else if (!o->takesValue && inlineValue) {
                r.error = L"option '" + name + L"' takes no value";
                return r;
            }
            if (o->takesValue && value.empty()) {
                r.error = L"option '" + name + L"' needs a non-empty value";
                return r;
            }
            if (o->option == kOptSettings && (seen & kOptSettings)) {
                r.error = L"option '--settings' given twice";
                return r;
            }
            seen |= o->option;
            switch (o->option) {
                case kOptJson:
                    r.args.json = true;
                    break;
                case kOptQuiet:
                    r.args.quiet = true;
                    break;
                case kOptCategory:
                    r.args.categories.push_back(value);
                    break;
                case kOptSettings:
                    r.args.settingsFile = value;
                    break;
            }
            continue;
        }
        if (command) {
            r.error = L"unexpected argument '" + a + L"'";
            return r;
        }
        command = FindCommand(a);
        if (!command) {
            r.error = L"unknown command '" + a + L"' (see TamselCli --help)";
            return r;
        }
    }
    if (!command) {
        r.error = L"no command given (see TamselCli --help)";
        return r;
    }
    for (const OptionSpec& o : kOptions) {
        if ((seen & o.option) && !(command->options & o.option)) {
            r.error = L"option '" + std::wstring(o.name) + L"' does not apply to '" + command->name + L"'";
            return r;
        }
    }
    r.args.command = command->command;
    return r;
}

std::wstring UsageText()
{
    std::wstring t =
        L"usage: TamselCli <command> [options]\n"
        L"\n"
        L"commands:\n";
    for (const CommandSpec& c : CommandTable()) {
        std::wstring name = c.name;
        name.resize(12, L' ');
        t += L"  " + name + c.summary + L"\n";
    }
    t += L"\n"
         L"options of scan:\n"
         L"  --json             print one JSON document (UTF-8) instead of the text list\n"
         L"  --category NAME    scan only this category (repeatable; names as 'categories' lists them)\n"
         L"  --settings FILE    use this scan settings file instead of scanSetting.xml\n"
         L"  --quiet            no progress on stderr\n"
         L"options of categories:\n"
         L"  --settings FILE    list the categories of this file\n"
         L"\n"
         L"exit code: 0 no problem found, 1 problems found, 2 error or stopped scan\n";
    return t;
}

}  // namespace cli
