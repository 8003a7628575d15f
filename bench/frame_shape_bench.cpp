// Encode time against frame shape: planar GBR frames of 10, 12 and 14 bits, 16 x 1,000,000 and
// 4000 x 4000 pixels (the same count), on one thread. The tall frame has 250 times the blocks of
// the square one and rows of 16 samples, so whatever a block or a row costs beyond its samples
// shows in the ratio of the two.
//
// Usage: frame_shape_bench [--rounds N] [--bits B]   (defaults: 7 rounds; 10, 12 and 14 bits)
//
// Both frames hold the same samples, the pixels of a generated picture read in order and
// widened to the depth. The two shapes are compressed in turn, round by round, so a change of
// the machine's clock during the run reaches both alike; each figure is the median of the
// rounds, by the processor time of the one thread.

#include "codec/quorvane.h"

#include "bench_pictures.h"
#include "bench_timing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Shape {
    const char* name;
    uint32_t width, height;
};
constexpr Shape kShapes[] = {{"16 x 1000000", 16, 1000000}, {"4000 x 4000", 4000, 4000}};

struct Depth {
    int bits;
    uint32_t type, comp;
};
constexpr Depth kDepths[] = {
    {10, QUORVANE_FRAME_GBRP_10, QUORVANE_FRAME_COMP_10_RGB},
    {12, QUORVANE_FRAME_GBRP_12, QUORVANE_FRAME_COMP_12_RGB},
    {14, QUORVANE_FRAME_GBRP_14, QUORVANE_FRAME_COMP_14_RGB},
};

// One begun compression of a frame of one shape.
struct Stream {
    uint32_t handle = 0;
    std::vector<uint8_t> storage, out;
    QuorvaneFrameData planes{};
    uint32_t size = 0;
    bool ok = false;

    Stream(const Depth& d, const Shape& s, const bench::Picture& pic)
    {
        if (quorvane_open(&handle) != 0) return;
        quorvane_set_param_value(handle, QUORVANE_PARAM_NUM_THREADS, 1);
        const QuorvaneFrameType type{s.width, s.height, d.type, 0};
        QuorvaneFrameData probe{};
        if (quorvane_init_planes_common(handle, &type, &probe, nullptr) != 0) return;
        size_t total = 0;
        for (const QuorvanePlane& p : probe.planes) total += p.size;
        storage.resize(total);
        quorvane_init_planes_common(handle, &type, &planes, storage.data());
        const size_t n = size_t(pic.width) * pic.height;
        for (int q = 0; q < 3; ++q) {
            const QuorvanePlane& p = planes.planes[q];
            size_t i = 0;
            for (uint32_t y = 0; y < s.height; ++y) {
                auto* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(p.data) + size_t(y) * uint32_t(p.stride));
                for (uint32_t x = 0; x < s.width; ++x, ++i) {
                    const uint8_t v = pic.pixels[(i % n) * size_t(pic.channels) + size_t(q)];
                    row[x] = uint16_t(v << (d.bits - 8) | (i * 7 & ((1u << (d.bits - 8)) - 1)));
                }
            }
        }
        QuorvaneFrameType out_type{0, 0, d.comp, 0};
        const uint8_t* format = nullptr;
        uint32_t formatSize = 0, maxSize = 0;
        if (quorvane_compress_begin(handle, &type, &out_type, &format, &formatSize, &maxSize) != 0) return;
        out.resize(maxSize);
        ok = true;
    }
    ~Stream() { quorvane_close(handle); }

    double encode()
    {
        const double t0 = bench::thread_cpu_time();
        ok = ok && quorvane_compress(handle, &planes, out.data(), &size) == 0;
        return bench::thread_cpu_time() - t0;
    }
};

} // namespace

int main(int argc, char** argv)
{
    int rounds = 7, onlyBits = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--bits" && i + 1 < argc) onlyBits = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: frame_shape_bench [--rounds N] [--bits 10|12|14]\n");
            return 2;
        }
    }
    quorvane_library_init();
    const bench::Picture pic = bench::generate_picture(0);
    std::printf("Planar GBR on one thread, 16,000,000 pixels, median of %d rounds (processor time)\n", rounds);
    std::printf("%-6s %-14s %10s %12s | %-14s %10s %12s | %s\n", "depth", "frame", "encode ms", "bytes", "frame",
                "encode ms", "bytes", "tall / square");
    bool failed = false;
    for (const Depth& d : kDepths) {
        if (onlyBits && d.bits != onlyBits) continue;
        Stream tall(d, kShapes[0], pic), square(d, kShapes[1], pic);
        std::vector<double> t[2];
        for (int r = 0; r < rounds; ++r) {
            t[0].push_back(tall.encode());
            t[1].push_back(square.encode());
        }
        if (!tall.ok || !square.ok) {
            std::printf("%2d bit: compression failed\n", d.bits);
            failed = true;
            continue;
        }
        const double a = bench::median_of(t[0]), b = bench::median_of(t[1]);
        std::printf("%2d bit %-14s %10.1f %12u | %-14s %10.1f %12u | %.2f\n", d.bits, kShapes[0].name, a * 1e3,
                    tall.size, kShapes[1].name, b * 1e3, square.size, a / b);
    }
    quorvane_library_close();
    return failed ? 1 : 0;
}
