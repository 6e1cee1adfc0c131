// The whole road through the engine table: a scan of broken fixtures of
// every category in both registry views, some problems unchecked, the
// partial backup, the fix, and the restore of that backup. The fix must
// change exactly what the checked problems name; the restore must give back
// every fixture tree exactly as it was before.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ComPtr.h"
#include "core/EngineState.h"
#include "corvex/EngineTables.h"
#include "engine/backup/RegistryFixture.h"
#include "pure/TextRules.h"
#include "support/CallbackRecorder.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

namespace {

// A fixture tree: created by the test, dumped before and after, deleted at the end.
struct Tree {
    HKEY root;
    std::wstring rootName;
    std::wstring path;
    REGSAM view;
};

// A problem the scan must report once, and whether it stays checked.
struct Expected {
    std::wstring category;
    std::wstring rootName;
    std::wstring keyPath;  // the examined path (folder for shortcuts)
    std::wstring valueName;
    int view;
    int fixAction;
    bool checked;
    bool found = false;
};

struct SettingsEntry {
    std::wstring rootName;
    std::wstring subKey;
};

std::string Xml(const std::wstring& text)
{
    std::string out;
    for (char c : testenv::WideToUtf8(text)) {
        if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

void WriteFile(const std::wstring& path)
{
    std::ofstream(path.c_str(), std::ios::binary) << "x";
}

void MakeLink(const std::wstring& linkPath, const std::wstring& target)
{
    ComPtr<IShellLinkW> link;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()));
    ASSERT_HRESULT_SUCCEEDED(link->SetPath(target.c_str()));
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(link.As(IID_IPersistFile, file));
    ASSERT_HRESULT_SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

// A shortcut whose target existed when it was made and is gone now.
void MakeStaleLink(const std::wstring& linkPath, const std::wstring& target)
{
    WriteFile(target);
    MakeLink(linkPath, target);
    DeleteFileW(target.c_str());
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Guid()
{
    GUID g;
    CoCreateGuid(&g);
    wchar_t text[40] = {};
    StringFromGUID2(g, text, 40);
    return text;
}

// Everything the cases build: settings, trees, expectations, and the files
// of the shortcut category.
class Scene {
public:
    explicit Scene(const std::wstring& folder) : dir(folder) {}
    ~Scene()
    {
        for (const std::wstring& f : systemFiles) {
            testenv::NativeFileSystem native;
            DeleteFileW(f.c_str());
        }
        for (auto it = trees.rbegin(); it != trees.rend(); ++it) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(it->root, it->path.c_str(), 0, KEY_ALL_ACCESS | it->view, &key) ==
                ERROR_SUCCESS) {
                RegDeleteTreeW(key, nullptr);
                RegCloseKey(key);
            }
            RegDeleteKeyExW(it->root, it->path.c_str(), it->view, 0);
        }
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // A tree below root (fixed path or a fresh name below `parent`), in one view.
    std::wstring AddTree(HKEY root, const std::wstring& path, REGSAM view)
    {
        trees.push_back({root, CRegEngine::RootName(root), path, view});
        CreateKey(root, path, view);
        return path;
    }

    void Str(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& data,
             REGSAM view, DWORD type = REG_SZ)
    {
        fixture::SetValue(root, path, name.empty() ? nullptr : name.c_str(), type, data.c_str(),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)), view);
    }
    void Dword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD data, REGSAM view)
    {
        fixture::SetValue(root, path, name.c_str(), REG_DWORD, &data, sizeof data, view);
    }
    static void CreateKey(HKEY root, const std::wstring& path, REGSAM view)
    {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        RegCloseKey(key);
    }

    void Entry(const std::wstring& category, const std::wstring& rootName, const std::wstring& subKey)
    {
        for (auto& c : settings)
            if (c.first == category) {
                c.second.push_back({rootName, subKey});
                return;
            }
        settings.push_back({category, {{rootName, subKey}}});
    }

    void Expect(const std::wstring& category, HKEY root, const std::wstring& keyPath,
                const std::wstring& value, int view, int fixAction, bool checked)
    {
        expected.push_back({category, CRegEngine::RootName(root), keyPath, value, view, fixAction, checked});
    }

    std::string SettingsXml() const
    {
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n";
        int n = 0;
        for (const auto& c : settings) {
            const std::string element = "Cat" + std::to_string(n++);
            xml += "  <" + element + " flag=\"true\" category=\"" + Xml(c.first) + "\">\n";
            for (const SettingsEntry& e : c.second)
                xml += "    <Key rootKey=\"" + Xml(e.rootName) + "\" subKey=\"" + Xml(e.subKey) + "\"/>\n";
            xml += "  </" + element + ">\n";
        }
        return xml + "</ScanSetting>\n";
    }

    // The tree a problem lies in (in any view when `view` is 0), or null.
    const Tree* TreeOf(const std::wstring& rootName, const std::wstring& keyPath, int view) const
    {
        const std::wstring upper = pure::ToUpper(keyPath);
        for (const Tree& t : trees) {
            if (t.rootName != rootName || (view != 0 && static_cast<int>(t.view) != view)) continue;
            const std::wstring base = pure::ToUpper(t.path);
            if (upper == base || upper.rfind(base + L"\\", 0) == 0) return &t;
        }
        return nullptr;
    }

    std::wstring dir;
    std::vector<std::wstring> systemFiles;  // deleted at the end, past redirection
    std::vector<Tree> trees;
    std::vector<std::pair<std::wstring, std::vector<SettingsEntry>>> settings;
    std::vector<Expected> expected;
    std::wstring linkFolder;
    std::vector<std::wstring> linksKept;  // must still be in the folder after the fix
};

