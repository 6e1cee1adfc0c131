// The console's callback table and what it shows on stderr while a scan
// runs. The callbacks arrive on the engine's scan threads, one at a time
// (the engine serialises them); the main thread only waits for the scan
// thread to end and reads the counts afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvex/EngineTables.h"

namespace cli {

class OutputStream;

class ScanProgress {
public:
    // quiet: show nothing. json: one JSON object a line (at most ten a
    // second, and one per finished category). Otherwise, on a console one
    // line is rewritten in place, elsewhere one line per finished category.
    ScanProgress(EngineFunctionTable& engine, OutputStream& err, bool quiet, bool json = false);
    ~ScanProgress();
    ScanProgress(const ScanProgress&) = delete;
    ScanProgress& operator=(const ScanProgress&) = delete;

    // The table handed to the engine at binding; it forwards to the one
    // active ScanProgress.
    static UiCallbackTable* Callbacks();

    bool Finished() const { return finished_; }
    bool Stopped() const { return stopped_; }

private:
    static ScanProgress* Active();
    static void CORVEX_CALL OnScanStarted();
    static void CORVEX_CALL OnScanCategory(int categoryIndex);
    static void CORVEX_CALL OnScanItem(const std::wstring* text, int examined);
    static void CORVEX_CALL OnScanFinished(int stopped);

    void Started();
    void Category(int index);
    void Item(const std::wstring* text, int examined);
    void Done(bool stopped);
    void Draw(const std::wstring& item);
    void ClearLine();

    EngineFunctionTable& engine_;
    OutputStream& err_;
    bool quiet_;
    bool json_;
    bool console_;
    int width_;
    std::vector<std::wstring> names_;
    int enabledTotal_ = 0;
    int begun_ = 0;     // categories begun so far
    int position_ = 0;  // categories done so far
    int current_ = -1;  // the category begun last
    int64_t items_ = 0;  // items examined so far, across the scan's threads
    uint64_t lastDraw_ = 0;
    bool lineShown_ = false;
    bool finished_ = false;
    bool stopped_ = false;
};

}  // namespace cli
