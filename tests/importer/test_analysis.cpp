// The properties text of an imported file, and how it is cut to the host's buffer.
#include <cstdio>
#include <cstring>

#include "avi_builder.h"
#include "importer_fixture.h"
#include "stored_frames.h"

namespace qtest {
namespace {

using Analysis = ImporterTest;

std::string mib(uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", double(bytes) / 1048576.0);
    return text;
}

TEST_F(Analysis, VideoAndEveryAudioStream)
{
    VideoTrack video;
    video.rate = 30000;
    video.scale = 1001;
    AudioTrack stereo;
    stereo.data = noiseBytes(4 * 3000, 1);
    AudioTrack twelve = stereo;
    twelve.format = std::vector<uint8_t>(16);
    avi::PCMWAVEFORMAT pcm{{1, 2, 48000, 0, 4}, 12};
    std::memcpy(twelve.format->data(), &pcm, sizeof pcm);
    writeAvi(path("a.avi"), AviSpec{video, {stereo, twelve}});
    writeAvi(path("silent.avi"), AviSpec{video, {}});
    const StoredVideo stored(path("a.avi"));
    uint64_t videoBytes = 0;
    for (const auto& chunk : stored.chunks)
        videoBytes += chunk.size();

    initImporter();
    standin::ImporterDriver::File file;
    ASSERT_EQ(importer->open(file, path("a.avi")), 0);
    imFileInfoRec8 info;
    ASSERT_EQ(importer->getInfo(file, info), 18);
    const std::string expected = "Video stream:\n"
                                 "Size: " + mib(videoBytes) + " MiB\n"
                                 "Codec: 'Q8RG', Quorvane 8-bit RGB\n"
                                 "Frame size: 32 x 16\n"
                                 "Frame count: 4\n"
                                 "Frame rate: 29.970\n"
                                 "\n"
                                 "Audio stream 1:\n"
                                 "Size: 0.01 MiB\n"
                                 "Channels: 2\n"
                                 "Rate: 48000 Hz\n"
                                 "Type: 16 bit\n"
                                 "\n"
                                 "Audio stream 2:\n"
                                 "Invalid audio stream\n"
                                 "\n";
    std::string text;
    ASSERT_EQ(importer->analysis(file, 4096, text), 0);
    EXPECT_EQ(text, expected);

    // Cut to the buffer, always terminated; no buffer, nothing written.
    const int sizes[] = {16, 1, int(expected.size()), int(expected.size()) + 1};
    const std::string cuts[] = {"Video stream:\nS", "", expected.substr(0, expected.size() - 1), expected};
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(importer->analysis(file, sizes[i], text), 0) << sizes[i];
        EXPECT_EQ(text, cuts[i]) << sizes[i];
    }
    for (int size : {0, -1, -4096}) {
        ASSERT_EQ(importer->analysis(file, size, text), 0) << size;
        EXPECT_EQ(text, "");
    }
    imAnalysisRec nullBuffer{file.privateData, 32, nullptr};
    EXPECT_EQ(importer->call(imAnalysis, nullptr, &nullBuffer), 0);
    EXPECT_EQ(importer->close(file), 0);

    file = openAndInfo("silent.avi");
    ASSERT_EQ(importer->analysis(file, 4096, text), 0);
    EXPECT_EQ(text.substr(text.size() - 20), "Frame rate: 29.970\n\n");
    EXPECT_EQ(importer->close(file), 0);

    // The second audio stream's importer has no video to describe.
    ASSERT_EQ(importer->open(file, path("a.avi"), 1), 0);
    ASSERT_EQ(importer->getInfo(file, info), 19);
    EXPECT_EQ(importer->analysis(file, 4096, text), 99);
    EXPECT_EQ(importer->close(file), 0);
    finishAndExpectBalanced();
}

} // namespace
} // namespace qtest
