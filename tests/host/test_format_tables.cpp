#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "LogCapture.h"
#include "container/riff/FourCC.h"
#include "fakehost/FakeHost.h"
#include "host/FormatTables.h"
#include "host/HostNames.h"
#include "host/QuorvaneCodec.h"

using fakehost::FakeHost;

namespace {

QuorvaneFrameType* asType(QuorvaneFrameTypeEx& t) { return reinterpret_cast<QuorvaneFrameType*>(&t); }
const QuorvaneFrameType* asType(const QuorvaneFrameTypeEx& t) { return reinterpret_cast<const QuorvaneFrameType*>(&t); }

QuorvaneFrameTypeEx target(uint32_t compressed, uint32_t colorSpace = 0, uint32_t range = 0)
{
    return QuorvaneFrameTypeEx{0, 0, QUORVANE_FRAME_EXTENDED, 1, compressed, 0, colorSpace, range, 0};
}

std::string fcc(uint32_t pixelFormat) { return riff::fcc::to_string(pixelFormat, riff::fcc::LowByteFirst); }

std::string names(const std::vector<FormatInfo>& formats)
{
    std::string text;
    for (const FormatInfo& f : formats)
        text += (text.empty() ? "" : " ") + fcc(f.pixelFormat);
    return text;
}

// The format header of a stream compressed from host format `from` into subtype `subType`.
std::vector<unsigned char> streamHeader(const char* from, const SubTypeInfo& subType, uint32_t colorSpace,
                                        uint32_t range)
{
    const FormatInfo& source = GetFormatInfo_by_pixelFormat(
        PrPixelFormat(PrFourCCLowFirst(from[0], from[1], from[2], from[3])));
    QuorvaneCodec codec;
    const QuorvaneFrameTypeEx in = ToFrameTypeEx(source, 64, 32);
    QuorvaneFrameTypeEx out = target(subType.quoTypeComp, colorSpace, range);
    const QuorvaneData header = codec.compressBegin(*asType(in), asType(out), nullptr);
    const auto* bytes = static_cast<const unsigned char*>(header.data);
    return std::vector<unsigned char>(bytes, bytes + header.size);
}

class FormatTables : public ::testing::Test {
protected:
    void SetUp() override { InitSubTypeAndFormatInfos(host.basicSuite()); }
    FakeHost host;
};

} // namespace

TEST_F(FormatTables, FillAsksTheHostAboutRowOrder)
{
    ASSERT_EQ(g_subTypeInfos.size(), 17u);
    ASSERT_EQ(g_formatInfos.size(), 17u);
    EXPECT_EQ(host.imageProcessingCalls(3), 17);
    EXPECT_TRUE(host.allReleased());

    EXPECT_EQ(riff::fcc::to_string(g_subTypeInfos.front().subType, riff::fcc::HighByteFirst), "Q8RA");
    EXPECT_EQ(riff::fcc::to_string(g_subTypeInfos.back().subType, riff::fcc::HighByteFirst), "Q4RG");
    EXPECT_EQ(fcc(g_formatInfos.front().pixelFormat), "yuy2");
    EXPECT_EQ(fcc(g_formatInfos.back().pixelFormat), "Bgrx");
    for (const FormatInfo& f : g_formatInfos)
        EXPECT_EQ(f.topLeft(), host.topLeft(PrPixelFormat(f.pixelFormat))) << fcc(f.pixelFormat);

    // One row of each family, field by field.
    const SubTypeInfo& q0y0 = GetSubTypeInfo_by_subType(int(PrFourCCHighFirst('Q', '0', 'Y', '0')));
    EXPECT_EQ(std::wstring(q0y0.subTypeName), L"Quorvane 10-bit YUV 4:2:0");
    EXPECT_EQ(q0y0.quoTypeComp, unsigned(QUORVANE_FRAME_COMP_10_YUV420));
    EXPECT_EQ(q0y0.widthDivisor, 2u);
    EXPECT_EQ(q0y0.heightDivisor, 2u);
    EXPECT_TRUE(q0y0.yuv());
    EXPECT_FALSE(q0y0.alpha());
    EXPECT_EQ(q0y0.preferredFormats, (std::set<PrPixelFormat>{PrPixelFormat_V210_422_10u_601, PrPixelFormat_V210_422_10u_709}));
    EXPECT_TRUE(GetSubTypeInfo_by_quoTypeComp(QUORVANE_FRAME_COMP_10_YUV422).preferredFormats.empty());
    EXPECT_EQ(GetSubTypeInfo_by_quoTypeComp(QUORVANE_FRAME_COMP_RGBA).flags, unsigned(SubTypeInfo::hasAlpha));
    EXPECT_EQ(GetSubTypeInfo_by_quoTypeComp(QUORVANE_FRAME_COMP_YUV444A).flags, 3u);
    const FormatInfo& bgra16 = GetFormatInfo_by_pixelFormat(PrPixelFormat_BGRA_4444_16u);
    EXPECT_STREQ(bgra16.name, "BGRA [16]");
    EXPECT_EQ(bgra16.quoType, unsigned(QUORVANE_FRAME_BGRA64));
    EXPECT_TRUE(bgra16.adobe16u());
    const FormatInfo& rgb10 = GetFormatInfo_by_pixelFormat(PrPixelFormat_RGB_444_10u);
    EXPECT_EQ(rgb10.quoType, unsigned(QUORVANE_FRAME_R10K_LE));
    EXPECT_FALSE(rgb10.limitedRange());
    const FormatInfo& uyv7 = GetFormatInfo_by_pixelFormat(PrPixelFormat_UYVY_422_8u_709);
    EXPECT_EQ(uyv7.colorSpace, 2u);
    EXPECT_TRUE(uyv7.limitedRange());
}

