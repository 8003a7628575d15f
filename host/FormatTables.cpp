#include "host/FormatTables.h"

#include <stdexcept>

#include "container/riff/FourCC.h"
#include "host/HostNames.h"
#include "host/Logger.h"
#include "host/QuorvaneCodec.h"
#include "host/SuiteWrapper.h"
#include "host/TextUtil.h"
#include "sdk/PrSDKImageProcessingSuite.h"

std::vector<SubTypeInfo> g_subTypeInfos;
std::vector<FormatInfo> g_formatInfos;

namespace {

constexpr uint32_t kAlpha = SubTypeInfo::hasAlpha;
constexpr uint32_t kYUV = SubTypeInfo::isYUV;
constexpr uint32_t kLimited = FormatInfo::isLimitedRange;
constexpr uint32_t k16u = FormatInfo::isAdobe16u;

const std::set<PrPixelFormat> kPackedYuv422 = {PrPixelFormat_YUYV_422_8u_601, PrPixelFormat_YUYV_422_8u_709,
                                               PrPixelFormat_UYVY_422_8u_601, PrPixelFormat_UYVY_422_8u_709};

std::vector<SubTypeInfo> subTypeRows()
{
    auto q = [](const char (&code)[5]) { return PrFourCCHighFirst(code[0], code[1], code[2], code[3]); };
    return {
        {q("Q8RA"), L"Quorvane 8-bit RGBA", QUORVANE_FRAME_COMP_RGBA, 1, 1, kAlpha, {}},
        {q("Q8RG"), L"Quorvane 8-bit RGB", QUORVANE_FRAME_COMP_RGB, 1, 1, 0, {}},
        {q("Q8YA"), L"Quorvane 8-bit YUVA 4:4:4:4", QUORVANE_FRAME_COMP_YUV444A, 1, 1, kAlpha | kYUV,
         {PrPixelFormat_VUYA_4444_8u, PrPixelFormat_VUYA_4444_8u_709}},
        {q("Q8Y4"), L"Quorvane 8-bit YUV 4:4:4", QUORVANE_FRAME_COMP_YUV444, 1, 1, kYUV,
         {PrPixelFormat_VUYX_4444_8u, PrPixelFormat_VUYX_4444_8u_709}},
        {q("Q8Y2"), L"Quorvane 8-bit YUV 4:2:2", QUORVANE_FRAME_COMP_YUV422, 2, 1, kYUV, kPackedYuv422},
        {q("Q8Y0"), L"Quorvane 8-bit YUV 4:2:0", QUORVANE_FRAME_COMP_YUV420, 2, 2, kYUV, kPackedYuv422},
        {q("Q8G0"), L"Quorvane 8-bit YUV 4:0:0 greyscale", QUORVANE_FRAME_COMP_YUV400, 1, 1, kYUV, kPackedYuv422},
        {q("Q0RA"), L"Quorvane 10-bit RGBA", QUORVANE_FRAME_COMP_10_RGBA, 1, 1, kAlpha, {}},
        {q("Q0RG"), L"Quorvane 10-bit RGB", QUORVANE_FRAME_COMP_10_RGB, 1, 1, 0, {}},
        {q("Q0Y4"), L"Quorvane 10-bit YUV 4:4:4", QUORVANE_FRAME_COMP_10_YUV444, 1, 1, kYUV, {}},
        // 10-bit 4:2:2 streams prefer nothing; v210 is the preferred output of 10-bit 4:2:0.
        {q("Q0Y2"), L"Quorvane 10-bit YUV 4:2:2", QUORVANE_FRAME_COMP_10_YUV422, 2, 1, kYUV, {}},
        {q("Q0Y0"), L"Quorvane 10-bit YUV 4:2:0", QUORVANE_FRAME_COMP_10_YUV420, 2, 2, kYUV,
         {PrPixelFormat_V210_422_10u_601, PrPixelFormat_V210_422_10u_709}},
        {q("Q0G0"), L"Quorvane 10-bit YUV 4:0:0 greyscale", QUORVANE_FRAME_COMP_10_YUV400, 1, 1, kYUV, {}},
        {q("Q2RA"), L"Quorvane 12-bit RGBA", QUORVANE_FRAME_COMP_12_RGBA, 1, 1, kAlpha, {}},
        {q("Q2RG"), L"Quorvane 12-bit RGB", QUORVANE_FRAME_COMP_12_RGB, 1, 1, 0, {}},
        {q("Q4RA"), L"Quorvane 14-bit RGBA", QUORVANE_FRAME_COMP_14_RGBA, 1, 1, kAlpha, {}},
        {q("Q4RG"), L"Quorvane 14-bit RGB", QUORVANE_FRAME_COMP_14_RGB, 1, 1, 0, {}},
    };
}

std::vector<FormatInfo> formatRows()
{
    return {
        {PrPixelFormat_YUYV_422_8u_601, "YUYV 4:2:2 [8] Rec.601", QUORVANE_FRAME_YUY2, 1, kLimited},
        {PrPixelFormat_YUYV_422_8u_709, "YUYV 4:2:2 [8] Rec.709", QUORVANE_FRAME_YUY2, 2, kLimited},
        {PrPixelFormat_UYVY_422_8u_601, "UYVY 4:2:2 [8] Rec.601", QUORVANE_FRAME_UYVY, 1, kLimited},
        {PrPixelFormat_UYVY_422_8u_709, "UYVY 4:2:2 [8] Rec.709", QUORVANE_FRAME_UYVY, 2, kLimited},
        {PrPixelFormat_VUYA_4444_8u, "VUYA 4:4:4:4 [8] Rec.601", QUORVANE_FRAME_VUYA, 1, kLimited},
        {PrPixelFormat_VUYA_4444_8u_709, "VUYA 4:4:4:4 [8] Rec.709", QUORVANE_FRAME_VUYA, 2, kLimited},
        {PrPixelFormat_VUYX_4444_8u, "VUYX 4:4:4 [8] Rec.601", QUORVANE_FRAME_VUYX, 1, kLimited},
        {PrPixelFormat_VUYX_4444_8u_709, "VUYX 4:4:4 [8] Rec.709", QUORVANE_FRAME_VUYX, 2, kLimited},
        {PrPixelFormat_BGRA_4444_8u, "BGRA [8]", QUORVANE_FRAME_BGRA, 2, 0},
        {PrPixelFormat_ARGB_4444_8u, "ARGB [8]", QUORVANE_FRAME_ARGB, 2, 0},
        {PrPixelFormat_BGRX_4444_8u, "BGRX [8]", QUORVANE_FRAME_BGRX, 2, 0},
        {PrPixelFormat_XRGB_4444_8u, "XRGB [8]", QUORVANE_FRAME_XRGB, 2, 0},
        {PrPixelFormat_V210_422_10u_601, "v210 4:2:2 [10] Rec.601", QUORVANE_FRAME_V210, 1, kLimited},
        {PrPixelFormat_V210_422_10u_709, "v210 4:2:2 [10] Rec.709", QUORVANE_FRAME_V210, 2, kLimited},
        {PrPixelFormat_RGB_444_10u, "RGB [10]", QUORVANE_FRAME_R10K_LE, 2, 0},
        {PrPixelFormat_BGRA_4444_16u, "BGRA [16]", QUORVANE_FRAME_BGRA64, 2, k16u},
        {PrPixelFormat_BGRX_4444_16u, "BGRX [16]", QUORVANE_FRAME_BGRX64, 2, k16u},
    };
}

// The extended record travels through the codec's plain frame-type pointers (its marker word says
// which it is).
QuorvaneFrameType* asType(QuorvaneFrameTypeEx& t) { return reinterpret_cast<QuorvaneFrameType*>(&t); }
const QuorvaneFrameType* asType(const QuorvaneFrameTypeEx& t) { return reinterpret_cast<const QuorvaneFrameType*>(&t); }

const char* typeName(unsigned code) { return quorvane_get_string(QUORVANE_STRING_FRAME_TYPE, int(code)); }
const char* colorSpaceCodecName(unsigned cs) { return quorvane_get_string(QUORVANE_STRING_COLOR_SPACE, int(cs)); }

std::string lowFirst(uint32_t code) { return riff::fcc::to_string(code, riff::fcc::LowByteFirst); }
std::string highFirst(uint32_t code) { return riff::fcc::to_string(code, riff::fcc::HighByteFirst); }

} // namespace

