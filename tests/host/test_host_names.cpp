#include <gtest/gtest.h>

#include <string>

#include "host/HostNames.h"
#include "sdk/PrSDKAudio.h"
#include "sdk/PrSDKExport.h"
#include "sdk/PrSDKImport.h"
#include "sdk/PrSDKPixelFormat.h"

TEST(HostNames, FallbacksAndBounds)
{
    EXPECT_STREQ(GetImporterSelectorName(0), "imInit");
    EXPECT_STREQ(GetImporterSelectorName(66), "imPerformSourceSettingsCommand");
    EXPECT_STREQ(GetImporterSelectorName(2), "????");
    EXPECT_STREQ(GetImporterSelectorName(35), "????");
    EXPECT_STREQ(GetImporterSelectorName(67), "????");
    EXPECT_STREQ(GetImporterSelectorName(-1), "????");
    EXPECT_STREQ(GetImporterReturnValueName(38), "inFileNotAvailable");
    EXPECT_STREQ(GetImporterReturnValueName(101), "malSupports8");
    EXPECT_STREQ(GetImporterReturnValueName(26), "????");
    EXPECT_STREQ(GetImporterReturnValueName(-1), "????");
    EXPECT_STREQ(GetAsyncImporterSelectorName(6), "aiSelectEfficientRenderTime");
    EXPECT_STREQ(GetAsyncImporterSelectorName(7), "????");
    EXPECT_STREQ(GetAsyncImporterSelectorName(-2), "????");
    EXPECT_STREQ(GetAsyncImporterReturnValueName(3), "aiFrameNotFound");
    EXPECT_STREQ(GetAsyncImporterReturnValueName(4), "????");
    EXPECT_STREQ(GetExportSelectorName(9), "exSelExport");
    EXPECT_STREQ(GetExportSelectorName(15), "????");
    EXPECT_STREQ(GetExportSelectorName(-1), "????");
    EXPECT_STREQ(GetExportReturnValueName(-100), "exportReturn_Unsupported");
    EXPECT_STREQ(GetExportReturnValueName(19), "exportReturn_ErrCodecBadInput");
    EXPECT_STREQ(GetExportReturnValueName(24), "????");
    EXPECT_STREQ(GetExportReturnValueName(99), "????");
    EXPECT_STREQ(GetPixelFormatName(0), "PrPixelFormat_Any");
    EXPECT_STREQ(GetPixelFormatName(int(PrPixelFormat_V210_422_10u_709)), "PrPixelFormat_V210_422_10u_709");
    EXPECT_STREQ(GetPixelFormatName(int(PrFourCCLowFirst('b', 'a', 'd', 'f'))), "PrPixelFormat_Invalid");
    EXPECT_STREQ(GetPixelFormatName(int(PrFourCCLowFirst('z', 'z', 'z', 'z'))), "????");
    EXPECT_STREQ(GetAudioChannelLabelName(0), "kPrAudioChannelLabel_Discrete");
    EXPECT_STREQ(GetAudioChannelLabelName(114), "kPrAudioChannelLabel_TopFrontCenter");
    EXPECT_STREQ(GetAudioChannelLabelName(120), "Unknown_Channel_Label");
    EXPECT_STREQ(GetAudioSampleTypeName(0xFFFFFFFFu), "kPrAudioSampleType_Max");
    EXPECT_STREQ(GetAudioSampleTypeName(0), "Unknown_Sample_Type");
    EXPECT_STREQ(GetAudioSampleTypeName(6), "kPrAudioSampleType_32BitFloat");
    EXPECT_STREQ(GetAudioSampleTypeName(16), "kPrAudioSampleType_AudioPeakData");
    EXPECT_STREQ(GetAudioSampleTypeName(17), "Unknown_Sample_Type");
    EXPECT_STREQ(GetAudioSampleTypeName(0xFFFFFFFEu), "Unknown_Sample_Type");
}

TEST(HostNames, EveryListedValueHasItsOwnName)
{
    int named = 0;
    for (int v = -1; v <= 70; ++v)
        named += std::string(GetImporterSelectorName(v)) != "????";
    EXPECT_EQ(named, 67 - 19);
    named = 0;
    for (int v = -200; v <= 500; ++v)
        named += std::string(GetImporterReturnValueName(v)) != "????";
    EXPECT_EQ(named, 43);
    named = 0;
    for (int v = -200; v <= 100; ++v)
        named += std::string(GetExportReturnValueName(v)) != "????";
    EXPECT_EQ(named, 29);
    named = 0;
    for (int v = -5; v <= 200; ++v)
        named += std::string(GetAudioChannelLabelName(v)) != "Unknown_Channel_Label";
    EXPECT_EQ(named, 32);

    // Pixel-format names follow the enumerators of the interface, in list order.
    for (PrPixelFormat f : kPrPixelFormatList)
        EXPECT_STRNE(GetPixelFormatName(int(f)), "????") << f;
    EXPECT_STREQ(GetPixelFormatName(int(kPrPixelFormatList[0])), "PrPixelFormat_BGRA_4444_8u");
    EXPECT_STREQ(GetPixelFormatName(int(kPrPixelFormatList[31])), "PrPixelFormat_RGB_444_10u");
    EXPECT_STREQ(GetExportSelectorName(exSelQueryOutputSettings), "exSelQueryOutputSettings");
    EXPECT_STREQ(GetImporterSelectorName(imGetSubTypeNames), "imGetSubTypeNames");
}
