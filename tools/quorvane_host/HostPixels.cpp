#include "tools/quorvane_host/HostPixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "fakehost/FakeHost.h"

namespace qhost {

namespace {

enum class Layout { Rgb8, Rgb16, Rgb10, Vuy8, Yuv422, V210 };

struct Format {
    PrPixelFormat code;
    Layout layout;
    int order[4]; // byte (or 16-bit word) of R, G, B, A in a pixel; for YUV: V, U, Y, A
    bool alpha;
    bool bt709;
    bool uyvy; // 4:2:2 order U Y V Y instead of Y U Y V
};

constexpr Format kFormats[] = {
    {PrPixelFormat_BGRA_4444_8u, Layout::Rgb8, {2, 1, 0, 3}, true, false, false},
    {PrPixelFormat_BGRX_4444_8u, Layout::Rgb8, {2, 1, 0, 3}, false, false, false},
    {PrPixelFormat_ARGB_4444_8u, Layout::Rgb8, {1, 2, 3, 0}, true, false, false},
    {PrPixelFormat_XRGB_4444_8u, Layout::Rgb8, {1, 2, 3, 0}, false, false, false},
    {PrPixelFormat_BGRA_4444_16u, Layout::Rgb16, {2, 1, 0, 3}, true, false, false},
    {PrPixelFormat_BGRX_4444_16u, Layout::Rgb16, {2, 1, 0, 3}, false, false, false},
    {PrPixelFormat_VUYA_4444_8u, Layout::Vuy8, {0, 1, 2, 3}, true, false, false},
    {PrPixelFormat_VUYA_4444_8u_709, Layout::Vuy8, {0, 1, 2, 3}, true, true, false},
    {PrPixelFormat_VUYX_4444_8u, Layout::Vuy8, {0, 1, 2, 3}, false, false, false},
    {PrPixelFormat_VUYX_4444_8u_709, Layout::Vuy8, {0, 1, 2, 3}, false, true, false},
    {PrPixelFormat_YUYV_422_8u_601, Layout::Yuv422, {}, false, false, false},
    {PrPixelFormat_YUYV_422_8u_709, Layout::Yuv422, {}, false, true, false},
    {PrPixelFormat_UYVY_422_8u_601, Layout::Yuv422, {}, false, false, true},
    {PrPixelFormat_UYVY_422_8u_709, Layout::Yuv422, {}, false, true, true},
    {PrPixelFormat_RGB_444_10u, Layout::Rgb10, {}, false, false, false},
    {PrPixelFormat_V210_422_10u_601, Layout::V210, {}, false, false, false},
    {PrPixelFormat_V210_422_10u_709, Layout::V210, {}, false, true, false},
};

const Format* find(PrPixelFormat code)
{
    for (const Format& f : kFormats) {
        if (f.code == code)
            return &f;
    }
    return nullptr;
}

uint8_t clamp8(double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// Limited-range YCbCr of one matrix, at 8 or 10 bits (the levels scale by 4: Y 64..940).
struct Matrix {
    double kr, kb;
    double kg() const { return 1 - kr - kb; }

    void toYuv(const uint8_t* rgb, double& y, double& cb, double& cr, int bits = 8) const
    {
        const double scale = bits == 10 ? 4 : 1;
        const double luma = kr * rgb[0] + kg() * rgb[1] + kb * rgb[2];
        y = scale * (16 + luma * 219 / 255);
        cb = scale * (128 + (rgb[2] - luma) / (2 * (1 - kb)) * 224 / 255);
        cr = scale * (128 + (rgb[0] - luma) / (2 * (1 - kr)) * 224 / 255);
    }

    void toRgb(int y, int cb, int cr, uint8_t* rgb, int bits = 8) const
    {
        const double scale = bits == 10 ? 4 : 1;
        const double luma = (y / scale - 16) * 255.0 / 219;
        const double pb = (cb / scale - 128) * 255.0 / 224, pr = (cr / scale - 128) * 255.0 / 224;
        const double r = luma + 2 * (1 - kr) * pr;
        const double b = luma + 2 * (1 - kb) * pb;
        rgb[0] = clamp8(r);
        rgb[1] = clamp8((luma - kr * r - kb * b) / kg());
        rgb[2] = clamp8(b);
    }
};

uint32_t clamp10(double v) { return uint32_t(std::clamp(std::lround(v), 0L, 1023L)); }

// 8-bit values as 10-bit ones and back: v * 1023 / 255 rounded both ways, so 8 bits survive.
uint32_t to10(uint8_t v) { return uint32_t((v * 1023 + 127) / 255); }
uint8_t from10(uint32_t v) { return uint8_t((std::min<uint32_t>(v, 1023) * 255 + 511) / 1023); }

// A v210 row as its stream of 10-bit samples, Cb Y Cr Y for every pair of pixels, three to each
// little-endian word (bits 0, 10 and 20), six pixels to every 16 bytes.
void packV210(const std::vector<uint32_t>& samples, uint8_t* row)
{
    for (std::size_t k = 0; k < samples.size(); k += 3) {
        uint32_t word = 0;
        for (std::size_t j = 0; j < 3 && k + j < samples.size(); ++j)
            word |= (samples[k + j] & 0x3FF) << (10 * j);
        std::memcpy(row + 4 * (k / 3), &word, 4);
    }
}

std::vector<uint32_t> unpackV210(const uint8_t* row, std::size_t count)
{
    std::vector<uint32_t> samples(count);
    for (std::size_t k = 0; k < count; ++k) {
        uint32_t word;
        std::memcpy(&word, row + 4 * (k / 3), 4);
        samples[k] = (word >> (10 * (k % 3))) & 0x3FF;
    }
    return samples;
}

Matrix matrixOf(const Format& f) { return f.bt709 ? Matrix{0.2126, 0.0722} : Matrix{0.299, 0.114}; }

// 8-bit values in the host's 16-bit range, 0..32768, and back.
uint16_t to16(uint8_t v) { return uint16_t((v * 32768 + 127) / 255); }
uint8_t from16(uint16_t v) { return uint8_t(std::min(255, (std::min<int>(v, 32768) * 255 + 16384) / 32768)); }

} // namespace

std::string formatName(PrPixelFormat format)
{
    std::string name;
    for (int i = 0; i < 4; ++i) {
        const char c = char((uint32_t(format) >> (8 * i)) & 0xFF);
        name.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    }
    return name;
}

PrPixelFormat parseFormat(const std::string& name)
{
    if (name.size() != 4)
        return PrPixelFormat_Invalid;
    return PrPixelFormat(PrFourCCLowFirst(name[0], name[1], name[2], name[3]));
}

bool hostHandles(PrPixelFormat format) { return find(format) != nullptr; }

bool formatHasAlpha(PrPixelFormat format)
{
    const Format* f = find(format);
    return f != nullptr && f->alpha;
}

bool formatIsRgb(PrPixelFormat format)
{
    const Format* f = find(format);
    return f != nullptr && (f->layout == Layout::Rgb8 || f->layout == Layout::Rgb16 || f->layout == Layout::Rgb10);
}

standin::Image toHostImage(const Picture& picture, PrPixelFormat format)
{
    const Format* f = find(format);
    if (f == nullptr)
        throw std::invalid_argument("the stand-in host renders no frames in " + formatName(format));
    standin::Image image;
    image.format = format;
    image.width = picture.width;
    image.height = picture.height;
    image.rowBytes = fakehost::FakeHost::naturalRowBytes(format, picture.width);
    image.bytes.assign(std::size_t(image.rowBytes) * std::size_t(picture.height), 0);
    const Matrix m = matrixOf(*f);
    const int n = picture.channels;
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* in = picture.bytes.data() + std::size_t(y) * std::size_t(picture.width) * std::size_t(n);
        uint8_t* out = image.row(y);
        if (f->layout == Layout::V210) {
            std::vector<uint32_t> samples;
            for (int x = 0; x < picture.width; x += 2) {
                const uint8_t* px = in + std::size_t(x) * std::size_t(n);
                double y0, cb0, cr0, y1, cb1, cr1;
                m.toYuv(px, y0, cb0, cr0, 10);
                m.toYuv(x + 1 < picture.width ? px + n : px, y1, cb1, cr1, 10);
                samples.insert(samples.end(), {clamp10((cb0 + cb1) / 2), clamp10(y0), clamp10((cr0 + cr1) / 2), clamp10(y1)});
            }
            packV210(samples, out);
            continue;
        }
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* px = in + std::size_t(x) * std::size_t(n);
            const uint8_t a = picture.alpha() && f->alpha ? px[3] : 255;
            switch (f->layout) {
            case Layout::Rgb8: {
                uint8_t* o = out + 4 * x;
                o[f->order[0]] = px[0];
                o[f->order[1]] = px[1];
                o[f->order[2]] = px[2];
                o[f->order[3]] = a;
                break;
            }
            case Layout::Rgb16: {
                const uint16_t words[4] = {to16(px[0]), to16(px[1]), to16(px[2]), to16(a)};
                for (int k = 0; k < 4; ++k)
                    std::memcpy(out + 8 * x + 2 * f->order[k], &words[k], 2);
                break;
            }
            case Layout::Rgb10: {
                const uint32_t word = to10(px[2]) << 2 | to10(px[1]) << 12 | to10(px[0]) << 22;
                std::memcpy(out + 4 * x, &word, 4);
                break;
            }
            case Layout::V210:
                break;
            case Layout::Vuy8: {
                double yy, cb, cr;
                m.toYuv(px, yy, cb, cr);
                uint8_t* o = out + 4 * x;
                o[0] = clamp8(cr);
                o[1] = clamp8(cb);
                o[2] = clamp8(yy);
                o[3] = a;
                break;
            }
            case Layout::Yuv422: {
                if (x % 2 != 0)
                    break;
                // The pair's chroma is the average of both pixels'; a last odd pixel pairs with itself.
                const uint8_t* second = x + 1 < picture.width ? px + n : px;
                double y0, cb0, cr0, y1, cb1, cr1;
                m.toYuv(px, y0, cb0, cr0);
                m.toYuv(second, y1, cb1, cr1);
                uint8_t* o = out + 2 * x;
                const uint8_t bytes[4] = {clamp8(y0), clamp8((cb0 + cb1) / 2), clamp8(y1), clamp8((cr0 + cr1) / 2)};
                if (f->uyvy) {
                    o[0] = bytes[1], o[1] = bytes[0], o[2] = bytes[3], o[3] = bytes[2];
                } else {
                    std::memcpy(o, bytes, 4);
                }
                break;
            }
            }
        }
    }
    return image;
}

