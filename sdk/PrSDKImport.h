// The importer side of the interface: the entry function every importer plug-in exports, the entry
// of an asynchronous importer, their selectors and results, and the records the host passes.
//
// The host calls xImportEntry(selector, stdParms, param1, param2):
//
//   selector                  param1                            param2
//   imInit                    imImportInfoRec*                  -
//   imShutdown                -                                 -
//   imQuietFile               imFileRef*                        the importer's private data
//   imCloseFile               imFileRef*                        the importer's private data
//   imAnalysis                -                                 imAnalysisRec*
//   imDataRateAnalysis        -                                 imDataRateAnalysisRec*
//   imGetIndFormat            format index (integer)            imIndFormatRec*
//   imImportAudio7            -                                 imImportAudioRec7*
//   imGetIndPixelFormat       pixel format index (integer)      imIndPixelFormatRec*
//   imGetSupports8            -                                 -
//   imGetInfo8                imFileAccessRec8*                 imFileInfoRec8*
//   imOpenFile8               imFileRef*                        imFileOpenRec8*
//   imCreateAsyncImporter     imAsyncImporterCreationRec*       -
//   imGetSourceVideo          -                                 imSourceVideoRec*
//   imGetSubTypeNames         file type (integer)               imSubTypeDescriptionRec**
//   imGetAudioChannelLayout   -                                 imGetAudioChannelLayoutRec*
//
// Integers travel in the pointer argument's value (intptr_t). Records of an opened file carry the
// importer's private data in their own first field.
//
// An asynchronous importer is driven through the entry handed out by imCreateAsyncImporter:
// entry(selector, param) with aiInitiateAsyncRead -> aiAsyncRequest*, aiGetFrame ->
// imSourceVideoRec* (whose first field is the async importer), aiFlush and aiClose -> the async
// importer's private data.
#pragma once

#include "sdk/PrSDKAudio.h"
#include "sdk/PrSDKPixelFormat.h"
#include "sdk/SPBasic.h"

enum PrImportSelector : csSDK_int32 {
#define QV_IMPORT_SELECTOR(name, value) name = value,
#include "sdk/ImportSelectors.def"
#undef QV_IMPORT_SELECTOR
};

enum PrImportReturn : csSDK_int32 {
#define QV_IMPORT_RESULT(name, value) name = value,
#include "sdk/ImportResults.def"
#undef QV_IMPORT_RESULT
};

enum PrAsyncImportSelector : csSDK_int32 {
#define QV_ASYNC_SELECTOR(name, value) name = value,
#include "sdk/AsyncImportSelectors.def"
#undef QV_ASYNC_SELECTOR
};

enum PrAsyncImportReturn : csSDK_int32 {
#define QV_ASYNC_RESULT(name, value) name = value,
#include "sdk/AsyncImportResults.def"
#undef QV_ASYNC_RESULT
};

enum PrFileOpenAccess : csSDK_int32 {
    kPrOpenFileAccess_ReadOnly = 0,
    kPrOpenFileAccess_ReadWrite = 1,
};

// The host's reference to an opened file: here the POSIX descriptor; kImInvalidFileRef when closed.
typedef std::intptr_t imFileRef;
inline constexpr imFileRef kImInvalidFileRef = -1;

inline constexpr int kPrMaxPathUnits = 4096; // UTF-16 units of a path field, terminator included

struct imStdParms {
    csSDK_int32 imInterfaceVer;
    PlugSuites* piSuites;
};

#pragma pack(push, 1)
// imInit: what the importer is. The importer writes only the fields it sets.
struct imImportInfoRec {
    csSDK_int32 reserved0[13];         // 0: the host's
    csSDK_int32 priority;              // 52: the importer with the highest priority opens a file
    csSDK_int32 reserved56[4];         // 56: the host's
    prBool canProvideAsyncImporter;    // 72: imCreateAsyncImporter is supported
};
static_assert(offsetof(imImportInfoRec, priority) == 52);
static_assert(offsetof(imImportInfoRec, canProvideAsyncImporter) == 72 && sizeof(imImportInfoRec) == 76);

