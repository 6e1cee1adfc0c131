#include "app/AppTestEnv.h"

#include <wincodec.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "controls/Dpi.h"
#include "controls/ImageCache.h"
#include "core/Handles.h"
#include "defrag/DefragState.h"
#include "defrag/PendingSwap.h"
#include "support/TestEnv.h"

namespace apptest {

void Pump(DWORD ms)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

bool RunOnWorker(const std::function<void()>& work, DWORD timeoutMs)
{
    std::atomic<bool> finished{false};
    std::thread t([&] {
        work();
        finished = true;
    });
    bool ok = PumpUntil([&] { return finished.load(); }, timeoutMs);
    if (!ok) {
        // Keep pumping: the worker may be inside a synchronous callback.
        PumpUntil([&] { return finished.load(); }, 60000);
    }
    t.join();
    return ok;
}

Canvas::Canvas(int w, int h, COLORREF fill) : w_(w), h_(h)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bmp_ = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bmp_);
    const uint32_t px = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
    for (int i = 0; i < w * h; ++i) bits_[i] = px;
}

Canvas::~Canvas()
{
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bmp_);
}

COLORREF Canvas::At(int x, int y) const
{
    GdiFlush();
    uint32_t p = bits_[y * w_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool Canvas::IsInk(int x, int y) const
{
    const COLORREF c = At(x, y);
    return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
}

namespace {
template <class T>
void Release(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

bool Encode(const std::wstring& path, int w, int h, const BYTE* pixels, UINT stride, WICPixelFormatGUID format)
{
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    bool ok = false;
    WICPixelFormatGUID want = format;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(w), static_cast<UINT>(h))) &&
        SUCCEEDED(frame->SetPixelFormat(&want)) && IsEqualGUID(want, format) &&
        SUCCEEDED(frame->WritePixels(static_cast<UINT>(h), stride, stride * static_cast<UINT>(h),
                                     const_cast<BYTE*>(pixels))) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()))
        ok = true;
    Release(frame);
    Release(encoder);
    Release(stream);
    Release(factory);
    return ok;
}
}  // namespace

bool WritePng(const std::wstring& path, int w, int h, const std::vector<uint8_t>& bgra, bool withAlpha)
{
    if (withAlpha) return Encode(path, w, h, bgra.data(), static_cast<UINT>(w * 4), GUID_WICPixelFormat32bppBGRA);
    std::vector<uint8_t> bgr;
    const UINT stride = static_cast<UINT>((w * 3 + 3) & ~3);
    bgr.resize(stride * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                bgr[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3 + static_cast<size_t>(c)] =
                    bgra[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4 +
                         static_cast<size_t>(c)];
    return Encode(path, w, h, bgr.data(), stride, GUID_WICPixelFormat24bppBGR);
}

bool WritePngFromBits(const std::wstring& path, int w, int h, const uint32_t* bits)
{
    std::vector<uint8_t> bgra(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    for (size_t i = 0; i < static_cast<size_t>(w) * static_cast<size_t>(h); ++i) {
        bgra[i * 4 + 0] = static_cast<uint8_t>(bits[i] & 0xFF);
        bgra[i * 4 + 1] = static_cast<uint8_t>((bits[i] >> 8) & 0xFF);
        bgra[i * 4 + 2] = static_cast<uint8_t>((bits[i] >> 16) & 0xFF);
        bgra[i * 4 + 3] = 255;
    }
    return WritePng(path, w, h, bgra, false);
}

std::wstring TempPath(const std::wstring& name)
{
    wchar_t dir[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"tamsel-app-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
}

std::unique_ptr<Canvas> CaptureWindow(HWND window, const std::wstring& name, size_t* colours)
{
    RECT wr{};
    GetWindowRect(window, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    auto shot = std::make_unique<Canvas>(w, h, RGB(0, 0, 0));
    HDC wdc = GetWindowDC(window);
    BitBlt(shot->dc(), 0, 0, w, h, wdc, 0, 0, SRCCOPY);
    ReleaseDC(window, wdc);
    std::set<COLORREF> distinct;
    std::vector<uint32_t> bits(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = shot->At(x, y);
            distinct.insert(c);
            bits[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    const std::wstring dir = testenv::BinDir() + L"\\..\\screenshots";
    CreateDirectoryW(dir.c_str(), nullptr);
    // At another DPI than 96 the picture is "name-<dpi>.png".
    std::wstring file = name;
    if (const int dpi = ui::WindowDpi(window); dpi != 96 && file.size() > 4)
        file = file.substr(0, file.size() - 4) + L"-" + std::to_wstring(dpi) + L".png";
    EXPECT_TRUE(WritePngFromBits(dir + L"\\" + file, w, h, bits.data()));
    if (colours) *colours = distinct.size();
    return shot;
}

void PreloadSkin(ui::ImageCache& cache)
{
    wchar_t previous[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, previous);
    if (!SetCurrentDirectoryW(testenv::BinDir().c_str())) return;
    WIN32_FIND_DATAW fd{};
    UniqueFindHandle find(FindFirstFileW(L".\\images\\*.png", &fd));
    if (find) {
        do {
            cache.Load(std::wstring(L"./images/") + fd.cFileName);
        } while (FindNextFileW(find.get(), &fd));
    }
    SetCurrentDirectoryW(previous);
}

PendingSwap::PendingSwap()
{
    defrag::Seams seams;
    seams.pendingSwapKey = L"SOFTWARE\\" + testenv::UniqueName(L"pendingswap");
    defrag::SetSeams(&seams);
    defrag::RecordPendingSwap(L"\\REGISTRY\\MACHINE\\SOFTWARE", L"C:\\windows\\system32\\config\\software.rns");
}

PendingSwap::~PendingSwap()
{
    defrag::ClearPendingSwaps();
    defrag::SetSeams(nullptr);
}

}  // namespace apptest
