// Speed and size of whole frames through the codec's function interface, next to the design's
// bound and the format's own optimum, memcpy, and (when built with them) QOI and LZ4.
//
// Usage: codec_bench [options] [FILE|DIR ...]
//   FILE       binary PPM (P6) or PAM (P7, RGB or RGB_ALPHA) with 8-bit samples; a DIR
//              contributes its *.ppm and *.pam files in name order
//   --layouts L1,L2,...  input layouts (default RGB,BGRA,BGRX): RGB BGR BGRX BGRA XRGB ARGB RGBX
//              RGBA XBGR ABGR
//   --stored T stored type, a compressed type (COMP_RGB, COMP_YUV420, ...) or a subtype code
//              (Q8RG, Q8RA, Q8Y4, ...); default: each layout's own (COMP_RGB, or COMP_RGBA
//              with alpha)
//   --threads N  the many-thread count (default 0: one per online processor)
//   --rounds N   timed rounds per figure, the median is shown (default 11)
//   --generate N use N generated pictures (the default when no file is given: 4)
//   --no-peers   skip QOI and LZ4
//
// Every figure is the median of the rounds; the one-thread totals are also given by processor
// time, which leaves out the time other processes held the processor on a busy machine. MB/s
// count the picture's bytes, 3 per pixel (4 for layouts with alpha) whatever the layout's
// padding, so figures of different layouts compare; memcpy copies the layout's own frame and
// is given in the same units. The ratio is the picture's bytes over the compressed frame.
// Every frame is compressed at one, three and the many-thread count and must give the same
// bytes; every decoded frame must equal the picture bit for bit (converting stored types: equal
// across thread counts).

#include "codec/quorvane.h"

#include "bench_pictures.h"
#include "bench_timing.h"
#include "format_optimum.h"
#include "huffman_bound.h"

#ifdef QUORVANE_BENCH_HAVE_QOI
#define QOI_IMPLEMENTATION
#include <qoi.h>
#endif
#ifdef QUORVANE_BENCH_HAVE_LZ4
#include <lz4.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using bench::median_of;
using bench::Picture;
using bench::thread_cpu_time;

struct Layout {
    const char* name;
    uint32_t type;
    int bytes;      // per pixel
    int r, g, b, a; // byte positions; a = -1: no alpha
    int pad;        // position of the unused byte, -1: none
};

#define T(x) QUORVANE_FRAME_##x
const Layout kLayouts[] = {
    {"RGB", T(RGB), 3, 0, 1, 2, -1, -1},   {"BGR", T(BGR), 3, 2, 1, 0, -1, -1},
    {"BGRX", T(BGRX), 4, 2, 1, 0, -1, 3},  {"BGRA", T(BGRA), 4, 2, 1, 0, 3, -1},
    {"XRGB", T(XRGB), 4, 1, 2, 3, -1, 0},  {"ARGB", T(ARGB), 4, 1, 2, 3, 0, -1},
    {"RGBX", T(RGBX), 4, 0, 1, 2, -1, 3},  {"RGBA", T(RGBA), 4, 0, 1, 2, 3, -1},
    {"XBGR", T(XBGR), 4, 3, 2, 1, -1, 0},  {"ABGR", T(ABGR), 4, 3, 2, 1, 0, -1},
};

// The 8-bit subtype codes of the file type and the compressed type each stores.
const struct {
    const char* code;
    uint32_t type;
} kSubtypes[] = {{"Q8RG", T(COMP_RGB)},    {"Q8RA", T(COMP_RGBA)},   {"Q8Y4", T(COMP_YUV444)},
                 {"Q8Y2", T(COMP_YUV422)}, {"Q8Y0", T(COMP_YUV420)}, {"Q8G0", T(COMP_YUV400)},
                 {"Q8YA", T(COMP_YUV444A)}};
#undef T