TEST_F(FormatTables, RefusedImageProcessingThrowsAfterTheTablesAreFilled)
{
    g_formatInfos.clear();
    host.refuse(kPrSDKImageProcessingSuite);
    EXPECT_THROW(InitSubTypeAndFormatInfos(host.basicSuite()), std::runtime_error);
    EXPECT_EQ(g_formatInfos.size(), 17u);
    EXPECT_EQ(g_subTypeInfos.size(), 17u);
    EXPECT_TRUE(host.allReleased());
}

TEST_F(FormatTables, ExtendedTypeOfAFormat)
{
    host.setTopLeft(PrPixelFormat_YUYV_422_8u_601, true);
    host.setTopLeft(PrPixelFormat_BGRA_4444_16u, false);
    InitSubTypeAndFormatInfos(host.basicSuite());
    const QuorvaneFrameTypeEx yuy2 = ToFrameTypeEx(GetFormatInfo_by_pixelFormat(PrPixelFormat_YUYV_422_8u_601), 8, 6);
    EXPECT_EQ(yuy2.width, 8u);
    EXPECT_EQ(yuy2.height, 6u);
    EXPECT_EQ(yuy2.marker, 254u);
    EXPECT_EQ(yuy2.version, 1u);
    EXPECT_EQ(yuy2.type, unsigned(QUORVANE_FRAME_YUY2));
    EXPECT_EQ(yuy2.flags, 0u);
    EXPECT_EQ(yuy2.colorSpace, 1u);
    EXPECT_EQ(yuy2.range, 1u);
    EXPECT_EQ(yuy2.fieldType, 0u);
    const QuorvaneFrameTypeEx bgra16 = ToFrameTypeEx(GetFormatInfo_by_pixelFormat(PrPixelFormat_BGRA_4444_16u), 0, 0);
    EXPECT_EQ(bgra16.flags, 3u);
    EXPECT_EQ(bgra16.range, 2u);
    EXPECT_EQ(bgra16.colorSpace, 2u);
}

TEST_F(FormatTables, LookupFailuresNameWhatWasMissing)
{
    try {
        GetSubTypeInfo_by_quoTypeComp(QUORVANE_FRAME_COMP_12_BAYER);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "GetSubTypeInfo_by_quoTypeComp(): type not found: COMP_12_BAYER (122)");
    }
    try {
        GetSubTypeInfo_by_subType(int(PrFourCCHighFirst('Q', '9', 'X', 'X')));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "GetSubTypeInfo_by_subType(): type not found: Q9XX");
    }
    try {
        GetFormatInfo_by_pixelFormat(PrPixelFormat_BGRP_4444_8u);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "GetFormatInfo_by_pixelFormat(): pixel format not found: PrPixelFormat_BGRP_4444_8u [bgrp]");
    }
    try {
        GetFormatInfo_by_pixelFormat(PrPixelFormat(PrFourCCLowFirst('z', 'z', 0, 'z')));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "GetFormatInfo_by_pixelFormat(): pixel format not found: ?\?\?? [zz[0]z]");
    }
    // Before the tables are filled, nothing is found.
    g_subTypeInfos.clear();
    g_formatInfos.clear();
    EXPECT_THROW(GetSubTypeInfo_by_quoTypeComp(QUORVANE_FRAME_COMP_RGB), std::runtime_error);
    EXPECT_THROW(GetFormatInfo_by_pixelFormat(PrPixelFormat_BGRA_4444_8u), std::runtime_error);
}