void InitSubTypeAndFormatInfos(SPBasicSuite* basic)
{
    g_subTypeInfos = subTypeRows();
    g_formatInfos = formatRows();
    SuiteWrapper<PrSDKImageProcessingSuite> imageProcessing(basic, kPrSDKImageProcessingSuite,
                                                            kPrSDKImageProcessingSuiteVersion, true);
    for (FormatInfo& row : g_formatInfos) {
        bool topLeft = false;
        imageProcessing.get()->isTopLeft(PrPixelFormat(row.pixelFormat), &topLeft);
        if (topLeft)
            row.flags |= FormatInfo::isTopLeft;
    }
}

QuorvaneFrameTypeEx ToFrameTypeEx(const FormatInfo& format, uint32_t width, uint32_t height)
{
    QuorvaneFrameTypeEx t{};
    t.width = width;
    t.height = height;
    t.marker = QUORVANE_FRAME_EXTENDED;
    t.version = 1;
    t.type = format.quoType;
    t.flags = (format.topLeft() ? 0u : uint32_t(QUORVANE_FLAG_BOTTOM_UP)) |
              (format.adobe16u() ? uint32_t(QUORVANE_FLAG_16U_MAX_32768) : 0u);
    t.colorSpace = format.colorSpace;
    t.range = format.limitedRange() ? QUORVANE_RANGE_LIMITED : QUORVANE_RANGE_FULL;
    t.fieldType = QUORVANE_FIELD_PROGRESSIVE;
    return t;
}

