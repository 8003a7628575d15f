// The wrapper against the real codec: exact error texts, reference counting, and a round trip.
#include <gtest/gtest.h>

#include <vector>

#include "TextPattern.h"
#include "host/QuorvaneCodec.h"

namespace {

QuorvaneFrameTypeEx extended(unsigned width, unsigned height, unsigned type, unsigned flags, unsigned colorSpace,
                             unsigned range)
{
    return QuorvaneFrameTypeEx{width, height, QUORVANE_FRAME_EXTENDED, 1, type, flags, colorSpace, range, 0};
}

QuorvaneFrameType* asType(QuorvaneFrameTypeEx& t) { return reinterpret_cast<QuorvaneFrameType*>(&t); }

template <typename F>
QuorvaneError thrownBy(F&& f)
{
    try {
        f();
    } catch (const QuorvaneError& e) {
        return e;
    }
    ADD_FAILURE() << "no QuorvaneError";
    return QuorvaneError("", 0);
}

} // namespace

TEST(QuorvaneCodec, ErrorTexts)
{
    QuorvaneCodec codec;

    QuorvaneError e = thrownBy([&] { codec.compressEnd(); });
    EXPECT_STREQ(e.what(), "Quorvane error (-6): INVALID_STATE: compressEnd()");
    EXPECT_EQ(e.code(), -6);
    EXPECT_STREQ(thrownBy([&] { codec.decompressEnd(); }).what(), "Quorvane error (-6): INVALID_STATE: decompressEnd()");

    e = thrownBy([&] { codec.supportsFlip(60); });
    EXPECT_EQ(e.code(), -5);
    EXPECT_STREQ(e.what(), "Quorvane error (-5): INVALID_FORMAT: getParam(SUPPORTS_FLIP(7), ?\?\?\?(60))");
    EXPECT_STREQ(thrownBy([&] { codec.supports16uMax32768(0); }).what(),
                 "Quorvane error (-5): INVALID_FORMAT: getParam(SUPPORTS_16U_MAX_32768(9), UNKNOWN(0))");

    // A format that is not a format header; the requested type null, then extended.
    const std::vector<unsigned char> garbage(32, 'x');
    const QuorvaneData format{garbage.data(), 32};
    e = thrownBy([&] { codec.decompressQuery(format, nullptr); });
    EXPECT_EQ(e.code(), -11);
    EXPECT_TRUE(qtest::matchesPattern(e.what(), "Quorvane error (-11): INVALID_COMPRESSED_FORMAT: "
                                                "decompressQuery({0x@,32}, null)"))
        << e.what();
    QuorvaneFrameTypeEx bgra = extended(0, 0, QUORVANE_FRAME_BGRA, 1, 2, 2);
    e = thrownBy([&] { codec.decompressBegin(format, asType(bgra)); });
    const std::string text = e.what();
    const std::string tail = ", {{0,0,EXTENDED(254)},1,BGRA(2),1,BT709(2),2,0})";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
    EXPECT_EQ(text.rfind("Quorvane error (-11): INVALID_COMPRESSED_FORMAT: decompressBegin({0x", 0), 0u) << text;

    // A bad extended version: the plain input record and the null out-value print as such.
    QuorvaneFrameType plain{64, 32, QUORVANE_FRAME_Y8, 0};
    QuorvaneFrameTypeEx badVersion = extended(0, 0, QUORVANE_FRAME_COMP_YUV400, 0, 0, 0);
    badVersion.version = 2;
    e = thrownBy([&] { codec.compressQuery(plain, asType(badVersion), nullptr); });
    EXPECT_EQ(e.code(), -17);
    EXPECT_STREQ(e.what(), "Quorvane error (-17): INVALID_EX_FORMAT_VERSION: compressQuery({64,32,Y8(9)}, "
                           "{{0,0,EXTENDED(254)},2,COMP_YUV400(107),0,UNKNOWN(0),0,0}, null)");
    unsigned maxSize = 7;
    e = thrownBy([&] { codec.compressBegin(plain, asType(badVersion), &maxSize); });
    const std::string begun = e.what();
    const std::size_t last = begun.rfind(", {0x");
    ASSERT_NE(last, std::string::npos) << begun;
    EXPECT_TRUE(qtest::matchesPattern(begun.substr(last), ", {0x@,7})")) << begun;

    // Frame data prints every plane; a negative stride as its unsigned 32-bit value.
    QuorvaneFrameData frame{};
    frame.planes[0] = {reinterpret_cast<void*>(0x1000), -64, 2048};
    e = thrownBy([&] { codec.compress(frame, nullptr); });
    EXPECT_STREQ(e.what(), "Quorvane error (-6): INVALID_STATE: compress({{0x1000,4294967232,2048},{null,0,0},"
                           "{null,0,0},{null,0,0}}, null)");

    EXPECT_STREQ(QuorvaneError("ctx", -50).what(), "Quorvane error (-50): UNKNOWN: ctx");
    EXPECT_STREQ(QuorvaneError("ctx", 3).what(), "Quorvane error (3): UNKNOWN: ctx");
}

