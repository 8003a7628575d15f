// Suites the exporter instance holds wrappers for but never calls. Their records are opaque here; a
// host hands out any record it likes under these names.
#pragma once

#include "sdk/PrSDKTypes.h"

#define kPrSDKExportProgressSuite "MediaCore Export Progress Suite"
#define kPrSDKExportProgressSuiteVersion 2
#define kPrSDKSequenceRenderSuite "MediaCore Sequence Render Suite"
#define kPrSDKSequenceRenderSuiteVersion 4
#define kPrSDKClipRenderSuite "Premiere Clip Render Suite"
#define kPrSDKClipRenderSuiteVersion 3
#define kPrSDKMarkerSuite "Marker Suite"
#define kPrSDKMarkerSuiteVersion 3
#define kPrSDKWindowSuite "Premiere Window Suite"
#define kPrSDKWindowSuiteVersion 1

struct PrSDKExportProgressSuite {
    void (*reserved)(void);
};
struct PrSDKSequenceRenderSuite {
    void (*reserved)(void);
};
struct PrSDKClipRenderSuite {
    void (*reserved)(void);
};
struct PrSDKMarkerSuite {
    void (*reserved)(void);
};
struct PrSDKWindowSuite {
    void (*reserved)(void);
};
