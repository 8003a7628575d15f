// Writes an AVI of about 4 GiB with 1080p-sized video chunks (uncompressed 4:2:2, the largest a
// frame gets) and one second of 48 kHz stereo audio per 25 frames, then parses it and reads every
// frame back through the index. Prints the time of each step.
//
//   avi_container_bench              container cost only: a file object that keeps headers and
//                                    indexes and steps over the payloads
//   avi_container_bench --disk DIR   a real file in DIR (removed afterwards)
//   --gib N                          file size in GiB (default 4)

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "container/avi/AviReader.h"
#include "container/avi/AviWriter.h"
#include "container/fileio/PosixFile.h"

namespace {

// Keeps writes up to 64 KiB (headers, indexes) and only moves past larger ones.
class SkipFile : public fileio::File {
public:
    bool open(const char*, unsigned) override { return false; }
    void close() override {}
    long long size() override { return static_cast<long long>(length); }
    long long pos() override { return static_cast<long long>(position); }
    bool seek(long long offset) override
    {
        if (offset < 0) return false;
        position = static_cast<uint64_t>(offset);
        return true;
    }
    size_t read(void* buffer, size_t count) override
    {
        const size_t n = position >= length ? 0 : static_cast<size_t>(std::min<uint64_t>(count, length - position));
        uint8_t* out = static_cast<uint8_t*>(buffer);
        for (size_t i = 0; i < n;) {
            const uint64_t at = position + i;
            const size_t in = static_cast<size_t>(at % kPage), step = std::min(n - i, kPage - in);
            auto it = pages.find(at / kPage);
            if (it == pages.end()) std::memset(out + i, 0, step);
            else std::memcpy(out + i, it->second.data() + in, step);
            i += step;
        }
        position += n;
        return n;
    }
    size_t write(const void* buffer, size_t count) override
    {
        if (count <= 65536) {
            const uint8_t* in = static_cast<const uint8_t*>(buffer);
            for (size_t i = 0; i < count;) {
                const uint64_t at = position + i;
                const size_t off = static_cast<size_t>(at % kPage), step = std::min(count - i, kPage - off);
                auto& page = pages[at / kPage];
                if (page.empty()) page.resize(kPage);
                std::memcpy(page.data() + off, in + i, step);
                i += step;
            }
        }
        position += count;
        length = std::max(length, position);
        return count;
    }

private:
    static constexpr size_t kPage = 4096;
    std::map<uint64_t, std::vector<uint8_t>> pages;
    uint64_t position = 0, length = 0;
};

double seconds_since(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

} // namespace

int main(int argc, char** argv)
{
    std::string dir;
    double gib = 4;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--disk") && i + 1 < argc) dir = argv[++i];
        else if (!std::strcmp(argv[i], "--gib") && i + 1 < argc) gib = std::atof(argv[++i]);
        else {
            std::fprintf(stderr, "usage: %s [--disk DIR] [--gib N]\n", argv[0]);
            return 2;
        }
    }

    const size_t frameBytes = 1920 * 1080 * 2;
    const size_t audioBytes = 48000 * 4;
    const uint64_t target = static_cast<uint64_t>(gib * (1ull << 30));
    const unsigned frames = static_cast<unsigned>(target / (frameBytes + audioBytes / 25));
    std::vector<uint8_t> frame(frameBytes), audio(audioBytes);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 131 + 7);

    std::unique_ptr<fileio::File> file;
    std::string path;
    if (dir.empty()) {
        file = std::make_unique<SkipFile>();
    } else {
        path = dir + "/avi_container_bench_" + std::to_string(getpid()) + ".avi";
        auto posix = std::make_unique<fileio::PosixFile>();
        if (!posix->open(path.c_str(), 2)) {
            std::fprintf(stderr, "cannot create %s\n", path.c_str());
            return 1;
        }
        file = std::move(posix);
    }

    try {
        auto t = std::chrono::steady_clock::now();
        {
            avi::AviWriter w(file.get());
            w.init(1920, 1080, 40000);
            const uint8_t header[32] = {'Q', 'O', 'R', 'V'};
            w.addStream(avi::fcc::vids);
            w.streams[0]->initAsVideo(1920, 1080, 24, riff::fcc::make("Q8Y2"), 25, 1, frameBytes, sizeof(header), header);
            w.addStream(avi::fcc::auds);
            w.streams[1]->initAsAudio(avi::WAVE_FORMAT_PCM, 2, 48000, 16, 3);
            w.writeHeader();
            for (unsigned f = 0; f < frames; ++f) {
                if (f % 25 == 0) w.writeChunk(1, audio.data(), audio.size(), 48000, false);
                frame[0] = static_cast<uint8_t>(f);
                w.writeChunk(0, frame.data(), frame.size(), 1, true);
            }
            w.finalize();
        }
        const double writeTime = seconds_since(t);
        const long long size = file->size();

        if (!path.empty()) {
            file->close();
            if (!file->open(path.c_str(), 9)) return 1;
        }
        file->seek(0);
        t = std::chrono::steady_clock::now();
        avi::AviReader reader;
        if (!reader.parse(file.get(), avi::AviReader::Full) || !reader.errors.empty()) {
            std::fprintf(stderr, "parse failed: %s\n", reader.errors.c_str());
            return 1;
        }
        const double parseTime = seconds_since(t);

        t = std::chrono::steady_clock::now();
        const auto& entries = reader.streams[0]->entries();
        unsigned wrong = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (!file->seek(static_cast<long long>(entries[i].offset)) || file->read(frame.data(), entries[i].size) != entries[i].size)
                ++wrong;
            else if (!dir.empty() && frame[0] != static_cast<uint8_t>(i))
                ++wrong;
        }
        const double readTime = seconds_since(t);

        std::printf("%s: %.2f GiB, %u video chunks of %zu bytes, %zu segments\n", dir.empty() ? "skipping file" : path.c_str(),
                    size / double(1ull << 30), frames, frameBytes, reader.streams[0]->superIndex.entries.size());
        std::printf("write   %.3f s (%.0f MiB/s)\n", writeTime, size / writeTime / (1 << 20));
        std::printf("parse   %.4f s (headers and indexes, %zu video entries)\n", parseTime, entries.size());
        std::printf("read    %.3f s (every video chunk through the index%s)%s\n", readTime,
                    dir.empty() ? ", payloads not stored" : "", wrong ? " WRONG CHUNKS" : "");
        if (!path.empty()) unlink(path.c_str());
        return wrong || entries.size() != frames ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        if (!path.empty()) unlink(path.c_str());
        return 1;
    }
}