// imGetIndFormat: one file type the importer opens.
struct imIndFormatRec {
    csSDK_uint32 filetype;        // four characters, first in the high byte
    csSDK_int32 flags;
    char formatName[256];
    char formatShortName[32];
    char platformExtension[256];  // extensions without dots
};

// imGetSubTypeNames: one row of the block the importer allocates with the host's newPtr.
struct imSubTypeDescriptionRec {
    csSDK_uint32 subtype;
    prUTF16Char subTypeName[256];
};
static_assert(sizeof(imSubTypeDescriptionRec) == 516);

struct imFileOpenRec8 {
    void* privatedata;                    // in: the importer's object when reopening; out: a new one
    prUTF16Char filepath[kPrMaxPathUnits]; // 0-terminated within the field
    csSDK_int32 inStreamIdx;              // stream the file is opened for
    PrFileOpenAccess inReadWrite;
    imFileRef fileref;                    // out
    csSDK_uint32 filetype;                // out
};

struct imFileAccessRec8 {
    imFileRef fileref;
    csSDK_uint32 filetype;
};

enum : csSDK_uint8 {
    kImAlphaStraight = 1,
    kImAlphaNone = 5,
};

enum : csSDK_int32 {
    kImAccessMode_RandomAccess = 4, // frames and audio are read at any position
};

// imGetInfo8: what the opened stream holds. The importer writes the fields it knows; the others
// keep the host's values.
struct imFileInfoRec8 {
    csSDK_uint8 hasVideo;             // 0
    csSDK_uint8 hasAudio;             // 1
    csSDK_int32 imageWidth;           // 2
    csSDK_int32 imageHeight;          // 6
    csSDK_int16 reserved10;           // 10
    csSDK_int16 depth;                // 12: bits per pixel, 24 or 32 (with alpha)
    csSDK_uint32 subType;             // 14: four characters, first in the high byte
    csSDK_uint8 fieldType;            // 18: prFieldType
    csSDK_uint8 reserved19[3];        // 19
    csSDK_uint8 alphaType;            // 22: kImAlphaStraight or kImAlphaNone
    csSDK_uint8 reserved23[11];       // 23
    csSDK_int32 pixelAspectNum;       // 34
    csSDK_int32 pixelAspectDen;       // 38
    csSDK_uint8 reserved42[8];        // 42
    prBool supportsRandomFrames;      // 50: any frame can be asked for at any time
    prBool framesAreIndependent;      // 54: every frame decodes on its own
    prBool isStill;                   // 58
    csSDK_uint8 reserved62[100];      // 62
    csSDK_int32 vidScale;             // 162: frames per second = vidScale / vidSampleSize
    csSDK_int32 vidSampleSize;        // 166
    csSDK_int32 vidDuration;          // 170: in units of 1 / vidScale seconds
    csSDK_int32 numChannels;          // 174
    float sampleRate;                 // 178
    PrAudioSampleType sampleType;     // 182
    csSDK_int64 audDuration;          // 186: sample frames
    csSDK_int32 accessModes;          // 194
    csSDK_uint8 reserved198[16];      // 198
    csSDK_uint8 hasDataRate;          // 214
    void* privatedata;                // 215: the importer's object
    csSDK_int32 streamIdx;            // 223: stream asked about
};
static_assert(offsetof(imFileInfoRec8, imageWidth) == 2 && offsetof(imFileInfoRec8, imageHeight) == 6);
static_assert(offsetof(imFileInfoRec8, depth) == 12 && offsetof(imFileInfoRec8, subType) == 14);
static_assert(offsetof(imFileInfoRec8, fieldType) == 18 && offsetof(imFileInfoRec8, alphaType) == 22);
static_assert(offsetof(imFileInfoRec8, pixelAspectNum) == 34 && offsetof(imFileInfoRec8, pixelAspectDen) == 38);
static_assert(offsetof(imFileInfoRec8, supportsRandomFrames) == 50);
static_assert(offsetof(imFileInfoRec8, framesAreIndependent) == 54 && offsetof(imFileInfoRec8, isStill) == 58);
static_assert(offsetof(imFileInfoRec8, vidScale) == 162 && offsetof(imFileInfoRec8, vidSampleSize) == 166);
static_assert(offsetof(imFileInfoRec8, vidDuration) == 170 && offsetof(imFileInfoRec8, numChannels) == 174);
static_assert(offsetof(imFileInfoRec8, sampleRate) == 178 && offsetof(imFileInfoRec8, sampleType) == 182);
static_assert(offsetof(imFileInfoRec8, audDuration) == 186 && offsetof(imFileInfoRec8, accessModes) == 194);
static_assert(offsetof(imFileInfoRec8, hasDataRate) == 214 && offsetof(imFileInfoRec8, privatedata) == 215);

