// Exact compressed bytes of fixed frames, pinned by hash. Files written by earlier builds must
// stay byte for byte what this build writes: every speed-up of the coders, the predictors, the
// split and join kernels or the passes has to leave these hashes alone. The frames are made by
// a fixed integer generator (not the test seed) and mix smooth picture-like rows, pure noise
// (raw-stored blocks) and flat rows with rare spikes (one-bit codes next to the longest ones).

#include "codec_fixture.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using qtest::CodecHandle;
using qtest::Frame;

uint64_t fnv1a(const uint8_t* p, size_t n)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

struct Lcg {
    uint32_t s;
    uint32_t next()
    {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    }
};

int tri(int t) { return std::abs(t % 512 - 256); }

// A sample of up to 16 bits at unit position x (bytes or words within the row) of row y.
uint32_t sample(Lcg& g, int plane, int x, int y, int height)
{
    if (y < height * 2 / 5) {
        const int v = (tri(x * 3 + plane * 40) + tri(y * 5 + plane * 17)) / 2;
        return uint32_t(v << 8) + (g.next() & 0x3FF);
    }
    if (y < height * 4 / 5) return g.next() & 0xFFFF;
    return g.next() % 97 == 0 ? (g.next() & 0xFFFF) : 0x4D00u + uint32_t(plane) * 0x100;
}

// Fills the caller's planes row by row; wordBits > 0 writes 16-bit little-endian words holding
// samples of that many bits.
void fill(Frame& f, int wordBits)
{
    for (int q = 0; q < 4; ++q) {
        const QuorvanePlane& p = f.data.planes[q];
        if (!p.data) continue;
        const uint32_t rows = p.size / uint32_t(p.stride);
        Lcg g{uint32_t(q) * 7919u + 1};
        for (uint32_t y = 0; y < rows; ++y) {
            uint8_t* row = static_cast<uint8_t*>(p.data) + size_t(y) * uint32_t(p.stride);
            if (wordBits == 0) {
                for (int x = 0; x < p.stride; ++x) row[x] = uint8_t(sample(g, q, x, int(y), int(rows)) >> 8);
            } else {
                for (int x = 0; x < p.stride / 2; ++x) {
                    const uint32_t v = sample(g, q, x, int(y), int(rows)) >> (16 - wordBits);
                    row[2 * x] = uint8_t(v);
                    row[2 * x + 1] = uint8_t(v >> 8);
                }
            }
        }
    }
}

struct Pin {
    const char* name;
    uint32_t type, comp;
    int wordBits;
    uint32_t fieldType, flags;
    int planes;    // stored planes
    bool oddSizes; // the layout takes odd widths and heights
    uint64_t hashes[3]; // 1920x60, 334x98, 333x97
};

