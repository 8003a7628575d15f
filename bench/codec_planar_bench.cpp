// Whole-frame speed and size through the function interface.
// Usage: codec_planar_bench [frame.ppm ...] [--threads N] [--runs N]
// Each 1920x1080 P6 picture is compressed as BGRX (lossless RGB) and, turned into YUV (BT.709
// limited range), as I420 and Y8; without pictures a synthetic frame is used. Figures: compressed bytes, ratio, encode and decode MB/s
// counted over the uncompressed frame bytes.

#include "codec/quorvane.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

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

uint8_t clamp8(double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// Planar YUV 4:2:0 (or grey) from RGB, BT.709 limited range.
std::vector<uint8_t> to_bgrx(const Rgb& rgb)
{
    std::vector<uint8_t> out(size_t(rgb.width) * rgb.height * 4);
    for (size_t i = 0; i < size_t(rgb.width) * rgb.height; ++i) {
        out[4 * i] = rgb.pixels[3 * i + 2];
        out[4 * i + 1] = rgb.pixels[3 * i + 1];
        out[4 * i + 2] = rgb.pixels[3 * i];
        out[4 * i + 3] = 255;
    }
    return out;
}

std::vector<uint8_t> to_yuv(const Rgb& rgb, bool grey)
{
    const int w = rgb.width, h = rgb.height;
    std::vector<uint8_t> out(size_t(w) * h + (grey ? 0 : size_t(w / 2) * (h / 2) * 2));
    uint8_t* y = out.data();
    uint8_t* u = y + size_t(w) * h;
    uint8_t* v = u + size_t(w / 2) * (h / 2);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const uint8_t* p = &rgb.pixels[(size_t(r) * w + c) * 3];
            y[size_t(r) * w + c] = clamp8(16 + (0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]) * 219 / 255);
            if (grey || (r & 1) || (c & 1)) continue;
            const size_t k = size_t(r / 2) * (w / 2) + c / 2;
            u[k] = clamp8(128 + (-0.1146 * p[0] - 0.3854 * p[1] + 0.5 * p[2]) * 224 / 255);
            v[k] = clamp8(128 + (0.5 * p[0] - 0.4542 * p[1] - 0.0458 * p[2]) * 224 / 255);
        }
    return out;
}

double seconds_since(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

void run(const char* name, uint32_t type, int w, int h, std::vector<uint8_t>& pixels, int threads, int runs)
{
    uint32_t handle;
    quorvane_open(&handle);
    quorvane_set_param_value(handle, QUORVANE_PARAM_NUM_THREADS, uint32_t(threads));
    QuorvaneFrameType in{uint32_t(w), uint32_t(h), type, 0}, out{0, 0, QUORVANE_FRAME_ANY, 0};
    const uint8_t* fmt = nullptr;
    uint32_t fs = 0, ms = 0;
    if (quorvane_compress_begin(handle, &in, &out, &fmt, &fs, &ms) != 0) {
        std::printf("%s: begin failed\n", name);
        return;
    }
    std::vector<uint8_t> header(fmt, fmt + fs);
    QuorvaneFrameData src{};
    quorvane_init_planes_common(handle, &in, &src, pixels.data());
    std::vector<uint8_t> comp(ms);
    uint32_t size = 0;
    quorvane_compress(handle, &src, comp.data(), &size); // warm-up
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) quorvane_compress(handle, &src, comp.data(), &size);
    const double enc = seconds_since(t0) / runs;
    quorvane_compress_end(handle);

    quorvane_decompress_begin(handle, header.data(), fs, &in, nullptr);
    std::vector<uint8_t> back(pixels.size());
    QuorvaneFrameData dst{};
    quorvane_init_planes_common(handle, &in, &dst, back.data());
    int rc = quorvane_decompress(handle, comp.data(), size, &dst);
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) rc |= quorvane_decompress(handle, comp.data(), size, &dst);
    const double dec = seconds_since(t0) / runs;
    quorvane_decompress_end(handle);
    quorvane_close(handle);

    const double mb = double(pixels.size()) / 1e6;
    std::printf("%-28s %4s %dx%d threads %2d: %9u bytes (%.2f:1)  encode %7.1f MB/s  decode %7.1f MB/s  %s\n", name,
                type == QUORVANE_FRAME_Y8 ? "Y8" : type == QUORVANE_FRAME_BGRX ? "BGRX" : "I420", w, h, threads, size, double(pixels.size()) / size,
                mb / enc, mb / dec, rc == 0 && back == pixels ? "lossless" : "MISMATCH");
}

} // namespace

int main(int argc, char** argv)
{
    int threads = 0, runs = 20;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--threads") && i + 1 < argc) threads = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else files.push_back(argv[i]);
    }
    quorvane_library_init();
    std::vector<std::pair<std::string, Rgb>> pictures;
    for (const std::string& f : files) {
        Rgb r;
        if (read_ppm(f.c_str(), r)) pictures.emplace_back(f.substr(f.find_last_of('/') + 1), std::move(r));
        else std::fprintf(stderr, "cannot read %s\n", f.c_str());
    }
    if (pictures.empty()) pictures.emplace_back("synthetic", synthetic());
    for (auto& [name, rgb] : pictures) {
        const int w = rgb.width & ~1, h = rgb.height & ~1;
        rgb.width = w;
        rgb.height = h;
        std::vector<uint8_t> bgrx = to_bgrx(rgb);
        for (int t : threads ? std::vector<int>{threads} : std::vector<int>{1, 0})
            run(name.c_str(), QUORVANE_FRAME_BGRX, w, h, bgrx, t, runs);
        for (bool grey : {false, true}) {
            std::vector<uint8_t> yuv = to_yuv(rgb, grey);
            for (int t : threads ? std::vector<int>{threads} : std::vector<int>{1, 0})
                run(name.c_str(), grey ? QUORVANE_FRAME_Y8 : QUORVANE_FRAME_I420, w, h, yuv, t, runs);
        }
    }
    quorvane_library_close();
    return 0;
}
