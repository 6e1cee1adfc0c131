#include "controls/ImageCache.h"

#include <wincodec.h>

#include <cstring>

#include "controls/Premultiply.h"
#include "res/ResourceIds.h"

namespace ui {

ImageCache* g_imageCache = nullptr;

namespace {

template <class T>
struct ComRelease {
    T* p = nullptr;
    ComRelease() = default;
    ComRelease(const ComRelease&) = delete;
    ComRelease& operator=(const ComRelease&) = delete;
    ~ComRelease()
    {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

bool HasAlpha(const WICPixelFormatGUID& f)
{
    return IsEqualGUID(f, GUID_WICPixelFormat32bppBGRA) || IsEqualGUID(f, GUID_WICPixelFormat32bppRGBA) ||
           IsEqualGUID(f, GUID_WICPixelFormat32bppPBGRA) || IsEqualGUID(f, GUID_WICPixelFormat64bppRGBA) ||
           IsEqualGUID(f, GUID_WICPixelFormat8bppAlpha) ||
           IsEqualGUID(f, GUID_WICPixelFormat64bppPRGBA);
}

bool HasAlphaPalette(IWICBitmapFrameDecode* frame, IWICImagingFactory* factory)
{
    ComRelease<IWICPalette> palette;
    if (FAILED(factory->CreatePalette(&palette))) return false;
    if (FAILED(frame->CopyPalette(palette.p))) return false;
    BOOL alpha = FALSE;
    return SUCCEEDED(palette->HasAlpha(&alpha)) && alpha;
}

}  // namespace

std::unique_ptr<CImage> LoadImageFile(const std::wstring& path)
{
    auto image = std::make_unique<CImage>();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return image;
    ComRelease<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))))
        return image;
    ComRelease<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)))
        return image;
    ComRelease<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, &frame))) return image;
    WICPixelFormatGUID format{};
    frame->GetPixelFormat(&format);
    bool alpha = HasAlpha(format) || HasAlphaPalette(frame.p, factory.p);
    ComRelease<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter))) return image;
    if (FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return image;
    UINT w = 0, h = 0;
    converter->GetSize(&w, &h);
    if (w == 0 || h == 0 || w > 16384 || h > 16384) return image;
    void* bits = nullptr;
    gdi::Bitmap dib(gdi::CreateDib32(static_cast<int>(w), static_cast<int>(h), &bits));
    if (!dib || !bits) return image;
    const UINT stride = w * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * h, static_cast<BYTE*>(bits)))) return image;
    if (alpha) img::Premultiply(static_cast<uint8_t*>(bits), static_cast<size_t>(w) * h);
    GdiFlush();
    image->width = static_cast<int>(w);
    image->height = static_cast<int>(h);
    image->bpp = alpha ? 32 : 24;
    image->bitmap = std::move(dib);
    return image;
}

ImageCache::ImageCache() { images_.reserve(17); }

ImageCache::~ImageCache()
{
    if (g_imageCache == this) g_imageCache = nullptr;
}

CImage* ImageCache::Load(const std::wstring& path)
{
    auto it = images_.find(path);
    if (it != images_.end()) return it->second.get();
    return images_.emplace(path, LoadImageFile(path)).first->second.get();
}

HCURSOR ImageCache::HandCursor()
{
    if (!hand_) {
        hand_ = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_TAMSEL_HAND));
        if (!hand_) hand_ = LoadCursorW(nullptr, IDC_HAND);
    }
    return hand_;
}

CImage* LoadCachedImage(const std::wstring& path)
{
    if (g_imageCache) return g_imageCache->Load(path);
    static CImage empty;
    return &empty;
}

}  // namespace ui
