// The interface's numbers are what plug-ins and hosts agree on: pin the ones that cross it.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "sdk/PrSDKAudioSuite.h"
#include "sdk/PrSDKErrorSuite.h"
#include "sdk/PrSDKExport.h"
#include "sdk/PrSDKExportFileSuite.h"
#include "sdk/PrSDKExportInfoSuite.h"
#include "sdk/PrSDKExportParamSuite.h"
#include "sdk/PrSDKExporterUtilitySuite.h"
#include "sdk/PrSDKImageProcessingSuite.h"
#include "sdk/PrSDKImport.h"
#include "sdk/PrSDKMemoryManagerSuite.h"
#include "sdk/PrSDKPPixSuite.h"
#include "sdk/PrSDKSequenceAudioSuite.h"
#include "sdk/PrSDKTimeSuite.h"
#include "sdk/PrSDKUnusedSuites.h"

TEST(SdkValues, SelectorsAndResults)
{
    EXPECT_EQ(exSelStartup, 0);
    EXPECT_EQ(exSelExport, 9);
    EXPECT_EQ(exSelValidateOutputSettings, 14);
    EXPECT_EQ(exportReturn_Unsupported, -100);
    EXPECT_EQ(exportReturn_ErrCodecBadInput, 19);
    EXPECT_EQ(exportReturn_ParamButtonCancel, 29);
    EXPECT_EQ(imInit, 0);
    EXPECT_EQ(imOpenFile8, 39);
    EXPECT_EQ(imGetSourceVideo, 47);
    EXPECT_EQ(imGetAudioChannelLayout, 64);
    EXPECT_EQ(imPerformSourceSettingsCommand, 66);
    EXPECT_EQ(imIterateStreams, 18);
    EXPECT_EQ(inFileNotAvailable, 38);
    EXPECT_EQ(malSupports8, 101);
    EXPECT_EQ(imBadFormatIndex, 301);
    EXPECT_EQ(imIsCacheable, 400);
    EXPECT_EQ(aiGetFrame, 3);
    EXPECT_EQ(aiSelectEfficientRenderTime, 6);
    EXPECT_EQ(aiFrameNotFound, 3);
}

TEST(SdkValues, AudioEnumerations)
{
    EXPECT_EQ(kPrAudioSampleType_Max, -1);
    EXPECT_EQ(kPrAudioSampleType_8BitInt, 1);
    EXPECT_EQ(kPrAudioSampleType_32BitFloat, 6);
    EXPECT_EQ(kPrAudioSampleType_Other, 14);
    EXPECT_EQ(kPrAudioSampleType_AudioPeakData, 16);
    EXPECT_EQ(kPrAudioChannelLabel_Discrete, 0);
    EXPECT_EQ(kPrAudioChannelLabel_FrontLeft, 100);
    EXPECT_EQ(kPrAudioChannelLabel_TopFrontCenter, 114);
    EXPECT_EQ(kPrAudioChannelLabel_TopBackCenter, 117);
    EXPECT_EQ(kPrAudioChannelLabel_FrontRightWide, 119);
    EXPECT_EQ(kPrAudioChannelLabel_LeftHeight, 127);
    EXPECT_EQ(kPrAudioChannelLabel_Ambisonic_Z, 137);
    EXPECT_EQ(kPrAudioChannelType_51, 3);
    EXPECT_EQ(kPrAudioChannelType_32Channel, 4);
}

TEST(SdkValues, PixelFormatCodesHaveTheirFirstCharacterInTheLowByte)
{
    auto bytes = [](PrPixelFormat f) {
        std::string s(4, ' ');
        std::memcpy(&s[0], &f, 4); // little-endian memory order is low byte first
        return s;
    };
    EXPECT_EQ(bytes(PrPixelFormat_BGRA_4444_8u), "bgra");
    EXPECT_EQ(bytes(PrPixelFormat_VUYA_4444_8u_709), "VUYA");
    EXPECT_EQ(bytes(PrPixelFormat_VUYX_4444_8u_709), "vux7");
    EXPECT_EQ(bytes(PrPixelFormat_RGB_444_10u), "RGB1");
    EXPECT_EQ(bytes(PrPixelFormat_V210_422_10u_709), "v211");
    EXPECT_EQ(bytes(PrPixelFormat_BGRX_4444_16u), "Bgrx");
    EXPECT_EQ(bytes(PrPixelFormat_Invalid), "badf");
    EXPECT_EQ(PrPixelFormat_Any, 0u);

    // 72 distinct codes in dump order, then the "any" code.
    std::set<csSDK_uint32> seen(std::begin(kPrPixelFormatList), std::end(kPrPixelFormatList));
    EXPECT_EQ(seen.size(), kPrPixelFormatCount);
    EXPECT_EQ(kPrPixelFormatList[0], PrPixelFormat_BGRA_4444_8u);
    EXPECT_EQ(kPrPixelFormatList[kPrPixelFormatCount - 2], PrPixelFormat_Invalid);
    EXPECT_EQ(kPrPixelFormatList[kPrPixelFormatCount - 1], PrPixelFormat_Any);
}

