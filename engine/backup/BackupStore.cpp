#include "backup/BackupStore.h"

#include <memory>
#include <random>
#include <vector>

#include "backup/Privileges.h"
#include "core/Callbacks.h"
#include "core/ComPtr.h"
#include "core/Handles.h"
#include "core/KeyNames.h"
#include "core/ReportBox.h"
#include "core/XmlDocument.h"
#include "pure/BackupNames.h"
#include "pure/TextRules.h"
#include "scan/FixExtentMeasure.h"
#include "scan/ProblemRecord.h"
#include "scan/ScanDriver.h"
#include "scan/ScanSettings.h"

namespace backup {
namespace {

// A key to save: root, path below it and the view it is read in.
struct SaveRequest {
    std::wstring rootName;
    std::wstring keyPath;
    REGSAM view = 0;
};

struct SavedKey {
    std::wstring fullPath;
    REGSAM view;
};

std::wstring CurrentDir()
{
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring dir(n, L'\0');
    n = GetCurrentDirectoryW(n, dir.data());
    dir.resize(n);
    if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    return dir;
}

bool IsDirectory(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a data folder this run created: its root sub-folders' files, the
// sub-folders and the folder itself.
void RemoveDataFolder(const std::wstring& dataDir)
{
    WIN32_FIND_DATAW fd;
    UniqueFindHandle subs(FindFirstFileW((dataDir + L"\\*").c_str(), &fd));
    if (subs) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring sub = dataDir + L"\\" + name;
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileW(sub.c_str());
                continue;
            }
            WIN32_FIND_DATAW fd2;
            UniqueFindHandle files(FindFirstFileW((sub + L"\\*").c_str(), &fd2));
            if (files) {
                do {
                    if (!(fd2.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                        DeleteFileW((sub + L"\\" + fd2.cFileName).c_str());
                } while (FindNextFileW(files.get(), &fd2));
            }
            files.reset();
            RemoveDirectoryW(sub.c_str());
        } while (FindNextFileW(subs.get(), &fd));
    }
    subs.reset();
    RemoveDirectoryW(dataDir.c_str());
}

std::wstring LocalStamp()
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return pure::MakeStamp(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

class HiveNames {
public:
    HiveNames() : rng_(GetTickCount() ^ (GetCurrentThreadId() << 16) ^ GetCurrentProcessId()) {}
    std::wstring Next()
    {
        uint32_t r[4] = {rng_(), rng_(), rng_(), rng_()};
        return pure::HiveFileName(r, GetTickCount());
    }

private:
    std::mt19937 rng_;
};

// The shortcut category's entries name folders (with environment variables),
// not registry keys: a full backup has nothing to save for them.
bool EntriesAreFolders(const XMLElement& category)
{
    return pure::EqualsNoCase(category.categoryName, L"Program Shortcuts");
}

void FullRequests(CRegEngine& engine, const PtrArray<XMLElement>& categories, std::vector<SaveRequest>& out)
{
    for (const XMLElement* c : categories) {
        if (EntriesAreFolders(*c)) continue;
        for (const RegScanKeyEntry* entry : c->keyEntries) {
            int views[2];
            int n = scan::ViewsFor(engine, c->categoryName, CRegEngine::LookupRoot(entry->rootName), views);
            if (n == 0) {
                views[0] = engine.PrimaryView();
                n = 1;
            }
            for (int v = 0; v < n; ++v) {
                const REGSAM view = static_cast<REGSAM>(views[v]);
                // The class root is the machine's classes merged with the
                // user's: the two keys a key below it is made of are saved,
                // where a restore can write them (a 32-bit process cannot
                // open the class root's shared keys in the 64-bit view).
                if (entry->rootName == L"HKEY_CLASSES_ROOT") {
                    const std::wstring path =
                        entry->subKey.empty() ? L"Software\\Classes" : L"Software\\Classes\\" + entry->subKey;
                    out.push_back({L"HKEY_LOCAL_MACHINE", path, view});
                    out.push_back({L"HKEY_CURRENT_USER", path, view});
                    continue;
                }
                out.push_back({entry->rootName, entry->subKey, view});
            }
        }
    }
}

// The key a problem's backup saves: the key its fix acts on, or for a key-tree fix
// its parent when the parent holds nothing else, since the fix then removes
// the emptied parent too.
std::wstring SavedPathOf(const RegEntryProb& p, const scan::KeySite& site)
{
    if (p.fixAction != scan::kDeleteParentTree) return site.path;
    std::wstring parentPath, name;
    pure::SplitKeyPath(site.path, parentPath, name);
    const HKEY root = CRegEngine::LookupRoot(site.rootName);
    if (parentPath.empty() || !root) return site.path;
    UniqueHKey parent;
    if (RegOpenKeyExW(root, parentPath.c_str(), 0, KEY_READ | static_cast<REGSAM>(site.view), parent.put()) !=
        ERROR_SUCCESS) {
        parent.release();
        return site.path;
    }
    DWORD subKeys = 0, values = 0;
    if (RegQueryInfoKeyW(parent.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return site.path;
    return subKeys == 1 && values == 0 ? parentPath : site.path;
}

// The shortcut files the fix will recycle.
void PartialShortcuts(const PtrArray<RegScanCategory>& results, std::vector<std::wstring>& out)
{
    for (const RegScanCategory* r : results) {
        if (r->problemCount <= 0 || !pure::EqualsNoCase(r->name, L"Program Shortcuts")) continue;
        for (const RegEntryProb* p : r->problems)
            if (scan::IsToBeFixed(*p) && !scan::IsRefused(*p)) out.push_back(scan::ShortcutFileOf(*p));
    }
}

// Exactly what the fix will touch: the selected, not ignored problems of the
// entries it visits, each in the key and view the scanner examined.
void PartialRequests(const PtrArray<RegScanCategory>& results, std::vector<SaveRequest>& out)
{
    for (const RegScanCategory* r : results) {
        if (r->problemCount <= 0 || pure::EqualsNoCase(r->name, L"Program Shortcuts")) continue;
        for (const RegEntryProb* p : r->problems) {
            if (!scan::IsToBeFixed(*p) || scan::IsRefused(*p)) continue;
            // Saved where the fix acts: the real key of a class-root problem.
            const scan::KeySite site = scan::ActingSiteOf(*p);
            out.push_back({site.rootName, SavedPathOf(*p, site), static_cast<REGSAM>(site.view)});
        }
    }
}

class BackupRun {
public:
    BackupRun(CRegEngine& engine, int mode) : engine_(engine), partial_(mode == 1) {}

    int Run()
    {
        std::vector<SaveRequest> requests;
        std::vector<std::wstring> shortcuts;
        if (partial_) {
            if (!engine_.backupSource) return 0;
            // What changed since the scan is refused here already, so it is
            // neither saved nor, afterwards, fixed.
            scan::RecheckBeforeFix(*engine_.backupSource);
            PartialRequests(*engine_.backupSource, requests);
            PartialShortcuts(*engine_.backupSource, shortcuts);
        }
        PtrArray<XMLElement> categories;
        if (!partial_) {
            if (!scan::LoadCategories(categories)) return 0;
            FullRequests(engine_, categories, requests);
        }
        if (!EnsureStoreDir()) return 0;
        const std::wstring stamp = LocalStamp();
        if (stamp.empty()) return 0;
        const std::wstring base = pure::BaseName(stamp, partial_);
        dataDir_ = StoreDir() + L"\\" + base + L"-d";

        ScopedPrivileges privileges;
        if (!privileges.Enable(L"SeBackupPrivilege")) return 0;
        if (!doc_.Load(kTemplateFile, xml::kLoadCaption) || !FindGroups()) return 0;
        // Fails also when a backup of the same kind was made this second.
        if (!CreateDirectoryW(dataDir_.c_str(), nullptr)) return 0;
        createdDir_ = true;
        for (const wchar_t* root : kRootNames)
            if (!CreateDirectoryW((dataDir_ + L"\\" + root).c_str(), nullptr)) return Fail();

        engine_.savedKeys.clear();
        for (const SaveRequest& r : requests)
            if (!Save(r)) return Fail();
        if (!SaveShortcuts(shortcuts)) return Fail();
        if (!partial_ && !AddCoverage(categories)) return Fail();

        // The index is written under a name the listing skips and renamed
        // when complete, so a broken index is never listed.
        const std::wstring index = StoreDir() + L"\\" + base + pure::kIndexExtension;
        indexTemp_ = index + L".tmp";
        if (FAILED(doc_.Save(indexTemp_)) || !Exists(indexTemp_)) return Fail();
        if (!MoveFileExW(indexTemp_.c_str(), index.c_str(), MOVEFILE_WRITE_THROUGH)) return Fail();
        indexTemp_.clear();
        return 1;
    }

private:
    static constexpr const wchar_t* kRootNames[5] = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER",
                                                     L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
                                                     L"HKEY_CURRENT_CONFIG"};

    int Fail()
    {
        if (!indexTemp_.empty()) DeleteFileW(indexTemp_.c_str());
        if (createdDir_) RemoveDataFolder(dataDir_);
        createdDir_ = false;
        return 0;
    }

    // The template's element for each root, found by its "primekey".
    bool FindGroups()
    {
        ComPtr<IXMLDOMElement> root = doc_.Root();
        if (!root) {
            doc_.ReportFailure(xml::kLoadCaption);
            return false;
        }
        std::vector<ComPtr<IXMLDOMNode>> children;
        if (FAILED(xml::ChildNodes(root.get(), children))) {
            doc_.ReportFailure(xml::kLoadCaption);
            return false;
        }
        for (ComPtr<IXMLDOMNode>& child : children) {
            DOMNodeType type;
            std::wstring key;
            if (FAILED(xml::NodeType(child.get(), &type)) || type != NODE_ELEMENT) continue;
            if (FAILED(xml::TryReadAttribute(child.get(), L"primekey", key))) continue;
            for (int i = 0; i < 5; ++i)
                if (key == kRootNames[i] && !groups_[i]) groups_[i] = std::move(child);
        }
        for (const ComPtr<IXMLDOMNode>& g : groups_)
            if (!g) {
                doc_.ReportFailure(xml::kLoadCaption);
                return false;
            }
        return true;
    }

    int GroupIndex(const std::wstring& rootName) const
    {
        for (int i = 0; i < 5; ++i)
            if (rootName == kRootNames[i]) return i;
        return -1;
    }

    bool AlreadySaved(const std::wstring& fullPath, REGSAM view) const
    {
        for (const SavedKey& s : saved_)
            if (s.view == view && pure::CoversKey(s.fullPath, fullPath)) return true;
        return false;
    }

    // False only when the backup as a whole must fail: in partial mode a key
    // that exists but cannot be read or saved.
    bool Save(const SaveRequest& r)
    {
        const int group = GroupIndex(r.rootName);
        // A whole root or an unusable path is never saved: restore refuses
        // it. A full backup that cannot cover a starting key says so and
        // fails instead of reporting success.
        if (group < 0) return true;  // not a root at all: nothing the scan reads
        if (!pure::IsUsableKeyPath(r.keyPath)) {
            if (partial_) return true;
            report::Show(r.rootName + (r.keyPath.empty() ? L"" : L"\\" + r.keyPath) +
                             L" cannot be backed up as a whole; the full backup was not made.",
                         kFullBackupCaption, MB_OK | MB_ICONERROR);
            return false;
        }
        if (r.view != 0 && r.view != KEY_WOW64_64KEY && r.view != KEY_WOW64_32KEY) return !partial_;
        const std::wstring fullPath = r.rootName + L"\\" + r.keyPath;
        if (AlreadySaved(fullPath, r.view)) return true;

        UniqueHKey key;
        LONG rc = RegOpenKeyExW(CRegEngine::LookupRoot(r.rootName), r.keyPath.c_str(), 0, KEY_READ | r.view,
                                key.put());
        if (rc != ERROR_SUCCESS) {
            key.release();
            return rc == ERROR_FILE_NOT_FOUND || !partial_;
        }
        const std::wstring systemName = regkey::SystemNameOf(key.get());
        // A key both views share (the 32-bit view's TypeLib and AppID are
        // links to the 64-bit ones) is saved, and restored, once.
        if (!systemName.empty()) {
            for (const std::wstring& n : savedNames_)
                if (pure::EqualsNoCase(n, systemName)) return true;
            savedNames_.push_back(systemName);
        }
        std::wstring file;
        rc = SaveHive(key.get(), r.rootName, file);
        key.reset();
        if (rc != ERROR_SUCCESS) return !partial_;
        Sleep(10);
        saved_.push_back({fullPath, r.view});
        engine_.savedKeys.push_back(fullPath);
        return AddElement(group, r, file, systemName);
    }

    // Copies each shortcut file that is there into the data folder and lists
    // it; a file that cannot be copied fails the backup, so it is not fixed.
    bool SaveShortcuts(const std::vector<std::wstring>& paths)
    {
        if (paths.empty()) return true;
        const std::wstring folder = dataDir_ + L"\\" + kShortcutFolder;
        if (!CreateDirectoryW(folder.c_str(), nullptr)) return false;
        ComPtr<IXMLDOMElement> group;
        ScopedBstr groupTag(kShortcutGroup);
        if (FAILED(doc_.get()->createElement(groupTag.get(), group.put())) || !group) return false;
        int count = 0;
        for (const std::wstring& path : paths) {
            if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            const std::wstring file = L"S" + std::to_wstring(++count) + L".lnk";
            if (!CopyFileW(path.c_str(), (folder + L"\\" + file).c_str(), TRUE)) return false;
            ComPtr<IXMLDOMElement> element;
            ScopedBstr tag(kShortcutElement);
            if (FAILED(doc_.get()->createElement(tag.get(), element.put())) || !element) return false;
            if (!SetAttribute(element.get(), L"path", path) || !SetAttribute(element.get(), L"file", file)) return false;
            ComPtr<IXMLDOMNode> added;
            if (FAILED(group->appendChild(element.get(), added.put()))) return false;
        }
        ComPtr<IXMLDOMElement> root = doc_.Root();
        ComPtr<IXMLDOMNode> added;
        return root && SUCCEEDED(root->appendChild(group.get(), added.put()));
    }

    // Which categories a full backup holds, so a reader of the index knows
    // what a restore of it can bring back:
    // <coverage><category name="..." saved="yes|no" reason="..."/></coverage>.
    bool AddCoverage(const PtrArray<XMLElement>& categories)
    {
        ComPtr<IXMLDOMElement> group;
        ScopedBstr groupTag(kCoverageGroup);
        if (FAILED(doc_.get()->createElement(groupTag.get(), group.put())) || !group) return false;
        for (const XMLElement* c : categories) {
            ComPtr<IXMLDOMElement> element;
            ScopedBstr tag(kCoverageElement);
            if (FAILED(doc_.get()->createElement(tag.get(), element.put())) || !element) return false;
            const bool folders = EntriesAreFolders(*c);
            if (!SetAttribute(element.get(), L"name", c->categoryName) ||
                !SetAttribute(element.get(), L"saved", folders ? L"no" : L"yes"))
                return false;
            if (folders && !SetAttribute(element.get(), L"reason", L"its entries are folders, not registry keys"))
                return false;
            ComPtr<IXMLDOMNode> added;
            if (FAILED(group->appendChild(element.get(), added.put()))) return false;
        }
        ComPtr<IXMLDOMElement> root = doc_.Root();
        ComPtr<IXMLDOMNode> added;
        return root && SUCCEEDED(root->appendChild(group.get(), added.put()));
    }

    LONG SaveHive(HKEY key, const std::wstring& rootName, std::wstring& file)
    {
        return SaveHiveFile(key, dataDir_ + L"\\" + rootName, [this] { return names_.Next(); }, file);
    }

    bool AddElement(int group, const SaveRequest& r, const std::wstring& file, const std::wstring& systemName)
    {
        ComPtr<IXMLDOMElement> element;
        ScopedBstr tag(L"bakfile");
        if (FAILED(doc_.get()->createElement(tag.get(), element.put())) || !element) return false;
        if (!SetAttribute(element.get(), L"subkey", r.keyPath) || !SetAttribute(element.get(), L"file", file))
            return false;
        if (r.view && !SetAttribute(element.get(), kViewAttribute, std::to_wstring(r.view))) return false;
        if (!systemName.empty() && !SetAttribute(element.get(), kSystemNameAttribute, systemName)) return false;
        ComPtr<IXMLDOMNode> added;
        return SUCCEEDED(groups_[group]->appendChild(element.get(), added.put()));
    }

    static bool SetAttribute(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value)
    {
        ScopedBstr n(name);
        ScopedVariant v(value.c_str());
        return SUCCEEDED(element->setAttribute(n.get(), v.get()));
    }

    CRegEngine& engine_;
    const bool partial_;
    xml::Document doc_;
    ComPtr<IXMLDOMNode> groups_[5];
    std::wstring dataDir_;
    std::wstring indexTemp_;
    bool createdDir_ = false;
    std::vector<SavedKey> saved_;
    std::vector<std::wstring> savedNames_;
    HiveNames names_;
};

}  // namespace

LONG SaveHiveFile(HKEY key, const std::wstring& folder, const std::function<std::wstring()>& nextName,
                  std::wstring& file)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        file = nextName();
        const std::wstring target = folder + L"\\" + file;
        if (Exists(target)) continue;
        LONG rc = RegSaveKeyW(key, target.c_str(), nullptr);
        if (rc == ERROR_ALREADY_EXISTS) continue;
        if (rc != ERROR_SUCCESS) DeleteFileW(target.c_str());
        return rc;
    }
    return ERROR_ALREADY_EXISTS;
}

std::wstring StoreDir()
{
    return CurrentDir() + L"\\regback";
}

bool EnsureStoreDir()
{
    const std::wstring dir = StoreDir();
    if (IsDirectory(dir)) return true;
    return CreateDirectoryW(dir.c_str(), nullptr) || IsDirectory(dir);
}

void ListBackups(CRegEngine& engine)
{
    engine.backups.Clear();
    WIN32_FIND_DATAW fd;
    UniqueFindHandle find(FindFirstFileW((StoreDir() + L"\\*").c_str(), &fd));
    if (!find) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) EnsureStoreDir();
        return;
    }
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        int kind = pure::ListedKind(fd.cFileName);
        if (kind < 0) continue;
        auto entry = std::make_unique<BackupEntry>();
        entry->fileName = fd.cFileName;
        entry->kind = kind;
        engine.backups.Add(std::move(entry));
    } while (FindNextFileW(find.get(), &fd));
}

int RunBackup(CRegEngine& engine, int mode)
{
    try {
        return BackupRun(engine, mode).Run();
    } catch (...) {
        return 0;
    }
}

DWORD WINAPI BackupThreadProc(LPVOID engineState)
{
    auto* engine = static_cast<CRegEngine*>(engineState);
    {
        ScopedCoInit com;
        engine->operationResult = RunBackup(*engine, engine->backupMode);
    }
    ui::BackupFinished(engine->backupMode);
    return 0;
}

}  // namespace backup
