// Scalar smoothing: the generic rows (also the remainder of the SIMD rows) and the scalar twins
// of the SIMD kernels.

#include "codec/imgproc/kernels/Smooth.h"
#include "codec/imgproc/kernels/SmoothArith.h"

using namespace smooth;

SmoothState::~SmoothState() { std::free(scratchBlock); }

Params smooth::params(const SmoothState& st)
{
    return {std::clamp(st.thr1, -1, 255), st.shift1 & 31, std::clamp(st.thr2, -1, 255), st.shift2 & 31,
            std::clamp<int>(st.limit, 0, 255)};
}

template <class T, class Acc, int N>
void smooth_row_gen(SmoothState& st, const T* up, const T* mid, const T* down, T* dst, const T* other, int x0,
                    int x1)
{
    if (x0 >= x1) return;
    const Params p = params(st);
    for (int x = x0; x < x1; ++x) {
        const int s = smoothed(up, mid, down, x, x1);
        if constexpr (N == 3) {
            dst[x] = static_cast<T>(s + kept(mid[x] - s, p.thr1, p.shift1));
        } else {
            const Acc sum = static_cast<Acc>(s + kept(mid[x] - s, p.thr2, p.shift2) +
                                             kept(other[x] - mid[x], p.thr1, p.shift1));
            dst[x] = static_cast<T>(sum <= 0 ? 0 : std::min<int>(sum, p.limit));
        }
    }
}

template void smooth_row_gen<unsigned char, short, 3>(SmoothState&, const unsigned char*, const unsigned char*,
                                                      const unsigned char*, unsigned char*, const unsigned char*,
                                                      int, int);
template void smooth_row_gen<unsigned char, short, 5>(SmoothState&, const unsigned char*, const unsigned char*,
                                                      const unsigned char*, unsigned char*, const unsigned char*,
                                                      int, int);

template <int Mode>
void smooth_row_scalar(SmoothState& st, const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* dst,
                       const uint8_t* other, int w)
{
    if constexpr (Mode == 0) {
        for (int x = 0; x < w; ++x) dst[x] = static_cast<uint8_t>(smoothed(up, mid, down, x, w));
    } else {
        smooth_row_gen<unsigned char, short, 5>(st, up, mid, down, dst, other, 0, w);
    }
}

template void smooth_row_scalar<0>(SmoothState&, const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*,
                                   const uint8_t*, int);
template void smooth_row_scalar<5>(SmoothState&, const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*,
                                   const uint8_t*, int);

void smooth_combined3_scalar(SmoothState& st, const uint8_t* src, uint8_t* dst, int srcStride, int dstStride,
                             int w, int h, int firstRow, int rows)
{
    drive_combined3(src, dst, srcStride, dstStride, h, firstRow, rows,
                    [&](const uint8_t* u, const uint8_t* m, const uint8_t* d, uint8_t* out) {
                        smooth_row_gen<unsigned char, short, 3>(st, u, m, d, out, nullptr, 0, w);
                    });
}

void smooth_combined5_scalar(SmoothState& st, const uint8_t* src, uint8_t* dst, int srcStride, int dstStride,
                             int w, int h, int firstRow, int rows)
{
    drive_combined5(
        st, src, dst, srcStride, dstStride, w, h, firstRow, rows,
        [&](const uint8_t* u, const uint8_t* m, const uint8_t* d, uint8_t* out) {
            smooth_row_scalar<0>(st, u, m, d, out, nullptr, w);
        },
        [&](const uint8_t* u, const uint8_t* m, const uint8_t* d, uint8_t* out, const uint8_t* o) {
            smooth_row_scalar<5>(st, u, m, d, out, o, w);
        });
}
