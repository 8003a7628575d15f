// "MediaCore Export File Suite" version 2: the output file of an export, which the host opens and
// names; the exporter writes it through a file object id from its exDoExportRec.
#pragma once

#include "sdk/PrSDKTypes.h"

#define kPrSDKExportFileSuite "MediaCore Export File Suite"
#define kPrSDKExportFileSuiteVersion 2

enum PrExportFileSeekMode : csSDK_int32 {
    fileSeekMode_Begin = 0,
    fileSeekMode_End = 1,
    fileSeekMode_Current = 2,
};

struct PrSDKExportFileSuite {
    // 1: opens the output for writing (created, or emptied when it exists).
    prSuiteError (*open)(csSDK_uint32 fileObject);
    // 2: writes count bytes at the current position; 0 only when every byte was written.
    prSuiteError (*write)(csSDK_uint32 fileObject, const void* data, csSDK_int32 count);
    // 3: moves to position counted as the mode says and writes the new position from the
    // beginning; a position before the beginning fails.
    prSuiteError (*seek)(csSDK_uint32 fileObject, csSDK_int64 position, csSDK_int64* outNewPosition,
                         PrExportFileSeekMode mode);
    // 4: closes the output.
    prSuiteError (*close)(csSDK_uint32 fileObject);
    // 5: the output's file-system path as UTF-16. With a null buffer, writes the units the path
    // needs including its terminator into *inOutLength; with a buffer of *inOutLength units,
    // writes the 0-terminated path (failing when it does not fit).
    prSuiteError (*getPlatformPath)(csSDK_uint32 fileObject, csSDK_int32* inOutLength,
                                    prUTF16Char* outPath);
};
