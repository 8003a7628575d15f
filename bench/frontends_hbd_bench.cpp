// Speed of the high-bit-depth row kernels (SIMD against their scalar twins) and whole-frame size
// and speed of the two layouts the host uses most: V210 and BGRA64 in the host's 0..32768 range.
// Usage: frontends_hbd_bench [frame.ppm ...] [--threads N] [--runs N]
// Each 1920x1080 P6 picture becomes a V210 frame (BT.709 limited range, 10 bits) and a BGRA64
// host-range frame (opaque alpha); without pictures a synthetic frame is used. Kernel figures
// are MB/s of packed bytes over 1920-pixel rows; frame figures are MB/s of uncompressed bytes.

#include "codec/imgproc/frontends_hbd/Kernels48.h"
#include "codec/imgproc/frontends_hbd/Kernels64.h"
#include "codec/imgproc/frontends_hbd/KernelsFloat4.h"
#include "codec/imgproc/frontends_hbd/KernelsGbrp.h"
#include "codec/imgproc/frontends_hbd/KernelsR210.h"
#include "codec/imgproc/frontends_hbd/KernelsV210.h"
#include "codec/imgproc/frontends_hbd/KernelsV410.h"
#include "codec/imgproc/frontends_hbd/KernelsWord16.h"
#include "codec/quorvane.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// ---- row kernels --------------------------------------------------------------------------------

constexpr int kWidth = 1920, kRows = 28;

struct RowBuffers {
    std::vector<uint8_t> packed;
    std::vector<uint8_t> planes[4];
    uint8_t* p(int k, int row) { return planes[k].data() + size_t(row) * 2 * kWidth; }
    uint8_t* packed_row(int row, size_t pitch) { return packed.data() + row * pitch; }
};

// Runs fn over kRows rows until about 0.2 s have passed; MB/s of `bytesPerRow`.
double rate(const std::function<void(int)>& fn, size_t bytesPerRow)
{
    long iterations = 0;
    const auto t = Clock::now();
    double elapsed = 0;
    do {
        for (int r = 0; r < kRows; ++r) fn(r);
        ++iterations;
        elapsed = seconds_since(t);
    } while (elapsed < 0.2);
    return double(bytesPerRow) * kRows * iterations / elapsed / 1e6;
}

void kernel_line(const char* name, size_t bytesPerRow, const std::function<void(int)>& simd,
                 const std::function<void(int)>& scalar)
{
    const double a = rate(simd, bytesPerRow), b = rate(scalar, bytesPerRow);
    std::printf("  %-34s %9.0f MB/s  scalar %8.0f MB/s  x%.1f\n", name, a, b, a / b);
}