TEST(QuorvaneCodec, HoldsOneReferenceAndOneInstance)
{
    const int before = quorvane_library_ref_count();
    unsigned first = 0;
    {
        QuorvaneCodec a;
        EXPECT_EQ(quorvane_library_ref_count(), before + 1);
        {
            QuorvaneCodec b;
            EXPECT_EQ(quorvane_library_ref_count(), before + 2);
            EXPECT_NE(a.handle(), b.handle());
        }
        EXPECT_EQ(quorvane_library_ref_count(), before + 1);
        first = a.handle();
        EXPECT_NE(first, 0u);
    }
    EXPECT_EQ(quorvane_library_ref_count(), before);
    if (before == 0) {
        // The instance went with the library; nothing of it is left to find.
        uint32_t value = 1;
        EXPECT_EQ(quorvane_get_param(first, QUORVANE_PARAM_NUM_THREADS, &value, 4), QUORVANE_LIBRARY_NOT_INITIALIZED);
    }
}

TEST(QuorvaneCodec, PlanarRoundTripThroughTheWrapper)
{
    constexpr unsigned width = 96, height = 40;
    std::vector<unsigned char> luma(width * height);
    for (unsigned i = 0; i < luma.size(); ++i)
        luma[i] = static_cast<unsigned char>((i * 7) ^ (i >> 5));

    QuorvaneCodec codec;
    QuorvaneFrameType in{width, height, QUORVANE_FRAME_Y8, 0};
    QuorvaneFrameTypeEx out = extended(0, 0, QUORVANE_FRAME_COMP_YUV400, 0, 0, 0);
    codec.compressQuery(in, asType(out), nullptr);
    unsigned maxSize = 0;
    const QuorvaneData header = codec.compressBegin(in, asType(out), &maxSize);
    ASSERT_EQ(header.size, 32u);
    EXPECT_EQ(out.width, width);
    std::vector<unsigned char> compressed(maxSize);
    QuorvaneFrameData frame{};
    frame.planes[0] = {luma.data(), int32_t(width), uint32_t(luma.size())};
    const unsigned size = codec.compress(frame, compressed.data());
    ASSERT_GT(size, 0u);
    const std::vector<unsigned char> headerCopy(static_cast<const unsigned char*>(header.data),
                                                static_cast<const unsigned char*>(header.data) + header.size);
    codec.compressEnd();

    QuorvaneCodec decoder;
    const QuorvaneData format{headerCopy.data(), uint32_t(headerCopy.size())};
    const QuorvaneFrameTypeEx stream = decoder.decompressQuery(format, nullptr);
    EXPECT_EQ(stream.type, unsigned(QUORVANE_FRAME_COMP_YUV400));
    EXPECT_EQ(stream.width, width);
    EXPECT_EQ(stream.height, height);
    QuorvaneFrameType requested{0, 0, QUORVANE_FRAME_Y8, 0};
    decoder.decompressBegin(format, &requested);
    std::vector<unsigned char> decoded(luma.size(), 0);
    QuorvaneFrameData target{};
    target.planes[0] = {decoded.data(), int32_t(width), uint32_t(decoded.size())};
    decoder.decompress(QuorvaneData{compressed.data(), size}, target);
    EXPECT_EQ(decoded, luma);
    decoder.decompressEnd();

    // A damaged frame fails with the codec's code in the exception.
    compressed[40] ^= 0xFF;
    compressed.resize(size / 2);
    decoder.decompressBegin(format, &requested);
    const QuorvaneError e = thrownBy([&] {
        decoder.decompress(QuorvaneData{compressed.data(), uint32_t(compressed.size())}, target);
    });
    EXPECT_LT(e.code(), 0);
    EXPECT_NE(std::string(e.what()).find(": decompress({0x"), std::string::npos) << e.what();
}