// ---- the categories ---------------------------------------------------------

// Class ids, a type library and an AppID under the real class root, named
// uniquely; the walk sees the whole tree, the test only its own entries.
void ComEntries(Scene& s)
{
    const wchar_t* cat = L"COM/ActiveX Entries";
    const HKEY cr = HKEY_CLASSES_ROOT;
    WriteFile(s.dir + L"\\present.exe");
    const std::wstring a = s.AddTree(cr, L"CLSID\\" + Guid(), kView64);
    s.Str(cr, a, L"", L"Tamsel round trip class", kView64);
    s.Str(cr, a + L"\\InprocServer32", L"", s.dir + L"\\gone.dll", kView64);
    s.Str(cr, a + L"\\InprocServer32", L"ThreadingModel", L"Both", kView64);
    s.Str(cr, a + L"\\LocalServer32", L"", s.dir + L"\\present.exe", kView64);
    s.Expect(cat, cr, a + L"\\InprocServer32", L"default value", kView64, 1, true);
    const std::wstring c = s.AddTree(cr, L"CLSID\\" + Guid(), kView64);
    s.Str(cr, c + L"\\InprocServer32", L"", s.dir + L"\\gone2.dll", kView64);
    s.Expect(cat, cr, c + L"\\InprocServer32", L"default value", kView64, 1, false);
    const std::wstring b = s.AddTree(cr, L"CLSID\\" + Guid(), kView32);
    s.Str(cr, b, L"", L"Tamsel round trip 32-bit class", kView32);
    s.Str(cr, b + L"\\TreatAs", L"", Guid(), kView32);
    s.Expect(cat, cr, b + L"\\TreatAs", L"default value", kView32, 1, true);
    // A missing library file takes its locale key, emptied, along.
    const std::wstring t = s.AddTree(cr, L"TypeLib\\" + Guid(), kView64);
    s.Str(cr, t + L"\\1.0", L"", L"Tamsel round trip library", kView64);
    s.Str(cr, t + L"\\1.0\\FLAGS", L"", L"0", kView64);
    s.Str(cr, t + L"\\1.0\\0\\win32", L"", s.dir + L"\\gone.tlb", kView64);
    s.Expect(cat, cr, t + L"\\1.0\\0\\win32", L"default value", kView64, 2, true);
    // TypeLib and AppID are one key in both views (as on Windows 7 and
    // later): each problem there is listed once, from the 64-bit pass.
    const std::wstring p = s.AddTree(cr, L"AppID\\" + testenv::UniqueName(L"rt") + L".exe", kView64);
    s.Str(cr, p, L"AppID", Guid(), kView64);
    s.Str(cr, p, L"RunAs", L"Interactive User", kView64);
    s.Expect(cat, cr, p, L"AppID", kView64, 0, true);
    for (const wchar_t* tree : {L"clsid", L"typelib", L"appid"}) s.Entry(cat, L"HKEY_CLASSES_ROOT", tree);
}

