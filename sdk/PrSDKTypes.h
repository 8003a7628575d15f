// Basic types of the host editor's plug-in interface, as our plug-ins and our stand-in host share
// them. Every record that crosses the interface is declared in these sdk/ headers; the host side of
// an implementation (a real host, the stand-in host program, the test double) fills them in.
//
// Conventions of the interface:
// - results are 32-bit integers, 0 for success;
// - texts handed across are 0-terminated UTF-16 in host byte order (prUTF16Char);
// - records whose byte positions matter are packed (no padding), and every fixed position is
//   pinned with a static_assert next to the record;
// - four-character codes are 32-bit values; PrPixelFormat codes keep their first character in the
//   lowest byte, subtype and file-type codes in the highest.
#pragma once

#include <cstddef>
#include <cstdint>

typedef std::int8_t csSDK_int8;
typedef std::uint8_t csSDK_uint8;
typedef std::int16_t csSDK_int16;
typedef std::uint16_t csSDK_uint16;
typedef std::int32_t csSDK_int32;
typedef std::uint32_t csSDK_uint32;
typedef std::int64_t csSDK_int64;
typedef std::uint64_t csSDK_uint64;

typedef csSDK_int32 SPErr;          // basic-suite result, 0 = success
typedef csSDK_int32 prSuiteError;   // result of every other suite function, 0 = success
typedef csSDK_int32 prBool;         // 32-bit boolean where a record needs a fixed width
typedef unsigned short prUTF16Char; // one UTF-16 code unit, host byte order
typedef csSDK_int64 PrTime;         // host time in ticks (see the Time suite for ticks per second)
typedef char* PrMemoryPtr;          // block handed out by the host's memory functions

enum : prSuiteError {
    suiteError_NoError = 0,
    // Our host's generic failure: a suite function could not do what was asked.
    suiteError_Fail = -1,
    // Our host's answer to an argument it cannot use (null pointer, unknown id, bad size).
    suiteError_InvalidParms = -2,
};

// Our host's SPErr values for the basic suite.
enum : SPErr {
    kSPNoError = 0,
    kSPSuiteNotFoundError = -1, // no suite of that name and version (or the host refused it)
};

// Four-character code with its first character in the lowest byte (pixel formats).
constexpr csSDK_uint32 PrFourCCLowFirst(char c0, char c1, char c2, char c3)
{
    return csSDK_uint32(csSDK_uint8(c0)) | (csSDK_uint32(csSDK_uint8(c1)) << 8) |
           (csSDK_uint32(csSDK_uint8(c2)) << 16) | (csSDK_uint32(csSDK_uint8(c3)) << 24);
}

// Four-character code with its first character in the highest byte (file types, subtypes).
constexpr csSDK_uint32 PrFourCCHighFirst(char c0, char c1, char c2, char c3)
{
    return PrFourCCLowFirst(c3, c2, c1, c0);
}

// A rectangle in pixels; right and bottom are exclusive. Byte order of the fields is fixed:
// top, left, bottom, right.
#pragma pack(push, 1)
struct prRect {
    csSDK_int16 top;
    csSDK_int16 left;
    csSDK_int16 bottom;
    csSDK_int16 right;
};
#pragma pack(pop)
static_assert(sizeof(prRect) == 8);
static_assert(offsetof(prRect, top) == 0 && offsetof(prRect, left) == 2);
static_assert(offsetof(prRect, bottom) == 4 && offsetof(prRect, right) == 6);

// A host frame buffer. Its contents are the host's; plug-ins reach it only through the PPix suite.
struct PPix;
typedef PPix* PPixPtr;
typedef PPixPtr* PPixHand;

// Field order of video, shared by the exporter's parameters and the importer's file information.
enum prFieldType : csSDK_int32 {
    prFieldsNone = 0,       // progressive
    prFieldsUpperFirst = 1,
    prFieldsLowerFirst = 2,
    prFieldsUnknown = 3,
};

// Event types of the error and utility suites' report functions. The plug-ins report failures
// with prEventError.
enum : csSDK_int32 {
    prEventInformation = 1,
    prEventWarning = 2,
    prEventError = 3,
};

// Visibility of the plug-ins' exported entry functions.
#if defined(__GNUC__)
#define PR_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define PR_PLUGIN_EXPORT extern "C"
#endif
