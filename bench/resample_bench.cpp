// Throughput of the resampling and smoothing kernels, SIMD against their scalar twins, on the
// chroma planes of a 1920 x 1080 frame. Prints MB/s of source samples per kernel.

#include "codec/quorvane.h"
#include "codec/imgproc/kernels/PlanarRgbDecorr.h"
#include "codec/imgproc/kernels/Resample.h"
#include "codec/imgproc/kernels/Smooth.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int W = 1920, H = 1080;

template <class T>
struct Buf {
    explicit Buf(size_t n) : v(n + 64)
    {
        std::mt19937 g(7);
        for (auto& x : v) x = static_cast<T>(g() & (sizeof(T) == 1 ? 0xFF : 0x3FF));
    }
    T* p() { return reinterpret_cast<T*>((reinterpret_cast<uintptr_t>(v.data()) + 63) & ~uintptr_t(63)); }
    std::vector<T> v;
};

// Runs fn until ~0.3 s have passed; returns MB/s of `bytes` per call.
double rate(const std::function<void()>& fn, double bytes)
{
    using clk = std::chrono::steady_clock;
    fn();
    int reps = 0;
    const auto t0 = clk::now();
    double secs = 0;
    do {
        fn();
        ++reps;
        secs = std::chrono::duration<double>(clk::now() - t0).count();
    } while (secs < 0.3);
    return bytes * reps / secs / 1e6;
}

void row(const char* name, const std::function<void()>& simd, const std::function<void()>& scalar, double bytes)
{
    const double a = rate(simd, bytes), b = rate(scalar, bytes);
    std::printf("%-34s %9.0f MB/s  scalar %8.0f MB/s  x%.1f\n", name, a, b, a / b);
}

// Whole frames through a converting binding, all threads: MB/s of caller frame bytes.
void binding(const char* name, uint32_t type, uint32_t comp)
{
    uint32_t h = 0;
    quorvane_open(&h);
    QuorvaneFrameType in{W, H, type, 0}, out{0, 0, comp, 0};
    QuorvaneFrameData planes{};
    quorvane_init_planes_common(h, &in, &planes, nullptr);
    size_t total = 0;
    for (const QuorvanePlane& p : planes.planes) total += p.size;
    std::vector<uint8_t> frame(total), back(total);
    for (size_t i = 0; i < total; ++i) frame[i] = uint8_t((i * 7) / 5 + (i * 2654435761u >> 30));
    quorvane_init_planes_common(h, &in, &planes, frame.data());
    const uint8_t* fmt = nullptr;
    uint32_t fs = 0, ms = 0;
    if (quorvane_compress_begin(h, &in, &out, &fmt, &fs, &ms) != 0) {
        std::printf("%-34s begin failed\n", name);
        quorvane_close(h);
        return;
    }
    const std::vector<uint8_t> header(fmt, fmt + fs);
    std::vector<uint8_t> comp_(ms);
    uint32_t size = 0;
    const double enc = rate([&] { quorvane_compress(h, &planes, comp_.data(), &size); }, double(total));
    quorvane_compress_end(h);
    QuorvaneFrameType dout{0, 0, type, 0};
    QuorvaneFrameData dst{};
    quorvane_init_planes_common(h, &in, &dst, back.data());
    quorvane_decompress_begin(h, header.data(), uint32_t(header.size()), &dout, nullptr);
    const double dec = rate([&] { quorvane_decompress(h, comp_.data(), size, &dst); }, double(total));
    quorvane_decompress_end(h);
    quorvane_close(h);
    std::printf("%-34s encode %6.0f MB/s  decode %6.0f MB/s  %u bytes\n", name, enc, dec, size);
}

} // namespace