Picture fromHostImage(const standin::Image& image)
{
    const Format* f = find(image.format);
    if (f == nullptr)
        throw std::invalid_argument("the stand-in host reads no frames in " + formatName(image.format));
    Picture p;
    p.width = image.width;
    p.height = image.height;
    p.channels = f->alpha ? 4 : 3;
    p.bytes.resize(p.size());
    const Matrix m = matrixOf(*f);
    const int n = p.channels;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* in = image.row(y);
        uint8_t* out = p.bytes.data() + std::size_t(y) * std::size_t(p.width) * std::size_t(n);
        if (f->layout == Layout::V210) {
            const std::vector<uint32_t> samples = unpackV210(in, 4 * std::size_t((image.width + 1) / 2));
            for (int x = 0; x < image.width; ++x) {
                const uint32_t* pair = samples.data() + 4 * (x / 2);
                m.toRgb(int(pair[1 + 2 * (x & 1)]), int(pair[0]), int(pair[2]), out + std::size_t(x) * std::size_t(n), 10);
            }
            continue;
        }
        for (int x = 0; x < image.width; ++x) {
            uint8_t* px = out + std::size_t(x) * std::size_t(n);
            uint8_t a = 255;
            switch (f->layout) {
            case Layout::Rgb8: {
                const uint8_t* i = in + 4 * x;
                px[0] = i[f->order[0]];
                px[1] = i[f->order[1]];
                px[2] = i[f->order[2]];
                a = i[f->order[3]];
                break;
            }
            case Layout::Rgb16: {
                uint16_t words[4];
                for (int k = 0; k < 4; ++k)
                    std::memcpy(&words[k], in + 8 * x + 2 * f->order[k], 2);
                px[0] = from16(words[0]);
                px[1] = from16(words[1]);
                px[2] = from16(words[2]);
                a = from16(words[3]);
                break;
            }
            case Layout::Rgb10: {
                uint32_t word;
                std::memcpy(&word, in + 4 * x, 4);
                px[0] = from10(word >> 22 & 0x3FF);
                px[1] = from10(word >> 12 & 0x3FF);
                px[2] = from10(word >> 2 & 0x3FF);
                break;
            }
            case Layout::V210:
                break;
            case Layout::Vuy8: {
                const uint8_t* i = in + 4 * x;
                m.toRgb(i[2], i[1], i[0], px);
                a = i[3];
                break;
            }
            case Layout::Yuv422: {
                const uint8_t* i = in + 2 * (x & ~1);
                const int luma = f->uyvy ? i[1 + 2 * (x & 1)] : i[2 * (x & 1)];
                const int cb = f->uyvy ? i[0] : i[1];
                const int cr = f->uyvy ? i[2] : i[3];
                m.toRgb(luma, cb, cr, px);
                break;
            }
            }
            if (n == 4)
                px[3] = a;
        }
    }
    return p;
}

} // namespace qhost
