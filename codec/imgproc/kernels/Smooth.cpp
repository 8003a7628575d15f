// SIMD smoothing rows: 16 columns per step in two halves of eight 16-bit lanes. The left
// neighbour of a step's first column is carried from the step before (V[0] at the left edge), the
// right neighbour of its last column is V[min(x + 16, w - 1)]. Absolute values and signs come
// from arithmetic shifts by 15, XOR and subtraction; the threshold test is a signed 16-bit
// compare. Columns after the last whole step go through the scalar rows.

#include "codec/imgproc/kernels/Smooth.h"
#include "codec/imgproc/kernels/SmoothArith.h"

#include <emmintrin.h>

using namespace smooth;

namespace {

struct Smoothed {
    __m128i lo, hi; // S of columns x .. x+7 and x+8 .. x+15
};

inline __m128i ld(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Vertical filter of 16 columns as two 16-bit halves.
inline void vert16(const uint8_t* u, const uint8_t* m, const uint8_t* d, int x, __m128i& lo, __m128i& hi)
{
    const __m128i z = _mm_setzero_si128(), two = _mm_set1_epi16(2);
    const __m128i a = ld(u + x), b = ld(m + x), c = ld(d + x);
    lo = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(a, z), _mm_unpacklo_epi8(c, z)),
                                      _mm_add_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(b, z), 1), two)), 2);
    hi = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(a, z), _mm_unpackhi_epi8(c, z)),
                                      _mm_add_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(b, z), 1), two)), 2);
}

inline __m128i f121(__m128i l, __m128i c, __m128i r)
{
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(l, r), _mm_add_epi16(_mm_slli_epi16(c, 1), _mm_set1_epi16(2))), 2);
}

// S for the step at x; `carry` holds V[x-1] in lane 0 and is updated to V[x+15].
inline Smoothed smooth16(const uint8_t* u, const uint8_t* m, const uint8_t* d, int x, int w, __m128i& carry)
{
    __m128i vlo, vhi;
    vert16(u, m, d, x, vlo, vhi);
    const int xr = std::min(x + 16, w - 1);
    const __m128i next = _mm_slli_si128(_mm_cvtsi32_si128(vert(u, m, d, xr)), 14);
    const __m128i llo = _mm_or_si128(_mm_slli_si128(vlo, 2), carry);
    const __m128i rlo = _mm_or_si128(_mm_srli_si128(vlo, 2), _mm_slli_si128(vhi, 14));
    const __m128i lhi = _mm_or_si128(_mm_slli_si128(vhi, 2), _mm_srli_si128(vlo, 14));
    const __m128i rhi = _mm_or_si128(_mm_srli_si128(vhi, 2), next);
    carry = _mm_srli_si128(vhi, 14);
    return {f121(llo, vlo, rlo), f121(lhi, vhi, rhi)};
}

