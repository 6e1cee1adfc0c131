#include "SyntheticCom.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ShellLinks.h"

namespace bench {
namespace {

constexpr int kLibraryFiles = 500;  // distinct existing files the registrations share
constexpr int kProgramFiles = 100;  // programs the other categories share
constexpr int kFontFiles = 50;
constexpr int kSoundFiles = 50;

std::wstring Guid(unsigned kind, unsigned n)
{
    wchar_t buf[64];
    std::swprintf(buf, 64, L"{%08X-BE9C-4A11-8%03X-%012X}", 0xB3000000u + n, kind, n * 7919u);
    return buf;
}

// A .reg string literal: backslashes and quotes escaped.
std::wstring Literal(const std::wstring& s)
{
    std::wstring out = L"\"";
    for (wchar_t c : s) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

std::wstring N(int n) { return std::to_wstring(n); }

class RegWriter {
public:
    explicit RegWriter(SyntheticCounts& counts) : counts_(counts)
    {
        text_ = L"\xFEFFWindows Registry Editor Version 5.00\r\n";
    }
    // A key below HKEY_LOCAL_MACHINE\Software\Classes.
    void Key(const std::wstring& path) { FullKey(L"HKEY_LOCAL_MACHINE\\Software\\Classes\\" + path); }
    // A key by its whole name, root first.
    void FullKey(const std::wstring& name)
    {
        text_ += L"\r\n[" + name + L"]\r\n";
        ++counts_.keys;
    }
    void Value(const std::wstring& name, const std::wstring& data)
    {
        text_ += ValueName(name) + L"=" + Literal(data) + L"\r\n";
        ++counts_.values;
    }
    void Dword(const std::wstring& name, DWORD data)
    {
        wchar_t hex[16];
        std::swprintf(hex, 16, L"%08x", static_cast<unsigned>(data));
        text_ += ValueName(name) + L"=dword:" + hex + L"\r\n";
        ++counts_.values;
    }
    void Binary(const std::wstring& name, const std::vector<BYTE>& data)
    {
        text_ += ValueName(name) + L"=hex:";
        wchar_t hex[4];
        for (size_t i = 0; i < data.size(); ++i) {
            std::swprintf(hex, 4, i + 1 < data.size() ? L"%02x," : L"%02x", data[i]);
            text_ += hex;
        }
        text_ += L"\r\n";
        ++counts_.values;
    }
    bool Save(const std::wstring& file) const
    {
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        BOOL ok =
            WriteFile(h, text_.data(), static_cast<DWORD>(text_.size() * sizeof(wchar_t)), &written, nullptr);
        CloseHandle(h);
        return ok && written == text_.size() * sizeof(wchar_t);
    }

private:
    static std::wstring ValueName(const std::wstring& name) { return name.empty() ? std::wstring(L"@") : Literal(name); }

    SyntheticCounts& counts_;
    std::wstring text_;
};

bool Touch(const std::wstring& file)
{
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// Every folder of `path` that is not there yet.
void MakeFolders(const std::wstring& path)
{
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}

// Which entries of each kind are broken. With a percentage, the older
// registry's choice (about that share of every kind); with a number of
// problems, that number split over the kinds by the largest remainders of
// their shares, each kind's broken entries spread evenly over it.
class BrokenPlan {
public:
    BrokenPlan(int percent, int problems) : percent_(percent), problems_(problems) {}

    // Registers a kind of `volume` entries; returns its number.
    int Kind(int volume)
    {
        volumes_.push_back(volume > 0 ? volume : 0);
        return static_cast<int>(volumes_.size()) - 1;
    }

    void Settle()
    {
        counts_.assign(volumes_.size(), 0);
        if (problems_ < 0) {
            for (size_t k = 0; k < volumes_.size(); ++k)
                for (int i = 0; i < volumes_[k]; ++i) counts_[k] += PercentPick(i);
            return;
        }
        long long total = 0;
        for (int v : volumes_) total += v;
        if (total == 0) return;
        const long long wanted = problems_ < total ? problems_ : total;
        std::vector<long long> rest(volumes_.size());
        long long given = 0;
        for (size_t k = 0; k < volumes_.size(); ++k) {
            counts_[k] = static_cast<int>(wanted * volumes_[k] / total);
            rest[k] = wanted * volumes_[k] % total;
            given += counts_[k];
        }
        while (given < wanted) {
            size_t best = 0;
            for (size_t k = 1; k < rest.size(); ++k)
                if (rest[k] > rest[best]) best = k;
            ++counts_[best];
            rest[best] = -1;
            ++given;
        }
    }

    bool CountMode() const { return problems_ >= 0; }
    int BrokenOf(int kind) const { return counts_[kind]; }

    bool Broken(int kind, int i) const
    {
        if (problems_ < 0) return PercentPick(i);
        const long long v = volumes_[kind], b = counts_[kind];
        return v > 0 && (i + 1) * b / v > i * b / v;
    }

private:
    bool PercentPick(int i) const { return percent_ > 0 && (i * 37) % 100 < percent_; }

    int percent_;
    int problems_;
    std::vector<int> volumes_;
    std::vector<int> counts_;
};

constexpr wchar_t kHklm[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\";
constexpr wchar_t kHklmWow[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\";
constexpr wchar_t kHkcu[] = L"HKEY_CURRENT_USER\\Software\\";
constexpr wchar_t kCurrentVersion[] = L"Microsoft\\Windows\\CurrentVersion\\";

// The other categories' entries, their volumes in proportion to the classes.
struct FullVolumes {
    explicit FullVolumes(int classes)
        : appPaths(classes / 10), fileExts(classes / 10), extensions(classes / 5),
          fileClasses(classes / 10 > 0 ? classes / 10 : 1), uninstall(classes / 10), installerFolders(classes / 20),
          products(classes / 20), fonts(classes / 20), sharedDlls(classes / 10), helpFiles(classes / 25),
          history(classes / 5), shortcuts(classes / 25), soundEvents(classes / 10), runValues(classes / 50)
    {
    }
    int appPaths, fileExts, extensions, fileClasses, uninstall, installerFolders, products, fonts, sharedDlls,
        helpFiles, history, shortcuts, soundEvents, runValues;
};

struct FullKinds {
    int appPaths, fileExts, extensions, fileClasses, uninstall, installerFolders, products, fonts, sharedDlls,
        helpFiles, history, shortcuts, soundEvents, runValues;
};

class FullWriter {
public:
    FullWriter(RegWriter& w, SyntheticCounts& counts, const BrokenPlan& plan, const FullVolumes& v,
               const FullKinds& k, const std::wstring& filesDir)
        : w_(w), counts_(counts), plan_(plan), v_(v), k_(k), files_(filesDir), missing_(filesDir + L"\\missing")
    {
    }

    bool Files()
    {
        for (const wchar_t* sub : {L"\\app", L"\\font", L"\\sound", L"\\help", L"\\dirs", L"\\gone"})
            CreateDirectoryW((files_ + sub).c_str(), nullptr);
        for (int i = 0; i < kProgramFiles; ++i)
            if (!Touch(Program(i))) return false;
        for (int i = 0; i < kFontFiles; ++i)
            if (!Touch(files_ + L"\\font\\font" + N(i) + L".ttf")) return false;
        for (int i = 0; i < kSoundFiles; ++i)
            if (!Touch(files_ + L"\\sound\\snd" + N(i) + L".wav")) return false;
        for (int i = 0; i < HelpPerKey(); ++i)
            if (!Touch(files_ + L"\\help\\bench" + N(i) + L".hlp") || !Touch(files_ + L"\\help\\bench" + N(i) + L".chm"))
                return false;
        for (int i = 0; i < FoldersPerView(); ++i) CreateDirectoryW((files_ + L"\\dirs\\d" + N(i)).c_str(), nullptr);
        return true;
    }

    void Registry()
    {
        AppPaths();
        FileExts();
        FileTypes();
        Uninstall();
        Fonts();
        SharedDlls();
        HelpFiles();
        History();
        SoundEvents();
        RunValues();
    }

    bool Shortcuts()
    {
        wchar_t appData[MAX_PATH] = {};
        DWORD n = GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return false;
        const std::wstring base = std::wstring(appData) + L"\\Microsoft\\Windows\\Start Menu\\Programs\\Bench";
        ShellLinkObject link;
        if (v_.shortcuts > 0 && !link.Ready()) return false;
        for (int i = 0; i < v_.shortcuts; ++i) {
            const std::wstring folder = base + L"\\Group" + N(i / 50);
            if (i % 50 == 0) MakeFolders(folder);
            const bool broken = Count(k_.shortcuts, i);
            // A missing target: the file exists while the link is made and
            // is deleted afterwards.
            const std::wstring target = broken ? files_ + L"\\gone\\gone" + N(i) + L".exe" : Program(i);
            if (broken && !Touch(target)) return false;
            const bool saved = link.Save(folder + L"\\bench" + N(i) + L".lnk", target, files_ + L"\\app",
                                         L"Bench shortcut " + N(i));
            if (broken) DeleteFileW(target.c_str());
            if (!saved) return false;
            ++counts_.shortcuts;
        }
        return true;
    }

private:
    bool Count(int kind, int i)
    {
        const bool broken = plan_.Broken(kind, i);
        counts_.broken += broken;
        return broken;
    }
    std::wstring Program(int i) const { return files_ + L"\\app\\app" + N(i % kProgramFiles) + L".exe"; }
    std::wstring Missing(const wchar_t* stem, int i, const wchar_t* ext) const
    {
        return missing_ + L"\\" + stem + N(i) + ext;
    }
    int HelpPerKey() const { return (v_.helpFiles + 3) / 4; }
    int FoldersPerView() const { return (v_.installerFolders + 1) / 2; }
    static std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

    // Entries spread over the machine's 64-bit and 32-bit keys and the user's.
    static const wchar_t* Place(int i)
    {
        if (i % 10 == 3) return kHkcu;
        return i % 5 == 4 ? kHklmWow : kHklm;
    }

    void AppPaths()
    {
        for (int i = 0; i < v_.appPaths; ++i) {
            const bool broken = Count(k_.appPaths, i);
            w_.FullKey(std::wstring(Place(i)) + kCurrentVersion + L"App Paths\\bench" + N(i) + L".exe");
            w_.Value(L"", broken ? Missing(L"app", i, L".exe") : Program(i));
            w_.Value(L"Path", files_ + L"\\app");
        }
    }

    // The user's record of how extensions were opened: the programs offered
    // and the one chosen. A broken record names a class that is not
    // registered, or keeps an "open with" list (every entry of which the
    // scan offers for removal).
    void FileExts()
    {
        const std::wstring base = std::wstring(kHkcu) + kCurrentVersion + L"Explorer\\FileExts\\.bx";
        for (int i = 0; i < v_.fileExts; ++i) {
            const bool broken = Count(k_.fileExts, i);
            const std::wstring key = base + N(i);
            const std::wstring cls = L"benchfile" + N(i % v_.fileClasses);
            w_.FullKey(key);
            w_.FullKey(key + L"\\OpenWithProgids");
            w_.Value(broken && i % 2 == 0 ? L"benchgone" + N(i) : cls, L"");
            if (broken && i % 2 == 1) {
                w_.FullKey(key + L"\\OpenWithList");
                w_.Value(L"a", L"app" + N(i % kProgramFiles) + L".exe");
            }
            w_.FullKey(key + L"\\UserChoice");
            w_.Value(L"Progid", cls);
        }
    }

    // Extensions and file classes below the class root.
    void FileTypes()
    {
        for (int i = 0; i < v_.extensions; ++i) {
            const bool broken = Count(k_.extensions, i);
            const std::wstring ext = L".bx" + N(i);
            w_.Key(ext);
            w_.Value(L"", broken ? L"benchgone" + N(i) : L"benchfile" + N(i % v_.fileClasses));
            w_.Value(L"Content Type", L"application/x-bench");
            w_.Key(ext + L"\\OpenWithProgids");
            w_.Value(L"benchfile" + N((i + 1) % v_.fileClasses), L"");
            if (i % 8 == 0) {
                w_.Key(ext + L"\\PersistentHandler");
                w_.Value(L"", Guid(1, (i / 8) % 5 * 6));  // a class of the 64-bit view
            }
        }
        for (int i = 0; i < v_.fileClasses; ++i) {
            const bool broken = Count(k_.fileClasses, i);
            const std::wstring cls = L"benchfile" + N(i);
            w_.Key(cls);
            w_.Value(L"", L"Bench File " + N(i));
            w_.Key(cls + L"\\DefaultIcon");
            w_.Value(L"", Program(i) + L",1");
            w_.Key(cls + L"\\shell");
            w_.Key(cls + L"\\shell\\open");
            w_.Value(L"", L"&Open");
            w_.Key(cls + L"\\shell\\open\\command");
            w_.Value(L"", Quoted(broken ? Missing(L"app", i, L".exe") : Program(i)) + L" \"%1\"");
            if (i % 4 == 0) {
                w_.Key(cls + L"\\CurVer");
                w_.Value(L"", L"benchfile" + N((i + 1) % v_.fileClasses));
            }
        }
    }

    void Uninstall()
    {
        for (int i = 0; i < v_.uninstall; ++i) {
            const bool broken = Count(k_.uninstall, i);
            w_.FullKey(std::wstring(Place(i)) + kCurrentVersion + L"Uninstall\\BenchApp" + N(i));
            w_.Value(L"DisplayName", L"Bench App " + N(i));
            w_.Value(L"DisplayVersion", L"1.0." + N(i));
            w_.Value(L"Publisher", L"Bench");
            w_.Value(L"InstallLocation", files_ + L"\\app");
            w_.Value(L"UninstallString", Quoted(broken ? Missing(L"app", i, L".exe") : Program(i)) + L" /uninstall");
            w_.Value(L"DisplayIcon", Program(i) + L",0");
            w_.Dword(L"EstimatedSize", 1024);
        }
        // The installer's folder list names its folders in the value names.
        for (int view = 0; view < 2; ++view) {
            w_.FullKey(std::wstring(view == 0 ? kHklm : kHklmWow) + kCurrentVersion + L"Installer\\Folders");
            for (int i = view; i < v_.installerFolders; i += 2) {
                const bool broken = Count(k_.installerFolders, i);
                w_.Value((broken ? missing_ + L"\\d" : files_ + L"\\dirs\\d") + N(i / 2) + L"\\", L"");
            }
        }
        for (int i = 0; i < v_.products; ++i) {
            const bool broken = Count(k_.products, i);
            wchar_t code[40];
            std::swprintf(code, 40, L"B3%06X00000000000000000000%04X", static_cast<unsigned>(i), 0xBE9Cu);
            const std::wstring key = std::wstring(L"Installer\\Products\\") + code;
            w_.Key(key);
            w_.Value(L"ProductName", L"Bench App " + N(i));
            w_.Value(L"PackageCode", code);
            w_.Dword(L"Language", 1033);
            w_.Value(L"ProductIcon", broken ? Missing(L"app", i, L".exe") : Program(i));
            w_.Key(key + L"\\SourceList");
            w_.Value(L"PackageName", L"bench" + N(i) + L".msi");
            w_.Value(L"LastUsedSource", L"n;1;" + files_ + L"\\app\\");
        }
    }

    void Fonts()
    {
        w_.FullKey(std::wstring(kHklm) + L"Microsoft\\Windows NT\\CurrentVersion\\Fonts");
        for (int i = 0; i < v_.fonts; ++i) {
            const bool broken = Count(k_.fonts, i);
            std::wstring file = files_ + L"\\font\\font" + N(i % kFontFiles) + L".ttf";
            if (broken) file = i % 2 ? Missing(L"font", i, L".ttf") : L"benchgone" + N(i) + L".ttf";
            w_.Value(L"Bench Font " + N(i) + L" (TrueType)", file);
        }
    }

    // Reference counts, named by the library's path. A broken count names a
    // missing file, or is 0.
    void SharedDlls()
    {
        const int pool = 2 * kLibraryFiles + kProgramFiles;
        for (int view = 0; view < 2; ++view) {
            w_.FullKey(std::wstring(view == 0 ? kHklm : kHklmWow) + kCurrentVersion + L"SharedDLLs");
            for (int i = view, j = 0; i < v_.sharedDlls && j < pool; i += 2, ++j) {
                const bool broken = Count(k_.sharedDlls, i);
                std::wstring name;
                if (broken && i % 4 < 2)
                    name = Missing(L"shared", i, L".dll");
                else if (j < kLibraryFiles)
                    name = files_ + L"\\lib" + N(j) + L".dll";
                else if (j < 2 * kLibraryFiles)
                    name = files_ + L"\\lib" + N(j - kLibraryFiles) + L".tlb";
                else
                    name = Program(j - 2 * kLibraryFiles);
                w_.Dword(name, broken && i % 4 >= 2 ? 0 : 1 + j % 3);
            }
        }
    }

    // Help files: the file's name, its folder as the data.
    void HelpFiles()
    {
        const wchar_t* keys[] = {L"Microsoft\\Windows\\Help", L"Microsoft\\Windows\\HTML Help"};
        for (int key = 0; key < 4; ++key) {
            const bool html = key % 2 == 1;
            w_.FullKey(std::wstring(key < 2 ? kHklm : kHklmWow) + keys[key % 2]);
            for (int i = key; i < v_.helpFiles; i += 4) {
                const bool broken = Count(k_.helpFiles, i);
                w_.Value((broken ? L"gone" : L"bench") + N(i / 4) + (html ? L".chm" : L".hlp"), files_ + L"\\help");
            }
        }
    }

    // Every entry of a history list is offered for removal: all of them are
    // problems, so the lists hold just the broken share of their volume.
    void History()
    {
        const std::wstring explorer = std::wstring(kHkcu) + kCurrentVersion + L"Explorer\\";
        std::map<std::wstring, std::vector<std::pair<std::wstring, std::wstring>>> text;
        std::map<std::wstring, std::vector<std::pair<std::wstring, std::vector<BYTE>>>> binary;
        int runMru = 0, typedPaths = 0, typedUrls = 0, recent = 0, openSave = 0, lastVisited = 0;
        auto blob = [](const std::wstring& s) {
            std::vector<BYTE> b;
            for (wchar_t c : s) {
                b.push_back(static_cast<BYTE>(c & 0xFF));
                b.push_back(static_cast<BYTE>(c >> 8));
            }
            b.insert(b.end(), {0, 0, 0x14, 0, 0, 0});
            return b;
        };
        for (int j = 0; j < plan_.BrokenOf(k_.history); ++j) {
            const std::wstring doc = L"benchdoc" + N(j) + L".bx" + N(j % 7);
            int list = j % 6;
            if (list == 0 && runMru >= 26) list = 3;
            if (list == 1 && typedPaths >= 25) list = 4;
            if (list == 2 && typedUrls >= 50) list = 3;
            if (list == 5 && lastVisited >= 20) list = 4;
            switch (list) {
            case 0:
                text[explorer + L"RunMRU"].push_back({std::wstring(1, static_cast<wchar_t>(L'a' + runMru++)),
                                                      Program(j) + L"\\1"});
                break;
            case 1:
                text[explorer + L"TypedPaths"].push_back({L"url" + N(++typedPaths), files_ + L"\\dirs\\d" + N(j % 10)});
                break;
            case 2:
                text[std::wstring(kHkcu) + L"Microsoft\\Internet Explorer\\TypedURLs"].push_back(
                    {L"url" + N(++typedUrls), L"http://bench" + N(j) + L".example/"});
                break;
            case 3:
                binary[explorer + L"RecentDocs\\.bx" + N(recent / 20 % 7)].push_back({N(recent % 20 + recent / 140 * 20), blob(doc)});
                ++recent;
                break;
            case 4:
                binary[explorer + L"ComDlg32\\OpenSavePidlMRU\\bx" + N(openSave / 20 % 7)].push_back(
                    {N(openSave % 20 + openSave / 140 * 20), blob(doc)});
                ++openSave;
                break;
            default:
                binary[explorer + L"ComDlg32\\LastVisitedPidlMRU"].push_back({N(lastVisited++), blob(L"app.exe")});
                break;
            }
            counts_.broken += 1;
        }
        for (const auto& [key, values] : text) {
            w_.FullKey(key);
            for (const auto& [name, data] : values) w_.Value(name, data);
        }
        for (const auto& [key, values] : binary) {
            w_.FullKey(key);
            for (const auto& [name, data] : values) w_.Binary(name, data);
        }
    }

    // Sounds of program events; the event labels are outside the scan's walk.
    void SoundEvents()
    {
        const std::wstring apps = L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\BenchApp";
        for (int i = 0; i < v_.soundEvents && i < 25; ++i) {
            w_.FullKey(L"HKEY_CURRENT_USER\\AppEvents\\EventLabels\\BenchEvent" + N(i));
            w_.Value(L"", L"Bench Event " + N(i));
        }
        for (int i = 0; i < v_.soundEvents; ++i) {
            const bool broken = Count(k_.soundEvents, i);
            if (i % 25 == 0) {
                w_.FullKey(apps + N(i / 25));
                w_.Value(L"", L"Bench App " + N(i / 25));
            }
            const std::wstring event = apps + N(i / 25) + L"\\BenchEvent" + N(i % 25);
            const std::wstring sound = files_ + L"\\sound\\snd" + N(i % kSoundFiles) + L".wav";
            w_.FullKey(event);
            w_.FullKey(event + L"\\.Current");
            w_.Value(L"", broken ? Missing(L"snd", i, L".wav") : sound);
            w_.FullKey(event + L"\\.Default");
            w_.Value(L"", sound);
        }
    }

    void RunValues()
    {
        const std::wstring keys[] = {std::wstring(kHklm) + kCurrentVersion + L"Run",
                                     std::wstring(kHklmWow) + kCurrentVersion + L"Run",
                                     std::wstring(kHkcu) + kCurrentVersion + L"Run",
                                     std::wstring(kHklm) + kCurrentVersion + L"RunOnce"};
        for (int key = 0; key < 4; ++key) {
            w_.FullKey(keys[key]);
            for (int i = key; i < v_.runValues; i += 4) {
                const bool broken = Count(k_.runValues, i);
                w_.Value(L"BenchRun" + N(i), Quoted(broken ? Missing(L"run", i, L".exe") : Program(i)) + L" /tray");
            }
        }
    }

    RegWriter& w_;
    SyntheticCounts& counts_;
    const BrokenPlan& plan_;
    const FullVolumes& v_;
    const FullKinds& k_;
    std::wstring files_;
    std::wstring missing_;
};

}  // namespace

bool WriteSyntheticCom(const std::wstring& regFile, const std::wstring& filesDir, const SyntheticSize& size,
                       SyntheticCounts& counts)
{
    CreateDirectoryW(filesDir.c_str(), nullptr);
    for (int i = 0; i < kLibraryFiles; ++i) {
        for (const wchar_t* ext : {L".dll", L".tlb"}) {
            if (!Touch(filesDir + L"\\lib" + std::to_wstring(i) + ext)) return false;
        }
    }
    std::wstring missingDir = filesDir + L"\\missing";
    RegWriter w(counts);

    BrokenPlan plan(size.brokenPercent, size.problems);
    const int classKind = plan.Kind(size.classes);
    const int typeLibKind = plan.Kind(size.typeLibs);
    const int interfaceKind = plan.Kind(size.interfaces);
    const FullVolumes volumes(size.full ? size.classes : 0);
    FullKinds kinds{};
    if (size.full) {
        kinds = FullKinds{plan.Kind(volumes.appPaths),    plan.Kind(volumes.fileExts),
                          plan.Kind(volumes.extensions),  plan.Kind(volumes.fileClasses),
                          plan.Kind(volumes.uninstall),   plan.Kind(volumes.installerFolders),
                          plan.Kind(volumes.products),    plan.Kind(volumes.fonts),
                          plan.Kind(volumes.sharedDlls),  plan.Kind(volumes.helpFiles),
                          plan.Kind(volumes.history),     plan.Kind(volumes.shortcuts),
                          plan.Kind(volumes.soundEvents), plan.Kind(volumes.runValues)};
    }
    plan.Settle();

    for (int i = 0; i < size.classes; ++i) {
        // Every sixth class is a 32-bit registration.
        std::wstring base = (i % 6 == 5 ? L"Wow6432Node\\CLSID\\" : L"CLSID\\") + Guid(1, i);
        bool broken = plan.Broken(classKind, i);
        counts.broken += broken;
        std::wstring lib =
            (broken ? missingDir : filesDir) + L"\\lib" + std::to_wstring(i % kLibraryFiles) + L".dll";
        w.Key(base);
        w.Value(L"", L"Bench Class " + std::to_wstring(i));
        if (i % 10 == 0 && size.appIds > 0) w.Value(L"AppID", Guid(4, i % size.appIds));
        w.Key(base + L"\\InprocServer32");
        w.Value(L"", lib);
        w.Value(L"ThreadingModel", L"Apartment");
        w.Key(base + L"\\ProgID");
        w.Value(L"", L"Bench.Class" + std::to_wstring(i) + L".1");
        w.Key(base + L"\\VersionIndependentProgID");
        w.Value(L"", L"Bench.Class" + std::to_wstring(i));
        if (size.typeLibs > 0) {
            w.Key(base + L"\\TypeLib");
            w.Value(L"", Guid(2, i % size.typeLibs));
        }
        w.Key(base + L"\\Version");
        w.Value(L"", L"1.0");
        // The program identifiers the class names, registered as they are
        // for a real class (outside the COM roots the scan walks).
        std::wstring progIds[] = {L"Bench.Class" + std::to_wstring(i) + L".1",
                                  L"Bench.Class" + std::to_wstring(i)};
        for (const std::wstring& progId : progIds) {
            w.Key(progId);
            w.Value(L"", L"Bench Class " + std::to_wstring(i));
            w.Key(progId + L"\\CLSID");
            w.Value(L"", Guid(1, i));
        }
    }
    for (int i = 0; i < size.typeLibs; ++i) {
        std::wstring base = L"TypeLib\\" + Guid(2, i) + L"\\1.0";
        bool broken = plan.Broken(typeLibKind, i);
        counts.broken += broken;
        // The percentage keeps the older registry, whose broken libraries
        // name the missing file in win64; a number of problems breaks win32,
        // the key the scan reads.
        const bool brokenWin64 = broken && !plan.CountMode();
        const bool brokenWin32 = broken && plan.CountMode();
        const std::wstring file = L"\\lib" + std::to_wstring(i % kLibraryFiles) + L".tlb";
        w.Key(base);
        w.Value(L"", L"Bench Library " + std::to_wstring(i));
        w.Key(base + L"\\0\\win64");
        w.Value(L"", (brokenWin64 ? missingDir : filesDir) + file);
        w.Key(base + L"\\0\\win32");
        w.Value(L"", (brokenWin32 ? missingDir : filesDir) + file);
        w.Key(base + L"\\FLAGS");
        w.Value(L"", L"0");
        w.Key(base + L"\\HELPDIR");
        w.Value(L"", filesDir);
    }
    for (int i = 0; i < size.interfaces; ++i) {
        std::wstring base = L"Interface\\" + Guid(3, i);
        bool broken = plan.Broken(interfaceKind, i);
        counts.broken += broken;
        w.Key(base);
        w.Value(L"", L"IBench" + std::to_wstring(i));
        w.Key(base + L"\\ProxyStubClsid32");
        w.Value(L"", L"{00020424-0000-0000-C000-000000000046}");
        w.Key(base + L"\\TypeLib");
        // A broken interface names a type library that is not registered.
        w.Value(L"", broken ? Guid(9, i) : Guid(2, size.typeLibs > 0 ? i % size.typeLibs : 0));
        w.Value(L"Version", L"1.0");
    }
    for (int i = 0; i < size.appIds; ++i) {
        std::wstring base = L"AppID\\" + Guid(4, i);
        w.Key(base);
        w.Value(L"", L"Bench App " + std::to_wstring(i));
        w.Value(L"DllSurrogate", L"");
    }
    if (size.full) {
        FullWriter full(w, counts, plan, volumes, kinds, filesDir);
        if (!full.Files()) return false;
        full.Registry();
        if (!full.Shortcuts()) return false;
    }
    return w.Save(regFile);
}

}  // namespace bench
