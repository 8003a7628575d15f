// Single-thread throughput of the prediction backends, SIMD against the plain scalar twin, in MB
// of samples per second: one 1920x28 block (the engine's slice height, cache-resident) and a
// 1920x1080 plane walked in 28-row blocks as the engine does.
// Usage: backends_bench [seconds per figure, default 0.3]

#include "codec/imgproc/backends/PredictKernels.h"
#include "codec/imgproc/backends/PredictScalar.h"
#include "codec/imgproc/backends/ResidualCounts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

double g_seconds = 0.3;

// MB/s of op over `bytes` bytes of samples, from its fastest single call within the time
// budget: the fastest call is the one least disturbed by other work on the machine.
double measure(size_t bytes, const std::function<void()>& op)
{
    using clock = std::chrono::steady_clock;
    op(); // warm up
    double best = 1e30;
    const auto start = clock::now();
    do {
        const auto t0 = clock::now();
        op();
        best = std::min(best, std::chrono::duration<double>(clock::now() - t0).count());
    } while (std::chrono::duration<double>(clock::now() - start).count() < g_seconds);
    return static_cast<double>(bytes) / best / 1e6;
}

// A plane with 64-byte aligned rows, as the engine lays its planes out.
struct Plane {
    std::vector<uint8_t> mem;
    ImgPlane plane;
    Plane(int w, int h, int sample_size)
    {
        const int32_t stride = (w * sample_size + 63) / 64 * 64;
        mem.assign(static_cast<size_t>(stride) * h + 64, 0);
        uint8_t* base = mem.data() + (64 - reinterpret_cast<uintptr_t>(mem.data()) % 64) % 64;
        plane = ImgPlane{base, stride};
    }
    ImgPlane rows_from(int y) const { return ImgPlane{plane.ptr + static_cast<intptr_t>(plane.stride) * y, plane.stride}; }
};

// Smooth content with noise, roughly what prediction sees in camera footage.
template <class S>
void fill(Plane& p, int w, int h, unsigned max_value)
{
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y) {
        S* row = reinterpret_cast<S*>(p.rows_from(y).ptr);
        for (int x = 0; x < w; ++x) row[x] = static_cast<S>((x * 3 + y * 2 + rng() % 9) & max_value);
    }
}

// One operation on a src block and (for out-of-place prediction) a dst block.
using BlockOp = std::function<void(const ImgPlane& src, ImgPlane dst, int w, int h)>;

struct OpPair {
    std::string name;
    BlockOp simd, scalar;
};

template <class S>
void report(const char* depth, int bits, const std::vector<OpPair>& ops)
{
    constexpr int w = 1920, kBlock = 28, kFrame = 1080;
    std::printf("\n%s samples, MB/s, one thread\n", depth);
    std::printf("  %-26s %10s %10s %10s %10s\n", "", "1920x28", "", "1920x1080", "");
    std::printf("  %-26s %10s %10s %10s %10s\n", "operation", "SIMD", "scalar", "SIMD", "scalar");
    Plane src(w, kFrame, sizeof(S)), dst(w, kFrame, sizeof(S));
    const unsigned max_value = (1u << bits) - 1;
    auto one_block = [&](const BlockOp& op) { op(src.plane, dst.plane, w, kBlock); };
    auto frame = [&](const BlockOp& op) {
        for (int y = 0; y < kFrame; y += kBlock) op(src.rows_from(y), dst.rows_from(y), w, std::min(kBlock, kFrame - y));
    };
    for (const OpPair& op : ops) {
        fill<S>(src, w, kFrame, max_value);
        const size_t block_bytes = sizeof(S) * w * kBlock, frame_bytes = sizeof(S) * w * kFrame;
        const double a = measure(block_bytes, [&] { one_block(op.simd); });
        const double b = measure(block_bytes, [&] { one_block(op.scalar); });
        const double c = measure(frame_bytes, [&] { frame(op.simd); });
        const double d = measure(frame_bytes, [&] { frame(op.scalar); });
        std::printf("  %-26s %10.0f %10.0f %10.0f %10.0f\n", op.name.c_str(), a, b, c, d);
    }
}

