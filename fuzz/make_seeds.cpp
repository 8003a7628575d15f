// Writes the seed corpora of the fuzz targets with the project's own writers:
//
//   fuzz_make_seeds DIR
//
// DIR/decode_frame: for every compressed type, small frames of a smooth and of a noisy picture
//   (the noise stores blocks raw), two slices, interlaced, and the YUV streams at BT.601 limited
//   range; a stream whose tables travel in the format header, and a frame without its header copy.
// DIR/round_trip: every compress binding at a small and at a larger size.
// DIR/read_avi: AVI files from the AVI writer: one RIFF, several segments, empty chunks, float
//   audio with a channel mask, video alone.
// Existing files of the same names are replaced; other files (reproducers of findings) stay.

#include "codec/ByteOrder.h"
#include "container/avi/AviWriter.h"
#include "fuzz/CodecCalls.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qfuzz::Binding;

struct Rng {
    uint64_t s;
    uint64_t next()
    {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

void save(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

std::string hex2(unsigned v)
{
    char b[8];
    std::snprintf(b, sizeof(b), "%03u", v);
    return b;
}

// A picture: a diagonal gradient with a little noise, or noise alone.
void paint(qfuzz::Frame& f, bool noisy, uint64_t seed)
{
    Rng rng{seed};
    uint8_t* p = f.buffer.get();
    for (uint64_t i = 0; i < f.size; ++i)
        p[i] = noisy ? static_cast<uint8_t>(rng.next()) : static_cast<uint8_t>((i * 3) / 7 + (rng.next() & 3));
}

struct Codec {
    uint32_t one = 0, two = 0;
    Codec()
    {
        quorvane_library_init();
        qfuzz_open(one, 1);
        qfuzz_open(two, 2);
    }
    ~Codec()
    {
        quorvane_close(one);
        quorvane_close(two);
        quorvane_library_close();
    }
    static void qfuzz_open(uint32_t& h, uint32_t threads)
    {
        quorvane_open(&h);
        quorvane_set_param_value(h, QUORVANE_PARAM_NUM_THREADS, threads);
    }
};

// Option bytes of the decode target, then the stream (header, frame).
std::vector<uint8_t> decode_input(uint8_t options, uint8_t choice, const std::vector<uint8_t>& stream)
{
    std::vector<uint8_t> v{options, choice};
    v.insert(v.end(), stream.begin(), stream.end());
    return v;
}

// The same stream with its tables moved into the format header (version 6, flags bit 0 clear:
// table mode 1) and the frame written without its header copy.
std::vector<uint8_t> tables_in_header(const std::vector<uint8_t>& stream, const Binding& b, uint32_t height)
{
    const uint32_t H = 32;
    std::vector<uint8_t> header(stream.begin(), stream.begin() + H);
    const uint8_t* frame = stream.data() + H; // the frame's own header copy starts here
    const uint8_t* section = frame + H;
    const uint32_t slices = (height + 27) / 28;
    const uint32_t blocks = static_cast<uint32_t>(b.frontend->m_backend->get_num_canonical_planes()) * slices;
    (void)b;
    const uint32_t dataStart = load_le32(section);
    const uint32_t tablesAt = 4 + 4 * blocks + 1 + blocks;
    const uint32_t tableBytes = dataStart - tablesAt;

    header[8] = 6;
    store_le32(header.data() + 12, load_le32(header.data() + 12) & ~((15u << 20) | 1u));
    header.insert(header.end(), section + tablesAt, section + tablesAt + tableBytes);
    store_le32(header.data() + 4, static_cast<uint32_t>(header.size()));

    const uint32_t shift = 1 + blocks + tableBytes;
    std::vector<uint8_t> out(header);
    const size_t frameStart = out.size();
    out.resize(frameStart + 4 + 4 * blocks);
    store_le32(out.data() + frameStart, 4 + 4 * blocks);
    for (uint32_t k = 0; k < blocks; ++k)
        store_le32(out.data() + frameStart + 4 + 4 * k, load_le32(section + 4 + 4 * k) - shift);
    out.insert(out.end(), section + dataStart, stream.data() + stream.size());
    return out;
}

void decode_seeds(const fs::path& dir, const Codec& c, const std::vector<Binding>& bindings, const Quorvane& engine)
{
    // One source per compressed type: its preferred frame type when that binds without
    // conversion, else the first binding.
    std::map<uint32_t, const Binding*> pick;
    for (const Binding& b : bindings) {
        const bool preferred = engine.GetDefaultFormat(static_cast<int>(b.compressed)) == static_cast<int>(b.source);
        auto it = pick.find(b.compressed);
        if (it == pick.end() || (preferred && !b.converted)) pick[b.compressed] = &b;
    }
    size_t written = 0;
    for (const auto& [comp, bp] : pick) {
        const Binding& b = *bp;
        struct Variant {
            const char* name;
            uint32_t w, h;
            bool noisy, interlaced, bt601;
            uint8_t options, choice;
        };
        std::vector<Variant> variants = {
            {"smooth", 24, 12, false, false, false, 0x00, 0x80},
            {"noisy-2slices", 16, 40, true, false, false, 0x01, 0x41},
            {"interlaced", 20, 32, false, true, false, 0x02, 0x02},
        };
        if (b.yuvStream) variants.push_back({"bt601-limited", 24, 16, false, false, true, 0x03 | 0x10 | 0x40, 0x80});
        for (const Variant& v : variants) {
            uint32_t w = v.w, h = v.h;
            qfuzz::fit_size(b, v.interlaced, w, h);
            qfuzz::Settings s{w, h, 0, v.interlaced ? uint32_t(QUORVANE_FIELD_UPPER_FIRST) : 0u,
                              b.yuvStream ? (v.bt601 ? 1u : 2u) : 0u, b.yuvStream ? (v.bt601 ? 1u : 2u) : 0u};
            qfuzz::Frame f(b, w, h, 0, false);
            paint(f, v.noisy, comp * 31 + w);
            const std::vector<uint8_t> stream = qfuzz::compress(c.one, b, s, f);
            save(dir / ("seed-" + hex2(comp) + "-" + v.name), decode_input(v.options, v.choice, stream));
            ++written;
            if (std::string(v.name) == "smooth") {
                // The frame alone, starting at its data-start field.
                std::vector<uint8_t> bare(stream.begin(), stream.begin() + 32);
                bare.insert(bare.end(), stream.begin() + 64, stream.end());
                save(dir / ("seed-" + hex2(comp) + "-no-header-copy"), decode_input(0, 0x03, bare));
                save(dir / ("seed-" + hex2(comp) + "-tables-in-header"), decode_input(0, 0xC0, tables_in_header(stream, b, h)));
                written += 2;
            }
        }
    }
    std::printf("decode_frame: %zu seeds\n", written);
}

void round_trip_seeds(const fs::path& dir, const std::vector<Binding>& bindings)
{
    Rng rng{7};
    size_t written = 0;
    for (size_t i = 0; i < bindings.size() && i < 256; ++i) {
        for (int big = 0; big < 2; ++big) {
            // Options: thread counts, bottom-up, interlacing, host range and BT.601 limited
            // spread over the bindings.
            const uint8_t opt = static_cast<uint8_t>((i % 3) | (i % 4 == 1 ? 4 : 0) | (i % 5 == 2 ? 8 : 0) |
                                                     (i % 2 ? 16 : 0) | (i % 7 == 3 ? 96 : 0) | (big ? 128 : 0));
            std::vector<uint8_t> v{static_cast<uint8_t>(i), static_cast<uint8_t>(big ? 0xC6 : 23),
                                   static_cast<uint8_t>(big ? 61 : 15), opt};
            for (int k = 0; k < 96; ++k) v.push_back(static_cast<uint8_t>(big ? rng.next() : k * 5 + (rng.next() & 7)));
            save(dir / ("seed-" + hex2(static_cast<unsigned>(i)) + (big ? "-large" : "-small")), v);
            ++written;
        }
    }
    std::printf("round_trip: %zu seeds\n", written);
}

// A fileio::File over a growing vector, for the AVI writer.
class VectorFile : public fileio::File {
public:
    bool open(const char*, unsigned) override { return false; }
    void close() override {}
    long long size() override { return static_cast<long long>(bytes.size()); }
    long long pos() override { return position; }
    bool seek(long long offset) override
    {
        if (offset < 0) return false;
        position = offset;
        return true;
    }
    size_t read(void* buffer, size_t count) override
    {
        if (position >= size()) return 0;
        const size_t n = std::min(count, bytes.size() - static_cast<size_t>(position));
        std::memcpy(buffer, bytes.data() + position, n);
        position += static_cast<long long>(n);
        return n;
    }
    size_t write(const void* buffer, size_t count) override
    {
        const size_t end = static_cast<size_t>(position) + count;
        if (end > bytes.size()) bytes.resize(end);
        std::memcpy(bytes.data() + position, buffer, count);
        position += static_cast<long long>(count);
        return count;
    }
    std::vector<uint8_t> bytes;
    long long position = 0;
};

struct AviPlan {
    const char* name;
    int frames;
    bool audio, floatAudio, emptyChunks;
    uint64_t firstRiffLimit, riffLimit;
};

void avi_seeds(const fs::path& dir, const Codec& c, const std::vector<Binding>& bindings)
{
    // Real frames of a small BGRA stream, so the video chunks and the format extra are the codec's.
    const Binding* bgra = nullptr;
    for (const Binding& b : bindings)
        if (b.source == QUORVANE_FRAME_BGRA && b.compressed == QUORVANE_FRAME_COMP_RGBA) bgra = &b;
    if (!bgra) {
        std::fprintf(stderr, "no BGRA binding\n");
        std::exit(1);
    }
    const uint32_t w = 16, h = 8;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<uint8_t> header;
    for (int k = 0; k < 4; ++k) {
        qfuzz::Frame f(*bgra, w, h, 0, false);
        paint(f, k == 3, 100 + k);
        const std::vector<uint8_t> stream = qfuzz::compress(c.one, *bgra, qfuzz::Settings{w, h, 0, 0, 0, 0}, f);
        header.assign(stream.begin(), stream.begin() + 32);
        frames.emplace_back(stream.begin() + 32, stream.end());
    }

    const AviPlan plans[] = {
        {"one-riff", 4, true, false, false, 0x3FFFFFFE, 0x7FFFFFFE},
        {"segments", 12, true, false, false, 3000, 2600},
        {"empty-chunks", 6, true, false, true, 0x3FFFFFFE, 0x7FFFFFFE},
        {"float-audio-5.1", 3, true, true, false, 0x3FFFFFFE, 0x7FFFFFFE},
        {"video-only-segments", 8, false, false, false, 2200, 2200},
    };
    Rng rng{11};
    for (const AviPlan& p : plans) {
        VectorFile file;
        {
            avi::AviWriter wr(&file);
            wr.firstRiffLimit = p.firstRiffLimit;
            wr.riffLimit = p.riffLimit;
            wr.maxFileSize = 64 * 1024;
            wr.init(w, h, 40000);
            wr.addStream(avi::fcc::vids);
            wr.streams[0]->initAsVideo(int(w), int(h), 32, riff::fcc::make("Q8RA"), 25, 1, w * h * 4, header.size(),
                                       header.data());
            if (p.audio) {
                wr.addStream(avi::fcc::auds);
                if (p.floatAudio) wr.streams[1]->initAsAudio(avi::WAVE_FORMAT_IEEE_FLOAT, 6, 48000, 32, 0x3F);
                else wr.streams[1]->initAsAudio(avi::WAVE_FORMAT_PCM, 2, 48000, 16, 3);
            }
            wr.writeHeader();
            for (int k = 0; k < p.frames; ++k) {
                if (p.audio && k % 2 == 0) {
                    std::vector<uint8_t> pcm(p.floatAudio ? 6 * 4 * 8 : 4 * 16);
                    for (auto& x : pcm) x = static_cast<uint8_t>(rng.next());
                    wr.writeChunk(1, pcm.data(), pcm.size(), static_cast<unsigned>(pcm.size() / (p.floatAudio ? 24 : 4)), false);
                }
                const bool empty = p.emptyChunks && k % 3 == 2;
                const std::vector<uint8_t>& fr = frames[static_cast<size_t>(k) % frames.size()];
                wr.writeChunk(0, fr.data(), empty ? 0 : fr.size(), 1, true);
            }
            wr.finalize();
        }
        save(dir / (std::string("seed-") + p.name + ".avi"), file.bytes);
    }
    std::printf("read_avi: %zu seeds\n", std::size(plans));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const fs::path root(argv[1]);
    for (const char* sub : {"decode_frame", "round_trip", "read_avi"}) fs::create_directories(root / sub);

    const Quorvane engine(true, true);
    const std::vector<Binding> bindings = qfuzz::compress_bindings(engine);
    const Codec codec;
    decode_seeds(root / "decode_frame", codec, bindings, engine);
    round_trip_seeds(root / "round_trip", bindings);
    avi_seeds(root / "read_avi", codec, bindings);
    return 0;
}