uint32_t type_by_name(const std::string& name)
{
    for (const auto& s : kSubtypes)
        if (name == s.code) return s.type;
    for (int code = 1; code < 255; ++code)
        if (name == quorvane_get_string(QUORVANE_STRING_FRAME_TYPE, code)) return uint32_t(code);
    return 0;
}

const char* type_name(uint32_t type) { return quorvane_get_string(QUORVANE_STRING_FRAME_TYPE, int(type)); }

struct AlignedBuffer {
    explicit AlignedBuffer(size_t n = 0) { resize(n); }
    void resize(size_t n)
    {
        size = n;
        mem.reset(static_cast<uint8_t*>(std::aligned_alloc(64, (n + 63) / 64 * 64 + 64)));
        std::memset(mem.get(), 0, (n + 63) / 64 * 64 + 64);
    }
    uint8_t* data() const { return mem.get(); }
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, Free> mem;
    size_t size = 0;
};

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Median of `rounds` timings of fn (seconds); `cpu`, when given, receives the median of the
// calling thread's processor time over the same rounds.
double median_time(int rounds, const std::function<void()>& fn, double* cpu = nullptr)
{
    std::vector<double> t, c;
    for (int i = 0; i < rounds; ++i) {
        const double c0 = thread_cpu_time();
        const double t0 = now();
        fn();
        t.push_back(now() - t0);
        c.push_back(thread_cpu_time() - c0);
    }
    if (cpu) *cpu = median_of(c);
    return median_of(t);
}

std::string load_average()
{
    FILE* f = std::fopen("/proc/loadavg", "r");
    if (!f) return "?";
    char buf[64] = {};
    const char* ok = std::fgets(buf, sizeof buf, f);
    std::fclose(f);
    if (!ok) return "?";
    std::string s(buf);
    size_t cut = 0;
    for (int i = 0; i < 3 && cut != std::string::npos; ++i) cut = s.find(' ', cut + 1);
    return s.substr(0, cut);
}

// A frame of the layout, laid out by the codec, holding the picture.
struct LayoutFrame {
    QuorvaneFrameType type{};
    QuorvaneFrameData planes{};
    AlignedBuffer storage;
};

bool make_frame(uint32_t handle, const Layout& l, int w, int h, LayoutFrame& f)
{
    f.type = QuorvaneFrameType{uint32_t(w), uint32_t(h), l.type, 0};
    QuorvaneFrameData probe{};
    if (quorvane_init_planes_common(handle, &f.type, &probe, nullptr) != 0) return false;
    f.storage.resize(probe.planes[0].size);
    return quorvane_init_planes_common(handle, &f.type, &f.planes, f.storage.data()) == 0;
}

void fill_frame(const Picture& pic, const Layout& l, LayoutFrame& f)
{
    const QuorvanePlane& p = f.planes.planes[0];
    for (int y = 0; y < pic.height; ++y) {
        const uint8_t* src = &pic.pixels[size_t(y) * pic.width * pic.channels];
        uint8_t* dst = static_cast<uint8_t*>(p.data) + size_t(y) * uint32_t(p.stride);
        for (int x = 0; x < pic.width; ++x, src += pic.channels, dst += l.bytes) {
            dst[l.r] = src[0];
            dst[l.g] = src[1];
            dst[l.b] = src[2];
            if (l.a >= 0) dst[l.a] = pic.channels == 4 ? src[3] : 255;
            if (l.pad >= 0) dst[l.pad] = 255;
        }
    }
}

// True when the layout frame holds the picture's channels (alpha only where the layout has it).
bool frame_equals_picture(const Picture& pic, const Layout& l, const uint8_t* base, int32_t stride)
{
    for (int y = 0; y < pic.height; ++y) {
        const uint8_t* src = &pic.pixels[size_t(y) * pic.width * pic.channels];
        const uint8_t* row = base + size_t(y) * uint32_t(stride);
        for (int x = 0; x < pic.width; ++x, src += pic.channels, row += l.bytes) {
            if (row[l.r] != src[0] || row[l.g] != src[1] || row[l.b] != src[2]) return false;
            if (l.a >= 0 && row[l.a] != (pic.channels == 4 ? src[3] : 255)) return false;
        }
    }
    return true;
}

