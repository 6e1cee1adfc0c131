#include "scan/IgnoreList.h"

#include <memory>
#include <vector>

#include "core/Handles.h"
#include "core/ReportBox.h"
#include "core/WholeFile.h"
#include "pure/IgnoreCodec.h"
#include "pure/TextRules.h"

namespace scan {
namespace {

// Far beyond any list a user builds by hand (tens of thousands of
// entries); a bigger file is not ours.
constexpr LONGLONG kMaxFileSize = 4 * 1024 * 1024;

constexpr int kFileFine = 0, kFileDamaged = 1, kFileUnreadable = 2;

enum class ReadOutcome { Read, Missing, Damaged, Unreadable };

ReadOutcome ReadFileBytes(const wchar_t* name, std::vector<uint8_t>& bytes, DWORD& error)
{
    UniqueFile file(CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadOutcome::Missing
                                                                              : ReadOutcome::Unreadable;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        error = GetLastError();
        return ReadOutcome::Unreadable;
    }
    if (size.QuadPart > kMaxFileSize) return ReadOutcome::Damaged;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr)) {
        error = GetLastError();
        return ReadOutcome::Unreadable;
    }
    return done == bytes.size() ? ReadOutcome::Read : ReadOutcome::Damaged;
}

std::unique_ptr<RegEntryProb> EntryFrom(const pure::IgnoreEntryData& d)
{
    auto e = std::make_unique<RegEntryProb>();
    e->rootName = d.rootName;
    e->rootHandle = CRegEngine::LookupRoot(d.rootName);
    e->keyPath = d.keyPath;
    e->valueName = d.valueName;
    e->message = d.message;
    e->selected = d.selected;
    e->is64View = d.is64View;
    // The file names the unnamed value and a value called "default value"
    // alike: such an entry may mean either.
    e->isDefaultValue = pure::EqualsNoCase(d.valueName, kDefaultValueLabel) ? kEitherDefaultValue : 0;
    e->ignored = 1;
    e->fixOk = 0;
    return e;
}

pure::IgnoreEntryData DataOf(const RegEntryProb& e)
{
    pure::IgnoreEntryData d;
    d.rootName = e.rootName;
    d.keyPath = e.keyPath;
    d.valueName = e.valueName;
    d.message = e.message;
    d.selected = e.selected;
    d.is64View = e.is64View;
    return d;
}

// An entry made in this session knows whether it is the unnamed value; one
// read from the file may be either and then hides both, so nothing the user
// may have meant to keep is listed and fixed.
bool SameProblem(const RegEntryProb& entry, const RegEntryProb& p)
{
    const bool sameValue = entry.isDefaultValue == kEitherDefaultValue || entry.isDefaultValue == p.isDefaultValue;
    return sameValue && pure::EqualsNoCase(entry.rootName, p.rootName) &&
           pure::EqualsNoCase(entry.keyPath, p.keyPath) && pure::EqualsNoCase(entry.valueName, p.valueName) &&
           entry.is64View == p.is64View;
}

}  // namespace

bool LoadIgnoreList(CRegEngine& engine)
{
    std::lock_guard<std::mutex> lock(engine.ignoreListLock);
    if (!engine.ignoreList.IsEmpty()) return true;
    std::vector<uint8_t> bytes;
    DWORD error = ERROR_SUCCESS;
    const ReadOutcome outcome = ReadFileBytes(kIgnoreListFile, bytes, error);
    engine.ignoreFileState = kFileFine;
    if (outcome == ReadOutcome::Missing) return true;
    if (outcome == ReadOutcome::Unreadable) {
        engine.ignoreFileState = kFileUnreadable;
        report::ShowError(error, kIgnoreListCaption);
        return false;
    }
    std::vector<pure::IgnoreGroupData> groups;
    if (outcome == ReadOutcome::Damaged ||
        pure::DecodeIgnoreList(bytes.data(), bytes.size(), groups) != pure::DecodeResult::Ok) {
        engine.ignoreFileState = kFileDamaged;
        report::Show(L"IgnoreList.dat is damaged; it was not read, so no problem is checked or fixed until it "
                     L"is repaired or moved away.",
                     kIgnoreListCaption, MB_OK | MB_ICONWARNING);
        return true;
    }
    for (const pure::IgnoreGroupData& g : groups) {
        auto group = std::make_unique<RegScanCategory>();
        group->name = g.name;
        group->fixedCount = g.fixedCount;
        group->ignoredCount = g.entryCount;
        group->problemCount = g.problemCount;
        group->notFixedCount = g.notFixedCount;
        group->fixState = g.fixState;
        for (const pure::IgnoreEntryData& d : g.entries) group->problems.Add(EntryFrom(d));
        engine.ignoreList.Add(std::move(group));
    }
    return true;
}