TEST(SdkValues, FileTypeCodesHaveTheirFirstCharacterInTheHighByte)
{
    EXPECT_EQ(PrFourCCHighFirst('A', 'V', 'I', 'V'), 0x41564956u);
    EXPECT_EQ(PrFourCCHighFirst('Q', '8', 'R', 'G'), 0x51385247u);
}

TEST(SdkValues, SuiteNamesAndVersions)
{
    struct Row {
        const char* name;
        int version;
        const char* expected;
        int expectedVersion;
    } rows[] = {
        {kPrSDKErrorSuite, kPrSDKErrorSuiteVersion, "Premiere Error Suite", 3},
        {kPrSDKImageProcessingSuite, kPrSDKImageProcessingSuiteVersion, "Premiere Image Processing Suite", 2},
        {kPrSDKPPixSuite, kPrSDKPPixSuiteVersion, "Premiere PPix Suite", 1},
        {kPrSDKPPixCreatorSuite, kPrSDKPPixCreatorSuiteVersion, "Premiere PPix Creator Suite", 1},
        {kPrSDKPPixCacheSuite, kPrSDKPPixCacheSuiteVersion, "Premiere PPix Cache Suite", 6},
        {kPrSDKTimeSuite, kPrSDKTimeSuiteVersion, "Premiere Time Suite", 1},
        {kPrSDKAudioSuite, kPrSDKAudioSuiteVersion, "Premiere Audio Suite", 1},
        {kPrSDKMemoryManagerSuite, kPrSDKMemoryManagerSuiteVersion, "Premiere Memory Manager Suite", 4},
        {kPrSDKExportParamSuite, kPrSDKExportParamSuiteVersion, "MediaCore Export Param Suite", 5},
        {kPrSDKExportProgressSuite, kPrSDKExportProgressSuiteVersion, "MediaCore Export Progress Suite", 2},
        {kPrSDKExportInfoSuite, kPrSDKExportInfoSuiteVersion, "MediaCore Export Info Suite", 1},
        {kPrSDKExportFileSuite, kPrSDKExportFileSuiteVersion, "MediaCore Export File Suite", 2},
        {kPrSDKExporterUtilitySuite, kPrSDKExporterUtilitySuiteVersion, "MediaCore Exporter Utility Suite", 1},
        {kPrSDKSequenceAudioSuite, kPrSDKSequenceAudioSuiteVersion, "MediaCore Sequence Audio Suite", 1},
        {kPrSDKSequenceRenderSuite, kPrSDKSequenceRenderSuiteVersion, "MediaCore Sequence Render Suite", 4},
        {kPrSDKClipRenderSuite, kPrSDKClipRenderSuiteVersion, "Premiere Clip Render Suite", 3},
        {kPrSDKMarkerSuite, kPrSDKMarkerSuiteVersion, "Marker Suite", 3},
        {kPrSDKWindowSuite, kPrSDKWindowSuiteVersion, "Premiere Window Suite", 1},
    };
    for (const Row& row : rows) {
        EXPECT_STREQ(row.name, row.expected);
        EXPECT_EQ(row.version, row.expectedVersion) << row.expected;
    }
}

TEST(SdkValues, SuiteFunctionPositions)
{
    // Functions whose position in their record is part of the contract.
    EXPECT_EQ(offsetof(SPBasicSuite, AcquireSuite), 0u);
    EXPECT_EQ(offsetof(SPBasicSuite, ReleaseSuite), sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKErrorSuite3, reportEvent), 0u);
    EXPECT_EQ(offsetof(PrSDKImageProcessingSuite, isTopLeft), 2 * sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKImageProcessingSuite, frameSizeInBytes), 3 * sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKPPixSuite, dispose), 0u);
    EXPECT_EQ(offsetof(PrSDKPPixSuite, getPixels), sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKPPixSuite, getRowBytes), 3 * sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKPPixCreatorSuite, createPPix), 0u);
    EXPECT_EQ(offsetof(PrSDKTimeSuite, getTicksPerSecond), 0u);
    EXPECT_EQ(offsetof(PrSDKAudioSuite, convertInt8ToFloat), 4 * sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKAudioSuite, convertInt32ToFloat), 7 * sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKExportFileSuite, open), 0u);
    EXPECT_EQ(offsetof(PrSDKExportFileSuite, write), sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKExportFileSuite, seek), 2 * sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKExportFileSuite, close), 3 * sizeof(void*));
    EXPECT_EQ(offsetof(PrSDKExportFileSuite, getPlatformPath), 4 * sizeof(void*));
    EXPECT_EQ(fileSeekMode_Begin, 0);
    EXPECT_EQ(fileSeekMode_End, 1);
    EXPECT_EQ(fileSeekMode_Current, 2);
}