struct RunResult {
    bool ok = false;
    std::string error;
    int threads = 0;
    std::vector<uint8_t> header, bytes;
    AlignedBuffer decoded;
    double encode = 0, decode = 0; // median seconds
    double encodeCpu = 0, decodeCpu = 0; // median processor seconds of the calling thread
};

// Compresses and decompresses one frame on one handle with `threads` threads; rounds = 0 runs
// each direction once, untimed.
RunResult run_codec(LayoutFrame& frame, uint32_t stored, int threads, int rounds)
{
    RunResult r;
    uint32_t h = 0;
    if (quorvane_open(&h) != 0) {
        r.error = "open failed";
        return r;
    }
    struct Closer {
        uint32_t h;
        ~Closer() { quorvane_close(h); }
    } closer{h};
    quorvane_set_param_value(h, QUORVANE_PARAM_NUM_THREADS, uint32_t(threads));
    uint32_t n = 0;
    quorvane_get_param(h, QUORVANE_PARAM_NUM_THREADS, &n, 4);
    r.threads = int(n);

    QuorvaneFrameType in = frame.type, out{0, 0, stored, 0};
    const uint8_t* fmt = nullptr;
    uint32_t fs = 0, maxSize = 0;
    int rc = quorvane_compress_begin(h, &in, &out, &fmt, &fs, &maxSize);
    if (rc != 0) {
        r.error = std::string("compress_begin: ") + quorvane_get_string(QUORVANE_STRING_RESULT, rc);
        return r;
    }
    r.header.assign(fmt, fmt + fs);
    AlignedBuffer comp(maxSize);
    uint32_t size = 0;
    rc = quorvane_compress(h, &frame.planes, comp.data(), &size);
    if (rc == 0 && rounds > 0)
        r.encode = median_time(
            rounds, [&] { rc |= quorvane_compress(h, &frame.planes, comp.data(), &size); }, &r.encodeCpu);
    quorvane_compress_end(h);
    if (rc != 0) {
        r.error = std::string("compress: ") + quorvane_get_string(QUORVANE_STRING_RESULT, rc);
        return r;
    }
    r.bytes.assign(comp.data(), comp.data() + size);

    QuorvaneFrameType dout = frame.type;
    rc = quorvane_decompress_begin(h, r.header.data(), fs, &dout, nullptr);
    if (rc != 0) {
        r.error = std::string("decompress_begin: ") + quorvane_get_string(QUORVANE_STRING_RESULT, rc);
        return r;
    }
    QuorvaneFrameData dst{};
    r.decoded.resize(frame.storage.size);
    quorvane_init_planes_common(h, &frame.type, &dst, r.decoded.data());
    rc = quorvane_decompress(h, r.bytes.data(), size, &dst);
    if (rc == 0 && rounds > 0)
        r.decode = median_time(
            rounds, [&] { rc |= quorvane_decompress(h, r.bytes.data(), size, &dst); }, &r.decodeCpu);
    quorvane_decompress_end(h);
    if (rc != 0) {
        r.error = std::string("decompress: ") + quorvane_get_string(QUORVANE_STRING_RESULT, rc);
        return r;
    }
    r.ok = true;
    return r;
}

struct Options {
    std::vector<const Layout*> layouts;
    uint32_t stored = QUORVANE_FRAME_ANY;
    int threads = 0, rounds = 11, generate = 0;
    bool peers = true;
    std::vector<std::string> inputs;
};

