// Files the exporter module wrote, imported frame by frame in every pixel format the importer
// offers: each frame equals the codec's own decoding of the stored chunk, and where the pair is
// lossless, the pixels the host rendered. A repeated frame shows the frame before it.
#include <cstring>

#include "avi_builder.h"
#include "importer_fixture.h"
#include "sdk/PrSDKExportParamSuite.h"
#include "stored_frames.h"

namespace qtest {
namespace {

// Host formats whose stored form is exactly what was rendered, with the byte of each pixel the
// codec does not keep (-1: none).
struct LosslessPair {
    const char* subType;
    PrPixelFormat format;
    int unusedByte;
};
const LosslessPair kLossless[] = {
    {"Q8RG", PrPixelFormat_BGRX_4444_8u, 3},     {"Q8RG", PrPixelFormat_XRGB_4444_8u, 0},
    {"Q8RA", PrPixelFormat_BGRA_4444_8u, -1},    {"Q8RA", PrPixelFormat_ARGB_4444_8u, -1},
    {"Q8Y4", PrPixelFormat_VUYX_4444_8u, 3},     {"Q8Y4", PrPixelFormat_VUYX_4444_8u_709, 3},
    {"Q8YA", PrPixelFormat_VUYA_4444_8u, -1},    {"Q8YA", PrPixelFormat_VUYA_4444_8u_709, -1},
    {"Q8Y2", PrPixelFormat_YUYV_422_8u_601, -1}, {"Q8Y2", PrPixelFormat_YUYV_422_8u_709, -1},
    {"Q8Y2", PrPixelFormat_UYVY_422_8u_601, -1}, {"Q8Y2", PrPixelFormat_UYVY_422_8u_709, -1},
};

const LosslessPair* losslessPair(const std::string& subType, PrPixelFormat format)
{
    for (const LosslessPair& p : kLossless) {
        if (subType == p.subType && p.format == format)
            return &p;
    }
    return nullptr;
}

std::vector<int> listValues(const fakehost::FakeHost::ParamInfo& param)
{
    std::vector<int> values;
    for (const auto& entry : param.valueList)
        values.push_back(entry.first.intValue);
    return values;
}

// Bytes equal except every pixel's unused byte.
::testing::AssertionResult sameImage(const standin::Image& expected, const standin::Image& actual, int unusedByte)
{
    if (expected.bytes.size() != actual.bytes.size())
        return ::testing::AssertionFailure() << "sizes differ";
    for (std::size_t i = 0; i < expected.bytes.size(); ++i) {
        if (unusedByte >= 0 && int(i % 4) == unusedByte)
            continue;
        if (expected.bytes[i] != actual.bytes[i])
            return ::testing::AssertionFailure() << "byte " << i << " (row " << i / std::size_t(expected.rowBytes)
                                                 << "): " << int(expected.bytes[i]) << " != " << int(actual.bytes[i]);
    }
    return ::testing::AssertionSuccess();
}

class RoundTrip : public ImporterTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RoundTrip, EveryRenderAndDecodeFormat)
{
    const std::string code = GetParam();
    const csSDK_uint32 subType = PrFourCCHighFirst(code[0], code[1], code[2], code[3]);
    standin::ExporterDriver& ex = exporter();
    fakehost::FakeHost& fake = host->fake();
    fake.setRowPadding(20); // row bytes beyond the pixels: strides are honoured
    fake.setIntParam(ADBEVideoCodec, int(subType));
    ASSERT_EQ(ex.paramChanged(ADBEVideoCodec), 0);

