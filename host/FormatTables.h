// The two process-wide tables that tie the host's vocabulary to the codec's: the compressed
// subtypes of the file type (by the FourCC that names them to the host and in the AVI stream), and
// the host pixel formats frames are exchanged in. Both are filled at the plug-in's startup
// selector and only read afterwards.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "codec/quorvane.h"
#include "sdk/PrSDKPixelFormat.h"
#include "sdk/SPBasic.h"

struct SubTypeInfo {
    enum : uint32_t { hasAlpha = 1u << 0, isYUV = 1u << 1 };

    uint32_t subType;            // four characters, first in the most significant byte
    const wchar_t* subTypeName;  // display name
    uint32_t quoTypeComp;        // codec compressed type
    uint32_t widthDivisor;       // frame width and height must be multiples of these
    uint32_t heightDivisor;
    uint32_t flags;
    std::set<PrPixelFormat> preferredFormats; // decode into these when the stream can

    bool alpha() const { return (flags & hasAlpha) != 0; }
    bool yuv() const { return (flags & isYUV) != 0; }
};

struct FormatInfo {
    enum : uint32_t { isAdobe16u = 1u << 0, isTopLeft = 1u << 1, isLimitedRange = 1u << 2 };

    uint32_t pixelFormat; // PrPixelFormat: four characters, first in the least significant byte
    const char* name;     // display name
    uint32_t quoType;     // codec frame type of the layout
    uint32_t colorSpace;  // 1 BT.601, 2 BT.709
    uint32_t flags;       // isTopLeft is filled in at startup from the host's answer

    bool adobe16u() const { return (flags & isAdobe16u) != 0; }
    bool topLeft() const { return (flags & isTopLeft) != 0; }
    bool limitedRange() const { return (flags & isLimitedRange) != 0; }
};

extern std::vector<SubTypeInfo> g_subTypeInfos;
extern std::vector<FormatInfo> g_formatInfos;

// Fills both tables, then asks the host's Image Processing suite which formats it keeps top row
// first. A refused suite throws after the tables are filled.
void InitSubTypeAndFormatInfos(SPBasicSuite* basic);

// The codec's extended frame type for frames of this host format: bottom-up unless the host keeps
// the format top row first, the host's 16-bit range where the format uses it.
QuorvaneFrameTypeEx ToFrameTypeEx(const FormatInfo& format, uint32_t width, uint32_t height);

// Host formats a stream (its format header) can be decoded into, in table order; only the
// subtype's preferred ones when it can be decoded into any of them. Bytes that are not a format
// header give an empty list.
std::vector<FormatInfo> GetDecodeFormats(const QuorvaneData& format);

// Host formats frames can be compressed from into target, in table order. Width and height of
// target are ignored; colour space and range 0 mean the codec's defaults.
std::vector<FormatInfo> GetEncodeFormats(const QuorvaneFrameTypeEx& target);

// First row whose field matches; throws std::runtime_error naming the value when there is none.
const SubTypeInfo& GetSubTypeInfo_by_quoTypeComp(unsigned quoTypeComp);
const SubTypeInfo& GetSubTypeInfo_by_subType(int subType);
const FormatInfo& GetFormatInfo_by_pixelFormat(PrPixelFormat pixelFormat);

// Writes the host's pixel formats, the codec's capabilities and both tables to the log. The host
// and codec are asked whether or not logging is on.
void LogFormatInfos(SPBasicSuite* basic);

std::string GetColorSpaceName(QuorvaneColorSpace colorSpace); // "Rec.601", "Rec.709", else the codec's
std::string GetRangeName(QuorvaneRange range);                // "Limited", "Full", else the number
std::string GetFieldTypeName(QuorvaneFieldType fieldType);    // "Progressive" ... "Unknown", else the number

// "W x H, TYPE, 0xFLAGS, COLORSPACE, RANGE, FIELD"
std::string ToString(const QuorvaneFrameTypeEx& type);

// Equal in every word but the marker.
bool operator==(const QuorvaneFrameTypeEx& a, const QuorvaneFrameTypeEx& b);
