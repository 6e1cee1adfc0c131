#include "support/DefragFixture.h"

#include "defrag/PendingSwap.h"

#include <fstream>

namespace {

// Forwards to the fixture's volume, which outlives the engine's handle on it.
class VolumeProxy : public vol::Volume {
public:
    explicit VolumeProxy(std::shared_ptr<vol::SimVolume> v) : v_(std::move(v)) {}
    uint32_t ReadBitmap(uint64_t s, uint64_t* a, uint64_t* b, uint8_t* buf, size_t n) override
    {
        return v_->ReadBitmap(s, a, b, buf, n);
    }
    uint32_t ReadNtfsData(vol::NtfsData* out) override { return v_->ReadNtfsData(out); }
    std::unique_ptr<vol::VolumeFile> OpenFile(const std::wstring& path, uint32_t* error) override
    {
        return v_->OpenFile(path, error);
    }
    uint32_t MoveClusters(vol::VolumeFile& f, uint64_t vcn, uint64_t lcn, uint32_t count) override
    {
        return v_->MoveClusters(f, vcn, lcn, count);
    }

private:
    std::shared_ptr<vol::SimVolume> v_;
};

// RegSaveKeyW needs the backup privilege, which the analysis only enables
// later: without it every probe would read as 0 bytes.
void EnableBackupPrivileges()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
    for (const wchar_t* name : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) {
        TOKEN_PRIVILEGES tp{};
        tp.PrivilegeCount = 1;
        tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (LookupPrivilegeValueW(nullptr, name, &tp.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
    }
    CloseHandle(token);
}

uint64_t SavedSize(HKEY key, const std::wstring& scratch)
{
    std::wstring file = scratch + L"\\probe.hiv";
    DeleteFileW(file.c_str());
    if (RegSaveKeyW(key, file.c_str(), nullptr) != ERROR_SUCCESS) return 0;
    WIN32_FILE_ATTRIBUTE_DATA a{};
    GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &a);
    DeleteFileW(file.c_str());
    return (static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

}  // namespace

DefragFixture::DefragFixture(uint64_t totalClusters)
    : volume(std::make_shared<vol::SimVolume>(totalClusters, 4096))
{
    EnableBackupPrivileges();
    dir = std::make_unique<testenv::ScratchDir>(L"defrag");
    hivelist = std::make_unique<testenv::ScratchKey>(HKEY_CURRENT_USER, L"Software", L"hivelist");
    keys = std::make_unique<testenv::ScratchKey>(HKEY_LOCAL_MACHINE, L"Software", L"hives");
    wchar_t device[512] = {};
    QueryDosDeviceW(L"c:", device, 512);
    device_ = device;

    seams.hivelistRoot = HKEY_CURRENT_USER;
    seams.hivelistPath = hivelist->path();
    std::shared_ptr<vol::SimVolume> v = volume;
    seams.openVolume = [v](const std::wstring&, uint32_t*) { return std::make_unique<VolumeProxy>(v); };
    seams.replaceKey = [this](HKEY root, const std::wstring& sub, const std::wstring& n, const std::wstring& o) {
        replaced.push_back({root, sub, n, o});
        return replaceResult;
    };
    seams.redrawWaitMs = 300;
    // Queued swaps are recorded under a key of this test's own, so no other
    // test in the prefix is refused meanwhile.
    seams.pendingSwapKey = L"SOFTWARE\\" + testenv::UniqueName(L"pendingswap");
    ApplySeams();
}

DefragFixture::~DefragFixture()
{
    defrag::WaitForWorkers(20000);
    recorder.engine().ReleaseDefrag();
    defrag::ClearPendingSwaps();
    defrag::SetSeams(nullptr);
}

std::wstring DefragFixture::HivePath(const std::wstring& name) const
{
    std::wstring p = dir->File(name);
    p[0] = L'c';  // the device map gives the drive in lower case
    return p;
}

std::wstring DefragFixture::DevicePath(const std::wstring& path) const { return device_ + path.substr(2); }

std::wstring DefragFixture::KeyName(const std::wstring& name) const
{
    return L"\\REGISTRY\\MACHINE\\" + keys->path() + L"\\" + name;
}

void DefragFixture::AddListValue(const std::wstring& keyName, const std::wstring& data, DWORD type)
{
    hivelist->SetString(L"", keyName, data, type);
}

std::wstring DefragFixture::AddHive(const std::wstring& name, const std::vector<vol::Extent>& extents, Size size)
{
    keys->SetString(name, L"Value", L"data of " + name);
    HKEY k = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, (keys->path() + L"\\" + name).c_str(), 0, KEY_READ, &k);
    uint64_t bytes = SavedSize(k, dir->path());
    RegCloseKey(k);
    if (size == Size::Different) bytes += 4096;
    std::wstring path = HivePath(name);
    {
        std::ofstream f(path.c_str(), std::ios::binary);
        f << std::string(static_cast<size_t>(bytes), 'h');
    }
    volume->AddFile(path, extents);
    AddListValue(KeyName(name), DevicePath(path));
    return path;
}

bool DefragFixture::Analyse()
{
    recorder.Clear();
    recorder.engine().StartDefragAnalysis(&running, &redraw);
    return recorder.WaitFinished() && defrag::WaitForWorkers(20000);
}

bool DefragFixture::Defragment()
{
    recorder.Clear();
    recorder.engine().StartDefrag();
    return recorder.WaitFinished() && defrag::WaitForWorkers(20000);
}
