// Alpha premultiplication of 32-bit BGRA pixels, so images can be drawn with
// per-pixel alpha blending. No Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace img {

// Each of blue, green and red becomes value * alpha / 255, rounded toward zero.
inline void Premultiply(uint8_t* bgra, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i, bgra += 4) {
        unsigned a = bgra[3];
        bgra[0] = static_cast<uint8_t>(bgra[0] * a / 255);
        bgra[1] = static_cast<uint8_t>(bgra[1] * a / 255);
        bgra[2] = static_cast<uint8_t>(bgra[2] * a / 255);
    }
}

}  // namespace img