// One key path below HKEY_LOCAL_MACHINE\Software, created in both views
// (different keys there), as one settings entry.
std::wstring TwinKey(Scene& s, const std::wstring& category, const std::wstring& tag)
{
    const std::wstring path = L"Software\\" + testenv::UniqueName(tag);
    s.AddTree(HKEY_LOCAL_MACHINE, path, kView64);
    s.AddTree(HKEY_LOCAL_MACHINE, path, kView32);
    s.Entry(category, L"HKEY_LOCAL_MACHINE", path);
    return path;
}

std::wstring UserKey(Scene& s, const std::wstring& category, const std::wstring& tag)
{
    const std::wstring path = s.AddTree(HKEY_CURRENT_USER, L"Software\\" + testenv::UniqueName(tag), kView64);
    s.Entry(category, L"HKEY_CURRENT_USER", path);
    return path;
}

void AppPaths(Scene& s)
{
    const wchar_t* cat = L"Application Paths";
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const std::wstring k = TwinKey(s, cat, L"apppaths");
    WriteFile(s.dir + L"\\present.exe");
    s.Str(lm, k + L"\\tool.exe", L"", s.dir + L"\\missing.exe", kView64);
    s.Str(lm, k + L"\\tool.exe", L"Path", s.dir, kView64);
    s.Expect(cat, lm, k + L"\\tool.exe", L"default value", kView64, 0, true);
    s.Str(lm, k + L"\\other.exe", L"", s.dir + L"\\missing2.exe", kView64);
    s.Expect(cat, lm, k + L"\\other.exe", L"default value", kView64, 0, false);
    Scene::CreateKey(lm, k + L"\\bare.exe", kView32);
    s.Expect(cat, lm, k + L"\\bare.exe", L"default value", kView32, 1, true);
    s.Str(lm, k + L"\\good.exe", L"", s.dir + L"\\present.exe", kView32);
    // Both views of HKEY_CURRENT_USER\Software are one key: found once, fixed once.
    const std::wstring u = UserKey(s, cat, L"apppathsuser");
    s.Str(HKEY_CURRENT_USER, u + L"\\user.exe", L"", s.dir + L"\\missing.exe", kView64);
    s.Str(HKEY_CURRENT_USER, u + L"\\user.exe", L"Other", s.dir + L"\\missing.exe", kView64);
    s.Expect(cat, HKEY_CURRENT_USER, u + L"\\user.exe", L"default value", kView64, 0, true);
    // Files a 64-bit program finds only in System32 and a 32-bit program only
    // there too (SysWOW64): present for one kind of program, never reported.
    wchar_t windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring name = testenv::UniqueName(L"sys");
    const std::wstring native = std::wstring(windows) + L"\\system32\\" + name + L"-native.exe";
    s.systemFiles.push_back(native);
    {
        testenv::NativeFileSystem nativeFolders;
        WriteFile(native);
    }
    s.Str(HKEY_CURRENT_USER, u + L"\\native.exe", L"", native, kView64);
    if (testenv::PrefixArch() == L"win64") {
        const std::wstring wow = std::wstring(windows) + L"\\syswow64\\" + name + L"-wow.exe";
        s.systemFiles.push_back(wow);
        WriteFile(wow);
        s.Str(HKEY_CURRENT_USER, u + L"\\wow.exe", L"", std::wstring(windows) + L"\\system32\\" + name + L"-wow.exe",
              kView64);
    }
}