void bench_kernels()
{
    RowBuffers buf;
    const size_t pitch = 16 * kWidth + 64;
    buf.packed.resize(pitch * kRows + 64);
    for (auto& p : buf.planes) p.resize(2 * size_t(kWidth) * kRows + 64);
    uint32_t seed = 7;
    for (auto& b : buf.packed) b = uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
    for (auto& p : buf.planes)
        for (size_t i = 0; i + 1 < p.size(); i += 2) p[i] = uint8_t((seed = seed * 1664525u + 1013904223u) >> 24), p[i + 1] = 3;
    // Aligned rows (the streaming path of join64) come from pitch being a multiple of 16.
    const auto row = [&](int r) { return buf.packed_row(r, pitch); };

    std::printf("row kernels, %d-pixel rows:\n", kWidth);
    kernel_line("BGRA64 host split (10-bit)", 8 * kWidth,
                [&](int r) { hbd::split64<4, 10, 3, true>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); },
                [&](int r) { hbd::split64_scalar<4, 10, 3, true>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); });
    kernel_line("BGRA64 host join (10-bit)", 8 * kWidth,
                [&](int r) { hbd::join64<4, 10, 3, true>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); },
                [&](int r) { hbd::join64_scalar<4, 10, 3, true>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); });
    kernel_line("BGRA64 host join, unaligned rows", 8 * kWidth,
                [&](int r) { hbd::join64<4, 10, 3, true>(row(r) + 4, kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); },
                [&](int r) { hbd::join64_scalar<4, 10, 3, true>(row(r) + 4, kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); });
    kernel_line("B64A split (12-bit)", 8 * kWidth,
                [&](int r) { hbd::split64<4, 12, 1, false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); },
                [&](int r) { hbd::split64_scalar<4, 12, 1, false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); });
    kernel_line("B64A join (12-bit)", 8 * kWidth,
                [&](int r) { hbd::join64<4, 12, 1, false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); },
                [&](int r) { hbd::join64_scalar<4, 12, 1, false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); });
    const size_t v210Row = size_t(kWidth) * 16 / 6;
    kernel_line("V210 split", v210Row, [&](int r) { hbd::splitV210<false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); },
                [&](int r) { hbd::splitV210_scalar<false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); });
    kernel_line("V210 join", v210Row, [&](int r) { hbd::joinV210<false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); },
                [&](int r) { hbd::joinV210_scalar<false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); });
    kernel_line("V410 split", 4 * kWidth, [&](int r) { hbd::splitV410<false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); },
                [&](int r) { hbd::splitV410_scalar<false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); });
    kernel_line("V410 join", 4 * kWidth, [&](int r) { hbd::joinV410<false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); },
                [&](int r) { hbd::joinV410_scalar<false>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); });
    kernel_line("R10K_LE split", 4 * kWidth, [&](int r) { hbd::splitR210<true, true>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); },
                [&](int r) { hbd::splitR210_scalar<true, true>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); });
    kernel_line("R10K_LE join", 4 * kWidth, [&](int r) { hbd::joinR210<true, true>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); },
                [&](int r) { hbd::joinR210_scalar<true, true>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); });
    kernel_line("BGR48 join (12-bit)", 6 * kWidth, [&](int r) { hbd::join48<12, 12>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); },
                [&](int r) { hbd::join48_scalar<12, 12>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r)); });
    kernel_line("BGRA_32F split (10-bit)", 16 * kWidth,
                [&](int r) { hbd::splitFloat4<4, 10>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); },
                [&](int r) { hbd::splitFloat4_scalar<4, 10>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); });
    kernel_line("BGRA_32F join (10-bit)", 16 * kWidth,
                [&](int r) { hbd::joinFloat4<4, 10>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); },
                [&](int r) { hbd::joinFloat4_scalar<4, 10>(row(r), kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); });
    // The planar layouts work on plane rows: count 8 bytes (four 16-bit planes) per pixel.
    uint8_t* g = buf.packed.data();
    kernel_line("GBRAP_16 -> 12 split", 8 * kWidth,
                [&](int r) { hbd::splitGbrp<16, 12, true>(g, g + 4096, g + 8192, g + 12288, kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); },
                [&](int r) { hbd::splitGbrp_scalar<16, 12, true>(g, g + 4096, g + 8192, g + 12288, kWidth, buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r)); });
    kernel_line("GBRAP_16 -> 12 join (in place)", 8 * kWidth,
                [&](int r) { hbd::joinGbrp<16, 12, true>(buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r), kWidth); },
                [&](int r) { hbd::joinGbrp_scalar<16, 12, true>(buf.p(0, r), buf.p(1, r), buf.p(2, r), buf.p(3, r), kWidth); });
    kernel_line("P010 luma narrow (>> 6)", 2 * kWidth, [&](int r) { hbd::shr6_row(row(r), kWidth, buf.p(0, r)); },
                [&](int r) { hbd::shr6_row_scalar(row(r), kWidth, buf.p(0, r)); });
    kernel_line("P210 CbCr split", 2 * kWidth, [&](int r) { hbd::cbcr_split(row(r), kWidth / 2, buf.p(1, r), buf.p(2, r)); },
                [&](int r) { hbd::cbcr_split_scalar(row(r), kWidth / 2, buf.p(1, r), buf.p(2, r)); });
}

// ---- whole frames ------------------------------------------------------------------------------

