#include "scan/ProblemRecord.h"

#include <memory>

#include "core/KeyNames.h"
#include "pure/TextRules.h"
#include "scan/FixExtentMeasure.h"

namespace scan {

const wchar_t* KindMessage(int kind)
{
    static const wchar_t* const kMessages[] = {
        L"The file or directroy does not exist!",
        L"The file class does not exist!",
        L"The clsid class does not exist!",
        L"The APPID does not exist!",
        L"The extention was openned with the list of software!",
        L"Shared dlls without be used!",
        L"The shotcuts has invalidate destination!",
        L"The key's default value is null!",
        L"The typeid does not exist!",
    };
    if (kind < 0 || kind >= static_cast<int>(sizeof kMessages / sizeof kMessages[0])) return L"";
    return kMessages[kind];
}

KeySite ActingSiteOf(const RegEntryProb& p)
{
    if (!p.realKeyPath.empty() && !p.realRootName.empty()) return {p.realRootName, p.realKeyPath, kView64};
    return {p.rootName, p.scannedKeyPath, p.viewFlag};
}

void RecordProblem(CRegEngine& engine, RegScanCategory* result, const ProblemSite& site, int kind,
                   XMLElement& category, int view, int grade, int fixAction)
{
    if (!result) return;
    auto prob = std::make_unique<RegEntryProb>();
    const bool wow = engine.Is64BitWindows();
    prob->rootHandle = site.root;
    prob->rootName = site.rootName;
    prob->is64View = (view == kView64 && wow) ? 1 : 0;
    prob->selected = 1;
    prob->keyPath = (view == kView32 && wow) ? pure::InsertWow6432Node(site.keyPath) : site.keyPath;
    prob->valueName = site.valueName;
    prob->data = site.data;
    prob->fixOk = 1;
    prob->ignored = 0;
    prob->grade = grade;
    prob->fixAction = fixAction;
    prob->message = KindMessage(kind);
    prob->scannedKeyPath = site.keyPath;
    prob->viewFlag = view;
    prob->isDefaultValue = site.isDefaultValue ? 1 : 0;
    if (site.root == HKEY_CLASSES_ROOT) {
        pure::KeyLocation real;
        if (regkey::RealLocation(site.root, site.keyPath, static_cast<REGSAM>(view), real)) {
            prob->realRootName = real.rootName;
            prob->realKeyPath = real.path;
        }
    }

    // What the fix would remove, measured now; the guard may uncheck it.
    engine.checkedCount += 1;
    MeasureAndGuard(engine, *result, *prob);
    category.foundCount += 1;
    result->problemCount += 1;
    engine.problemCount += 1;
    result->problems.Add(std::move(prob));
}

}  // namespace scan