void FileExtensions(Scene& s)
{
    const wchar_t* cat = L"File Extensions";
    const HKEY cu = HKEY_CURRENT_USER;
    const std::wstring k = UserKey(s, cat, L"fileexts");
    const std::wstring ext = k + L"\\.tmsa";
    const std::wstring gone = testenv::UniqueName(L"goneclass");
    s.Str(cu, ext, L"", gone, kView64);  // the unnamed value is not tested
    s.Str(cu, ext, L"Bad", gone, kView64);
    s.Expect(cat, cu, ext, L"Bad", kView64, 0, true);
    for (const wchar_t* name : {L"a", L"b", L"MRUList"}) {
        s.Str(cu, ext + L"\\OpenWithList", name, name[0] == L'M' ? L"ba" : L"x.exe", kView64);
        s.Expect(cat, cu, ext + L"\\OpenWithList", name, kView64, 0, name[0] != L'b');
    }
    s.Str(cu, ext + L"\\UserChoice", L"Progid", gone, kView64);  // not a tested key
    Scene::CreateKey(cu, k + L"\\.tmsb", kView64);
    s.Expect(cat, cu, k + L"\\.tmsb", L"default value", kView64, 1, true);
}

void FileAssociations(Scene& s)
{
    const wchar_t* cat = L"File Associations";
    const HKEY cr = HKEY_CLASSES_ROOT;
    const std::wstring m = testenv::UniqueName(L"fa");
    const std::wstring missing = s.dir + L"\\missing.exe";
    WriteFile(s.dir + L"\\present.exe");
    const std::wstring ext = s.AddTree(cr, L"." + m, kView64);
    s.Str(cr, ext, L"", m + L"gone", kView64);
    s.Str(cr, ext, L"Content Type", L"text/plain", kView64);
    s.Expect(cat, cr, ext, L"default value", kView64, 0, true);
    const std::wstring file = s.AddTree(cr, m + L"file", kView64);
    s.Str(cr, file, L"", L"Tamsel round trip file", kView64);
    s.Str(cr, file + L"\\shell\\open\\command", L"", L"\"" + missing + L"\" \"%1\"", kView64);
    s.Expect(cat, cr, file + L"\\shell\\open\\command", L"default value", kView64, 1, true);
    s.Str(cr, file + L"\\shell\\edit\\command", L"", L"\"" + s.dir + L"\\present.exe\" \"%1\"", kView64);
    s.Str(cr, file + L"\\CurVer", L"", m + L"gone", kView64);
    s.Expect(cat, cr, file + L"\\CurVer", L"default value", kView64, 1, false);
    s.Entry(cat, L"HKEY_CLASSES_ROOT", L"");
}

void Uninstall(Scene& s)
{
    const wchar_t* cat = L"Install&Uninstall Entries";
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const std::wstring k = TwinKey(s, cat, L"uninst");
    CreateDirectoryW((s.dir + L"\\folder").c_str(), nullptr);
    const std::wstring rec = k + L"\\{11111111-2222-3333-4444-555555555555}";
    s.Str(lm, rec, L"DisplayName", L"Some Program", kView64);
    s.Str(lm, rec, L"QuietUninstallString", L"\"" + s.dir + L"\\missing.exe\" /S", kView64);
    s.Expect(cat, lm, rec, L"QuietUninstallString", kView64, 0, true);
    s.Str(lm, rec, L"HelpLink", s.dir + L"\\gone\\help.chm", kView64);
    s.Expect(cat, lm, rec, L"HelpLink", kView64, 0, false);
    const std::wstring folders = k + L"\\Installer\\Folders";
    s.Str(lm, folders, s.dir + L"\\folder\\", L"", kView32);
    s.Str(lm, folders, s.dir + L"\\gonefolder\\", L"", kView32);
    s.Expect(cat, lm, folders, s.dir + L"\\gonefolder\\", kView32, 0, true);
}

// Read in one view only: the same path in the 32-bit view is never scanned.
void Fonts(Scene& s)
{
    const wchar_t* cat = L"Font Entries";
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const std::wstring k = TwinKey(s, cat, L"fonts");
    WriteFile(s.dir + L"\\present.ttf");
    s.Str(lm, k, L"ByPath (TrueType)", s.dir + L"\\present.ttf", kView64);
    s.Str(lm, k, L"GonePath (TrueType)", s.dir + L"\\gone.ttf", kView64);
    s.Expect(cat, lm, k, L"GonePath (TrueType)", kView64, 0, true);
    s.Str(lm, k, L"Gone2 (TrueType)", s.dir + L"\\gone2.ttf", kView64);
    s.Expect(cat, lm, k, L"Gone2 (TrueType)", kView64, 0, false);
    s.Str(lm, k, L"Hidden (TrueType)", s.dir + L"\\gone.ttf", kView32);
}

