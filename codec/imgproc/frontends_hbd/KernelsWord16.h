#pragma once
// Row kernels over 16-bit words for the layouts that keep 10-bit samples in the top bits of a
// word (P210, P010, YUV444P_16): move them down by 6 bits when compressing and back up by 6 bits
// (low bits zero, no replication) when decompressing, interleave or split Cb/Cr pairs, and fill
// rows with a constant.

#include "codec/imgproc/frontends_hbd/HbdRowUtil.h"

namespace hbd {

inline constexpr int kTopBitsShift = 6; // a 10-bit value in bits 6-15

// dst[i] = src[i] >> 6 for n words.
void shr6_row(const uint8_t* src, int n, uint8_t* dst);
void shr6_row_scalar(const uint8_t* src, int n, uint8_t* dst);
// dst[i] = src[i] << 6 for n words; src == dst widens in place.
void shl6_row(const uint8_t* src, int n, uint8_t* dst);
void shl6_row_scalar(const uint8_t* src, int n, uint8_t* dst);
// Interleaved (Cb, Cr) word pairs <-> two planes, with the same shifts.
void cbcr_split(const uint8_t* src, int pairs, uint8_t* cb, uint8_t* cr);
void cbcr_split_scalar(const uint8_t* src, int pairs, uint8_t* cb, uint8_t* cr);
void cbcr_join(uint8_t* dst, int pairs, const uint8_t* cb, const uint8_t* cr);
void cbcr_join_scalar(uint8_t* dst, int pairs, const uint8_t* cb, const uint8_t* cr);
// p[i] = value for n words.
void fill16(uint8_t* p, int n, uint16_t value);

} // namespace hbd
