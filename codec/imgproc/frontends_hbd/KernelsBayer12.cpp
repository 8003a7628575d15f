#include "codec/imgproc/frontends_hbd/KernelsBayer12.h"

namespace hbd {

void splitBayer12_row(const uint8_t* src, int width, uint8_t* e, uint8_t* o)
{
    const int whole = width / 8;
    uint32_t f[8];
    for (int g = 0; g < whole; ++g) {
        const uint8_t* s = src + 12 * static_cast<intptr_t>(g);
        unpack_bayer12(ld32(s), ld32(s + 4), ld32(s + 8), f);
        for (int k = 0; k < 4; ++k) {
            st16i(e, 4 * g + k, f[2 * k]);
            st16i(o, 4 * g + k, f[2 * k + 1]);
        }
    }
    const int m = width - 8 * whole;
    if (m <= 0) return;
    // Words 0, 1, 2 hold fields up to f1, f4 and f7: m pixels need (12 m + 31) / 32 of them.
    const int words = (12 * m + 31) / 32;
    const uint8_t* s = src + 12 * static_cast<intptr_t>(whole);
    unpack_bayer12(ld32(s), words > 1 ? ld32(s + 4) : 0, words > 2 ? ld32(s + 8) : 0, f);
    for (int k = 0; k < m / 2; ++k) {
        st16i(e, 4 * whole + k, f[2 * k]);
        st16i(o, 4 * whole + k, f[2 * k + 1]);
    }
}

void joinBayer12_row(uint8_t* dst, int width, const uint8_t* e, const uint8_t* o)
{
    const int whole = width / 8;
    uint32_t f[8], w0, w1, w2;
    for (int g = 0; g < whole; ++g) {
        for (int k = 0; k < 4; ++k) {
            f[2 * k] = ld16i(e, 4 * g + k);
            f[2 * k + 1] = ld16i(o, 4 * g + k);
        }
        pack_bayer12(f, w0, w1, w2);
        uint8_t* d = dst + 12 * static_cast<intptr_t>(g);
        st32(d, w0), st32(d + 4, w1), st32(d + 8, w2);
    }
    const int m = width - 8 * whole;
    if (m <= 0) return;
    for (int k = 0; k < 4; ++k) {
        const bool inside = k < m / 2;
        f[2 * k] = inside ? ld16i(e, 4 * whole + k) : 0;
        f[2 * k + 1] = inside ? ld16i(o, 4 * whole + k) : 0;
    }
    pack_bayer12(f, w0, w1, w2);
    const int words = (12 * m + 31) / 32;
    uint8_t* d = dst + 12 * static_cast<intptr_t>(whole);
    st32(d, w0);
    if (words > 1) st32(d + 4, w1);
    if (words > 2) st32(d + 8, w2);
}

} // namespace hbd
