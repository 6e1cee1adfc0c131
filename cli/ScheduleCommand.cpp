// TamselCli schedule: the weekly triggers of the scan task.
#include <cstdio>

#include "Commands.h"
#include "Console.h"
#include "EngineBinding.h"
#include "ScanProgress.h"

namespace cli {
namespace {

constexpr wchar_t kForeignTask[] =
    L"the scheduled task \"Registry Task\" starts another program; Tamsel leaves it alone";

std::wstring TwoDigits(unsigned v)
{
    wchar_t buf[8];
    std::swprintf(buf, 8, L"%02u", v % 100u);
    return buf;
}

std::wstring Describe(const TASK_TRIGGER& t)
{
    std::wstring when = TwoDigits(t.wStartHour) + L":" + TwoDigits(t.wStartMinute);
    std::wstring from =
        std::to_wstring(t.wBeginYear) + L"-" + TwoDigits(t.wBeginMonth) + L"-" + TwoDigits(t.wBeginDay);
    if (t.TriggerType == TASK_TIME_TRIGGER_WEEKLY)
        return L"weekly " + FormatWeekDays(t.Type.Weekly.rgfDaysOfTheWeek) + L" at " + when + L" from " +
               from;
    return L"trigger type " + std::to_wstring(static_cast<int>(t.TriggerType)) + L" at " + when + L" from " +
           from;
}

TASK_TRIGGER WeeklyTrigger(const Arguments& args)
{
    SYSTEMTIME today{};
    GetLocalTime(&today);
    TASK_TRIGGER t{};
    t.cbTriggerSize = sizeof t;
    t.wBeginYear = today.wYear;
    t.wBeginMonth = today.wMonth;
    t.wBeginDay = today.wDay;
    t.wStartHour = args.hour;
    t.wStartMinute = args.minute;
    t.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
    t.Type.Weekly.WeeksInterval = 1;
    t.Type.Weekly.rgfDaysOfTheWeek = args.weekDays;
    return t;
}

void WriteTrigger(report::JsonWriter& w, int index, const TASK_TRIGGER& t)
{
    w.BeginObject();
    if (index >= 0) w.Member("index", index);
    w.Member("description", Describe(t));
    if (t.TriggerType == TASK_TIME_TRIGGER_WEEKLY)
        w.Member("weekly", FormatWeekDays(t.Type.Weekly.rgfDaysOfTheWeek));
    w.Member("at", TwoDigits(t.wStartHour) + L":" + TwoDigits(t.wStartMinute)).EndObject();
}

}  // namespace

int RunSchedule(const CommandContext& ctx)
{
    const Arguments& args = ctx.args;
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    if (args.action == L"delete-task") {
        // The uninstaller's step: the task goes with all its triggers, but
        // only when it is this Tamsel's.
        const int result = engine->DeleteScheduleTask();
        if (result == 2) {
            PrintError(kForeignTask);
            if (ctx.json) ctx.json->Body().MemberBool("taskDeleted", false).Member("leftAlone", kForeignTask);
            return kExitProblems;
        }
        if (result != 1 && result != 3) throw CliError{L"cannot delete the scan task"};
        if (ctx.json)
            ctx.json->Body().MemberBool("taskDeleted", result == 1);
        else
            Out().Write(result == 1 ? L"deleted the scan task\n" : L"there is no scan task\n");
        return kExitClean;
    }
    const int ensured = engine->EnsureScheduleTask();
    if (ensured == 2) throw CliError{kForeignTask};
    if (ensured != 1) throw CliError{L"cannot open or create the scan task"};
    if (args.action == L"add") {
        if (engine->AddSchedule(WeeklyTrigger(args)) != 1)
            throw CliError{L"cannot add the trigger to the scan task"};
        if (ctx.json) {
            ctx.json->Body().Key("added");
            WriteTrigger(ctx.json->Body(), -1, WeeklyTrigger(args));  // not yet numbered
        } else {
            Out().Write(L"added: " + Describe(WeeklyTrigger(args)) + L"\n");
        }
        return kExitClean;
    }
    PtrArray<ScangetTaskTrigger> triggers;  // ours: the records are the caller's
    if (!engine->GetScheduleTriggers(&triggers)) throw CliError{L"cannot read the triggers of the scan task"};
    if (args.action == L"delete") {
        // Named by its text, found in the task as it is now; identical
        // triggers are interchangeable.
        int index = -1;
        for (int i = 0; i < triggers.GetCount() && index < 0; ++i)
            if (CompareStringOrdinal(Describe(triggers[i]->trigger).c_str(), -1, args.item.c_str(), -1, TRUE) ==
                CSTR_EQUAL)
                index = i;
        if (index < 0) throw CliError{L"no trigger '" + args.item + L"' (see TamselCli schedule)"};
        if (engine->DeleteSchedule(index, 0) != 1) throw CliError{L"cannot delete the trigger '" + args.item + L"'"};
        if (ctx.json) {
            ctx.json->Body().Key("deleted");
            WriteTrigger(ctx.json->Body(), index, triggers[index]->trigger);
        } else {
            Out().Write(L"deleted trigger: " + Describe(triggers[index]->trigger) + L"\n");
        }
        return kExitClean;
    }
    if (ctx.json) {
        report::JsonWriter& w = ctx.json->Body();
        w.Key("triggers").BeginArray();
        for (int i = 0; i < triggers.GetCount(); ++i) WriteTrigger(w, i, triggers[i]->trigger);
        w.EndArray();
        return kExitClean;
    }
    std::wstring text;
    for (int i = 0; i < triggers.GetCount(); ++i)
        text += std::to_wstring(i) + L"\t" + Describe(triggers[i]->trigger) + L"\n";
    text += std::to_wstring(triggers.GetCount()) + L" trigger(s)\n";
    Out().Write(text);
    return kExitClean;
}

}  // namespace cli
