// Writes sample AVI files for checks with independent readers, with what each stream should
// deliver: for NAME.avi, NAME.video.sizes / NAME.audio.sizes list every chunk's size in order and
// NAME.video.bin / NAME.audio.bin hold the chunks' bytes one after another; the ".first" variants
// list only the chunks of the first RIFF.
//
//   avi_sample_writer OUT_DIR
//
// small.avi stays in one RIFF; multi.avi is forced into several "AVIX" segments.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "container/avi/AviWriter.h"
#include "container/fileio/PosixFile.h"

namespace {

struct Expected {
    std::vector<size_t> sizes, firstSizes;
    std::vector<uint8_t> bytes, firstBytes;
};

void save(const std::string& path, const Expected& e, bool first)
{
    std::ofstream sizes(path + (first ? ".first.sizes" : ".sizes"));
    for (size_t s : first ? e.firstSizes : e.sizes) sizes << s << "\n";
    const std::vector<uint8_t>& b = first ? e.firstBytes : e.bytes;
    std::ofstream(path + (first ? ".first.bin" : ".bin"), std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Opaque payload bytes that never spell "indx", so a check can find the index chunks by name.
std::vector<uint8_t> payload(std::mt19937& rng, size_t size)
{
    std::vector<uint8_t> v(size);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    for (size_t i = 0; i + 4 <= size; ++i)
        if (std::memcmp(&v[i], "indx", 4) == 0) v[i] = 'I';
    return v;
}

bool write_sample(const std::string& dir, const char* name, int seconds, bool segmented, uint32_t seed)
{
    const std::string path = dir + "/" + name;
    fileio::PosixFile file;
    if (!file.open((path + ".avi").c_str(), 2)) {
        std::fprintf(stderr, "cannot create %s.avi\n", path.c_str());
        return false;
    }
    std::mt19937 rng(seed);
    Expected video, audio;
    const unsigned fps = 25, rate = 48000;
    {
        avi::AviWriter w(&file);
        if (segmented) {
            w.firstRiffLimit = 256 * 1024;
            w.riffLimit = 384 * 1024;
            w.maxFileSize = 64 << 20;
        }
        w.init(320, 240, 1000000 / fps);
        const uint8_t header[32] = {'Q', 'O', 'R', 'V', 1};
        w.addStream(avi::fcc::vids);
        w.streams[0]->initAsVideo(320, 240, 24, riff::fcc::make("Q8RG"), fps, 1, 320 * 240 * 3, sizeof(header), header);
        w.addStream(avi::fcc::auds);
        w.streams[1]->initAsAudio(avi::WAVE_FORMAT_PCM, 2, rate, 16, 3);
        w.writeHeader();

        for (unsigned frame = 0; frame < seconds * fps; ++frame) {
            // One second of audio in front of each second's first frame, as an export does.
            if (frame % fps == 0) {
                const std::vector<uint8_t> pcm = payload(rng, rate * 4);
                const bool first = w.inFirstRiff;
                w.writeChunk(1, pcm.data(), pcm.size(), rate, false);
                const bool stayed = first && w.inFirstRiff;
                audio.sizes.push_back(pcm.size());
                audio.bytes.insert(audio.bytes.end(), pcm.begin(), pcm.end());
                if (stayed) {
                    audio.firstSizes.push_back(pcm.size());
                    audio.firstBytes.insert(audio.firstBytes.end(), pcm.begin(), pcm.end());
                }
            }
            // Every size class: repeated (empty), odd and even frames.
            const size_t size = frame % 7 == 3 ? 0 : 1000 + rng() % 20000;
            const std::vector<uint8_t> data = payload(rng, size);
            w.writeChunk(0, data.data(), data.size(), 1, size != 0);
            video.sizes.push_back(size);
            video.bytes.insert(video.bytes.end(), data.begin(), data.end());
            if (w.inFirstRiff) {
                video.firstSizes.push_back(size);
                video.firstBytes.insert(video.firstBytes.end(), data.begin(), data.end());
            }
        }
        w.finalize();
    }
    for (bool first : {false, true}) {
        save(path + ".video", video, first);
        save(path + ".audio", audio, first);
    }
    std::printf("%s.avi: %zu video chunks (%zu in the first RIFF), %zu audio chunks (%zu in the first RIFF)\n", path.c_str(),
                video.sizes.size(), video.firstSizes.size(), audio.sizes.size(), audio.firstSizes.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
        return 2;
    }
    try {
        if (!write_sample(argv[1], "small", 2, false, 1234)) return 1;
        if (!write_sample(argv[1], "multi", 4, true, 5678)) return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    return 0;
}
