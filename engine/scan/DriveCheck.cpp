#include "scan/DriveCheck.h"

#include <atomic>

#include "corvex/NotChecked.h"
#include "pure/Presence.h"
#include "pure/TextRules.h"
#include "scan/ScanCache.h"

namespace scan {
namespace {

DriveState AskSystem(wchar_t letter)
{
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    DriveState state;
    state.type = GetDriveTypeW(root);
    if (state.type != DRIVE_FIXED && state.type != DRIVE_RAMDISK) return state;
    // No "insert a disk" box from a volume that does not answer.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
        state.readyError = GetLastError();
        if (state.readyError == ERROR_SUCCESS) state.readyError = ERROR_NOT_READY;
    }
    SetErrorMode(oldMode);
    return state;
}

std::atomic<DriveProbe> g_probe{&AskSystem};

}  // namespace

DriveProbe SetDriveProbeForTests(DriveProbe probe)
{
    return g_probe.exchange(probe ? probe : &AskSystem);
}

bool IsJudgedDrive(wchar_t letter, int& reason, DWORD& error)
{
    letter = pure::AsciiUpper(letter);
    if (letter < L'A' || letter > L'Z') {
        reason = NotCheckedPath::kNoSuchDrive;
        error = 0;
        return false;
    }
    DriveState state;
    DriveStates* kept = ScanDriveStates();
    if (kept && kept->asked[letter - L'A']) {
        state = kept->states[letter - L'A'];
    } else {
        state = g_probe.load()(letter);
        if (kept) {
            kept->states[letter - L'A'] = state;
            kept->asked[letter - L'A'] = true;
        }
    }
    error = 0;
    if (pure::IsJudgedDrive(state.type, state.readyError, reason)) return true;
    if (reason == NotCheckedPath::kDriveNotReady) error = state.readyError;
    return false;
}

}  // namespace scan
