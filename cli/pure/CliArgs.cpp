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
    {kOptYes, L"--yes", false},
    {kOptWeekly, L"--weekly", true},
    {kOptAt, L"--at", true},
    {kOptListCategories, L"--list-categories", false},
    {kOptProgress, L"--progress", true},
    {kOptCompare, L"--compare", true},
    {kOptThreads, L"--threads", true},
    {kOptAll, L"--all", false},
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

// A bare number where an item is named is the position of an earlier
// listing; it is refused, since one new value shifts every later item.
bool IsPosition(const std::wstring& text) { return ParseIndex(text) >= 0; }

std::wstring CheckedStartup(Arguments& a)
{
    if (a.operands.empty()) {
        if (a.all) return L"option '--all' only applies to 'startup enable'";
        return std::wstring();
    }
    const std::wstring& verb = a.operands[0];
    if (verb != L"disable" && verb != L"enable" && verb != L"remove" && verb != L"disabled")
        return L"unknown startup action '" + verb + L"' (disable, enable, remove or disabled)";
    if (a.all && verb != L"enable") return L"option '--all' only applies to 'startup enable'";
    a.action = verb;
    if (verb == L"disabled" || a.all) {
        if (a.operands.size() != 1) return L"unexpected argument '" + a.operands[1] + L"'";
        return std::wstring();
    }
    if (a.operands.size() != 2) return L"startup " + verb + L" needs the item as listed (ROOT\\key\\value)";
    if (IsPosition(a.operands[1]))
        return L"'" + a.operands[1] + L"' is a position; name the item as 'startup' lists it (ROOT\\key\\value)";
    a.item = a.operands[1];
    return std::wstring();
}

std::wstring CheckedSchedule(Arguments& a)
{
    std::wstring verb = a.operands.empty() ? std::wstring() : a.operands[0];
    bool timing = !a.weekly.empty() || !a.at.empty();
    if (verb.empty()) {
        if (timing) return L"options '--weekly' and '--at' only apply to 'schedule add'";
    } else if (verb == L"add") {
        if (a.operands.size() != 1) return L"unexpected argument '" + a.operands[1] + L"'";
        if (a.weekly.empty() || a.at.empty()) return L"schedule add needs --weekly DAYS and --at HH:MM";
        a.weekDays = ParseWeekDays(a.weekly);
        if (!a.weekDays) return L"'" + a.weekly + L"' is not a list of days like Mon,Wed";
        if (!ParseClock(a.at, a.hour, a.minute)) return L"'" + a.at + L"' is not a time like 18:30";
    } else if (verb == L"delete") {
        if (timing) return L"options '--weekly' and '--at' only apply to 'schedule add'";
        if (a.operands.size() != 2) return L"schedule delete needs the trigger as listed";
        if (IsPosition(a.operands[1]))
            return L"'" + a.operands[1] + L"' is a position; name the trigger as 'schedule' lists it";
        a.item = a.operands[1];
    } else if (verb == L"delete-task") {
        if (timing) return L"options '--weekly' and '--at' only apply to 'schedule add'";
        if (a.operands.size() != 1) return L"unexpected argument '" + a.operands[1] + L"'";
    } else {
        return L"unknown schedule action '" + verb + L"' (add, delete or delete-task)";
    }
    a.action = verb;
    return std::wstring();
}

std::wstring Checked(Arguments& a)
{
    if (a.command == Command::Startup) return CheckedStartup(a);
    if (a.command == Command::Schedule) return CheckedSchedule(a);
    return std::wstring();
}

bool IsHelp(const std::wstring& a)
{
    return a == L"--help" || a == L"-h" || a == L"-?" || a == L"/?";
}

}  // namespace

const std::vector<CommandSpec>& CommandTable()
{
    static const std::vector<CommandSpec> table = {
        {Command::Scan, L"scan",
         kOptJson | kOptCategory | kOptSettings | kOptQuiet | kOptListCategories | kOptProgress | kOptCompare |
             kOptThreads,
         L"", 0, 0, L"scan the registry and list the problems found"},
        {Command::Categories, L"categories", kOptJson | kOptSettings, L"", 0, 0,
         L"list the scan categories and their flags"},
        {Command::Fix, L"fix",
         kOptJson | kOptCategory | kOptSettings | kOptQuiet | kOptYes | kOptProgress | kOptThreads, L"", 0, 0, L"scan, back up what would change, then fix (only with --yes)"},
        {Command::Backup, L"backup", kOptJson, L"", 0, 0, L"make a full backup of the registry"},
        {Command::Backups, L"backups", kOptJson, L"", 0, 0, L"list the backups"},
        {Command::Restore, L"restore", kOptJson, L"NAME", 1, 1, L"restore the backup NAME"},
        {Command::DeleteBackup, L"delete-backup", kOptJson, L"NAME", 1, 1, L"delete the backup NAME"},
        {Command::Ignored, L"ignored", kOptJson, L"", 0, 0, L"list the ignore list"},
        {Command::Startup, L"startup", kOptJson | kOptAll, L"[disable|enable|remove ITEM|disabled]", 0, 2,
         L"list the startup programs, change ITEM (as listed), or list Tamsel's disabled ones"},
        {Command::Schedule, L"schedule", kOptJson | kOptWeekly | kOptAt, L"[add|delete TRIGGER|delete-task]", 0,
         2, L"list the scheduled scans, add one, delete TRIGGER (as listed) or the whole task"},
        {Command::Help, L"help", 0, L"", 0, 0, L"show this text"},
    };
    return table;
}

