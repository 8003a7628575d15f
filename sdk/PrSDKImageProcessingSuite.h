// "Premiere Image Processing Suite" version 2: what the host knows about each of its pixel formats.
#pragma once

#include "sdk/PrSDKPixelFormat.h"

#define kPrSDKImageProcessingSuite "Premiere Image Processing Suite"
#define kPrSDKImageProcessingSuiteVersion 2

struct PrSDKImageProcessingSuite {
    // 1: whether frames of the format are compressed (not addressable pixel by pixel).
    prSuiteError (*isCompressed)(PrPixelFormat format, bool* outIsCompressed);
    // 2: whether the format carries an alpha channel.
    prSuiteError (*hasAlpha)(PrPixelFormat format, bool* outHasAlpha);
    // 3: whether the host keeps frames of the format top row first in memory (false: bottom row
    // first, row bytes still positive).
    prSuiteError (*isTopLeft)(PrPixelFormat format, bool* outIsTopLeft);
    // 4: bytes one frame of width x height takes in the format, rows padded as the host pads them.
    prSuiteError (*frameSizeInBytes)(PrPixelFormat format, csSDK_int32 width, csSDK_int32 height,
                                     csSDK_int32* outBytes);
};