void SharedDlls(Scene& s)
{
    const wchar_t* cat = L"Shared DLLS";
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const std::wstring k = TwinKey(s, cat, L"shared");
    WriteFile(s.dir + L"\\used.dll");
    WriteFile(s.dir + L"\\unused.dll");
    s.Dword(lm, k, s.dir + L"\\missing.dll", 3, kView64);
    s.Expect(cat, lm, k, s.dir + L"\\missing.dll", kView64, 0, true);
    s.Dword(lm, k, s.dir + L"\\used.dll", 2, kView64);
    s.Dword(lm, k, s.dir + L"\\unused.dll", 0, kView32);
    s.Expect(cat, lm, k, s.dir + L"\\unused.dll", kView32, 0, true);
    s.Dword(lm, k, s.dir + L"\\missing2.dll", 1, kView32);
    s.Expect(cat, lm, k, s.dir + L"\\missing2.dll", kView32, 0, false);
}

void HelpFiles(Scene& s)
{
    const wchar_t* cat = L"Help Files";
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const std::wstring k = TwinKey(s, cat, L"help");
    WriteFile(s.dir + L"\\present.hlp");
    s.Str(lm, k, L"present.hlp", s.dir, kView64);
    s.Str(lm, k, L"gone.hlp", s.dir + L"\\", kView64);
    s.Expect(cat, lm, k, L"gone.hlp", kView64, 0, true);
    s.Str(lm, k, L"empty.hlp", L"", kView32);
    s.Expect(cat, lm, k, L"empty.hlp", kView32, 0, true);
    s.Str(lm, k, L"gone2.hlp", s.dir, kView32);
    s.Expect(cat, lm, k, L"gone2.hlp", kView32, 0, false);
}

void History(Scene& s)
{
    const wchar_t* cat = L"History Lists";
    const HKEY cu = HKEY_CURRENT_USER;
    const std::wstring k = UserKey(s, cat, L"history");
    for (const wchar_t* name : {L"a", L"b", L"MRUList"}) {
        s.Str(cu, k + L"\\RunMRU", name, name[0] == L'M' ? L"ba" : L"notepad\\1", kView64);
        s.Expect(cat, cu, k + L"\\RunMRU", name, kView64, 0, name[0] != L'b');
    }
    s.Str(cu, k + L"\\RunMRU", L"expand", L"%TEMP%", kView64, REG_EXPAND_SZ);  // not read
    s.Dword(cu, k + L"\\RunMRU", L"dword", 1, kView64);                        // not read
}

void Shortcuts(Scene& s)
{
    const wchar_t* cat = L"Program Shortcuts";
    s.linkFolder = s.dir + L"\\links";
    CreateDirectoryW(s.linkFolder.c_str(), nullptr);
    WriteFile(s.dir + L"\\present.exe");
    MakeLink(s.linkFolder + L"\\present.lnk", s.dir + L"\\present.exe");
    MakeStaleLink(s.linkFolder + L"\\gone.lnk", s.dir + L"\\gone.exe");
    MakeStaleLink(s.linkFolder + L"\\kept.lnk", s.dir + L"\\kept.exe");
    s.Expect(cat, HKEY_CURRENT_USER, s.linkFolder, L"gone.lnk", kView64, 0, true);
    s.Expect(cat, HKEY_CURRENT_USER, s.linkFolder, L"kept.lnk", kView64, 0, false);
    s.linksKept = {L"present.lnk", L"kept.lnk"};
    s.Entry(cat, L"HKEY_CURRENT_USER", s.linkFolder + L"\\");
}