struct imIndPixelFormatRec {
    void* privatedata;
    PrPixelFormat outPixelFormat;
};

struct imFrameFormat {
    csSDK_int32 inFrameWidth;   // 0: the stream's width
    csSDK_int32 inFrameHeight;  // 0: the stream's height
    PrPixelFormat inPixelFormat;
};

// imGetSourceVideo and aiGetFrame: one frame, decoded into a new host frame that the importer hands
// to the host through outFrame.
struct imSourceVideoRec {
    void* inPrivateData;        // 0: the importer (or async importer) object
    PrTime inFrameTime;
    csSDK_int32 inNumFrameFormats;
    imFrameFormat* inFrameFormats; // preferred first
    PPixHand* outFrame;
};
static_assert(offsetof(imSourceVideoRec, inPrivateData) == 0);

// aiInitiateAsyncRead: a frame the host will ask for later.
struct aiAsyncRequest {
    void* inPrivateData;        // 0: the async importer
    csSDK_int64 inRequestID;    // 8: the host's own tag
    imSourceVideoRec inSourceRec; // 16
};
static_assert(offsetof(aiAsyncRequest, inSourceRec) == 16);

struct imImportAudioRec7 {
    void* privateData;
    csSDK_int64 position;       // first sample frame; negative: go on after the previous request
    csSDK_uint32 size;          // sample frames per channel
    float** buffer;             // one buffer per channel
};

struct imGetAudioChannelLayoutRec {
    void* privateData;
    PrAudioChannelLabel outChannelLabels[kPrMaxAudioChannels];
};

struct imAnalysisRec {
    void* privatedata;
    csSDK_int32 buffersize;
    char* buffer;               // text out, 0-terminated within buffersize
};

// One entry of a data-rate analysis: a frame's duration (bit 31 set: the frame decodes on its own)
// and its size in bytes.
struct imDataRateSample {
    csSDK_uint32 sampleDuration;
    csSDK_uint32 sampleSize;
};
static_assert(sizeof(imDataRateSample) == 8);

struct imDataRateAnalysisRec {
    void* privatedata;
    csSDK_int32 buffersize;     // in: bytes of buffer; without a buffer, out: bytes needed
    imDataRateSample* buffer;
    csSDK_int32 baserate;       // out: 0
};
#pragma pack(pop)

typedef csSDK_int32 (*PrImportEntryFunc)(csSDK_int32 selector, imStdParms* stdParms, void* param1,
                                         void* param2);
typedef csSDK_int32 (*PrAsyncImportEntryFunc)(csSDK_int32 selector, void* param);

#pragma pack(push, 1)
struct imAsyncImporterCreationRec {
    void* inPrivateData;              // the opened importer
    PrAsyncImportEntryFunc outAsyncEntry;
    void* outAsyncPrivateData;        // the new async importer, closed with aiClose
};
#pragma pack(pop)

#define kPrImportEntryName "xImportEntry"

PR_PLUGIN_EXPORT csSDK_int32 xImportEntry(csSDK_int32 selector, imStdParms* stdParms, void* param1,
                                          void* param2);
