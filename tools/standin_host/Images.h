// Images the stand-in host renders export frames from: pixels in a host pixel format, top row
// first, packed rows. Rendering copies them into the host's frame buffer in the host's own row
// order (bottom row first for the formats the host keeps bottom-up).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fakehost/FakeHost.h"

namespace standin {

struct Image {
    PrPixelFormat format = PrPixelFormat_Invalid;
    int width = 0;
    int height = 0;
    int rowBytes = 0;           // bytes of one row in `bytes`
    std::vector<uint8_t> bytes; // top row first

    const uint8_t* row(int y) const { return bytes.data() + std::size_t(y) * std::size_t(rowBytes); }
    uint8_t* row(int y) { return bytes.data() + std::size_t(y) * std::size_t(rowBytes); }
};

// Random bytes in any packed format the host can hold (seeded, so frames can be made again).
Image makeNoiseImage(PrPixelFormat format, int width, int height, uint32_t seed);
// A smooth picture (gradients and a moving square): codecs compress it as they would real video.
Image makeGradientImage(PrPixelFormat format, int width, int height, uint32_t frameNumber);

// A binary PPM (P6) as a 4-byte format: "bgrx"/"bgra" (B, G, R, 255), "xrgb"/"argb" (255, R, G, B).
Image loadPpm(const std::string& path, PrPixelFormat format);
// Every *.ppm of a folder, in name order, through loadPpm (none when the folder cannot be read).
std::vector<Image> loadPpmFolder(const std::string& dir, PrPixelFormat format);

// Copies the image into the frame (same format and size), honouring the host's row order.
void renderInto(const Image& image, PPix& frame, bool topLeft);

// Renders for FakeHost::LoopSettings::render: frame n gets images(n).
std::function<void(PPix&, csSDK_uint32)> renderFrom(fakehost::FakeHost& host,
                                                    std::function<const Image&(csSDK_uint32)> images);

} // namespace standin
