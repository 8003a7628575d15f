// The stand-in editor's pixel conversions: RGB formats carry 8-bit values exactly (16-bit ones in
// the host's 0..32768 range), YUV formats land on the limited-range levels of their matrix, and
// every frame has the host's row size for its format.
#include <gtest/gtest.h>

#include <cstring>

#include "fakehost/FakeHost.h"
#include "tools/quorvane_host/HostPixels.h"

namespace {

const PrPixelFormat kRgb[] = {PrPixelFormat_BGRA_4444_8u,  PrPixelFormat_BGRX_4444_8u,  PrPixelFormat_ARGB_4444_8u,
                              PrPixelFormat_XRGB_4444_8u,  PrPixelFormat_BGRA_4444_16u, PrPixelFormat_BGRX_4444_16u,
                              PrPixelFormat_RGB_444_10u};
const PrPixelFormat kYuv[] = {PrPixelFormat_VUYA_4444_8u,     PrPixelFormat_VUYA_4444_8u_709,
                              PrPixelFormat_VUYX_4444_8u,     PrPixelFormat_VUYX_4444_8u_709,
                              PrPixelFormat_YUYV_422_8u_601,  PrPixelFormat_YUYV_422_8u_709,
                              PrPixelFormat_UYVY_422_8u_601,  PrPixelFormat_UYVY_422_8u_709,
                              PrPixelFormat_V210_422_10u_601, PrPixelFormat_V210_422_10u_709};

qhost::Picture every8BitValue(bool alpha)
{
    // 256 x 3 pixels: row r holds every value in channel r, the others fixed; alpha counts down.
    qhost::Picture p;
    p.width = 256;
    p.height = 3;
    p.channels = alpha ? 4 : 3;
    p.bytes.resize(p.size());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 256; ++x) {
            uint8_t* px = p.bytes.data() + (y * 256 + x) * p.channels;
            px[0] = px[1] = px[2] = uint8_t(77 * (y + 1));
            px[y] = uint8_t(x);
            if (alpha)
                px[3] = uint8_t(255 - x);
        }
    }
    return p;
}

TEST(HostPixels, NamesAreTheFourCharacterCodes)
{
    EXPECT_EQ(qhost::formatName(PrPixelFormat_BGRX_4444_8u), "bgrx");
    EXPECT_EQ(qhost::formatName(PrPixelFormat_BGRA_4444_16u), "Bgra");
    EXPECT_EQ(qhost::parseFormat("yuy2"), PrPixelFormat_YUYV_422_8u_601);
    EXPECT_EQ(qhost::parseFormat("uyv7"), PrPixelFormat_UYVY_422_8u_709);
    EXPECT_EQ(qhost::parseFormat("bgr"), PrPixelFormat_Invalid);
    EXPECT_EQ(qhost::parseFormat("bgrxx"), PrPixelFormat_Invalid);
    EXPECT_EQ(qhost::formatName(PrPixelFormat(0x01020304)), "????");
}

TEST(HostPixels, RgbFormatsKeepEveryValue)
{
    for (PrPixelFormat format : kRgb) {
        SCOPED_TRACE(qhost::formatName(format));
        for (bool alpha : {false, true}) {
            const qhost::Picture in = every8BitValue(alpha);
            const standin::Image image = qhost::toHostImage(in, format);
            EXPECT_EQ(image.rowBytes, fakehost::FakeHost::naturalRowBytes(format, 256));
            EXPECT_EQ(image.bytes.size(), std::size_t(image.rowBytes) * 3);
            const qhost::Picture out = qhost::fromHostImage(image);
            ASSERT_EQ(out.channels, qhost::formatHasAlpha(format) ? 4 : 3);
            const qhost::Difference d = qhost::compare(in, out, true);
            EXPECT_EQ(d.differingBytes, 0u) << "first at " << d.firstByte;
            if (out.channels == 4) {
                // Alpha goes through; an RGB picture is opaque.
                EXPECT_EQ(out.bytes[4 * 10 + 3], alpha ? 245 : 255);
            }
        }
    }
}

