// A test system for the defragmenter: real hive files in a scratch folder,
// listed under a scratch hivelist key, real registry keys behind them, and
// a simulated volume holding their extents.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "defrag/DefragState.h"
#include "support/DefragRecorder.h"
#include "pure/SimVolume.h"
#include "support/TestEnv.h"

struct ReplaceCall {
    HKEY root;
    std::wstring subKey, newFile, oldFile;
};

class DefragFixture {
public:
    explicit DefragFixture(uint64_t totalClusters = 100000);
    ~DefragFixture();

    enum class Size { Compact, Different };
    // A hive file <name> in the scratch folder with a registry key behind
    // it, listed under the hivelist key; its extents go to the volume.
    std::wstring AddHive(const std::wstring& name, const std::vector<vol::Extent>& extents, Size size);
    void AddListValue(const std::wstring& keyName, const std::wstring& data, DWORD type = REG_SZ);
    std::wstring KeyName(const std::wstring& name) const;
    std::wstring HivePath(const std::wstring& name) const;
    std::wstring DevicePath(const std::wstring& path) const;  // \Device\HarddiskVolumeN\...

    // Runs the analysis through the table and waits for its end.
    bool Analyse();
    bool Defragment();

    std::shared_ptr<vol::SimVolume> volume;
    DefragRecorder recorder;
    int running = 2;
    int redraw = 0;
    std::vector<ReplaceCall> replaced;
    LONG replaceResult = ERROR_SUCCESS;
    defrag::Seams seams;
    std::unique_ptr<testenv::ScratchDir> dir;
    std::unique_ptr<testenv::ScratchKey> hivelist;
    std::unique_ptr<testenv::ScratchKey> keys;
    void ApplySeams() { defrag::SetSeams(&seams); }

private:
    std::wstring device_;
};
