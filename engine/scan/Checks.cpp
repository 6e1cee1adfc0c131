#include "scan/Checks.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "core/ComPtr.h"
#include "core/Handles.h"
#include "core/ReportBox.h"
#include "core/SysCalls.h"
#include "pure/PathRules.h"
#include "pure/ShortcutRules.h"
#include "pure/TextRules.h"
#include "scan/DriveCheck.h"
#include "scan/FileFind.h"
#include "scan/ScanCache.h"

namespace scan {
namespace {

constexpr DWORD kShortExpandCapacity = 520;  // characters
constexpr wchar_t kExpandCaption[] = L"ExpandEnvironmentStrings";
constexpr wchar_t kDisableCaption[] = L"CheckFileExist-Wow64DisableWow64FsRedirection()";
constexpr wchar_t kRevertCaption[] = L"CheckFileExist-Wow64RevertWow64FsRedirection()";

// A 64-bit process sees the native folders and has to map a 32-bit
// program's view itself; a 32-bit one gets it from the system.
#ifdef _WIN64
constexpr bool kMapsThirtyTwoBitView = true;
#else
constexpr bool kMapsThirtyTwoBitView = false;
#endif

bool Maps32(FileView fileView)
{
    return kMapsThirtyTwoBitView && fileView == FileView::As32BitProgram;
}

const std::wstring& WindowsFolder()
{
    static const std::wstring folder = [] {
        wchar_t buffer[MAX_PATH + 1] = {};
        UINT n = GetSystemWindowsDirectoryW(buffer, MAX_PATH);
        return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
    }();
    return folder;
}

void Note(NotCheckedPath* why, std::wstring path, int reason, DWORD error)
{
    if (!why) return;
    why->path = std::move(path);
    why->reason = reason;
    why->error = error;
}

// HKEY_CLASSES_ROOT\path in one view, asked once per scan when there is a
// cache. No error box: a key that cannot be opened is listed as not checked.
Presence ClassesKeyExists(const CRegEngine& engine, const std::wstring& path, int view, pure::ExistenceCache* cache,
                          NotCheckedPath* why)
{
    LONG rc = ERROR_SUCCESS;
    auto ask = [&] {
        UniqueHKey key;
        rc = sys::OpenKey(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ | static_cast<REGSAM>(view), key.put());
        if (rc != ERROR_SUCCESS) key.release();
        return pure::PresenceOfKeyOpenError(static_cast<uint32_t>(rc));
    };
    const Presence answer = cache ? cache->Get(view == kView64 ? L'6' : L'3', path, ask) : ask();
    if (answer == Presence::Unknown) {
        const bool redirected = view == kView32 && engine.Is64BitWindows();
        Note(why, std::wstring(L"HKEY_CLASSES_ROOT\\") + (redirected ? L"Wow6432Node\\" : L"") + path,
             NotCheckedPath::kSystemError, static_cast<DWORD>(rc));
    }
    return answer;
}

Presence OpenInEitherView(const CRegEngine& engine, const std::wstring& path, int view, pure::ExistenceCache* cache,
                          NotCheckedPath* why)
{
    const Presence first = ClassesKeyExists(engine, path, view, cache, why);
    if (first == Presence::Present || !engine.Is64BitWindows()) return first;
    NotCheckedPath other;
    const Presence second = ClassesKeyExists(engine, path, OtherView(view), cache, &other);
    if (first != Presence::Unknown && second == Presence::Unknown && why) *why = other;
    return pure::EitherOf(first, second);
}

// The file search itself, never cached: ERROR_SUCCESS or its error.
DWORD FindErrorNow(const std::wstring& path, const CRegEngine& engine, FileView fileView)
{
    const std::wstring tested = Maps32(fileView) ? pure::SystemFolderAs32Bit(path, WindowsFolder()) : path;
    if (fileView != FileView::Native || !engine.facts.isWow64Process) return FindFileError(tested);

    const SystemFacts& facts = engine.facts;
    if (!facts.disableRedirection || !facts.revertRedirection) {
        report::ShowError(GetLastError(), kDisableCaption);
        return FindFileError(tested);
    }
    PVOID previous = nullptr;
    if (!facts.disableRedirection(&previous)) {
        report::ShowError(GetLastError(), kDisableCaption);
        return FindFileError(tested);
    }
    const DWORD error = FindFileError(tested);
    if (!facts.revertRedirection(previous)) report::ShowError(GetLastError(), kRevertCaption);
    return error;
}

const wchar_t* TreeOfKind(const std::wstring& kind)
{
    if (pure::EqualsNoCase(kind, L"CLSID")) return L"clsid";
    if (pure::EqualsNoCase(kind, L"TYPELIB")) return L"typelib";
    if (pure::EqualsNoCase(kind, L"APPID")) return L"appid";
    if (pure::EqualsNoCase(kind, L"INTERFACE")) return L"interface";
    return nullptr;
}

}  // namespace

FileView FileViewFor(const CRegEngine& engine, int view)
{
    return view == kView32 && engine.Is64BitWindows() ? FileView::As32BitProgram : FileView::Native;
}

int OtherView(int view)
{
    return view == kView64 ? kView32 : kView64;
}

bool ExpandEnvString(const std::wstring& text, size_t capacity, std::wstring& out, FileView fileView)
{
    out.clear();
    const std::wstring source = Maps32(fileView) ? pure::ProgramFilesVariablesAs32Bit(text) : text;
    std::wstring expanded;
    if (source.find(L'%') == std::wstring::npos) {
        // Nothing to expand; only the size limit applies.
        if (source.size() + 1 > kExpandCapacity) {
            report::Show(L"Buffer too small to expand", kExpandCaption, MB_OK);
            return false;
        }
        expanded = source;
    } else {
        // Most texts fit a short buffer; the full one is only made when the
        // system asks for more.
        std::vector<wchar_t> work(kShortExpandCapacity, L'\0');
        DWORD n = ExpandEnvironmentStringsW(source.c_str(), work.data(), static_cast<DWORD>(work.size()));
        if (n > kShortExpandCapacity && n <= kExpandCapacity) {
            work.assign(kExpandCapacity, L'\0');
            n = ExpandEnvironmentStringsW(source.c_str(), work.data(), static_cast<DWORD>(work.size()));
        }
        if (n > kExpandCapacity) {
            report::Show(L"Buffer too small to expand", kExpandCaption, MB_OK);
            return false;
        }
        if (n == 0) {
            report::ShowError(GetLastError(), kExpandCaption);
            return false;
        }
        work.back() = L'\0';
        expanded.assign(work.data());
    }
    if (fileView == FileView::Native) expanded = pure::NativeProgramFiles(source, expanded);
    if (capacity == 0) return true;
    if (expanded.size() > capacity - 1) expanded.resize(capacity - 1);
    out = std::move(expanded);
    return true;
}

bool ExtractFilePath(const std::wstring& data, std::wstring& path, FileView fileView)
{
    path.clear();
    if (data.empty()) return false;
    std::wstring expanded;
    if (!ExpandEnvString(data, kExpandCapacity, expanded, fileView)) return false;
    return pure::FindDrivePath(expanded, path);
}

Presence CheckFileExist(const std::wstring& path, const CRegEngine& engine, FileView fileView, NotCheckedPath* why)
{
    DWORD error = ERROR_SUCCESS;
    auto ask = [&] {
        error = FindErrorNow(path, engine, fileView);
        return pure::PresenceOfFindError(error);
    };
    pure::ExistenceCache* cache = ScanFileCache();
    const Presence answer = cache ? cache->Get(fileView == FileView::Native ? L'N' : L'3', path, ask) : ask();
    if (answer == Presence::Unknown) Note(why, path, NotCheckedPath::kSystemError, error);
    return answer;
}

Presence IsPathExist(const std::wstring& path, const CRegEngine& engine, FileView fileView, NotCheckedPath* why)
{
    const std::wstring_view trimmed = pure::TrimSpace(path);
    wchar_t drive = L'\0';
    switch (pure::PlaceOfTarget(trimmed, drive)) {
    case pure::TargetPlace::Unc:
        Note(why, std::wstring(trimmed), NotCheckedPath::kNetworkPath, 0);
        return Presence::Unknown;
    case pure::TargetPlace::Drive: {
        int reason = 0;
        DWORD error = 0;
        if (IsJudgedDrive(drive, reason, error)) break;
        Note(why, std::wstring(trimmed), reason, error);
        return Presence::Unknown;
    }
    case pure::TargetPlace::Other:
        break;
    }
    bool noted = false;
    return pure::PathExistsByCuts(path, [&](const std::wstring& candidate) {
        const Presence answer = CheckFileExist(candidate, engine, fileView, noted ? nullptr : why);
        noted = noted || answer == Presence::Unknown;
        return answer;
    });
}

Presence IsClassKeyExist(const CRegEngine& engine, int view, const std::wstring& name, NotCheckedPath* why)
{
    if (name.empty()) return Presence::Present;
    return OpenInEitherView(engine, name, view, ScanClassNameCache(), why);
}

Presence IsTypeIdExist(const std::wstring& id, const std::wstring& contextPath, const std::wstring& kind, int view,
                       const CRegEngine& engine, NotCheckedPath* why)
{
    if (id.empty()) return Presence::Missing;
    if (contextPath.find(id) != std::wstring::npos) return Presence::Present;
    const wchar_t* tree = TreeOfKind(kind);
    if (!tree) return Presence::Missing;
    return OpenInEitherView(engine, std::wstring(tree) + L"\\" + id, view, ScanIdentifierCache(), why);
}

bool ResolveShortcut(const std::wstring& linkPath, std::wstring& target)
{
    target.clear();
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(IID_IPersistFile, file))) return false;
    sys::Count(sys::Call::ShellLinkLoad);
    if (FAILED(file->Load(linkPath.c_str(), STGM_READ))) return false;

    std::vector<wchar_t> buffer(kShortcutTargetCapacity, L'\0');
    WIN32_FIND_DATAW found{};
    link->GetPath(buffer.data(), kShortcutTargetCapacity, &found, SLGP_SHORTPATH);  // result not needed
    buffer.back() = L'\0';
    target.assign(buffer.data());
    return true;
}

}  // namespace scan