void Sounds(Scene& s)
{
    const wchar_t* cat = L"Sound&App Events";
    const HKEY cu = HKEY_CURRENT_USER;
    const std::wstring k = UserKey(s, cat, L"sounds");
    WriteFile(s.dir + L"\\present.wav");
    const std::wstring apps = k + L"\\Schemes\\Apps\\.Default";
    s.Str(cu, k + L"\\EventLabels\\SystemAsterisk", L"", s.dir + L"\\gone.wav", kView64);  // never entered
    s.Str(cu, apps + L"\\SystemAsterisk\\.Current", L"", s.dir + L"\\gone.wav", kView64);
    s.Expect(cat, cu, apps + L"\\SystemAsterisk\\.Current", L"default value", kView64, 0, true);
    s.Str(cu, apps + L"\\SystemAsterisk\\.Default", L"", s.dir + L"\\present.wav", kView64);
    s.Str(cu, apps + L"\\SystemHand\\.Current", L"", s.dir + L"\\gone2.wav", kView64);
    s.Expect(cat, cu, apps + L"\\SystemHand\\.Current", L"default value", kView64, 0, false);
}

void Startup(Scene& s)
{
    const wchar_t* cat = L"Windows Startup Items";
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const HKEY cu = HKEY_CURRENT_USER;
    WriteFile(s.dir + L"\\present.exe");
    const std::wstring k = TwinKey(s, cat, L"run");
    s.Str(lm, k, L"A", L"\"" + s.dir + L"\\missing.exe\" -min", kView64);
    s.Expect(cat, lm, k, L"A", kView64, 0, true);
    s.Str(lm, k, L"Good", s.dir + L"\\present.exe", kView64);
    s.Str(lm, k, L"B", s.dir + L"\\missing.exe", kView32);
    s.Expect(cat, lm, k, L"B", kView32, 0, true);
    s.Str(lm, k + L"\\sub", L"Deeper", s.dir + L"\\missing.exe", kView32);  // subkeys are not entered
    const std::wstring u = UserKey(s, cat, L"runuser");                     // one view only
    s.Str(cu, u, L"C", s.dir + L"\\missing.exe", kView64);
    s.Expect(cat, cu, u, L"C", kView64, 0, true);
    s.Str(cu, u, L"D", s.dir + L"\\missing.exe", kView64);
    s.Expect(cat, cu, u, L"D", kView64, 0, false);
}

const std::vector<std::pair<const char*, void (*)(Scene&)>> kCategories = {
    {"COM", ComEntries},
    {"AppPaths", AppPaths},
    {"FileExtensions", FileExtensions},
    {"FileAssociations", FileAssociations},
    {"Uninstall", Uninstall},
    {"Fonts", Fonts},
    {"SharedDlls", SharedDlls},
    {"HelpFiles", HelpFiles},
    {"History", History},
    {"Shortcuts", Shortcuts},
    {"Sounds", Sounds},
    {"Startup", Startup},
};

// ---- dumps ------------------------------------------------------------------

// The path part of a dump line ("\sub|name|type|bytes" or "\sub\").
std::wstring LinePath(const std::wstring& line)
{
    const size_t bar = line.find(L'|');
    if (bar != std::wstring::npos) return line.substr(0, bar);
    return line.substr(0, line.size() - 1);  // a key line ends with its backslash
}
bool IsKeyLine(const std::wstring& line)
{
    return line.find(L'|') == std::wstring::npos;
}
std::wstring LineValueName(const std::wstring& line)
{
    const size_t bar = line.find(L'|');
    return line.substr(bar + 1, line.find(L'|', bar + 1) - bar - 1);
}
bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return pure::EqualsNoCase(a, b);
}
bool AtOrBelow(const std::wstring& path, const std::wstring& top)
{
    return SamePath(path, top) || pure::ToUpper(path).rfind(pure::ToUpper(top) + L"\\", 0) == 0;
}