struct Rgb {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

bool read_ppm(const char* path, Rgb& out)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char magic[3] = {};
    int maxval = 0;
    const bool ok = std::fscanf(f, "%2s %d %d %d", magic, &out.width, &out.height, &maxval) == 4 &&
                    std::string(magic) == "P6" && maxval == 255;
    std::fgetc(f);
    if (ok) {
        out.pixels.resize(size_t(out.width) * out.height * 3);
        if (std::fread(out.pixels.data(), 1, out.pixels.size(), f) != out.pixels.size()) out.pixels.clear();
    }
    std::fclose(f);
    return ok && !out.pixels.empty();
}

Rgb synthetic()
{
    Rgb r;
    r.width = 1920;
    r.height = 1080;
    r.pixels.resize(size_t(r.width) * r.height * 3);
    uint32_t seed = 1;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            uint8_t* p = &r.pixels[(size_t(y) * r.width + x) * 3];
            p[0] = uint8_t(128 + 100 * std::sin(x * 0.01) + (seed >> 29));
            p[1] = uint8_t(128 + 90 * std::cos(y * 0.013) + (seed >> 30));
            p[2] = uint8_t((x + y) / 12 + (seed >> 28));
        }
    return r;
}

uint16_t clamp10(double v) { return uint16_t(std::clamp(std::lround(v), 0L, 1023L)); }

struct Frame {
    uint32_t type, flags;
    int width, height;
    int32_t stride;
    std::vector<uint8_t> bytes;
};

// BT.709 limited range, 10 bits, chroma from the left pixel of each pair, packed as V210.
Frame to_v210(const Rgb& rgb)
{
    const int w = rgb.width, h = rgb.height;
    Frame f{QUORVANE_FRAME_V210, 0, w, h, int32_t((size_t(w) * 16 / 6 + 127) / 128 * 128), {}};
    f.bytes.resize(size_t(f.stride) * h);
    std::vector<uint16_t> y(w), cb(w / 2), cr(w / 2);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            const uint8_t* p = &rgb.pixels[(size_t(r) * w + c) * 3];
            const double R = p[0] / 255.0, G = p[1] / 255.0, B = p[2] / 255.0;
            y[c] = clamp10(64 + 876 * (0.2126 * R + 0.7152 * G + 0.0722 * B));
            if (c & 1) continue;
            cb[c / 2] = clamp10(512 + 896 * (-0.1146 * R - 0.3854 * G + 0.5 * B));
            cr[c / 2] = clamp10(512 + 896 * (0.5 * R - 0.4542 * G - 0.0458 * B));
        }
        hbd::joinV210<false>(f.bytes.data() + size_t(r) * f.stride, w, reinterpret_cast<uint8_t*>(y.data()),
                             reinterpret_cast<uint8_t*>(cb.data()), reinterpret_cast<uint8_t*>(cr.data()));
    }
    return f;
}

// 8-bit RGB scaled onto the host's 0..32768 range, opaque alpha.
Frame to_bgra64_host(const Rgb& rgb)
{
    const int w = rgb.width, h = rgb.height;
    Frame f{QUORVANE_FRAME_BGRA64, QUORVANE_FLAG_16U_MAX_32768, w, h, int32_t(8 * w), {}};
    f.bytes.resize(size_t(f.stride) * h);
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        const uint8_t* p = &rgb.pixels[3 * i];
        const uint16_t v[4] = {uint16_t((p[2] * 32768 + 127) / 255), uint16_t((p[1] * 32768 + 127) / 255),
                               uint16_t((p[0] * 32768 + 127) / 255), 32768};
        std::memcpy(&f.bytes[8 * i], v, 8);
    }
    return f;
}

struct Result {
    uint32_t size = 0;
    double encode = 0, decode = 0;
    bool exact = false;
};