// The SIMD entry points of one depth, and their scalar twins.
template <class T, int Bits>
struct Entry;
template <>
struct Entry<unsigned char, 8> {
    static void predict(const ImgPlane& s, ImgPlane d, int w, int h, int p) { backends::predict8(s, d, w, h, p); }
    static void predict_inplace(ImgPlane s, int w, int h, int p, uint32_t* c = nullptr)
    {
        backends::predict8_inplace(s, w, h, p, c);
    }
    static void unpredict(ImgPlane s, int w, int h, int p) { backends::unpredict8(s, w, h, p); }
};
template <int Bits>
struct Entry<short, Bits> {
    static void predict(const ImgPlane& s, ImgPlane d, int w, int h, int p) { backends::predict16<Bits>(s, d, w, h, p); }
    static void predict_inplace(ImgPlane s, int w, int h, int p, uint32_t* c = nullptr)
    {
        backends::predict16_inplace<Bits>(s, w, h, p, c);
    }
    static void unpredict(ImgPlane s, int w, int h, int p) { backends::unpredict16<Bits>(s, w, h, p); }
};

template <class T, int Bits>
std::vector<OpPair> ops_for()
{
    using E = Entry<T, Bits>;
    static const char* names[] = {"", "left", "gradient", "median"};
    std::vector<OpPair> ops;
    for (int pred = 1; pred <= 3; ++pred) {
        const std::string n = names[pred];
        ops.push_back({"predict " + n, [pred](const ImgPlane& s, ImgPlane d, int w, int h) { E::predict(s, d, w, h, pred); },
                       [pred](const ImgPlane& s, ImgPlane d, int w, int h) {
                           backends::predict_scalar<T, Bits>(s, d, w, h, pred);
                       }});
        ops.push_back({"predict in place " + n,
                       [pred](const ImgPlane& s, ImgPlane, int w, int h) { E::predict_inplace(s, w, h, pred); },
                       [pred](const ImgPlane& s, ImgPlane, int w, int h) {
                           backends::predict_inplace_scalar<T, Bits>(s, w, h, pred);
                       }});
        ops.push_back({"unpredict " + n, [pred](const ImgPlane& s, ImgPlane, int w, int h) { E::unpredict(s, w, h, pred); },
                       [pred](const ImgPlane& s, ImgPlane, int w, int h) { backends::unpredict_scalar<T, Bits>(s, w, h, pred); }});
    }
    // As the engine predicts a block: in place, every residual counted (the tables are zeroed
    // once; counts only grow, which costs the same).
    auto tables = std::make_shared<std::vector<uint32_t>>(backends::count_table_entries(Bits));
    ops.push_back({"predict+count in place median",
                   [tables](const ImgPlane& s, ImgPlane, int w, int h) {
                       E::predict_inplace(s, w, h, PredictMedian, tables->data());
                   },
                   [tables](const ImgPlane& s, ImgPlane, int w, int h) {
                       backends::predict_inplace_scalar<T, Bits>(s, w, h, PredictMedian, tables->data());
                   }});
    return ops;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) g_seconds = std::max(0.03, std::atof(argv[1]));
    auto ops8 = ops_for<unsigned char, 8>();
    ops8.push_back({"scores", [](const ImgPlane& s, ImgPlane, int w, int h) { (void)backends::calc_predict_scores8(s, w, h); },
                    [](const ImgPlane& s, ImgPlane, int w, int h) { (void)backends::calc_predict_scores_scalar(s, w, h); }});
    report<uint8_t>("8-bit", 8, ops8);
    report<int16_t>("10-bit", 10, ops_for<short, 10>());
    return 0;
}