    struct Exported {
        std::string name;
        PrPixelFormat render;
        std::vector<standin::Image> shown;
    };
    std::vector<Exported> files;
    std::vector<int> colorSpaces = listValues(fake.param("ColorSpace"));
    if (colorSpaces.empty())
        colorSpaces.push_back(fake.param("ColorSpace").values.value.intValue);
    for (int cs : colorSpaces) {
        fake.setIntParam("ColorSpace", cs);
        ASSERT_EQ(ex.paramChanged("ColorSpace"), 0);
        for (int render : listValues(fake.param("RenderPixelFormat"))) {
            if (render == 0)
                continue; // "Auto" is one of the others
            ExportSpec shape;
            shape.subType = subType;
            shape.render = PrPixelFormat(render);
            shape.colorSpace = cs;
            shape.frames = 4;
            shape.repeatCount = [](csSDK_uint32 f) { return f == 1 ? 2u : 1u; };
            const std::string name = code + "_" + std::to_string(cs) + "_" + std::to_string(render) + ".avi";
            files.push_back({name, shape.render, exportFile(name, shape)});
        }
    }
    if (files.empty()) {
        // No host format compresses into this subtype, and none decodes from it: such a stream,
        // written by the codec from its own layout, is refused by the importer.
        VideoTrack video;
        video.compressedType = QUORVANE_FRAME_COMP_10_YUV444;
        video.sourceType = QUORVANE_FRAME_V410;
        ASSERT_EQ(code, "Q0Y4") << "the exporter offers no render format";
        writeAvi(path("codec.avi"), AviSpec{video, {}});
        initImporter();
        standin::ImporterDriver::File file;
        ASSERT_EQ(importer->open(file, path("codec.avi")), 0);
        imFileInfoRec8 info;
        EXPECT_EQ(importer->getInfo(file, info), 2);
        EXPECT_EQ(importer->close(file), 0);
        finishAndExpectBalanced();
        return;
    }

    initImporter();
    int exactChecks = 0;
    for (const Exported& exported : files) {
        SCOPED_TRACE(exported.name);
        const StoredVideo stored(path(exported.name));
        ASSERT_EQ(stored.chunks.size(), 4u);
        EXPECT_TRUE(stored.chunks[2].empty()) << "the repeat is an empty chunk";
        imFileInfoRec8 info;
        standin::ImporterDriver::File file = openAndInfo(exported.name, &info);
        EXPECT_EQ(+info.subType, subType);
        std::vector<PrPixelFormat> formats;
        EXPECT_EQ(importer->pixelFormats(file, formats), 301);
        ASSERT_FALSE(formats.empty());
        for (PrPixelFormat format : formats) {
            SCOPED_TRACE(std::string("decoded as ") + std::to_string(format));
            const bool topLeft = fake.topLeft(format);
            for (std::size_t k = 0; k < 4; ++k) {
                PPixHand out = nullptr;
                ASSERT_EQ(importer->sourceVideo(file, PrTime(k) * (kT / 30), formatsOf(format), out), 0) << k;
                const standin::HostFrame frame = importer->take(out);
                ASSERT_EQ(frame.format, format);
                ASSERT_EQ(frame.width, 64);
                ASSERT_EQ(frame.height, 48);
                const std::vector<uint8_t> reference =
                    referenceDecode(stored.formatHeader, stored.shownChunk(k), format, topLeft, 48, frame.rowBytes);
                const int natural = fakehost::FakeHost::naturalRowBytes(format, 64);
                for (int y = 0; y < 48; ++y) {
                    ASSERT_EQ(0, std::memcmp(frame.memoryRow(y), reference.data() + std::size_t(y) * std::size_t(frame.rowBytes),
                                             std::size_t(natural)))
                        << "frame " << k << ", memory row " << y;
                }
                const LosslessPair* pair = losslessPair(code, format);
                if (pair != nullptr && format == exported.render) {
                    ++exactChecks;
                    EXPECT_TRUE(sameImage(exported.shown[k], standin::imageOf(frame, topLeft), pair->unusedByte))
                        << "frame " << k;
                }
            }
        }
        EXPECT_EQ(importer->close(file), 0);
    }
    bool hasLosslessPairs = false;
    for (const LosslessPair& p : kLossless)
        hasLosslessPairs = hasLosslessPairs || code == p.subType;
    if (hasLosslessPairs) {
        EXPECT_GT(exactChecks, 0) << "no pair was exported and imported in the same lossless format";
    }
    RecordProperty("exact_checks", exactChecks);
    finishAndExpectBalanced();
}

INSTANTIATE_TEST_SUITE_P(Subtypes, RoundTrip,
                         ::testing::Values("Q8RA", "Q8RG", "Q8YA", "Q8Y4", "Q8Y2", "Q8Y0", "Q8G0", "Q0RA", "Q0RG",
                                           "Q0Y4", "Q0Y2", "Q0Y0", "Q0G0", "Q2RA", "Q2RG", "Q4RA", "Q4RG"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace
} // namespace qtest