void LoadIgnoreListForScan(CRegEngine& engine)
{
    const bool read = LoadIgnoreList(engine);
    std::lock_guard<std::mutex> lock(engine.ignoreListLock);
    if (!read || engine.ignoreFileState == kFileUnreadable)
        engine.scanIgnoreListState = kIgnoreListUnreadable;
    else if (engine.ignoreFileState == kFileDamaged)
        engine.scanIgnoreListState = kIgnoreListDamaged;
    else
        engine.scanIgnoreListState = kIgnoreListRead;
}

bool ScanIgnoreListRead(const CRegEngine& engine)
{
    return engine.scanIgnoreListState == kIgnoreListRead;
}

bool SaveIgnoreList(CRegEngine& engine)
{
    std::lock_guard<std::mutex> lock(engine.ignoreListLock);
    if (engine.ignoreFileState == kFileUnreadable) {
        report::Show(L"IgnoreList.dat could not be read, so it is not rewritten.", kIgnoreListCaption,
                     MB_OK | MB_ICONERROR);
        return false;
    }
    if (engine.ignoreFileState == kFileDamaged) {
        if (!CopyFileW(kIgnoreListFile, kIgnoreListBadFile, FALSE) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            report::ShowError(GetLastError(), kIgnoreListCaption);
            return false;
        }
        engine.ignoreFileState = kFileFine;
    }
    std::vector<pure::IgnoreGroupData> groups;
    for (const RegScanCategory* g : engine.ignoreList) {
        pure::IgnoreGroupData d;
        d.name = g->name;
        d.fixedCount = g->fixedCount;
        d.entryCount = g->ignoredCount;
        d.problemCount = g->problemCount;
        d.notFixedCount = g->notFixedCount;
        d.fixState = g->fixState;
        for (const RegEntryProb* e : g->problems) d.entries.push_back(DataOf(*e));
        groups.push_back(std::move(d));
    }
    const std::vector<uint8_t> bytes = pure::EncodeIgnoreList(groups);

    const DWORD error = files::WriteWhole(kIgnoreListFile, bytes);
    if (error == ERROR_SUCCESS) return true;
    report::ShowError(error, kIgnoreListCaption);
    return false;
}

void SetSelected(CRegEngine& engine, RegEntryProb& problem, bool selected)
{
    const int now = selected ? 1 : 0;
    if ((problem.selected != 0) == selected) return;
    if (selected && problem.ignored) return;  // an ignored problem stays unchecked
    problem.selected = now;
    engine.checkedCount += selected ? 1 : -1;
}

void ApplyIgnoreList(CRegEngine& engine, RegScanCategory& result, XMLElement& category)
{
    if (!ScanIgnoreListRead(engine)) {
        for (RegEntryProb* p : result.problems) SetSelected(engine, *p, false);
        return;
    }
    if (result.problems.IsEmpty() || engine.ignoreList.IsEmpty()) return;
    const RegScanCategory* group = nullptr;
    for (const RegScanCategory* g : engine.ignoreList)
        if (pure::EqualsNoCase(g->name, result.name)) {
            group = g;
            break;
        }
    if (!group) return;

    XMLElement* counted = &category;
    for (XMLElement* c : engine.categories)
        if (pure::EqualsNoCase(c->categoryName, result.name)) {
            counted = c;
            break;
        }

    for (const RegEntryProb* entry : group->problems) {
        for (RegEntryProb* p : result.problems) {
            if (p->ignored || !SameProblem(*entry, *p)) continue;
            p->ignored = 1;
            SetSelected(engine, *p, false);
            result.problemCount -= 1;
            engine.problemCount -= 1;
            counted->foundCount -= 1;
            if (entry->isDefaultValue != kEitherDefaultValue) break;  // one entry, one problem
        }
    }
}

}  // namespace scan