// What the dump of a tree must look like once the fix has acted on a
// problem at `rel` (the examined path below the tree, "" for its own key).
void ApplyFix(std::vector<std::wstring>& dump, const std::wstring& rel, const Expected& e)
{
    auto drop = [&](auto pred) { dump.erase(std::remove_if(dump.begin(), dump.end(), pred), dump.end()); };
    const std::wstring value = e.valueName == kDefaultValueLabel ? std::wstring() : e.valueName;
    switch (e.fixAction) {
        case 0:
            drop([&](const std::wstring& l) {
                return !IsKeyLine(l) && SamePath(LinePath(l), rel) && LineValueName(l) == value;
            });
            break;
        case 1:
            drop([&](const std::wstring& l) { return SamePath(LinePath(l), rel); });
            break;
        default: {
            // The key with its subtree, then its parent when nothing else is left in it.
            drop([&](const std::wstring& l) { return AtOrBelow(LinePath(l), rel); });
            const std::wstring parent = rel.substr(0, rel.rfind(L'\\'));
            const bool parentEmpty = std::none_of(dump.begin(), dump.end(), [&](const std::wstring& l) {
                return AtOrBelow(LinePath(l), parent) && !(IsKeyLine(l) && SamePath(LinePath(l), parent));
            });
            if (parentEmpty)
                drop([&](const std::wstring& l) { return IsKeyLine(l) && SamePath(LinePath(l), parent); });
            break;
        }
    }
}

std::vector<std::vector<std::wstring>> DumpAll(const Scene& s)
{
    std::vector<std::vector<std::wstring>> out;
    for (const Tree& t : s.trees) out.push_back(fixture::Dump(t.root, t.path, t.view));
    return out;
}

std::string Lines(const std::vector<std::wstring>& dump)
{
    std::string text;
    for (const std::wstring& l : dump) text += "\n    " + testenv::WideToUtf8(l);
    return text;
}

std::string Describe(const RegEntryProb& p)
{
    return testenv::WideToUtf8(p.rootName + L"\\" + p.scannedKeyPath + L" | " + p.valueName + L" | " +
                               p.message) +
           " | view " + std::to_string(p.viewFlag) + " action " + std::to_string(p.fixAction);
}

// ---- the engine table ---------------------------------------------------------

// Waits until the recorder has logged `line` (completion callbacks of the
// backup and restore threads, whose handles are not handed out).
bool WaitForLine(std::vector<std::wstring>& seen, const std::wstring& line, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        callbacks::Log log = callbacks::Take();
        seen.insert(seen.end(), log.lines.begin(), log.lines.end());
        if (std::find(seen.begin(), seen.end(), line) != seen.end()) return true;
        if (GetTickCount64() > end) return false;
        Sleep(20);
    }
}

std::string FileBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ScanRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        callbacks::Reset();
        toEngineInitGetUIInterface(callbacks::Table(), &table);
        ASSERT_NE(table, nullptr);
    }
    void TearDown() override
    {
        if (table) table->ReleaseEngine();
        toEngineInitGetUIInterface(nullptr, &table);
    }
    EngineFunctionTable* table = nullptr;
    ReportRecorder reports;
};

