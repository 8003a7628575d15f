#pragma once
// The four RGB <-> Y'CbCr matrices of the 8-bit paths, in 13-bit fixed point (8192 = 1.0).
//
// These integers are the matrices: they are not derived from the published BT.601/BT.709 weights
// at build time, and several differ by one from a plain rescaling. Streams already written depend
// on every one of them, so do not "correct" them.
//
// Order of operations, shared by every scalar and SIMD path:
//   forward: ((kR*R + kG*G + kB*B + 4096) >> 13) + offset   (offset after the shift, floor shift)
//   inverse: y = Y - offset, u = U - 128, v = V - 128 first, then (k*y + ... + 4096) >> 13, clamp
// The forward results always lie in 0..255 for 8-bit input, so the forward needs no clamp; the
// inverse clamp does bind (the pre-clamp range is -289..547).

#include <cstdint>

struct Rec601_Limited {
    static constexpr int yOffset = 16;
    static constexpr int kYR = 2104, kYG = 4130, kYB = 802;
    static constexpr int kUR = -1213, kUG = -2383, kUB = 3598;
    static constexpr int kVR = 3598, kVG = -3012, kVB = -584;
    static constexpr int kY = 9539, kRV = 13075, kGU = -3208, kGV = -6659, kBU = 16525;
};

struct Rec601_Full {
    static constexpr int yOffset = 0;
    static constexpr int kYR = 2449, kYG = 4809, kYB = 934;
    static constexpr int kUR = -1376, kUG = -2702, kUB = 4080;
    static constexpr int kVR = 4080, kVG = -3415, kVB = -662;
    static constexpr int kY = 8192, kRV = 11530, kGU = -2829, kGV = -5872, kBU = 14573;
};

struct Rec709_Limited {
    static constexpr int yOffset = 16;
    static constexpr int kYR = 1496, kYG = 5032, kYB = 508;
    static constexpr int kUR = -823, kUG = -2773, kUB = 3598;
    static constexpr int kVR = 3598, kVG = -3267, kVB = -329;
    static constexpr int kY = 9539, kRV = 14686, kGU = -1746, kGV = -4365, kBU = 17305;
};

struct Rec709_Full {
    static constexpr int yOffset = 0;
    static constexpr int kYR = 1742, kYG = 5859, kYB = 591;
    static constexpr int kUR = -934, kUG = -3144, kUB = 4080;
    static constexpr int kVR = 4080, kVG = -3705, kVB = -373;
    static constexpr int kY = 8192, kRV = 12952, kGU = -1540, kGV = -3849, kBU = 15261;
};

namespace colormatrix {

constexpr int kRound = 4096; // half of 8192, added before every shift
constexpr int kShift = 13;
constexpr int kChromaOffset = 128;

inline uint8_t clamp_u8(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Forward rows. The shift of a negative sum floors (arithmetic shift), which is what the SIMD
// lanes do; a division would truncate and give, for example, U 91 instead of 90 for pure red.
// The values never leave 0..255, so keeping the low 8 bits equals the kernels' saturation.
template <class M>
inline uint8_t rgb_to_y(int r, int g, int b)
{
    return static_cast<uint8_t>(((M::kYR * r + M::kYG * g + M::kYB * b + kRound) >> kShift) + M::yOffset);
}

template <class M>
inline uint8_t rgb_to_u(int r, int g, int b)
{
    return static_cast<uint8_t>(((M::kUR * r + M::kUG * g + M::kUB * b + kRound) >> kShift) + kChromaOffset);
}

template <class M>
inline uint8_t rgb_to_v(int r, int g, int b)
{
    return static_cast<uint8_t>(((M::kVR * r + M::kVG * g + M::kVB * b + kRound) >> kShift) + kChromaOffset);
}

// Inverse: out[0..2] = R, G, B.
template <class M>
inline void yuv_to_rgb(int Y, int U, int V, uint8_t* out)
{
    const int y = Y - M::yOffset;
    const int u = U - kChromaOffset;
    const int v = V - kChromaOffset;
    out[0] = clamp_u8((M::kY * y + M::kRV * v + kRound) >> kShift);
    out[1] = clamp_u8((M::kY * y + M::kGU * u + M::kGV * v + kRound) >> kShift);
    out[2] = clamp_u8((M::kY * y + M::kBU * u + kRound) >> kShift);
}

// The grey of a luma-only join: the inverse above with neutral chroma (u = v = 0).
template <class M>
inline uint8_t y_to_grey(int Y)
{
    return clamp_u8((M::kY * (Y - M::yOffset) + kRound) >> kShift);
}

} // namespace colormatrix