#define T(x) QUORVANE_FRAME_##x
const Pin kPins[] = {
    {"BGRX", T(BGRX), T(COMP_RGB), 0, 0, 0, 3, true,
      {0x5c61d1870c1fd2b3ull, 0x697645c72b3a191aull, 0x6431864a531d5047ull}},
    {"BGRA", T(BGRA), T(COMP_RGBA), 0, 0, 0, 4, true,
      {0x8430ea93f2715742ull, 0x36441bcc9424e0dfull, 0x499cc7a8549e7626ull}},
    {"RGB", T(RGB), T(COMP_RGB), 0, 0, 0, 3, true,
      {0xef9dc9155da0626bull, 0x8442f793859a9701ull, 0x749e557efc89a334ull}},
    {"BGR", T(BGR), T(COMP_RGB), 0, 0, 0, 3, true,
      {0x2959d95149db42e5ull, 0xa9d836f81df3cf66ull, 0x9d9016008c0bdb2eull}},
    {"BGRX to YUV420", T(BGRX), T(COMP_YUV420), 0, 0, 0, 3, false, {0xc3a5db2e331e9c96ull, 0x6fa7dda4cdb5dbb9ull, 0}},
    {"RGB interlaced", T(RGB), T(COMP_RGB), 0, 1, 0, 3, false, {0x2247f7b92440317bull, 0x85a9a861bc7212f4ull, 0}},
    {"BGRX bottom-up", T(BGRX), T(COMP_RGB), 0, 0, QUORVANE_FLAG_BOTTOM_UP, 3, true,
      {0x60345eb1297f78d0ull, 0x364221c7e045788bull, 0x3a92a80a9c3859f9ull}},
    {"YUY2", T(YUY2), T(COMP_YUV422), 0, 0, 0, 3, false, {0x24fc526d12ce1f51ull, 0x879a0053f58bec12ull, 0}},
    {"I420", T(I420), T(COMP_YUV420), 0, 0, 0, 3, false, {0x064b51319b79e3bfull, 0xd2a36e23fbcd7871ull, 0}},
    {"Y8", T(Y8), T(COMP_YUV400), 0, 0, 0, 1, true,
      {0x0d7b6e8e45d5115full, 0x1d9b674f32b8d899ull, 0x855ab93af1626503ull}},
    {"V210", T(V210), T(COMP_10_YUV422), 0, 0, 0, 3, false, {0x94640269687f175bull, 0xf45f7390bd63062aull, 0}},
    // Where both triangles peak the generator gives words up to 4159, above 12 bits: these
    // frames are coded as if every word were masked to 12 bits first.
    {"GBRP_12", T(GBRP_12), T(COMP_12_RGB), 12, 0, 0, 3, true,
      {0xc9f4ab8f479e87ebull, 0xc04862fb21cb2fdcull, 0x1c3e33a976e63916ull}},
    {"RGB48 to 14 bits", T(RGB48), T(COMP_14_RGB), 16, 0, 0, 3, true,
      {0xbdcdfb55c854e7a5ull, 0xc15a6eefb39140b2ull, 0x4abc81b32cecd445ull}},
};
#undef T

// Blocks stored raw (flag bit 0 of the block's first byte) in a frame of `blocks` blocks.
int raw_blocks(const std::vector<uint8_t>& frame, size_t blocks)
{
    int n = 0;
    for (size_t b = 0; b < blocks; ++b) {
        uint32_t offset;
        std::memcpy(&offset, &frame[32 + 4 + 4 * b], 4);
        n += frame[32 + offset] & 1;
    }
    return n;
}

TEST(FramePins, CompressedBytesAreUnchanged)
{
    CodecHandle h;
    int raw = 0;
    const bool print = std::getenv("QUORVANE_PRINT_PINS") != nullptr;
    for (const Pin& pin : kPins) {
        const uint32_t sizes[3][2] = {{1920, 60}, {334, 98}, {333, 97}};
        for (int k = 0; k < (pin.oddSizes ? 3 : 2); ++k) {
            const uint32_t w = sizes[k][0], ht = sizes[k][1];
            uint64_t first = 0;
            for (int threads : {1, 3, 8}) {
                h.set_threads(threads);
                qtest::Stream s;
                ASSERT_EQ(qtest::begin_compress(h, pin.type, w, ht, pin.comp, s, pin.fieldType, pin.flags), 0)
                    << pin.name;
                Frame f(h, pin.type, w, ht);
                fill(f, pin.wordBits);
                int rc = -1;
                const std::vector<uint8_t> out = qtest::compress_frame(h, f, s.maxSize, &rc);
                ASSERT_EQ(rc, 0) << pin.name;
                ASSERT_EQ(quorvane_compress_end(h), 0);
                const uint64_t hash = fnv1a(out.data(), out.size()) ^ fnv1a(s.header.data(), s.header.size());
                if (threads == 1) {
                    first = hash;
                    raw += raw_blocks(out, size_t(pin.planes) * ((ht + 27) / 28));
                }
                EXPECT_EQ(hash, first) << pin.name << " " << w << "x" << ht << ": bytes differ at " << threads
                                       << " threads";
                if (threads != 1) continue;
                if (print) std::printf("%-18s %4ux%-3u 0x%016llxull (%zu bytes)\n", pin.name, w, ht,
                                       static_cast<unsigned long long>(hash), out.size());
                else EXPECT_EQ(hash, pin.hashes[k]) << pin.name << " " << w << "x" << ht;
            }
        }
    }
    // The noisy rows must reach the raw store somewhere, or its bytes would go unpinned.
    EXPECT_GT(raw, 0);
    if (print) std::printf("raw blocks: %d\n", raw);
}

} // namespace
