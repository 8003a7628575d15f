// Throughput of the packed 8-bit split and join kernels, SIMD against their scalar twins, and of
// whole 1920x1080 frames through the packed frontends against memcpy of the same bytes.
// Figures are MB/s of packed pixel bytes, the best of several runs, one thread.
//
//   build/release/bench/kernels8_bench [repeats]
//
// The frontend lines give the caller's offset from a 64-byte boundary (+0, +16) and ms per frame.

#include "codec/imgproc/frontends8/TImgProcFrontend24.h"
#include "codec/imgproc/frontends8/TImgProcFrontend32.h"
#include "codec/imgproc/frontends8/TImgProcFrontend_YUY2_UYVY.h"
#include "codec/imgproc/kernels/DecorrInstances.h"
#include "codec/imgproc/kernels/DecorrKernels.h"
#include "codec/imgproc/kernels/Yuy2Uyvy.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kW = 1920, kH = 1080;
int g_repeats = 7;

struct Buf {
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, Free> p;
    explicit Buf(size_t n) : p(static_cast<uint8_t*>(std::aligned_alloc(64, (n + 63) / 64 * 64)))
    {
        std::mt19937 gen(1);
        for (size_t i = 0; i < n; ++i) p.get()[i] = static_cast<uint8_t>(gen());
    }
    uint8_t* get() const { return p.get(); }
};

// Best MB/s of `bytes` processed by f.
template <class F>
double mbps(size_t bytes, F f)
{
    double best = 1e30;
    for (int i = 0; i < g_repeats; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (s < best) best = s;
    }
    return bytes / best / 1e6;
}

// One frame's pixels as one long run, planes of kW * kH samples.
struct Frame {
    size_t pixels = static_cast<size_t>(kW) * kH;
    Buf packed{4 * pixels}, out{4 * pixels}, p0{pixels}, p1{pixels}, p2{pixels}, p3{pixels};
};

void report(const char* name, double splitSimd, double splitScalar, double joinSimd, double joinScalar)
{
    std::printf("%-52s split %7.0f (scalar %6.0f, x%4.1f)   join %7.0f (scalar %6.0f, x%4.1f)\n", name, splitSimd,
                splitScalar, splitSimd / splitScalar, joinSimd, joinScalar, joinSimd / joinScalar);
}

template <int NP, class D>
void bench_decorr(Frame& f, const char* name)
{
    const int count = static_cast<int>(f.pixels * D::kBytes) / (16 * D::kBytes) * (16 * D::kBytes);
    const size_t bytes = static_cast<size_t>(count);
    const int n = count / D::kBytes;
    uint8_t *s = f.packed.get(), *o = f.out.get(), *a = f.p0.get(), *b = f.p1.get(), *c = f.p2.get(), *d = f.p3.get();
    double ss, js;
    if constexpr (D::kBytes == 4) {
        ss = mbps(bytes, [&] { decorrsplit32_sse<NP, D>(s, count, a, b, c, d); });
        js = mbps(bytes, [&] { undecorrjoin32_sse<NP, D>(o, count, a, b, c, d); });
    } else {
        ss = mbps(bytes, [&] { decorrsplit24_sse<NP, D>(s, count, a, b, c); });
        js = mbps(bytes, [&] { undecorrjoin24_sse<NP, D>(o, count, a, b, c); });
    }
    const double sr = mbps(bytes, [&] { decorrsplit_scalar<NP, D>(s, n, a, b, c, d); });
    const double jr = mbps(bytes, [&] { undecorrjoin_scalar<NP, D>(o, n, a, b, c, d); });
    report(name, ss, sr, js, jr);
}

template <bool uyvy, bool lumaOnly>
void bench_yuy2(Frame& f, const char* name)
{
    const int count = kW * kH * 2;
    uint8_t *s = f.packed.get(), *o = f.out.get(), *y = f.p0.get(), *u = f.p1.get(), *v = f.p2.get();
    const double ss = mbps(count, [&] { split_yuy2_uyvy_sse<uyvy, lumaOnly>(s, count, y, u, v); });
    const double sr = mbps(count, [&] { split_yuy2_uyvy_scalar<uyvy, lumaOnly>(s, count / 4, y, u, v); });
    const double js = mbps(count, [&] { join_yuy2_uyvy_sse<uyvy, lumaOnly>(o, count, y, u, v); });
    const double jr = mbps(count, [&] { join_yuy2_uyvy_scalar<uyvy, lumaOnly>(o, count / 4, y, u, v); });
    report(name, ss, sr, js, jr);
}