TEST(FormatTableTexts, NamesToStringAndEquality)
{
    EXPECT_EQ(GetColorSpaceName(QUORVANE_COLOR_SPACE_BT601), "Rec.601");
    EXPECT_EQ(GetColorSpaceName(QUORVANE_COLOR_SPACE_BT709), "Rec.709");
    EXPECT_EQ(GetColorSpaceName(QuorvaneColorSpace(0)), "UNKNOWN");
    EXPECT_EQ(GetRangeName(QUORVANE_RANGE_LIMITED), "Limited");
    EXPECT_EQ(GetRangeName(QUORVANE_RANGE_FULL), "Full");
    EXPECT_EQ(GetRangeName(QuorvaneRange(0)), "0");
    EXPECT_EQ(GetFieldTypeName(QUORVANE_FIELD_UNKNOWN), "Unknown");
    EXPECT_EQ(GetFieldTypeName(QUORVANE_FIELD_UPPER_FIRST), "UpperFirst");
    EXPECT_EQ(GetFieldTypeName(QuorvaneFieldType(7)), "7");

    QuorvaneFrameTypeEx t{1920, 1080, 254, 1, QUORVANE_FRAME_BGRA, 1, 2, 2, 0};
    EXPECT_EQ(ToString(t), "1920 x 1080, BGRA, 0x1, BT709, Full, Progressive");
    QuorvaneFrameTypeEx u{0, 0, 254, 1, QUORVANE_FRAME_COMP_YUV420, 0x10, 1, 1, 3};
    EXPECT_EQ(ToString(u), "0 x 0, COMP_YUV420, 0x10, BT601, Limited, Unknown");

    QuorvaneFrameTypeEx other = t;
    other.marker = 0;
    EXPECT_TRUE(t == other);
    for (int word = 0; word < 9; ++word) {
        if (word == 2)
            continue;
        QuorvaneFrameTypeEx changed = t;
        reinterpret_cast<uint32_t*>(&changed)[word] += 1;
        EXPECT_FALSE(t == changed) << word;
    }
}

TEST_F(FormatTables, DecodeFormatsOfBytesThatAreNoHeader)
{
    const std::vector<unsigned char> garbage(32, 0xAB);
    EXPECT_TRUE(GetDecodeFormats(QuorvaneData{garbage.data(), 32}).empty());
    EXPECT_TRUE(GetDecodeFormats(QuorvaneData{garbage.data(), 3}).empty());
    EXPECT_TRUE(GetDecodeFormats(QuorvaneData{nullptr, 0}).empty());
}

namespace {

const SubTypeInfo& subType(const char (&code)[5])
{
    return GetSubTypeInfo_by_subType(int(PrFourCCHighFirst(code[0], code[1], code[2], code[3])));
}

// Every table format the codec decodes the stream into, asked row by row.
std::vector<FormatInfo> decodableRows(const std::vector<unsigned char>& header)
{
    QuorvaneCodec codec;
    std::vector<FormatInfo> rows;
    for (const FormatInfo& f : g_formatInfos) {
        QuorvaneFrameTypeEx requested = ToFrameTypeEx(f, 0, 0);
        if (quorvane_decompress_query(codec.handle(), header.data(), uint32_t(header.size()), asType(requested),
                                      nullptr) == QUORVANE_OK)
            rows.push_back(f);
    }
    return rows;
}

} // namespace

