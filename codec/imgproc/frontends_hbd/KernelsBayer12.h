#pragma once
// Packed 12-bit Bayer rows: eight pixels in three little-endian words, read as one 96-bit stream
// from w0 bit 31 down and cut into fields f0..f7. In each field pair (f2i, f2i+1) the first is the
// right-hand pixel 2i+1 and the second the left-hand pixel 2i; E = f0, f2, f4, f6 and
// O = f1, f3, f5, f7. A pattern routes E and O of the two rows of a cell row to the planes:
// plane 0 both greens (full height), plane 1 blue and plane 2 red (half height).
//
// A row whose width is not a multiple of 8 ends in a partial group of m = 2, 4 or 6 pixels whose
// fields fill only the first 1, 2 or 3 words (the high bits come first). Those words are read
// and written whole, with the fields past the row's end written as 0; nothing after them is
// touched. The minimum row pitch, ceil(12 w / 8) rounded up to 4, always covers them.

#include "codec/imgproc/frontends_hbd/HbdRowUtil.h"

namespace hbd {

inline void unpack_bayer12(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t f[8])
{
    f[0] = w0 >> 20;
    f[1] = (w0 >> 8) & 0xFFF;
    f[2] = ((w0 & 0xFF) << 4) | (w1 >> 28);
    f[3] = (w1 >> 16) & 0xFFF;
    f[4] = (w1 >> 4) & 0xFFF;
    f[5] = ((w1 & 0xF) << 8) | (w2 >> 24);
    f[6] = (w2 >> 12) & 0xFFF;
    f[7] = w2 & 0xFFF;
}

// Samples are used as they are (0..4095 from the backend); shifts are taken within 32 bits.
inline void pack_bayer12(const uint32_t f[8], uint32_t& w0, uint32_t& w1, uint32_t& w2)
{
    w0 = f[0] << 20 | f[1] << 8 | f[2] >> 4;
    w1 = f[2] << 28 | f[3] << 16 | f[4] << 4 | f[5] >> 8;
    w2 = f[5] << 24 | f[6] << 12 | f[7];
}

// Where E and O of the top and bottom row of a cell row go. Each is one of the four plane rows
// of the cell row: plane 0 row y, plane 0 row y + 1, plane 1 row y/2, plane 2 row y/2.
struct BayerRoute {
    enum Target { G0, G1, B, R };
    Target topE, topO, bottomE, bottomO;
};

template <int Pattern>
inline constexpr BayerRoute kBayerRoute = Pattern == 111   ? BayerRoute{BayerRoute::B, BayerRoute::G0, BayerRoute::G1, BayerRoute::R}
                                          : Pattern == 222 ? BayerRoute{BayerRoute::R, BayerRoute::G0, BayerRoute::G1, BayerRoute::B}
                                                           : BayerRoute{BayerRoute::G0, BayerRoute::B, BayerRoute::R, BayerRoute::G1};

// The four plane rows of one cell row, indexed by BayerRoute::Target.
template <class Ptr>
struct BayerPlaneRows {
    Ptr rows[4];
};

// One packed row -> its E and O samples.
void splitBayer12_row(const uint8_t* src, int width, uint8_t* e, uint8_t* o);
// E and O samples -> one packed row.
void joinBayer12_row(uint8_t* dst, int width, const uint8_t* e, const uint8_t* o);

// A cell row: packed rows y and y + 1 <-> the four plane rows.
template <int Pattern>
inline void splitBayer12_cellrow(const uint8_t* top, const uint8_t* bottom, int width,
                                 const BayerPlaneRows<uint8_t*>& planes)
{
    constexpr BayerRoute r = kBayerRoute<Pattern>;
    splitBayer12_row(top, width, planes.rows[r.topE], planes.rows[r.topO]);
    splitBayer12_row(bottom, width, planes.rows[r.bottomE], planes.rows[r.bottomO]);
}

template <int Pattern>
inline void joinBayer12_cellrow(uint8_t* top, uint8_t* bottom, int width, const BayerPlaneRows<const uint8_t*>& planes)
{
    constexpr BayerRoute r = kBayerRoute<Pattern>;
    joinBayer12_row(top, width, planes.rows[r.topE], planes.rows[r.topO]);
    joinBayer12_row(bottom, width, planes.rows[r.bottomE], planes.rows[r.bottomO]);
}

} // namespace hbd
