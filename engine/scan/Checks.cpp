#include "scan/Checks.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "core/ComPtr.h"
#include "core/RegistryKey.h"
#include "core/ReportBox.h"
#include "core/SysCalls.h"
#include "pure/PathRules.h"
#include "pure/TextRules.h"
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

using Answer = pure::ExistenceCache::Answer;

bool FindEntry(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    UniqueFindHandle search(sys::FindFirst(path.c_str(), &data));
    return static_cast<bool>(search);
}

// HKEY_CLASSES_ROOT\path in one view, asked once per scan when there is a cache.
bool ClassesKeyExists(const std::wstring& path, int view, pure::ExistenceCache* cache)
{
    auto ask = [&] {
        LONG rc = ERROR_SUCCESS;
        UniqueHKey key = regkey::OpenKey(HKEY_CLASSES_ROOT, path, view, regkey::kOpenKeyContext, &rc);
        if (rc == ERROR_SUCCESS) return Answer::Yes;
        return rc == ERROR_FILE_NOT_FOUND ? Answer::No : Answer::Unsure;
    };
    if (!cache) return ask() == Answer::Yes;
    return cache->Get(view == kView64 ? L'6' : L'3', path, ask);
}

bool OpenInEitherView(const CRegEngine& engine, const std::wstring& path, int view, pure::ExistenceCache* cache)
{
    if (ClassesKeyExists(path, view, cache)) return true;
    return engine.Is64BitWindows() && ClassesKeyExists(path, OtherView(view), cache);
}

// The file test itself, never cached.
bool CheckFileExistNow(const std::wstring& path, const CRegEngine& engine, FileView fileView)
{
    const std::wstring tested = Maps32(fileView) ? pure::SystemFolderAs32Bit(path, WindowsFolder()) : path;
    if (fileView != FileView::Native || !engine.facts.isWow64Process) return FindEntry(tested);

    const SystemFacts& facts = engine.facts;
    if (!facts.disableRedirection || !facts.revertRedirection) {
        report::ShowError(GetLastError(), kDisableCaption);
        return FindEntry(tested);
    }
    PVOID previous = nullptr;
    if (!facts.disableRedirection(&previous)) {
        report::ShowError(GetLastError(), kDisableCaption);
        return FindEntry(tested);
    }
    bool found = FindEntry(tested);
    if (!facts.revertRedirection(previous)) report::ShowError(GetLastError(), kRevertCaption);
    return found;
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

bool CheckFileExist(const std::wstring& path, const CRegEngine& engine, FileView fileView)
{
    pure::ExistenceCache* cache = ScanFileCache();
    if (!cache) return CheckFileExistNow(path, engine, fileView);
    return cache->Get(fileView == FileView::Native ? L'N' : L'3', path, [&] {
        return CheckFileExistNow(path, engine, fileView) ? Answer::Yes : Answer::No;
    });
}

bool IsPathExist(const std::wstring& path, const CRegEngine& engine, FileView fileView)
{
    return pure::PathExistsByCuts(path, [&](const std::wstring& p) { return CheckFileExist(p, engine, fileView); });
}

bool IsClassKeyExist(const CRegEngine& engine, int view, const std::wstring& name)
{
    if (name.empty()) return true;
    return OpenInEitherView(engine, name, view, ScanClassNameCache());
}

bool IsTypeIdExist(const std::wstring& id, const std::wstring& contextPath, const std::wstring& kind, int view,
                   const CRegEngine& engine)
{
    if (id.empty()) return false;
    if (contextPath.find(id) != std::wstring::npos) return true;
    const wchar_t* tree = TreeOfKind(kind);
    if (!tree) return false;
    return OpenInEitherView(engine, std::wstring(tree) + L"\\" + id, view, ScanIdentifierCache());
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
