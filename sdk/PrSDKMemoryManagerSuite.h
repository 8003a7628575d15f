// "Premiere Memory Manager Suite" version 4: blocks the host hands out (for example the memory
// values of the Export Info suite) are given back through it.
#pragma once

#include "sdk/PrSDKTypes.h"

#define kPrSDKMemoryManagerSuite "Premiere Memory Manager Suite"
#define kPrSDKMemoryManagerSuiteVersion 4

struct PrSDKMemoryManagerSuite {
    // 1: a new block of the given size, or null.
    PrMemoryPtr (*newPtr)(csSDK_uint32 size);
    // 2: frees a block from newPtr or one the host handed out.
    void (*disposePtr)(PrMemoryPtr block);
};