bool WantsJson(const std::vector<std::wstring>& argv)
{
    for (const std::wstring& a : argv)
        if (a == L"--json") return true;
    return false;
}

std::wstring CommandName(Command command)
{
    for (const CommandSpec& c : CommandTable())
        if (c.command == command) return c.name;
    return std::wstring();
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
                case kOptListCategories:
                    r.args.listCategories = true;
                    break;
                case kOptCategory:
                    r.args.categories.push_back(value);
                    break;
                case kOptSettings:
                    r.args.settingsFile = value;
                    break;
                case kOptYes:
                    r.args.yes = true;
                    break;
                case kOptWeekly:
                    r.args.weekly = value;
                    break;
                case kOptAt:
                    r.args.at = value;
                    break;
                case kOptCompare:
                    r.args.compareFile = value;
                    break;
                case kOptThreads:
                    r.args.threads = ParseIndex(value);
                    if (r.args.threads < 1 || r.args.threads > 64) {
                        r.error = L"option '--threads' takes a number from 1 to 64";
                        return r;
                    }
                    break;
                case kOptAll:
                    r.args.all = true;
                    break;
                case kOptProgress:
                    if (value != L"json" && value != L"text") {
                        r.error = L"option '--progress' takes json or text";
                        return r;
                    }
                    r.args.progressJson = value == L"json";
                    break;
            }
            continue;
        }
        if (command) {
            if (static_cast<int>(r.args.operands.size()) >= command->maxOperands) {
                r.error = L"unexpected argument '" + a + L"'";
                return r;
            }
            r.args.operands.push_back(a);
            continue;
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
    if (static_cast<int>(r.args.operands.size()) < command->minOperands) {
        r.error = std::wstring(L"'") + command->name + L"' needs " + command->operands;
        return r;
    }
    r.args.command = command->command;
    r.error = Checked(r.args);
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
        if (*c.operands) name += std::wstring(L" ") + c.operands;
        if (name.size() < 36)
            name.resize(36, L' ');
        else
            name += L" ";
        t += L"  " + name + c.summary + L"\n";
    }
    t += L"\n"
         L"options of every command but help:\n"
         L"  --json             print one JSON document (UTF-8) on stdout instead of text, also when\n"
         L"                     the command fails (then with \"error\" and \"exitCode\")\n"
         L"options of scan:\n"
         L"  --category NAME    scan only this category (repeatable; names as 'categories' lists them)\n"
         L"  --settings FILE    use this scan settings file instead of scanSetting.xml\n"
         L"  --quiet            no progress on stderr\n"
         L"  --progress=json    progress as one JSON object a line on stderr (category, and the\n"
         L"                     itemsExamined and problems so far; at most ten a second, and one\n"
         L"                     with \"done\" per finished category)\n"
         L"  --list-categories  list index, element name, category name and enabled flag; scan nothing\n"
         L"  --compare OLD      compare with OLD, the report of an earlier 'scan --json': new, gone and\n"
         L"                     unchanged problems (\"3 new, 5 gone since ...\")\n"
         L"  --threads N        scan on at most N threads (1: one thread, the old way); default: the\n"
         L"                     [Scan] Threads setting of Registry.ini, else one per processor\n"
         L"options of categories:\n"
         L"  --settings FILE    list the categories of this file\n"
         L"options of fix:\n"
         L"  --category, --settings, --quiet, --progress, --threads as for scan\n"
         L"  --yes              really back up and fix; without it only the problems are shown\n"
         L"options of startup enable:\n"
         L"  --all              enable every program Tamsel disabled (exit 1 when some stay disabled)\n"
         L"options of schedule add:\n"
         L"  --weekly DAYS      days like Mon,Wed\n"
         L"  --at HH:MM         start time\n"
         L"\n"
         L"exit code: 0 no problem found or done, 1 problems found or not all fixed, 2 error or stopped "
         L"scan\n";
    return t;
}

int ParseIndex(const std::wstring& text)
{
    if (text.empty() || text.size() > 10) return -1;
    long long v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
        v = v * 10 + (c - L'0');
    }
    return v > 2147483647LL ? -1 : static_cast<int>(v);
}

namespace {
const wchar_t* const kDayNames[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
const wchar_t* const kDays[] = {L"sun", L"mon", L"tue", L"wed", L"thu", L"fri", L"sat"};
}  // namespace

std::wstring FormatWeekDays(unsigned short bits)
{
    std::wstring t;
    for (int i = 0; i < 7; ++i) {
        if (!(bits & (1u << i))) continue;
        if (!t.empty()) t += L",";
        t += kDayNames[i];
    }
    return t;
}

unsigned short ParseWeekDays(const std::wstring& text)
{
    unsigned short bits = 0;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(L',', start);
        std::wstring day =
            text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        for (wchar_t& c : day)
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        int found = -1;
        for (int i = 0; i < 7; ++i)
            if (day == kDays[i]) found = i;
        if (found < 0 || (bits & (1u << found))) return 0;
        bits = static_cast<unsigned short>(bits | (1u << found));
        if (comma == std::wstring::npos) return bits;
        start = comma + 1;
    }
}

bool ParseClock(const std::wstring& text, unsigned short& hour, unsigned short& minute)
{
    size_t colon = text.find(L':');
    if (colon == std::wstring::npos || colon == 0 || colon > 2 || text.size() != colon + 3) return false;
    int h = ParseIndex(text.substr(0, colon)), m = ParseIndex(text.substr(colon + 1));
    if (h < 0 || h > 23 || m < 0 || m > 59) return false;
    hour = static_cast<unsigned short>(h);
    minute = static_cast<unsigned short>(m);
    return true;
}

}  // namespace cli