TEST_F(FormatTables, EncodeFormatsOfEverySubtype)
{
    // What the host can render in for each subtype, with the host's default row order (8- and
    // 16-bit RGB bottom-up, the rest top-left) and the codec's default colour space and range.
    const std::map<std::string, std::string> expected = {
        {"Q8RA", "bgra argb"},
        {"Q8RG", "bgrx xrgb"},
        {"Q8YA", "vuya VUYA bgra argb"},
        {"Q8Y4", "vuyx vux7 bgrx xrgb"},
        {"Q8Y2", "yuy2 yuy3 uyvy uyv7 vuyx vux7 bgrx xrgb"},
        {"Q8Y0", "yuy2 yuy3 uyvy uyv7 vuyx vux7 bgrx xrgb"},
        {"Q8G0", "yuy2 yuy3 uyvy uyv7 vuyx vux7 bgrx xrgb"},
        {"Q0RA", "Bgra"},
        {"Q0RG", "RGB1 Bgrx"},
        {"Q0Y4", ""},
        {"Q0Y2", "v210 v211"},
        {"Q0Y0", "v210 v211"},
        {"Q0G0", "v210 v211"},
        {"Q2RA", "Bgra"},
        {"Q2RG", "Bgrx"},
        {"Q4RA", "Bgra"},
        {"Q4RG", "Bgrx"},
    };
    for (const SubTypeInfo& s : g_subTypeInfos) {
        const std::string code = riff::fcc::to_string(s.subType, riff::fcc::HighByteFirst);
        EXPECT_EQ(names(GetEncodeFormats(target(s.quoTypeComp))), expected.at(code)) << code;
    }
    // The target's colour space and range take part: a Rec.709 limited 4:2:2 target keeps only
    // the Rec.709 YUV formats and RGB (converted on the way in); an RGB target refuses Rec.601.
    EXPECT_EQ(names(GetEncodeFormats(target(QUORVANE_FRAME_COMP_YUV422, 2, 1))), "yuy3 uyv7 vux7 bgrx xrgb");
    EXPECT_EQ(names(GetEncodeFormats(target(QUORVANE_FRAME_COMP_10_YUV420, 1, 1))), "v210");
    EXPECT_EQ(names(GetEncodeFormats(target(QUORVANE_FRAME_COMP_RGB, 2, 2))), "bgrx xrgb");
    EXPECT_EQ(names(GetEncodeFormats(target(QUORVANE_FRAME_COMP_RGB, 1, 2))), "");
    EXPECT_EQ(names(GetEncodeFormats(target(QUORVANE_FRAME_COMP_12_BAYER))), "");
}

TEST_F(FormatTables, EncodeFormatsFollowTheHostsRowOrder)
{
    // Packed 4:2:2 cannot be stored bottom-up: a host that keeps it so loses it from the list.
    host.setTopLeft(PrPixelFormat_YUYV_422_8u_601, false);
    host.setTopLeft(PrPixelFormat_UYVY_422_8u_709, false);
    host.setTopLeft(PrPixelFormat_BGRX_4444_8u, true);
    InitSubTypeAndFormatInfos(host.basicSuite());
    EXPECT_EQ(names(GetEncodeFormats(target(QUORVANE_FRAME_COMP_YUV422))), "yuy3 uyvy vuyx vux7 bgrx xrgb");
    EXPECT_EQ(names(GetEncodeFormats(target(QUORVANE_FRAME_COMP_RGB))), "bgrx xrgb");
}

TEST_F(FormatTables, DecodeFormatsPreferTheSubtypesFormats)
{
    struct Case {
        const char* subType;
        const char* from;
        uint32_t colorSpace;
        const char* offered;
    } cases[] = {
        {"Q8RA", "bgra", 0, "bgra argb"},
        {"Q8RG", "xrgb", 0, "bgrx xrgb"},
        {"Q8YA", "VUYA", 0, "VUYA"},
        {"Q8Y4", "vuyx", 0, "vuyx"},
        {"Q8Y2", "yuy2", 0, "yuy2 uyvy"},
        {"Q8Y0", "uyv7", 0, "yuy3 uyv7"},
        {"Q8G0", "bgrx", 1, "yuy2 uyvy"},
        {"Q0RA", "Bgra", 0, "Bgra"},
        {"Q0RG", "RGB1", 0, "RGB1 Bgrx"},
        {"Q0Y2", "v211", 0, "v211"},
        {"Q0Y0", "v210", 0, "v210"},
        {"Q0G0", "v211", 0, "v211"},
        {"Q2RA", "Bgra", 0, "Bgra"},
        {"Q2RG", "Bgrx", 0, "Bgrx"},
        {"Q4RA", "Bgra", 0, "Bgra"},
        {"Q4RG", "Bgrx", 0, "Bgrx"},
    };
    for (const Case& c : cases) {
        const SubTypeInfo& s = subType(*reinterpret_cast<const char(*)[5]>(c.subType));
        const uint32_t range = s.yuv() && c.colorSpace != 0 ? 1 : 0;
        const std::vector<unsigned char> header = streamHeader(c.from, s, c.colorSpace, range);
        const std::vector<FormatInfo> offered = GetDecodeFormats(QuorvaneData{header.data(), uint32_t(header.size())});
        EXPECT_EQ(names(offered), c.offered) << c.subType << " from " << c.from;

        // The offer is every decodable format, or only the preferred ones when there are any.
        const std::vector<FormatInfo> all = decodableRows(header);
        std::vector<FormatInfo> preferred;
        std::copy_if(all.begin(), all.end(), std::back_inserter(preferred), [&](const FormatInfo& f) {
            return s.preferredFormats.count(PrPixelFormat(f.pixelFormat)) != 0;
        });
        EXPECT_EQ(names(offered), names(preferred.empty() ? all : preferred)) << c.subType;
    }
    // Filtering does something: a YUV 4:2:2 stream decodes into more than its preferred formats.
    const std::vector<unsigned char> header = streamHeader("yuy2", subType("Q8Y2"), 0, 0);
    EXPECT_EQ(names(decodableRows(header)), "yuy2 uyvy vuyx bgrx xrgb");
}