TEST_F(ScanRoundTrip, EveryCategoryFixesWhatIsCheckedAndTheRestoreUndoesIt)
{
    if (testenv::PrefixArch() != L"win64") GTEST_SKIP() << "needs 64-bit Windows";
    ScopedCoInit com;
    testenv::ScratchDir dir(L"scanrt");
    ASSERT_TRUE(fixture::CopyTemplate());
    Scene scene(dir.path());
    for (const auto& c : kCategories) {
        SCOPED_TRACE(c.first);
        c.second(scene);
        ASSERT_FALSE(HasFatalFailure());
    }
    ASSERT_EQ(scene.settings.size(), 12u);
    dir.Write(L"scanSetting.xml", scene.SettingsXml());
    const auto before = DumpAll(scene);
    const std::string goneLink = FileBytes(scene.linkFolder + L"\\gone.lnk");
    ASSERT_FALSE(goneLink.empty());
    for (size_t i = 0; i < before.size(); ++i)
        ASSERT_FALSE(before[i].empty()) << testenv::WideToUtf8(scene.trees[i].path);

    // The scan, through the table.
    HANDLE thread = table->StartScan();
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 600000), WAIT_OBJECT_0);
    PtrArray<RegScanCategory>& results = *table->GetScanResults();
    ASSERT_EQ(results.GetCount(), 12);

    // Each expected problem exactly once; anything else found in a fixture
    // tree is wrong; the prefix's own problems elsewhere are unchecked.
    int checked = 0;
    for (int r = 0; r < results.GetCount(); ++r) {
        for (int k = 0; k < results[r]->problems.GetCount(); ++k) {
            const RegEntryProb& p = *results[r]->problems[k];
            Expected* match = nullptr;
            for (Expected& e : scene.expected)
                if (e.category == results[r]->name && e.rootName == p.rootName &&
                    SamePath(e.keyPath, p.scannedKeyPath) && e.valueName == p.valueName &&
                    e.view == p.viewFlag)
                    match = &e;
            if (match) {
                EXPECT_FALSE(match->found) << "twice: " << Describe(p);
                match->found = true;
                EXPECT_EQ(p.fixAction, match->fixAction) << Describe(p);
                if (match->checked) {
                    ++checked;
                    continue;
                }
            } else {
                const bool ours = scene.TreeOf(p.rootName, p.scannedKeyPath, 0) != nullptr ||
                                  SamePath(p.scannedKeyPath, scene.linkFolder);
                EXPECT_FALSE(ours) << "unexpected: " << Describe(p);
            }
            table->SetProblemChecked(r, k, 0);
        }
    }
    for (const Expected& e : scene.expected)
        EXPECT_TRUE(e.found) << "not found: "
                             << testenv::WideToUtf8(e.category + L" " + e.rootName + L"\\" + e.keyPath +
                                                    L" | " + e.valueName)
                             << " view " << e.view;
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(table->GetCheckedCount(), checked);

    // The partial backup, then the fix.
    std::vector<std::wstring> seen;
    table->StartPartialBackup(table->GetScanResults());
    ASSERT_TRUE(WaitForLine(seen, L"BackupFinished 1", 120000));
    ASSERT_EQ(table->GetOperationResult(), 1);
    HANDLE fix = table->StartFix();
    ASSERT_NE(fix, nullptr);
    ASSERT_EQ(WaitForSingleObject(fix, 120000), WAIT_OBJECT_0);
    EXPECT_EQ(table->GetFixedCount(), checked);
    EXPECT_EQ(table->GetNotFixedCount(), 0);

    // Exactly the checked problems' targets are gone.
    auto expectedAfter = before;
    for (const Expected& e : scene.expected) {
        if (!e.checked || e.category == L"Program Shortcuts") continue;
        const Tree* t = scene.TreeOf(e.rootName, e.keyPath, e.view);
        ASSERT_NE(t, nullptr);
        const size_t index = static_cast<size_t>(t - scene.trees.data());
        ApplyFix(expectedAfter[index], e.keyPath.substr(t->path.size()), e);
    }
    const auto after = DumpAll(scene);
    for (size_t i = 0; i < after.size(); ++i) {
        const Tree& t = scene.trees[i];
        EXPECT_EQ(after[i], expectedAfter[i])
            << testenv::WideToUtf8(t.rootName + L"\\" + t.path) << " view " << t.view
            << "\n  got:" << Lines(after[i]) << "\n  expected:" << Lines(expectedAfter[i]);
    }
    EXPECT_FALSE(FileExists(scene.linkFolder + L"\\gone.lnk"));
    for (const std::wstring& kept : scene.linksKept) EXPECT_TRUE(FileExists(scene.linkFolder + L"\\" + kept));

    // The restore of that backup gives every tree back as it was.
    PtrArray<BackupEntry>* list = table->ListBackups();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_EQ((*list)[0]->kind, 1);
    const std::wstring name = (*list)[0]->fileName;
    table->StartRestore(&name);
    ASSERT_TRUE(WaitForLine(seen, L"RestoreFinished " + name, 120000));
    EXPECT_EQ(table->GetOperationResult(), 1);
    const auto restored = DumpAll(scene);
    for (size_t i = 0; i < restored.size(); ++i) {
        const Tree& t = scene.trees[i];
        EXPECT_EQ(restored[i], before[i])
            << testenv::WideToUtf8(t.rootName + L"\\" + t.path) << " view " << t.view
            << "\n  got:" << Lines(restored[i]) << "\n  before:" << Lines(before[i]);
    }
    // The fixed shortcut came back with the backup, as it was.
    EXPECT_EQ(FileBytes(scene.linkFolder + L"\\gone.lnk"), goneLink);
    EXPECT_TRUE(reports.Take().empty());
}

}  // namespace