int main()
{
    Buf<uint8_t> s8(size_t(W) * H), d8(size_t(W) * H * 2);
    Buf<uint16_t> s16(size_t(W) * H), d16(size_t(W) * H);
    const int cw = W / 2;

    std::printf("source planes of a %dx%d frame; MB/s of source bytes\n", W, H);
    row("upscale2_horizontal (422->444)",
        [&] { upscale2_horizontal_sse_decide(s8.p(), d8.p(), cw, W, cw, H, 0, H); },
        [&] { upscale2_horizontal_scalar(s8.p(), d8.p(), cw, W, cw, H, 0, H); }, double(cw) * H);
    row("downscale2_horizontal filtered", [&] { downscale2_horizontal_sse_decide<true>(s8.p(), d8.p(), W, cw, W, H, 0, H); },
        [&] { downscale2_horizontal_scalar<true>(s8.p(), d8.p(), W, cw, W, H, 0, H); }, double(W) * H);
    row("downscale2_horizontal point", [&] { downscale2_horizontal_sse_decide<false>(s8.p(), d8.p(), W, cw, W, H, 0, H); },
        [&] { downscale2_horizontal_scalar<false>(s8.p(), d8.p(), W, cw, W, H, 0, H); }, double(W) * H);
    row("downscale2_combined (444->420)", [&] { downscale2_combined_sse_decide(s8.p(), d8.p(), W, cw, W, H, 0, H); },
        [&] { downscale2_combined_scalar(s8.p(), d8.p(), W, cw, W, H, 0, H); }, double(W) * H);
    row("downscale2_vertical 8 (422->420)",
        [&] { downscale2_vertical_sse_decide<uint8_t, 8>(s8.p(), d8.p(), cw, cw, cw, H, 0, H); },
        [&] { downscale2_vertical_scalar<uint8_t, 8>(s8.p(), d8.p(), cw, cw, cw, H, 0, H); }, double(cw) * H);
    row("downscale2_vertical 10",
        [&] { downscale2_vertical_sse_decide<uint16_t, 10>(s16.p(), d16.p(), cw, cw, cw, H, 0, H); },
        [&] { downscale2_vertical_scalar<uint16_t, 10>(s16.p(), d16.p(), cw, cw, cw, H, 0, H); }, 2.0 * cw * H);
    row("interpolate2_vertical 8", [&] { interpolate2_vertical_sse_decide<uint8_t, 8>(d8.p(), W, W, H / 2, 0, H / 2); },
        [&] { interpolate2_vertical_scalar<uint8_t, 8>(d8.p(), W, W, H / 2, 0, H / 2); }, double(W) * H / 2);
    row("interpolate2_vertical 10",
        [&] { interpolate2_vertical_sse_decide<uint16_t, 10>(d16.p(), cw, cw, H / 2, 0, H / 2); },
        [&] { interpolate2_vertical_scalar<uint16_t, 10>(d16.p(), cw, cw, H / 2, 0, H / 2); }, 2.0 * cw * H / 2);

    SmoothState st;
    st.thr1 = 4, st.shift1 = 1, st.thr2 = 8, st.shift2 = 2, st.limit = 255;
    row("smooth_combined3", [&] { smooth_combined3_sse(st, s8.p(), d8.p(), W, W, W, H, 0, H); },
        [&] { smooth_combined3_scalar(st, s8.p(), d8.p(), W, W, W, H, 0, H); }, double(W) * H);
    row("smooth_combined5", [&] { smooth_combined5_sse(st, s8.p(), d8.p(), W, W, W, H, 0, H); },
        [&] { smooth_combined5_scalar(st, s8.p(), d8.p(), W, W, W, H, 0, H); }, double(W) * H);
    const int n = W * H / 3;
    row("decorr_rgb_planar", [&] { decorr_rgb_planar_sse(d8.p(), s8.p(), d8.p() + n, n); },
        [&] { decorr_rgb_planar_scalar(d8.p(), s8.p(), d8.p() + n, n); }, 3.0 * n);

    quorvane_library_init();
    std::printf("\n%dx%d frames through the codec, all threads\n", W, H);
    binding("I444 as 4:4:4 (no converter)", QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV444);
    binding("I444 as 4:2:2", QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV422);
    binding("I444 as 4:2:0", QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV420);
    binding("I444 as grey", QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV400);
    binding("YUY2 as 4:2:2 (no converter)", QUORVANE_FRAME_YUY2, QUORVANE_FRAME_COMP_YUV422);
    binding("YUY2 as 4:2:0", QUORVANE_FRAME_YUY2, QUORVANE_FRAME_COMP_YUV420);
    binding("YUV422P_10 as 10-bit 4:2:0", QUORVANE_FRAME_YUV422P_10, QUORVANE_FRAME_COMP_10_YUV420);
    quorvane_library_close();
    return 0;
}