std::vector<std::string> list_dir(const std::string& dir)
{
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && (n.ends_with(".ppm") || n.ends_with(".pam"))) files.push_back(dir + "/" + n);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool parse(int argc, char** argv, Options& o)
{
    std::string layouts = "RGB,BGRA,BGRX";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--layouts") layouts = value();
        else if (a == "--stored") {
            const std::string v = value();
            o.stored = v == "ANY" ? uint32_t(QUORVANE_FRAME_ANY) : type_by_name(v);
            if (o.stored < 101 || (o.stored > 123 && o.stored != QUORVANE_FRAME_ANY)) {
                std::fprintf(stderr, "unknown stored type %s\n", v.c_str());
                return false;
            }
        } else if (a == "--threads") o.threads = std::atoi(value().c_str());
        else if (a == "--rounds") o.rounds = std::max(1, std::atoi(value().c_str()));
        else if (a == "--generate") o.generate = std::max(1, std::atoi(value().c_str()));
        else if (a == "--no-peers") o.peers = false;
        else if (a.starts_with("--")) {
            std::fprintf(stderr, "unknown option %s (see the comment at the top of codec_bench.cpp)\n", a.c_str());
            return false;
        } else o.inputs.push_back(a);
    }
    size_t start = 0;
    while (start <= layouts.size()) {
        const size_t comma = std::min(layouts.find(',', start), layouts.size());
        const std::string name = layouts.substr(start, comma - start);
        const Layout* found = nullptr;
        for (const Layout& l : kLayouts)
            if (name == l.name) found = &l;
        if (!found) {
            std::fprintf(stderr, "unknown layout %s\n", name.c_str());
            return false;
        }
        o.layouts.push_back(found);
        start = comma + 1;
    }
    return true;
}

double mbps(double bytes, double seconds) { return seconds > 0 ? bytes / seconds / 1e6 : 0; }

// The sizes a picture is measured against, without and with its alpha plane.
struct PictureBounds {
    uint64_t design[2], optimum[2];
};

struct Totals {
    double raw = 0, comp = 0, bound = 0, optimum = 0;
    double enc1 = 0, dec1 = 0, encN = 0, decN = 0, copy = 0;
    double enc1Cpu = 0, dec1Cpu = 0;
    bool allExact = true;
};

