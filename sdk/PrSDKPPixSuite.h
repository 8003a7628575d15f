// Host frame buffers (PPix): "Premiere PPix Suite" 1 reads and frees them, "Premiere PPix Creator
// Suite" 1 makes them, "Premiere PPix Cache Suite" 6 is acquired by the importer but never called.
#pragma once

#include "sdk/PrSDKPixelFormat.h"

#define kPrSDKPPixSuite "Premiere PPix Suite"
#define kPrSDKPPixSuiteVersion 1
#define kPrSDKPPixCreatorSuite "Premiere PPix Creator Suite"
#define kPrSDKPPixCreatorSuiteVersion 1
#define kPrSDKPPixCacheSuite "Premiere PPix Cache Suite"
#define kPrSDKPPixCacheSuiteVersion 6

// How a plug-in means to use a frame's pixels.
enum PrPPixBufferAccess : csSDK_int32 {
    PrPPixBufferAccess_ReadOnly = 0,
    PrPPixBufferAccess_WriteOnly = 1,
    PrPPixBufferAccess_ReadWrite = 2,
};

struct PrSDKPPixSuite {
    // 1: frees a frame the plug-in owns (one it created and did not hand to the host).
    prSuiteError (*dispose)(PPixHand frame);
    // 2: address of the first byte of the frame's first row in memory. For a bottom-up format
    // (PrSDKImageProcessingSuite::isTopLeft false) that row is the bottom image row.
    prSuiteError (*getPixels)(PPixHand frame, PrPPixBufferAccess access, char** outPixels);
    // 3: the frame's bounds (top and left 0, bottom and right the height and width).
    prSuiteError (*getBounds)(PPixHand frame, prRect* outBounds);
    // 4: distance in bytes from one row in memory to the next; always positive.
    prSuiteError (*getRowBytes)(PPixHand frame, csSDK_int32* outRowBytes);
    // 5: the frame's pixel format.
    prSuiteError (*getPixelFormat)(PPixHand frame, PrPixelFormat* outFormat);
};

struct PrSDKPPixCreatorSuite {
    // 1: makes a frame of the format with the given bounds (its width is right - left, its height
    // bottom - top). The plug-in owns the new frame until it hands it to the host.
    prSuiteError (*createPPix)(PPixHand* outFrame, PrPPixBufferAccess access, PrPixelFormat format,
                               const prRect* bounds);
};

struct PrSDKPPixCacheSuite {
    void (*reserved)(void); // the plug-ins never call into this suite
};
