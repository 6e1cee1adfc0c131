// The process-wide cache of skin images, keyed by path ("./images/x.png").
// Images are decoded once and kept alpha-premultiplied until exit.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "controls/Gdi.h"

namespace ui {

// A decoded image: a 32-bit DIB section. bpp is 32 when the file carries
// alpha (the pixels are then premultiplied), 24 otherwise. A missing or
// undecodable file gives an empty image, which every drawing routine skips.
struct CImage {
    int width = 0;
    int height = 0;
    int bpp = 0;
    gdi::Bitmap bitmap;
    bool IsEmpty() const { return !bitmap || width <= 0 || height <= 0; }
};

// Decodes a PNG (or any format the platform decoder knows).
std::unique_ptr<CImage> LoadImageFile(const std::wstring& path);

class ImageCache {
public:
    ImageCache();
    ~ImageCache();
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    CImage* Load(const std::wstring& path);
    size_t Count() const { return images_.size(); }
    // The hand cursor of the skinned buttons (cursor resource 134).
    HCURSOR HandCursor();

private:
    std::unordered_map<std::wstring, std::unique_ptr<CImage>> images_;
    HCURSOR hand_ = nullptr;
};

extern ImageCache* g_imageCache;

// The cached image for a path; loads and caches it on first use. Without a
// cache (outside the program's run) it still returns an empty image.
CImage* LoadCachedImage(const std::wstring& path);

}  // namespace ui
