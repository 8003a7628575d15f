#pragma once
// Pictures for the benchmarks: binary PPM (P6) and PAM (P7, RGB or RGB_ALPHA) files of 8-bit
// samples, and generated pictures for when no real frames are at hand.
//
// A generated picture is built to behave like a photograph under a lossless codec, not to look
// like one: a 1/f-like luminance field whose fine detail comes and goes across the frame (sky
// next to foliage), smoother chroma, hard-edged discs and rectangles, and sensor noise on every
// channel. The noise level and the share of textured area differ from picture to picture.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

struct Picture {
    std::string name;
    int width = 0, height = 0;
    int channels = 0; // 3: R, G, B; 4: R, G, B, A
    std::vector<uint8_t> pixels; // rows back to back, channels interleaved
};

namespace detail {

// Next header token of a PNM file; '#' starts a comment up to the end of the line.
inline bool pnm_token(FILE* f, std::string& tok)
{
    tok.clear();
    int c = std::fgetc(f);
    for (;;) {
        while (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = std::fgetc(f);
        if (c != '#') break;
        while (c != EOF && c != '\n') c = std::fgetc(f);
    }
    while (c != EOF && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
        tok.push_back(static_cast<char>(c));
        c = std::fgetc(f);
    }
    return !tok.empty();
}

inline bool to_int(const std::string& s, int& v)
{
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    v = std::stoi(s);
    return true;
}

} // namespace detail

// Reads a P6 or P7 file with 8-bit samples. On failure `error` says why.
inline bool read_pnm(const std::string& path, Picture& out, std::string& error)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open";
        return false;
    }
    struct Closer {
        FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{f};

    std::string tok;
    int w = 0, h = 0, maxval = 0, depth = 0;
    if (!detail::pnm_token(f, tok)) {
        error = "empty file";
        return false;
    }
    if (tok == "P6") {
        std::string a, b, c;
        if (!detail::pnm_token(f, a) || !detail::pnm_token(f, b) || !detail::pnm_token(f, c) ||
            !detail::to_int(a, w) || !detail::to_int(b, h) || !detail::to_int(c, maxval)) {
            error = "bad P6 header";
            return false;
        }
        depth = 3;
    } else if (tok == "P7") {
        std::string tupl;
        for (;;) {
            if (!detail::pnm_token(f, tok)) {
                error = "P7 header without ENDHDR";
                return false;
            }
            if (tok == "ENDHDR") break;
            std::string value;
            if (!detail::pnm_token(f, value)) {
                error = "bad P7 header";
                return false;
            }
            bool ok = true;
            if (tok == "WIDTH") ok = detail::to_int(value, w);
            else if (tok == "HEIGHT") ok = detail::to_int(value, h);
            else if (tok == "DEPTH") ok = detail::to_int(value, depth);
            else if (tok == "MAXVAL") ok = detail::to_int(value, maxval);
            else if (tok == "TUPLTYPE") tupl = value;
            if (!ok) {
                error = "bad P7 field " + tok;
                return false;
            }
        }
        if (!(depth == 3 && (tupl.empty() || tupl == "RGB")) && !(depth == 4 && (tupl.empty() || tupl == "RGB_ALPHA"))) {
            error = "P7 tuple type must be RGB (depth 3) or RGB_ALPHA (depth 4)";
            return false;
        }
    } else {
        error = "not a binary PPM (P6) or PAM (P7) file";
        return false;
    }
    if (maxval != 255) {
        error = "only 8-bit samples (maxval 255) are read";
        return false;
    }
    if (w < 1 || h < 1 || int64_t(w) * h > (int64_t(1) << 28)) {
        error = "unusable size";
        return false;
    }
    out.width = w;
    out.height = h;
    out.channels = depth;
    out.pixels.resize(size_t(w) * h * depth);
    if (std::fread(out.pixels.data(), 1, out.pixels.size(), f) != out.pixels.size()) {
        error = "file shorter than its header says";
        return false;
    }
    const size_t slash = path.find_last_of('/');
    out.name = slash == std::string::npos ? path : path.substr(slash + 1);
    return true;
}

namespace detail {

inline uint32_t hash32(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// Smooth value noise: random lattice values every `cell` pixels, blended with smoothstep weights.
class ValueNoise {
public:
    ValueNoise(int width, int height, int cell, uint32_t seed)
        : m_cell(cell), m_cols(width / cell + 2), m_rows(height / cell + 2)
    {
        m_lattice.resize(size_t(m_cols) * m_rows);
        for (size_t i = 0; i < m_lattice.size(); ++i)
            m_lattice[i] = float(hash32(uint32_t(i) * 2654435761u ^ seed) >> 8) / float(1 << 24) * 2.f - 1.f;
        m_weights.resize(size_t(cell));
        for (int i = 0; i < cell; ++i) {
            const float t = float(i) / float(cell);
            m_weights[size_t(i)] = t * t * (3.f - 2.f * t);
        }
    }
    // Adds amplitude x noise to one row of `out`.
    void add_row(int y, float amplitude, float* out, int width) const
    {
        const int gy = y / m_cell;
        const float wy = m_weights[size_t(y % m_cell)];
        const float* r0 = &m_lattice[size_t(gy) * m_cols];
        const float* r1 = r0 + m_cols;
        for (int x = 0; x < width; ++x) {
            const int gx = x / m_cell;
            const float wx = m_weights[size_t(x % m_cell)];
            const float top = r0[gx] + (r0[gx + 1] - r0[gx]) * wx;
            const float bottom = r1[gx] + (r1[gx + 1] - r1[gx]) * wx;
            out[x] += amplitude * (top + (bottom - top) * wy);
        }
    }

private:
    int m_cell, m_cols, m_rows;
    std::vector<float> m_lattice;
    std::vector<float> m_weights;
};

inline uint8_t clamp8(float v)
{
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.f, 255.f)));
}

} // namespace detail