TEST_F(FormatTables, StartupDumpLines)
{
    qtest::LogCapture log;
    LogFormatInfos(host.basicSuite());
    EXPECT_TRUE(host.allReleased());
    const std::vector<std::string> m = log.messages();
    auto at = [&](const std::string& line) { return std::find(m.begin(), m.end(), line) - m.begin(); };
    const long pixelFormats = at("Pixel formats ([fcc] : isCompressed hasAlpha isTopLeft - name):");
    ASSERT_LT(pixelFormats, long(m.size()));
    EXPECT_EQ(m[pixelFormats - 1], "----");
    EXPECT_EQ(m[pixelFormats + 1], "[bgra] :   1   -  PrPixelFormat_BGRA_4444_8u (err: 0 0 0) - 512");
    EXPECT_EQ(m[pixelFormats + 2], "[vuya] :   1 1 -  PrPixelFormat_VUYA_4444_8u (err: 0 0 0) - 512");
    EXPECT_EQ(m[pixelFormats + 72], "[badf] : ? ? ? -  PrPixelFormat_Invalid (err: fffffffe fffffffe fffffffe) - 0");
    EXPECT_EQ(m[pixelFormats + 73], "[[0][0][0][0]] : ? ? ? -  PrPixelFormat_Any (err: fffffffe fffffffe fffffffe) - 0");
    EXPECT_LT(at("[dvn2] : 1   1 -  PrPixelFormat_NTSCDV25 (err: 0 0 0) - 0"), long(m.size()));

    const long types = at("Quorvane types (can_flip supports_0_32768_range : format):");
    EXPECT_EQ(types, pixelFormats + 75);
    EXPECT_EQ(m[types + 1], "YES  NO : BGRX");
    EXPECT_EQ(m[types + 4], " NO  NO : YUY2");
    EXPECT_EQ(m[types + 31], "YES YES : BGRA64");

    const long subTypes = at("SubTypeInfos: (subType : quoTypeComp : subTypeName)");
    EXPECT_EQ(m[subTypes - 1], "----");
    EXPECT_EQ(m[subTypes + 1], "[Q8RA] : (102) COMP_RGBA       : 'Quorvane 8-bit RGBA'");
    EXPECT_EQ(m[subTypes + 2], "    <- PrPixelFormat_BGRA_4444_8u");
    EXPECT_EQ(m[subTypes + 3], "    <- PrPixelFormat_ARGB_4444_8u");
    EXPECT_EQ(m[subTypes + 4], "[Q8RG] : (101) COMP_RGB        : 'Quorvane 8-bit RGB'");

    const long formats = at("FormatInfos: (pixelFormat : quoType : colorSpace : isAdobe16u : isTopLeft)");
    ASSERT_EQ(formats + 19, long(m.size()));
    EXPECT_EQ(m[formats + 18], "Releasing suite: r: 0, v: 2, n: 'Premiere Image Processing Suite'");
    EXPECT_EQ(m[formats + 1], "[yuy2] PrPixelFormat_YUYV_422_8u_601       : ( 4) YUY2       : (1) BT601    :   : 1");
    EXPECT_EQ(m[formats + 9], "[bgra] PrPixelFormat_BGRA_4444_8u          : ( 2) BGRA       : (2) BT709    :   :  ");
    EXPECT_EQ(m[formats + 17], "[Bgrx] PrPixelFormat_BGRX_4444_16u         : (32) BGRX64     : (2) BT709    : 1 :  ");
}

TEST_F(FormatTables, StartupDumpRunsWithLoggingOff)
{
    qtest::resetLogging();
    const int before = host.imageProcessingCalls(1);
    LogFormatInfos(host.basicSuite());
    EXPECT_EQ(host.imageProcessingCalls(1) - before, 73);
    EXPECT_EQ(host.imageProcessingCalls(4), 73);
    host.refuse(kPrSDKImageProcessingSuite);
    EXPECT_THROW(LogFormatInfos(host.basicSuite()), std::runtime_error);
    EXPECT_TRUE(host.allReleased());
}