std::vector<FormatInfo> GetDecodeFormats(const QuorvaneData& format)
{
    QuorvaneCodec codec;
    std::vector<FormatInfo> result;
    for (const FormatInfo& row : g_formatInfos) {
        QuorvaneFrameTypeEx requested = ToFrameTypeEx(row, 0, 0);
        try {
            codec.decompressQuery(format, asType(requested));
            result.push_back(row);
        } catch (const std::exception&) {
            // the codec cannot decode the stream into this format
        }
    }
    try {
        const QuorvaneFrameTypeEx stream = codec.decompressQuery(format, nullptr);
        const SubTypeInfo& subType = GetSubTypeInfo_by_quoTypeComp(stream.type);
        std::vector<FormatInfo> preferred;
        for (const FormatInfo& row : result) {
            if (subType.preferredFormats.count(PrPixelFormat(row.pixelFormat)) != 0)
                preferred.push_back(row);
        }
        if (!preferred.empty())
            result = std::move(preferred);
    } catch (...) {
        // no subtype to prefer formats of: every decodable format stays on offer
    }
    return result;
}

std::vector<FormatInfo> GetEncodeFormats(const QuorvaneFrameTypeEx& target)
{
    QuorvaneCodec codec;
    std::vector<FormatInfo> result;
    for (const FormatInfo& row : g_formatInfos) {
        const QuorvaneFrameTypeEx input = ToFrameTypeEx(row, 128, 128);
        QuorvaneFrameTypeEx output = target;
        output.width = 0;
        output.height = 0;
        try {
            codec.compressQuery(*asType(input), asType(output), nullptr);
            result.push_back(row);
        } catch (const std::exception&) {
            // frames of this format cannot be compressed into the target
        }
    }
    return result;
}

const SubTypeInfo& GetSubTypeInfo_by_quoTypeComp(unsigned quoTypeComp)
{
    for (const SubTypeInfo& row : g_subTypeInfos) {
        if (row.quoTypeComp == quoTypeComp)
            return row;
    }
    throw std::runtime_error(std::string("GetSubTypeInfo_by_quoTypeComp(): type not found: ") + typeName(quoTypeComp) +
                             " (" + std::to_string(quoTypeComp) + ")");
}

const SubTypeInfo& GetSubTypeInfo_by_subType(int subType)
{
    for (const SubTypeInfo& row : g_subTypeInfos) {
        if (row.subType == uint32_t(subType))
            return row;
    }
    throw std::runtime_error("GetSubTypeInfo_by_subType(): type not found: " + highFirst(uint32_t(subType)));
}

const FormatInfo& GetFormatInfo_by_pixelFormat(PrPixelFormat pixelFormat)
{
    for (const FormatInfo& row : g_formatInfos) {
        if (row.pixelFormat == pixelFormat)
            return row;
    }
    throw std::runtime_error(std::string("GetFormatInfo_by_pixelFormat(): pixel format not found: ") +
                             GetPixelFormatName(int(pixelFormat)) + " [" + lowFirst(pixelFormat) + "]");
}

std::string GetColorSpaceName(QuorvaneColorSpace colorSpace)
{
    switch (colorSpace) {
    case QUORVANE_COLOR_SPACE_BT601: return "Rec.601";
    case QUORVANE_COLOR_SPACE_BT709: return "Rec.709";
    default: return colorSpaceCodecName(colorSpace);
    }
}

std::string GetRangeName(QuorvaneRange range)
{
    switch (range) {
    case QUORVANE_RANGE_LIMITED: return "Limited";
    case QUORVANE_RANGE_FULL: return "Full";
    default: return std::to_string(unsigned(range));
    }
}

