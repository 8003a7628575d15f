// Host pixel formats. A PrPixelFormat is the 32-bit code of one pixel layout, first character in the
// lowest byte ("bgra" is b | g << 8 | r << 16 | a << 24); 0 stands for "any format".
#pragma once

#include "sdk/PrSDKTypes.h"

enum PrPixelFormat : csSDK_uint32 {
#define QV_PIXEL_FORMAT(name, c0, c1, c2, c3) name = PrFourCCLowFirst(c0, c1, c2, c3),
#include "sdk/PixelFormats.def"
#undef QV_PIXEL_FORMAT
    PrPixelFormat_Any = 0,
};

// Every named pixel format in list order, followed by PrPixelFormat_Any.
inline constexpr PrPixelFormat kPrPixelFormatList[] = {
#define QV_PIXEL_FORMAT(name, c0, c1, c2, c3) name,
#include "sdk/PixelFormats.def"
#undef QV_PIXEL_FORMAT
    PrPixelFormat_Any,
};
inline constexpr std::size_t kPrPixelFormatCount = sizeof(kPrPixelFormatList) / sizeof(kPrPixelFormatList[0]);
static_assert(kPrPixelFormatCount == 73);
static_assert(PrPixelFormat_BGRA_4444_8u == 0x61726762u);
static_assert(PrPixelFormat_Invalid == PrFourCCLowFirst('b', 'a', 'd', 'f'));