TEST(HostPixels, BytesSitWhereTheFormatPutsThem)
{
    qhost::Picture p;
    p.width = 1;
    p.height = 1;
    p.channels = 4;
    p.bytes = {10, 20, 30, 40};
    EXPECT_EQ(qhost::toHostImage(p, PrPixelFormat_BGRA_4444_8u).bytes, (std::vector<uint8_t>{30, 20, 10, 40}));
    EXPECT_EQ(qhost::toHostImage(p, PrPixelFormat_BGRX_4444_8u).bytes, (std::vector<uint8_t>{30, 20, 10, 255}));
    EXPECT_EQ(qhost::toHostImage(p, PrPixelFormat_ARGB_4444_8u).bytes, (std::vector<uint8_t>{40, 10, 20, 30}));
    const standin::Image wide = qhost::toHostImage(p, PrPixelFormat_BGRA_4444_16u);
    uint16_t words[4];
    std::memcpy(words, wide.bytes.data(), 8);
    EXPECT_EQ(words[0], (30 * 32768 + 127) / 255);
    EXPECT_EQ(words[3], (40 * 32768 + 127) / 255);
    p.bytes = {255, 255, 255, 255};
    std::memcpy(words, qhost::toHostImage(p, PrPixelFormat_BGRX_4444_16u).bytes.data(), 8);
    EXPECT_EQ(words[0], 32768);
    // One little-endian word: B at bit 2, G at bit 12, R at bit 22, the low two bits clear.
    p.bytes = {255, 0, 128, 255};
    uint32_t word;
    std::memcpy(&word, qhost::toHostImage(p, PrPixelFormat_RGB_444_10u).bytes.data(), 4);
    EXPECT_EQ(word, 1023u << 22 | 0u << 12 | 514u << 2);
}

TEST(HostPixels, YuvFormatsUseLimitedRangeLevels)
{
    qhost::Picture p;
    p.width = 2;
    p.height = 1;
    p.channels = 3;
    p.bytes = {255, 255, 255, 0, 0, 0}; // white, black
    const standin::Image vuya = qhost::toHostImage(p, PrPixelFormat_VUYA_4444_8u);
    EXPECT_EQ(vuya.bytes, (std::vector<uint8_t>{128, 128, 235, 255, 128, 128, 16, 255}));
    // The pair shares the average chroma: grey here.
    const standin::Image yuy2 = qhost::toHostImage(p, PrPixelFormat_YUYV_422_8u_601);
    EXPECT_EQ(yuy2.bytes, (std::vector<uint8_t>{235, 128, 16, 128}));
    const standin::Image uyvy = qhost::toHostImage(p, PrPixelFormat_UYVY_422_8u_709);
    EXPECT_EQ(uyvy.bytes, (std::vector<uint8_t>{128, 235, 128, 16}));
    // v210: Cb Y0 Cr in the first word, Y1 at the bottom of the second; rows of 128 bytes.
    const standin::Image v210 = qhost::toHostImage(p, PrPixelFormat_V210_422_10u_601);
    ASSERT_EQ(v210.bytes.size(), 128u);
    uint32_t words[2];
    std::memcpy(words, v210.bytes.data(), 8);
    EXPECT_EQ(words[0], 512u | 940u << 10 | 512u << 20);
    EXPECT_EQ(words[1], 64u);

    // Pure red: the two matrices give their own luma.
    p.bytes = {255, 0, 0, 255, 0, 0};
    EXPECT_EQ(qhost::toHostImage(p, PrPixelFormat_VUYX_4444_8u).bytes[2], 81);     // 16 + 0.299 * 219
    EXPECT_EQ(qhost::toHostImage(p, PrPixelFormat_VUYX_4444_8u_709).bytes[2], 63); // 16 + 0.2126 * 219
    EXPECT_EQ(qhost::toHostImage(p, PrPixelFormat_VUYX_4444_8u).bytes[0], 240);    // Cr at its top
}

TEST(HostPixels, YuvRoundTripsStayClose)
{
    const qhost::Picture in = qhost::generateFrame(65, 9, true, 2); // odd width: the last pixel pairs with itself
    for (PrPixelFormat format : kYuv) {
        SCOPED_TRACE(qhost::formatName(format));
        const standin::Image image = qhost::toHostImage(in, format);
        EXPECT_EQ(image.rowBytes, fakehost::FakeHost::naturalRowBytes(format, 65));
        const qhost::Picture out = qhost::fromHostImage(image);
        EXPECT_FALSE(qhost::formatIsRgb(format));
        EXPECT_GT(qhost::compare(in, out, false).psnr, 30.0);
        if (qhost::formatHasAlpha(format)) {
            EXPECT_EQ(out.bytes[3], in.bytes[3]);
        }
    }
}

TEST(HostPixels, RefusesFormatsItCannotHandle)
{
    const qhost::Picture p = qhost::generateFrame(4, 4, false, 0);
    EXPECT_FALSE(qhost::hostHandles(PrPixelFormat_BGRA_4444_32f));
    EXPECT_THROW(qhost::toHostImage(p, PrPixelFormat_BGRA_4444_32f), std::invalid_argument);
    standin::Image image;
    image.format = PrPixelFormat_YUV_420_MPEG2_FRAME_PICTURE_PLANAR_8u_601;
    EXPECT_THROW(qhost::fromHostImage(image), std::invalid_argument);
}

} // namespace