// One layout over every picture; prints its table. True when every frame came back bit-exact (or,
// stored converted, alike at every thread count) from the same bytes at every thread count.
bool bench_layout(const std::vector<Picture>& pictures, const std::vector<PictureBounds>& bounds, const Layout& l,
                  const Options& o)
{
    uint32_t probe = 0;
    quorvane_open(&probe);
    uint32_t stored = o.stored;
    if (stored == QUORVANE_FRAME_ANY) {
        uint32_t def = 0, in = l.type;
        quorvane_get_param(probe, QUORVANE_PARAM_DEFAULT_FORMAT, &in, 4);
        def = in;
        stored = def;
    }
    const bool alpha = l.a >= 0;
    const bool lossless = stored == QUORVANE_FRAME_COMP_RGB || stored == QUORVANE_FRAME_COMP_RGBA;
    const int pictureBytes = alpha ? 4 : 3;
    // The bound and the optimum count the planes the stored type keeps: an A plane of 255 when
    // the picture has no alpha.
    const bool storedAlpha = stored == QUORVANE_FRAME_COMP_RGBA;

    std::printf("\n%s -> %s: ", l.name, type_name(stored));
    Totals t;
    int manyThreads = 0;
    bool headerPrinted = false;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Picture& pic = pictures[i];
        LayoutFrame frame;
        if (!make_frame(probe, l, pic.width, pic.height, frame)) {
            std::printf("%s: no frame of this layout at %dx%d\n", pic.name.c_str(), pic.width, pic.height);
            continue;
        }
        fill_frame(pic, l, frame);

        RunResult one = run_codec(frame, stored, 1, o.rounds);
        RunResult many = run_codec(frame, stored, o.threads, o.rounds);
        RunResult three = run_codec(frame, stored, 3, 0);
        if (!headerPrinted) {
            manyThreads = many.threads;
            std::printf("1 and %d threads, median of %d rounds, MB/s of %d bytes per pixel\n", manyThreads, o.rounds,
                        pictureBytes);
            std::printf("%-18s %6s %6s %7s %6s %7s | %8s %8s | %8s %8s | %5s %5s | %8s %5s %5s | %s\n", "frame",
                        "ratio", "bound", "r/bound", "optim", "r/optim", "enc 1T", "dec 1T", "enc", "dec", "x enc", "x dec", "memcpy", "e/cpy",
                        "d/cpy", "check");
            headerPrinted = true;
        }
        if (!one.ok || !many.ok || !three.ok) {
            std::printf("%-18s FAILED: %s\n", pic.name.c_str(),
                        (!one.ok ? one.error : !many.ok ? many.error : three.error).c_str());
            t.allExact = false;
            continue;
        }
        const bool sameBytes = one.bytes == many.bytes && one.bytes == three.bytes;
        const QuorvanePlane& p = frame.planes.planes[0];
        const bool sameDecode = std::memcmp(one.decoded.data(), many.decoded.data(), frame.storage.size) == 0 &&
                                std::memcmp(one.decoded.data(), three.decoded.data(), frame.storage.size) == 0;
        const bool exact = lossless ? frame_equals_picture(pic, l, one.decoded.data(), p.stride) : true;
        const bool good = sameBytes && sameDecode && exact;
        t.allExact = t.allExact && good;

        AlignedBuffer copy(frame.storage.size);
        const double cpy = median_time(o.rounds, [&] {
            std::memcpy(copy.data(), frame.storage.data(), frame.storage.size);
            asm volatile("" ::"r"(copy.data()) : "memory");
        });

        const double raw = double(pic.width) * pic.height * pictureBytes;
        const double bound = double(bounds[i].design[storedAlpha]), optimum = double(bounds[i].optimum[storedAlpha]);
        const double ratio = raw / double(one.bytes.size());
        t.raw += raw;
        t.comp += double(one.bytes.size());
        t.bound += bound;
        t.optimum += optimum;
        t.enc1 += one.encode;
        t.dec1 += one.decode;
        t.enc1Cpu += one.encodeCpu;
        t.dec1Cpu += one.decodeCpu;
        t.encN += many.encode;
        t.decN += many.decode;
        t.copy += cpy;
        const std::string threadList = "1/3/" + std::to_string(many.threads) + " threads";
        const std::string check = !sameBytes    ? "BYTES DIFFER ACROSS THREAD COUNTS"
                                  : !sameDecode ? "DECODE DIFFERS ACROSS THREAD COUNTS"
                                  : !exact      ? "NOT LOSSLESS"
                                  : lossless    ? "bit-exact, same bytes at " + threadList
                                                : "converted; same bytes and decode at " + threadList;
        std::printf("%-18s %6.3f %6.3f %7.4f %6.3f %7.4f | %8.0f %8.0f | %8.0f %8.0f | %5.2f %5.2f | %8.0f %5.3f "
                    "%5.3f | %s\n",
                    pic.name.substr(0, 18).c_str(), ratio, raw / bound, bound / double(one.bytes.size()), raw / optimum,
                    optimum / double(one.bytes.size()),
                    mbps(raw, one.encode), mbps(raw, one.decode), mbps(raw, many.encode), mbps(raw, many.decode),
                    one.encode / many.encode, one.decode / many.decode, mbps(raw, cpy), cpy / one.encode,
                    cpy / one.decode,
                    check.c_str());
    }
    quorvane_close(probe);
    if (t.comp == 0) return t.allExact;
    std::printf("%-18s %6.3f %6.3f %7.4f %6.3f %7.4f | %8.0f %8.0f | %8.0f %8.0f | %5.2f %5.2f | %8.0f %5.3f %5.3f | "
                "%s\n",
                "total", t.raw / t.comp, t.raw / t.bound, t.bound / t.comp, t.raw / t.optimum, t.optimum / t.comp,
                mbps(t.raw, t.enc1), mbps(t.raw, t.dec1),
                mbps(t.raw, t.encN), mbps(t.raw, t.decN), t.enc1 / t.encN, t.dec1 / t.decN, mbps(t.raw, t.copy),
                t.copy / t.enc1, t.copy / t.dec1, t.allExact ? "all good" : "FAILURES ABOVE");
    // One thread works on the caller alone, so its processor time is the run without the time
    // other processes took the processor away.
    std::printf("%-18s %6s %6s %7s %6s %7s | %8.0f %8.0f | by the 1-thread runs' processor time (median)\n",
                "total (cpu)", "", "", "", "", "", mbps(t.raw, t.enc1Cpu), mbps(t.raw, t.dec1Cpu));
    return t.allExact;
}

