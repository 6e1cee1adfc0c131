// Helpers of the program's window tests: pumping, worker threads, a pixel
// canvas and real PNG files written through the platform encoder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {
class ImageCache;
}

namespace apptest {

// Pumps the calling thread's messages until `done` or the timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
void Pump(DWORD ms);
// Runs `work` on a new thread while this (UI) thread pumps messages, as an
// engine worker would call the callbacks. False when it did not finish.
bool RunOnWorker(const std::function<void()>& work, DWORD timeoutMs = 10000);

// A 32-bit top-down DIB selected into a memory DC.
class Canvas {
public:
    Canvas(int w, int h, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const;  // as RGB()
    // Dark text ink: every channel below 100, whatever the font smoothing
    // made of a black glyph's edges.
    bool IsInk(int x, int y) const;
    int width() const { return w_; }
    int height() const { return h_; }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bmp_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

// Writes a PNG; pixels are BGRA, straight alpha. withAlpha false writes 24-bit.
bool WritePng(const std::wstring& path, int w, int h, const std::vector<uint8_t>& bgra, bool withAlpha);
// Saves a 32-bit DIB's pixels (BGRA, top-down) as a 24-bit PNG.
bool WritePngFromBits(const std::wstring& path, int w, int h, const uint32_t* bits);

std::wstring TempPath(const std::wstring& name);

// Loads the skin of the build's program folder into `cache` under the names
// the program asks for ("./images/x.png"), so a window whose folder has no
// images (a test or scratch folder) still draws it. Keeps the current folder.
void PreloadSkin(ui::ImageCache& cache);

// Copies the whole window (children included), saves it as `name` under the
// build folder's screenshots\ ("name-144.png" at 144 DPI) and returns the
// copy; `colours` receives the number of distinct colours in it.
std::unique_ptr<Canvas> CaptureWindow(HWND window, const std::wstring& name, size_t* colours = nullptr);

class ComInit {
public:
    ComInit() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComInit()
    {
        if (ok_) CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;

private:
    bool ok_;
};

// A compaction waiting for its restart, as the engine records one, for the
// lifetime of the object; recorded under a key of the test's own, so no
// other test in the prefix is refused meanwhile.
class PendingSwap {
public:
    PendingSwap();
    ~PendingSwap();
    PendingSwap(const PendingSwap&) = delete;
    PendingSwap& operator=(const PendingSwap&) = delete;
};

}  // namespace apptest