// A whole frame through a frontend as the engine drives it (one layout, every row), against
// memcpy of the same packed bytes. The caller's rows start `misalign` bytes past a 64-byte
// boundary, so a frame whose rows skip the kernels away from the boundary shows it.
void bench_frontend(const ImgProcFrontend& fe, int bytesPerPixel, const char* name, size_t misalign = 0)
{
    const int pitch = (kW * bytesPerPixel + 3) & ~3;
    const size_t frameBytes = static_cast<size_t>(pitch) * kH;
    Buf packed(frameBytes + misalign), out(frameBytes + misalign), copy(frameBytes);
    const size_t workBytes = static_cast<size_t>(kW + 128) * kH * fe.m_backend->get_num_canonical_planes() + 8192;
    Buf work(workBytes);
    ImgFrame src{}, dst{}, layout{};
    src[0] = {packed.get() + misalign, pitch};
    dst[0] = {out.get() + misalign, pitch};
    fe.calc_split_params(src, kW, kH, work.get(), layout, false, true);
    ImgFrame planes{};
    for (int k = 0; k < fe.m_backend->get_num_canonical_planes(); ++k) planes[k] = layout[k];
    const double split = mbps(frameBytes, [&] { fe.decorrsplit(src, kW, kH, planes); });
    fe.calc_split_params(dst, kW, kH, work.get(), layout, false, false);
    const double join = mbps(frameBytes, [&] { fe.undecorrjoin(dst, kW, kH, planes); });
    const double mc = mbps(frameBytes, [&] { std::memcpy(copy.get(), src[0].ptr, frameBytes); });
    const double kb = static_cast<double>(frameBytes) / 1e3; // kB over MB/s gives ms per frame
    std::printf("%-24s +%-2zu 1920x1080  split %7.0f MB/s %5.2f ms (%3.0f%% of memcpy)   join %7.0f MB/s %5.2f ms "
                "(%3.0f%% of memcpy)   memcpy %7.0f MB/s\n",
                name, misalign, split, kb / split, 100 * split / mc, join, kb / join, 100 * join / mc, mc);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) g_repeats = std::max(1, std::atoi(argv[1]));
    Frame f;
    std::printf("Kernels, 1920x1080 pixels as one run, MB/s of packed bytes (best of %d)\n", g_repeats);
#define QV_BENCH32(NP, A, B, C, D, ALGO)                                                                       \
    bench_decorr<NP, QV_DECORR4_T(A, B, C, D, ALGO)>(f, "decorr32<" #NP "," #A #B #C #D "," #ALGO ">");
#define QV_BENCH24(NP, A, B, C, ALGO) bench_decorr<NP, QV_DECORR3_T(A, B, C, ALGO)>(f, "decorr24<" #NP "," #A #B #C "," #ALGO ">");
    QV_FOR_EACH_DECORR32(QV_BENCH32)
    QV_FOR_EACH_DECORR24(QV_BENCH24)
    bench_yuy2<false, false>(f, "yuy2");
    bench_yuy2<false, true>(f, "yuy2 luma only");
    bench_yuy2<true, false>(f, "uyvy");
    bench_yuy2<true, true>(f, "uyvy luma only");

    std::printf("\nFrontends, whole frame, one thread\n");
    bench_frontend(TImgProcFrontend32<4, Decorr4<2u, 1u, 0u, 3u, DecorrAlgoRGB>>(), 4, "BGRA -> RGBA planes");
    bench_frontend(TImgProcFrontend32<3, Decorr4<2u, 1u, 0u, 3u, DecorrAlgoRGB>>(), 4, "BGRX -> RGB planes");
    bench_frontend(TImgProcFrontend24<3, Decorr3<0u, 1u, 2u, DecorrAlgoRGB>>(), 3, "RGB24 -> RGB planes");
    bench_frontend(TImgProcFrontend24<3, Decorr3<2u, 1u, 0u, DecorrAlgoRGB>>(), 3, "BGR24 -> RGB planes");
    bench_frontend(TImgProcFrontend32<3, Decorr4<2u, 1u, 0u, 3u, DecorrAlgoRGBToYUV<Rec709_Limited>>>(), 4,
                   "BGRX -> YUV 709L");
    bench_frontend(TImgProcFrontend24<3, Decorr3<0u, 1u, 2u, DecorrAlgoRGBToYUV<Rec601_Limited>>>(), 3,
                   "RGB24 -> YUV 601L");
    // The YUY2/UYVY rows are cut at 64-byte boundaries of the packed row: on a boundary and 16 past.
    for (size_t misalign : {0, 16}) {
        bench_frontend(TImgProcFrontend_YUY2_UYVY<false, false>(), 2, "YUY2 -> YUV 4:2:2", misalign);
        bench_frontend(TImgProcFrontend_YUY2_UYVY<false, true>(), 2, "YUY2 -> Y (luma only)", misalign);
    }
    return 0;
}