inline __m128i widen_lo(__m128i v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
inline __m128i widen_hi(__m128i v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }

struct KeptParams {
    __m128i thr, mask;
};

inline KeptParams kept_params(int thr, int shift)
{
    return {_mm_set1_epi16(static_cast<short>(thr)), _mm_sll_epi16(_mm_set1_epi16(-1), _mm_cvtsi32_si128(shift))};
}

// sgn(d) * Q(|d|) per lane.
inline __m128i kept16(__m128i d, const KeptParams& k)
{
    const __m128i sign = _mm_srai_epi16(d, 15);
    const __m128i a = _mm_sub_epi16(_mm_xor_si128(d, sign), sign);
    const __m128i q = _mm_and_si128(_mm_and_si128(a, k.mask), _mm_cmpgt_epi16(a, k.thr));
    return _mm_sub_epi16(_mm_xor_si128(q, sign), sign);
}

inline __m128i clamp0(__m128i v, __m128i hi) { return _mm_min_epi16(_mm_max_epi16(v, _mm_setzero_si128()), hi); }

inline void st16(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

inline __m128i first_carry(const uint8_t* u, const uint8_t* m, const uint8_t* d) { return _mm_cvtsi32_si128(vert(u, m, d, 0)); }

} // namespace

template <int Mode>
void smooth_row_sse(SmoothState& st, const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* dst,
                    const uint8_t* other, int w)
{
    if (w < 16) {
        smooth_row_scalar<Mode>(st, up, mid, down, dst, other, w);
        return;
    }
    const int vecEnd = w / 16 * 16;
    __m128i carry = first_carry(up, mid, down);
    if constexpr (Mode == 0) {
        for (int x = 0; x < vecEnd; x += 16) {
            const Smoothed s = smooth16(up, mid, down, x, w, carry);
            st16(dst + x, _mm_packus_epi16(s.lo, s.hi));
        }
        for (int x = vecEnd; x < w; ++x) dst[x] = static_cast<uint8_t>(smoothed(up, mid, down, x, w));
    } else {
        const Params p = params(st);
        const KeptParams k1 = kept_params(p.thr1, p.shift1), k2 = kept_params(p.thr2, p.shift2);
        const __m128i limit = _mm_set1_epi16(static_cast<short>(p.limit));
        for (int x = 0; x < vecEnd; x += 16) {
            const Smoothed s = smooth16(up, mid, down, x, w, carry);
            const __m128i m = ld(mid + x), o = ld(other + x);
            auto half = [&](__m128i sv, __m128i mv, __m128i ov) {
                const __m128i sum = _mm_add_epi16(_mm_add_epi16(sv, kept16(_mm_sub_epi16(mv, sv), k2)),
                                                  kept16(_mm_sub_epi16(ov, mv), k1));
                return clamp0(sum, limit);
            };
            st16(dst + x, _mm_packus_epi16(half(s.lo, widen_lo(m), widen_lo(o)), half(s.hi, widen_hi(m), widen_hi(o))));
        }
        smooth_row_gen<unsigned char, short, 5>(st, up, mid, down, dst, other, vecEnd, w);
    }
}

template void smooth_row_sse<0>(SmoothState&, const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*,
                                const uint8_t*, int);
template void smooth_row_sse<5>(SmoothState&, const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*,
                                const uint8_t*, int);

void smooth_combined3_sse(SmoothState& st, const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w,
                          int h, int firstRow, int rows)
{
    const Params p = params(st);
    const KeptParams k1 = kept_params(p.thr1, p.shift1);
    drive_combined3(src, dst, srcStride, dstStride, h, firstRow, rows,
                    [&](const uint8_t* u, const uint8_t* m, const uint8_t* d, uint8_t* out) {
                        if (w < 16) {
                            smooth_row_gen<unsigned char, short, 3>(st, u, m, d, out, nullptr, 0, w);
                            return;
                        }
                        const int vecEnd = w / 16 * 16;
                        __m128i carry = first_carry(u, m, d);
                        for (int x = 0; x < vecEnd; x += 16) {
                            const Smoothed s = smooth16(u, m, d, x, w, carry);
                            const __m128i mv = ld(m + x);
                            const __m128i lo = _mm_add_epi16(s.lo, kept16(_mm_sub_epi16(widen_lo(mv), s.lo), k1));
                            const __m128i hi = _mm_add_epi16(s.hi, kept16(_mm_sub_epi16(widen_hi(mv), s.hi), k1));
                            st16(out + x, _mm_packus_epi16(lo, hi));
                        }
                        smooth_row_gen<unsigned char, short, 3>(st, u, m, d, out, nullptr, vecEnd, w);
                    });
}

void smooth_combined5_sse(SmoothState& st, const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w,
                          int h, int firstRow, int rows)
{
    drive_combined5(
        st, src, dst, srcStride, dstStride, w, h, firstRow, rows,
        [&](const uint8_t* u, const uint8_t* m, const uint8_t* d, uint8_t* out) {
            smooth_row_sse<0>(st, u, m, d, out, nullptr, w);
        },
        [&](const uint8_t* u, const uint8_t* m, const uint8_t* d, uint8_t* out, const uint8_t* o) {
            smooth_row_sse<5>(st, u, m, d, out, o, w);
        });
}