std::string GetFieldTypeName(QuorvaneFieldType fieldType)
{
    switch (fieldType) {
    case QUORVANE_FIELD_PROGRESSIVE: return "Progressive";
    case QUORVANE_FIELD_UPPER_FIRST: return "UpperFirst";
    case QUORVANE_FIELD_LOWER_FIRST: return "LowerFirst";
    case QUORVANE_FIELD_UNKNOWN: return "Unknown";
    default: return std::to_string(unsigned(fieldType));
    }
}

std::string ToString(const QuorvaneFrameTypeEx& type)
{
    return strprintf("%d x %d, %s, 0x%x, %s, %s, %s", int(type.width), int(type.height), typeName(type.type),
                     type.flags, colorSpaceCodecName(type.colorSpace),
                     GetRangeName(QuorvaneRange(type.range)).c_str(),
                     GetFieldTypeName(QuorvaneFieldType(type.fieldType)).c_str());
}

bool operator==(const QuorvaneFrameTypeEx& a, const QuorvaneFrameTypeEx& b)
{
    return a.width == b.width && a.height == b.height && a.version == b.version && a.type == b.type &&
           a.flags == b.flags && a.colorSpace == b.colorSpace && a.range == b.range && a.fieldType == b.fieldType;
}

void LogFormatInfos(SPBasicSuite* basic)
{
    SuiteWrapper<PrSDKImageProcessingSuite> imageProcessing(basic, kPrSDKImageProcessingSuite,
                                                            kPrSDKImageProcessingSuiteVersion, true);

    Logger::Log("----");
    Logger::Log("Pixel formats ([fcc] : isCompressed hasAlpha isTopLeft - name):");
    const PrSDKImageProcessingSuite* suite = imageProcessing.get();
    for (PrPixelFormat format : kPrPixelFormatList) {
        bool compressed = false, alpha = false, topLeft = false;
        const prSuiteError r1 = suite->isCompressed(format, &compressed);
        const prSuiteError r2 = suite->hasAlpha(format, &alpha);
        const prSuiteError r3 = suite->isTopLeft(format, &topLeft);
        csSDK_int32 size = 0;
        suite->frameSizeInBytes(format, 128, 1, &size);
        auto mark = [](prSuiteError r, bool b) { return r != 0 ? '?' : b ? '1' : ' '; };
        Logger::Log("[%s] : %c %c %c -  %s (err: %x %x %x) - %d", lowFirst(format).c_str(), mark(r1, compressed),
                    mark(r2, alpha), mark(r3, topLeft), GetPixelFormatName(int(format)), unsigned(r1), unsigned(r2),
                    unsigned(r3), int(size));
    }

    Logger::Log("----");
    Logger::Log("Quorvane types (can_flip supports_0_32768_range : format):");
    QuorvaneCodec codec;
    for (unsigned type = 1; type <= 58; ++type) {
        try {
            const unsigned flip = codec.supportsFlip(type);
            const unsigned range = codec.supports16uMax32768(type);
            Logger::Log("%s %s : %s", flip ? "YES" : " NO", range ? "YES" : " NO", typeName(type));
        } catch (const std::exception&) {
            Logger::Log("  -   - : %s", typeName(type));
        }
    }

    Logger::Log("----");
    Logger::Log("SubTypeInfos: (subType : quoTypeComp : subTypeName)");
    for (const SubTypeInfo& row : g_subTypeInfos) {
        Logger::Log("[%s] : (%d) %-15s : '%s'", highFirst(row.subType).c_str(), int(row.quoTypeComp),
                    typeName(row.quoTypeComp), utf8_encode(row.subTypeName).c_str());
        QuorvaneFrameTypeEx target{};
        target.marker = QUORVANE_FRAME_EXTENDED;
        target.version = 1;
        target.type = row.quoTypeComp;
        for (const FormatInfo& format : GetEncodeFormats(target))
            Logger::Log("    <- %s", GetPixelFormatName(int(format.pixelFormat)));
    }

    Logger::Log("----");
    Logger::Log("FormatInfos: (pixelFormat : quoType : colorSpace : isAdobe16u : isTopLeft)");
    for (const FormatInfo& row : g_formatInfos) {
        Logger::Log("[%s] %-35s : (%2d) %-10s : (%d) %-8s : %s : %s", lowFirst(row.pixelFormat).c_str(),
                    GetPixelFormatName(int(row.pixelFormat)), int(row.quoType), typeName(row.quoType),
                    int(row.colorSpace), colorSpaceCodecName(row.colorSpace), row.adobe16u() ? "1" : " ",
                    row.topLeft() ? "1" : " ");
    }
}
