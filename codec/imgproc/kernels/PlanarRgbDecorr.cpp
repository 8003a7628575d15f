#include "codec/imgproc/kernels/PlanarRgbDecorr.h"

#include <emmintrin.h>

void decorr_rgb_planar_scalar(uint8_t* p0, uint8_t* p1, uint8_t* p2, int count)
{
    for (int i = 0; i < count; ++i) {
        p0[i] = static_cast<uint8_t>(p0[i] - p1[i]);
        p2[i] = static_cast<uint8_t>(p2[i] - p1[i]);
    }
}

void decorr_rgb_planar_sse(uint8_t* p0, uint8_t* p1, uint8_t* p2, int count)
{
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p1 + i));
        auto* b = reinterpret_cast<__m128i*>(p0 + i);
        auto* r = reinterpret_cast<__m128i*>(p2 + i);
        _mm_storeu_si128(b, _mm_sub_epi8(_mm_loadu_si128(b), g));
        _mm_storeu_si128(r, _mm_sub_epi8(_mm_loadu_si128(r), g));
    }
    if (i < count) decorr_rgb_planar_scalar(p0 + i, p1 + i, p2 + i, count - i);
}
