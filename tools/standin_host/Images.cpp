#include "tools/standin_host/Images.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>

namespace standin {

namespace {

Image blank(PrPixelFormat format, int width, int height)
{
    Image image;
    image.format = format;
    image.width = width;
    image.height = height;
    image.rowBytes = fakehost::FakeHost::naturalRowBytes(format, width);
    if (image.rowBytes <= 0 || height <= 0)
        throw std::invalid_argument("no packed layout for this format and size");
    image.bytes.assign(std::size_t(image.rowBytes) * std::size_t(height), 0);
    return image;
}

// Byte positions of B, G, R and the fourth byte in a 4-byte RGB format.
struct RgbOrder {
    int b, g, r, a;
};

bool rgbOrder(PrPixelFormat format, RgbOrder& order)
{
    switch (format) {
    case PrPixelFormat_BGRA_4444_8u:
    case PrPixelFormat_BGRX_4444_8u:
        order = {0, 1, 2, 3};
        return true;
    case PrPixelFormat_ARGB_4444_8u:
    case PrPixelFormat_XRGB_4444_8u:
        order = {3, 2, 1, 0};
        return true;
    default:
        return false;
    }
}

} // namespace

Image makeNoiseImage(PrPixelFormat format, int width, int height, uint32_t seed)
{
    Image image = blank(format, width, height);
    std::mt19937 rng(seed);
    for (uint8_t& b : image.bytes)
        b = static_cast<uint8_t>(rng());
    return image;
}

Image makeGradientImage(PrPixelFormat format, int width, int height, uint32_t frameNumber)
{
    Image image = blank(format, width, height);
    const int bytesPerPixel = image.rowBytes / (width > 0 ? width : 1);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            const bool square = x >= int(frameNumber % 32) && x < int(frameNumber % 32) + 8 && y >= 4 && y < 12;
            for (int c = 0; c < bytesPerPixel; ++c) {
                const int v = square ? 200 + 10 * c : (x * (c + 1) + y * (3 - c % 3) + int(frameNumber) * 2);
                row[x * bytesPerPixel + c] = static_cast<uint8_t>(v);
            }
        }
    }
    return image;
}

Image loadPpm(const std::string& path, PrPixelFormat format)
{
    RgbOrder order{};
    if (!rgbOrder(format, order))
        throw std::invalid_argument("loadPpm: 4-byte RGB formats only");
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        throw std::runtime_error("cannot open " + path);
    int width = 0, height = 0, maxValue = 0;
    const bool ok = std::fscanf(file, "P6 %d %d %d", &width, &height, &maxValue) == 3 && std::fgetc(file) != EOF &&
                    width > 0 && height > 0 && maxValue == 255;
    if (!ok) {
        std::fclose(file);
        throw std::runtime_error(path + " is not an 8-bit binary PPM");
    }
    std::vector<uint8_t> rgb(std::size_t(width) * std::size_t(height) * 3);
    const std::size_t got = std::fread(rgb.data(), 1, rgb.size(), file);
    std::fclose(file);
    if (got != rgb.size())
        throw std::runtime_error(path + " is cut short");
    Image image = blank(format, width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* out = image.row(y);
        const uint8_t* in = rgb.data() + std::size_t(y) * std::size_t(width) * 3;
        for (int x = 0; x < width; ++x, out += 4, in += 3) {
            out[order.r] = in[0];
            out[order.g] = in[1];
            out[order.b] = in[2];
            out[order.a] = 255;
        }
    }
    return image;
}

std::vector<Image> loadPpmFolder(const std::string& dir, PrPixelFormat format)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".ppm") == 0)
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::vector<Image> frames;
    for (const std::string& n : names)
        frames.push_back(loadPpm(dir + "/" + n, format));
    return frames;
}

void renderInto(const Image& image, PPix& frame, bool topLeft)
{
    if (frame.format != image.format || frame.width != image.width || frame.height != image.height ||
        frame.rowBytes < image.rowBytes)
        throw std::invalid_argument("image and frame differ in format or size");
    for (int y = 0; y < image.height; ++y) {
        const int memoryRow = topLeft ? y : image.height - 1 - y;
        std::memcpy(frame.pixels + std::size_t(memoryRow) * std::size_t(frame.rowBytes), image.row(y),
                    std::size_t(image.rowBytes));
    }
}

std::function<void(PPix&, csSDK_uint32)> renderFrom(fakehost::FakeHost& host,
                                                    std::function<const Image&(csSDK_uint32)> images)
{
    return [&host, images](PPix& frame, csSDK_uint32 frameNumber) {
        renderInto(images(frameNumber), frame, host.topLeft(frame.format));
    };
}

} // namespace standin
