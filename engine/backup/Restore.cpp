#include "backup/Restore.h"

#include <vector>

#include "backup/BackupStore.h"
#include "backup/HiveRestore.h"
#include "backup/Privileges.h"
#include "core/Callbacks.h"
#include "core/ComPtr.h"
#include "core/Handles.h"
#include "core/ReportBox.h"
#include "core/XmlDocument.h"
#include "pure/BackupNames.h"

namespace backup {
namespace {

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const wchar_t* const kRootNames[] = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE",
                                     L"HKEY_USERS", L"HKEY_CURRENT_CONFIG"};

bool IsElement(IXMLDOMNode* node)
{
    DOMNodeType type;
    return SUCCEEDED(xml::NodeType(node, &type)) && type == NODE_ELEMENT;
}

// The view an element names: 0 when it has none (index files written before
// views were recorded), -1 for a value that is not a view.
int ElementView(IXMLDOMNode* node)
{
    std::wstring text;
    if (FAILED(xml::TryReadAttribute(node, kViewAttribute, text))) return 0;
    if (text == L"256") return KEY_WOW64_64KEY;
    if (text == L"512") return KEY_WOW64_32KEY;
    return -1;
}

class RestoreRun {
public:
    explicit RestoreRun(const std::wstring& name) : name_(name) {}

    int Run()
    {
        if (!pure::IsValidBackupName(name_)) return 0;
        ScopedPrivileges privileges;
        if (!privileges.Enable(L"SeRestorePrivilege")) return 0;
        // Loading a hive under a temporary key also needs the backup privilege.
        if (RunningUnderWine()) privileges.Enable(L"SeBackupPrivilege");

        const std::wstring base = name_.substr(0, pure::kBaseNameLength);
        dataDir_ = StoreDir() + L"\\" + base + L"-d";
        xml::Document doc;
        if (!doc.Load(StoreDir() + L"\\" + name_, xml::kLoadCaption)) return 0;
        ComPtr<IXMLDOMElement> root = doc.Root();
        std::vector<ComPtr<IXMLDOMNode>> groups;
        if (!root || FAILED(xml::ChildNodes(root.get(), groups))) {
            doc.ReportFailure(xml::kLoadCaption);
            return 0;
        }
        for (const ComPtr<IXMLDOMNode>& group : groups) {
            if (!IsElement(group.get())) continue;
            std::wstring tag;
            const bool named = SUCCEEDED(xml::NodeName(group.get(), &tag));
            if (named && tag == kCoverageGroup) continue;  // a description, nothing to restore
            if (named && tag == kShortcutGroup)
                RestoreShortcuts(group.get());
            else
                RestoreGroup(group.get());
        }

        if (failed_ == 0) return 1;
        report::Show(std::to_wstring(failed_) + L" of " + std::to_wstring(total_) +
                         L" saved keys could not be restored.",
                     kRestoreCaption, MB_OK | MB_ICONERROR);
        return 0;
    }

private:
    void RestoreGroup(IXMLDOMNode* group)
    {
        std::vector<ComPtr<IXMLDOMNode>> keys;
        std::wstring primeKey;
        const bool rootOk = SUCCEEDED(xml::TryReadAttribute(group, L"primekey", primeKey)) &&
                            pure::IsFixedRootName(primeKey);
        if (FAILED(xml::ChildNodes(group, keys))) {
            ++failed_;
            return;
        }
        for (const ComPtr<IXMLDOMNode>& key : keys) {
            if (!IsElement(key.get())) continue;
            ++total_;
            if (!rootOk || !RestoreKey(primeKey, key.get())) ++failed_;
        }
    }

