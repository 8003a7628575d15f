// "Premiere Error Suite" version 3: how a plug-in shows an error, a warning or a note to the user.
#pragma once

#include "sdk/PrSDKTypes.h"

#define kPrSDKErrorSuite "Premiere Error Suite"
#define kPrSDKErrorSuiteVersion 3

struct PrSDKErrorSuite3 {
    // 1: records an event of the given type (prEventError and its kin) with a title and a
    // description, both 0-terminated UTF-16.
    prSuiteError (*reportEvent)(csSDK_uint32 eventType, const prUTF16Char* title,
                                const prUTF16Char* description);
};