// Generated picture number `index` (any index; 0..3 differ most). Deterministic.
inline Picture generate_picture(int index, int width = 1920, int height = 1080)
{
    using detail::ValueNoise;
    struct Style {
        float detail;   // amplitude of the fine luminance octaves where texture is on
        float coverage; // share of the frame with texture
        float noise;    // sensor noise, +- this many levels
    };
    const Style styles[] = {{34.f, 0.35f, 1.5f}, {48.f, 0.75f, 2.5f}, {26.f, 0.5f, 4.f}, {40.f, 0.6f, 2.f}};
    const Style st = styles[index & 3];
    const uint32_t seed = 0x9e3779b9u * uint32_t(index + 1);

    std::vector<ValueNoise> coarse, fine, chroma;
    for (int cell : {512, 256, 128, 64}) coarse.emplace_back(width, height, cell, seed + uint32_t(cell));
    for (int cell : {32, 16, 8, 4, 2}) fine.emplace_back(width, height, cell, seed * 3 + uint32_t(cell));
    for (int k = 0; k < 2; ++k)
        for (int cell : {256, 64, 16}) chroma.emplace_back(width, height, cell, seed * 7 + uint32_t(cell * 2 + k));
    const ValueNoise mask(width, height, 256, seed * 11);

    struct Shape {
        int x0, y0, x1, y1; // bounding box
        bool disc;
        float dl, dcb, dcr; // luminance and chroma offsets
    };
    std::vector<Shape> shapes;
    for (int i = 0; i < 14; ++i) {
        const uint32_t a = detail::hash32(seed + uint32_t(i) * 101), b = detail::hash32(a), c = detail::hash32(b);
        const int cx = int(a % uint32_t(width)), cy = int(b % uint32_t(height));
        const int rx = 30 + int(c % 220), ry = (i & 1) ? rx : 20 + int((c >> 12) % 160);
        shapes.push_back({cx - rx, cy - ry, cx + rx, cy + ry, (i & 1) != 0, float(int(a >> 24) - 128) * 0.5f,
                          float(int(b >> 24) - 128) * 0.25f, float(int(c >> 24) - 128) * 0.25f});
    }

    Picture pic;
    pic.name = "generated-" + std::to_string(index + 1);
    pic.width = width;
    pic.height = height;
    pic.channels = 3;
    pic.pixels.resize(size_t(width) * height * 3);
    const size_t n = size_t(width);
    std::vector<float> lum(n), tex(n), m(n), cb(n), cr(n);
    uint32_t rnd = seed;
    for (int y = 0; y < height; ++y) {
        std::fill(lum.begin(), lum.end(), 118.f + 30.f * float(y) / float(height));
        std::fill(tex.begin(), tex.end(), 0.f);
        std::fill(m.begin(), m.end(), 0.f);
        std::fill(cb.begin(), cb.end(), 0.f);
        std::fill(cr.begin(), cr.end(), 0.f);
        float amp = 70.f;
        for (const ValueNoise& n : coarse) {
            n.add_row(y, amp, lum.data(), width);
            amp *= 0.55f;
        }
        amp = st.detail;
        for (const ValueNoise& n : fine) {
            n.add_row(y, amp, tex.data(), width);
            amp *= 0.62f;
        }
        mask.add_row(y, 1.f, m.data(), width);
        for (int k = 0; k < 3; ++k) {
            chroma[size_t(k)].add_row(y, 28.f / float(k + 1), cb.data(), width);
            chroma[size_t(k + 3)].add_row(y, 28.f / float(k + 1), cr.data(), width);
        }
        for (const Shape& s : shapes) {
            if (y < s.y0 || y > s.y1) continue;
            const float fy = (float(y) - 0.5f * float(s.y0 + s.y1)) / (0.5f * float(s.y1 - s.y0));
            int xa = s.x0, xb = s.x1;
            if (s.disc) {
                const float half = 0.5f * float(s.x1 - s.x0) * std::sqrt(std::max(0.f, 1.f - fy * fy));
                xa = int(0.5f * float(s.x0 + s.x1) - half);
                xb = int(0.5f * float(s.x0 + s.x1) + half);
            }
            for (int x = std::max(xa, 0); x <= std::min(xb, width - 1); ++x) {
                lum[size_t(x)] += s.dl;
                cb[size_t(x)] += s.dcb;
                cr[size_t(x)] += s.dcr;
            }
        }
        uint8_t* row = &pic.pixels[size_t(y) * width * 3];
        const float threshold = 1.f - 2.f * st.coverage; // mask values lie in -1..1
        for (int x = 0; x < width; ++x) {
            const float on = std::clamp((m[size_t(x)] - threshold) * 4.f, 0.f, 1.f);
            const float l = lum[size_t(x)] + on * tex[size_t(x)];
            const float b = cb[size_t(x)], r = cr[size_t(x)];
            float rgb[3] = {l + 1.4f * r, l - 0.34f * b - 0.71f * r, l + 1.77f * b};
            for (float& v : rgb) {
                rnd = rnd * 1664525u + 1013904223u;
                // Triangular noise of +- st.noise levels from two uniform halves.
                const float u = float((rnd >> 8) & 0xFFF) + float(rnd >> 20);
                v += (u / 4095.f - 1.f) * st.noise;
            }
            row[3 * x] = detail::clamp8(rgb[0]);
            row[3 * x + 1] = detail::clamp8(rgb[1]);
            row[3 * x + 2] = detail::clamp8(rgb[2]);
        }
    }
    return pic;
}

} // namespace bench