    // Puts each stored shortcut back where it was; one that is there again
    // is left as it is, never overwritten.
    void RestoreShortcuts(IXMLDOMNode* group)
    {
        std::vector<ComPtr<IXMLDOMNode>> links;
        if (FAILED(xml::ChildNodes(group, links))) {
            ++failed_;
            return;
        }
        for (const ComPtr<IXMLDOMNode>& link : links) {
            if (!IsElement(link.get())) continue;
            ++total_;
            std::wstring path, file;
            if (FAILED(xml::TryReadAttribute(link.get(), L"path", path)) ||
                FAILED(xml::TryReadAttribute(link.get(), L"file", file)) || !pure::IsStoredShortcutName(file) ||
                !pure::IsRestorableShortcutPath(path)) {
                ++failed_;
                continue;
            }
            if (Exists(path)) continue;
            CreateFolders(path.substr(0, path.rfind(L'\\')));
            const std::wstring stored = dataDir_ + L"\\" + kShortcutFolder + L"\\" + file;
            if (!CopyFileW(stored.c_str(), path.c_str(), TRUE)) {
                report::Show(path, kRestoreCaption, MB_OK);
                ++failed_;
            }
        }
    }

    static void CreateFolders(const std::wstring& folder)
    {
        for (size_t at = folder.find(L'\\', 3); ; at = folder.find(L'\\', at + 1)) {
            CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
            if (at == std::wstring::npos) return;
        }
    }

    bool RestoreKey(const std::wstring& primeKey, IXMLDOMNode* node)
    {
        std::wstring subKey, file;
        if (FAILED(xml::TryReadAttribute(node, L"subkey", subKey)) || subKey.empty()) return false;
        if (FAILED(xml::TryReadAttribute(node, L"file", file)) || !pure::IsSafeHiveFileName(file)) return false;
        const int view = ElementView(node);
        if (view < 0) return false;
        const std::wstring hive = dataDir_ + L"\\" + primeKey + L"\\" + file;
        if (GetFileAttributesW(hive.c_str()) == INVALID_FILE_ATTRIBUTES) {
            report::Show(subKey, kRestoreCaption, MB_OK);
            return false;
        }
        std::wstring systemName;
        if (FAILED(xml::TryReadAttribute(node, kSystemNameAttribute, systemName))) systemName.clear();
        RestoreStatus status = ActiveHiveRestore()(CRegEngine::LookupRoot(primeKey), subKey,
                                                   static_cast<REGSAM>(view), hive, systemName);
        if (status.stage == RestoreStatus::RestoreFailed || status.stage == RestoreStatus::ElsewhereKey)
            report::Show(subKey, kRestoreCaption, MB_OK);
        if (status.stage != RestoreStatus::Ok) return false;
        Sleep(10);
        return true;
    }

    const std::wstring name_;
    std::wstring dataDir_;
    int total_ = 0;
    int failed_ = 0;
};

void RemoveFilesAndFolder(const std::wstring& dir)
{
    WIN32_FIND_DATAW fd;
    UniqueFindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &fd));
    if (find) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
        } while (FindNextFileW(find.get(), &fd));
    }
    find.reset();
    RemoveDirectoryW(dir.c_str());
}

}  // namespace

int RunRestore(const std::wstring& name)
{
    try {
        return RestoreRun(name).Run();
    } catch (...) {
        return 0;
    }
}

int DeleteBackupFiles(const std::wstring& name)
{
    if (!pure::IsValidBackupName(name)) return 0;
    const std::wstring store = StoreDir();
    const std::wstring dataDir = store + L"\\" + name.substr(0, pure::kBaseNameLength) + L"-d";
    const std::wstring index = store + L"\\" + name;
    // A backup that is not there is not deleted; one is deleted only when
    // both its index and its data folder are gone.
    if (!Exists(index) && !Exists(dataDir)) return 0;
    for (const wchar_t* root : kRootNames) RemoveFilesAndFolder(dataDir + L"\\" + root);
    RemoveFilesAndFolder(dataDir + L"\\" + kShortcutFolder);
    RemoveDirectoryW(dataDir.c_str());
    DeleteFileW(index.c_str());
    return !Exists(index) && !Exists(dataDir) ? 1 : 0;
}

DWORD WINAPI RestoreThreadProc(LPVOID engineState)
{
    auto* engine = static_cast<CRegEngine*>(engineState);
    {
        ScopedCoInit com;
        engine->operationResult = RunRestore(engine->restoreName);
    }
    ui::RestoreFinished(engine->restoreName);
    return 0;
}

}  // namespace backup