void bench_peers(const std::vector<Picture>& pictures, int rounds)
{
#if defined(QUORVANE_BENCH_HAVE_QOI) || defined(QUORVANE_BENCH_HAVE_LZ4)
    std::printf("\nOther codecs on the same pictures (1 thread, median of %d rounds, MB/s of the picture's bytes)\n",
                rounds);
    std::printf("%-6s %-18s %6s | %8s %8s | %s\n", "codec", "frame", "ratio", "enc", "dec", "check");
#endif
#ifdef QUORVANE_BENCH_HAVE_QOI
    {
        double raw = 0, comp = 0, enc = 0, dec = 0;
        for (const Picture& pic : pictures) {
            const qoi_desc desc{unsigned(pic.width), unsigned(pic.height), (unsigned char)pic.channels, QOI_SRGB};
            int len = 0;
            void* coded = qoi_encode(pic.pixels.data(), &desc, &len);
            if (!coded) {
                std::printf("%-6s %-18s encoding failed\n", "QOI", pic.name.c_str());
                continue;
            }
            const double e = median_time(rounds, [&] {
                int l2 = 0;
                std::free(qoi_encode(pic.pixels.data(), &desc, &l2));
            });
            qoi_desc out{};
            void* back = qoi_decode(coded, len, &out, pic.channels);
            const bool exact = back && std::memcmp(back, pic.pixels.data(), pic.pixels.size()) == 0;
            std::free(back);
            const double d = median_time(rounds, [&] {
                qoi_desc o2{};
                std::free(qoi_decode(coded, len, &o2, pic.channels));
            });
            std::free(coded);
            const double r = double(pic.pixels.size());
            raw += r;
            comp += len;
            enc += e;
            dec += d;
            std::printf("%-6s %-18s %6.3f | %8.0f %8.0f | %s\n", "QOI", pic.name.substr(0, 18).c_str(), r / len,
                        mbps(r, e), mbps(r, d), exact ? "bit-exact" : "NOT LOSSLESS");
        }
        if (comp > 0)
            std::printf("%-6s %-18s %6.3f | %8.0f %8.0f |\n", "QOI", "total", raw / comp, mbps(raw, enc), mbps(raw, dec));
    }
#else
    std::printf("\nQOI: skipped (built without Debian's libqoi-dev)\n");
#endif
#ifdef QUORVANE_BENCH_HAVE_LZ4
    {
        double raw = 0, comp = 0, enc = 0, dec = 0;
        for (const Picture& pic : pictures) {
            const int n = int(pic.pixels.size());
            std::vector<char> coded(size_t(LZ4_compressBound(n)));
            std::vector<char> back(pic.pixels.size());
            const char* src = reinterpret_cast<const char*>(pic.pixels.data());
            int len = LZ4_compress_default(src, coded.data(), n, int(coded.size()));
            const double e = median_time(rounds, [&] { len = LZ4_compress_default(src, coded.data(), n, int(coded.size())); });
            int got = LZ4_decompress_safe(coded.data(), back.data(), len, n);
            const bool exact = got == n && std::memcmp(back.data(), src, size_t(n)) == 0;
            const double d = median_time(rounds, [&] { got = LZ4_decompress_safe(coded.data(), back.data(), len, n); });
            raw += n;
            comp += len;
            enc += e;
            dec += d;
            std::printf("%-6s %-18s %6.3f | %8.0f %8.0f | %s\n", "LZ4", pic.name.substr(0, 18).c_str(), double(n) / len,
                        mbps(n, e), mbps(n, d), exact ? "bit-exact" : "NOT LOSSLESS");
        }
        if (comp > 0)
            std::printf("%-6s %-18s %6.3f | %8.0f %8.0f |\n", "LZ4", "total", raw / comp, mbps(raw, enc), mbps(raw, dec));
    }
#else
    std::printf("LZ4: skipped (built without Debian's liblz4-dev)\n");
#endif
    (void)pictures;
    (void)rounds;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) return 2;

    std::vector<Picture> pictures;
    std::vector<std::string> files;
    for (const std::string& in : o.inputs) {
        struct stat st{};
        if (stat(in.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            const std::vector<std::string> found = list_dir(in);
            if (found.empty()) std::fprintf(stderr, "%s: no .ppm or .pam files\n", in.c_str());
            files.insert(files.end(), found.begin(), found.end());
        } else {
            files.push_back(in);
        }
    }
    for (const std::string& f : files) {
        Picture p;
        std::string error;
        if (bench::read_pnm(f, p, error)) pictures.push_back(std::move(p));
        else std::fprintf(stderr, "%s: %s\n", f.c_str(), error.c_str());
    }
    if (!files.empty() && pictures.empty()) {
        std::fprintf(stderr, "no readable frames\n");
        return 1;
    }
    const bool generated = pictures.empty();
    if (generated)
        for (int i = 0; i < (o.generate ? o.generate : 4); ++i) pictures.push_back(bench::generate_picture(i));
    else
        for (int i = 0; i < o.generate; ++i) pictures.push_back(bench::generate_picture(i));

    if (generated)
        std::printf("Input: %zu generated 1920x1080 RGB pictures (no frame files given)\n", pictures.size());
    else
        std::printf("Input: %zu frame files%s\n", files.size(),
                    o.generate ? (" and " + std::to_string(o.generate) + " generated pictures").c_str() : "");
    std::printf("Load average at start: %s\n", load_average().c_str());

    std::vector<PictureBounds> bounds;
    for (const Picture& p : pictures)
        bounds.push_back({{bench::design_bound_bytes(p, false), bench::design_bound_bytes(p, true)},
                          {bench::format_optimum_bytes(p, false), bench::format_optimum_bytes(p, true)}});
    std::printf("Bound: planes G, B-G, R-G (and A where stored) mod 256, median prediction over the whole frame, one optimal\n"
                "Huffman code per plane per frame; 'r/bound' is the bound's size over ours (1 = at the bound)\n");
    std::printf("Optimum: the same planes, median prediction restarted every 28 rows, one code per plane giving\n"
                "each of the 256 values 1 to 12 bits; 'r/optim' is its size over ours (headers and tables\n"
                "not counted)\n");

    quorvane_library_init();
    bool failures = false;
    for (const Layout* l : o.layouts) failures = !bench_layout(pictures, bounds, *l, o) || failures;
    quorvane_library_close();

    if (o.peers) bench_peers(pictures, o.rounds);

    std::printf("\n%s\n", failures ? "FAILED: a frame above gave other bytes at another thread count or did not "
                                       "decode as it went in"
                                     : "Every frame above gave the same bytes at every thread count and decoded as "
                                       "it went in (bit-exact; stored converted, alike at every thread count)");
    std::printf("Load average at end: %s\n", load_average().c_str());
    return failures ? 1 : 0;
}