Result run(const Frame& f, uint32_t comp, int threads, int runs)
{
    Result res;
    uint32_t enc = 0, dec = 0;
    quorvane_open(&enc);
    quorvane_open(&dec);
    quorvane_set_param_value(enc, QUORVANE_PARAM_NUM_THREADS, uint32_t(threads));
    quorvane_set_param_value(dec, QUORVANE_PARAM_NUM_THREADS, uint32_t(threads));
    QuorvaneFrameTypeEx in{uint32_t(f.width), uint32_t(f.height), QUORVANE_FRAME_EXTENDED, 1, f.type, f.flags, 0, 0, 0};
    QuorvaneFrameType out{uint32_t(f.width), uint32_t(f.height), comp, 0};
    const uint8_t* format = nullptr;
    uint32_t formatSize = 0, maxSize = 0;
    if (quorvane_compress_begin(enc, reinterpret_cast<QuorvaneFrameType*>(&in), &out, &format, &formatSize, &maxSize) != 0) {
        std::printf("compress_begin failed\n");
        return res;
    }
    std::vector<uint8_t> stream(maxSize), back(f.bytes.size());
    QuorvaneFrameData src{}, dst{};
    src.planes[0] = {const_cast<uint8_t*>(f.bytes.data()), f.stride, uint32_t(f.bytes.size())};
    dst.planes[0] = {back.data(), f.stride, uint32_t(back.size())};
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto t = Clock::now();
        quorvane_compress(enc, &src, stream.data(), &res.size);
        best = std::min(best, seconds_since(t));
    }
    res.encode = double(f.bytes.size()) / best / 1e6;
    QuorvaneFrameTypeEx req = in;
    quorvane_decompress_begin(dec, format, formatSize, reinterpret_cast<QuorvaneFrameType*>(&req), nullptr);
    best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto t = Clock::now();
        quorvane_decompress(dec, stream.data(), res.size, &dst);
        best = std::min(best, seconds_since(t));
    }
    res.decode = double(f.bytes.size()) / best / 1e6;
    res.exact = back == f.bytes;
    quorvane_compress_end(enc);
    quorvane_decompress_end(dec);
    quorvane_close(enc);
    quorvane_close(dec);
    return res;
}

void frame_line(const char* what, const Frame& f, uint32_t comp, int threads, int runs)
{
    const Result r = run(f, comp, threads, runs);
    std::printf("  %-24s %10u bytes  ratio %5.2f  encode %7.0f MB/s  decode %7.0f MB/s%s\n", what, r.size,
                double(f.bytes.size()) / std::max<uint32_t>(r.size, 1), r.encode, r.decode,
                r.exact ? "  (bit-exact)" : "");
}

} // namespace

int main(int argc, char** argv)
{
    int threads = 0, runs = 10;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--threads" && i + 1 < argc)
            threads = std::atoi(argv[++i]);
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            files.push_back(a);
    }
    bench_kernels();

    quorvane_library_init();
    std::printf("\nwhole frames, %s threads, best of %d:\n", threads ? std::to_string(threads).c_str() : "all", runs);
    std::vector<std::pair<std::string, Rgb>> pictures;
    for (const auto& f : files) {
        Rgb rgb;
        if (read_ppm(f.c_str(), rgb) && rgb.width % 6 == 0)
            pictures.emplace_back(f.substr(f.find_last_of('/') + 1), std::move(rgb));
        else
            std::printf("skipped %s (not a P6 picture of a width divisible by 6)\n", f.c_str());
    }
    if (pictures.empty()) pictures.emplace_back("synthetic", synthetic());
    for (const auto& [name, rgb] : pictures) {
        std::printf("%s (%dx%d)\n", name.c_str(), rgb.width, rgb.height);
        const Frame v210 = to_v210(rgb), bgra = to_bgra64_host(rgb);
        frame_line("V210 -> COMP_10_YUV422", v210, QUORVANE_FRAME_COMP_10_YUV422, threads, runs);
        frame_line("BGRA64 host -> 10_RGBA", bgra, QUORVANE_FRAME_COMP_10_RGBA, threads, runs);
        frame_line("BGRA64 host -> 14_RGBA", bgra, QUORVANE_FRAME_COMP_14_RGBA, threads, runs);
    }
    quorvane_library_close();
    return 0;
}
