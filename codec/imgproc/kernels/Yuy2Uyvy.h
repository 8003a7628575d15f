#pragma once
// Packed 4:2:2 rows (YUY2: Y0 U Y1 V, UYVY: U Y0 V Y1) to a full-width Y plane and half-width U
// and V planes, and back. Both directions are lossless; the luma-only forms keep Y alone on the
// way in and write neutral chroma (128) on the way out.
//
// The kernels take count in packed bytes and convert count / 64 whole groups of 64 bytes
// (32 pixels: 32 Y, 16 U and 16 V samples); a count below 16 does nothing, and nothing of a
// partial group is read or written. Every pointer used must be 16-byte aligned. The join stores
// with non-temporal stores and no fence (the caller fences after its last join). With lumaOnly
// the u and v pointers are never used.

#include <cstdint>

template <bool uyvy, bool lumaOnly>
void split_yuy2_uyvy_sse(const uint8_t* src, int count, uint8_t* y, uint8_t* u, uint8_t* v);

template <bool uyvy, bool lumaOnly>
void join_yuy2_uyvy_sse(uint8_t* dst, int count, const uint8_t* y, const uint8_t* u, const uint8_t* v);

// Scalar form, also the frontends' heads and tails: blocks whole 4-byte blocks (2 pixels each),
// block i at src + 4i, Y samples 2i and 2i + 1, chroma sample i.
template <bool uyvy, bool lumaOnly>
inline void split_yuy2_uyvy_scalar(const uint8_t* src, int blocks, uint8_t* y, uint8_t* u, uint8_t* v)
{
    constexpr int kY = uyvy ? 1 : 0; // first luma byte of a block; the second is 2 further on
    constexpr int kU = uyvy ? 0 : 1;
    for (int i = 0; i < blocks; ++i, src += 4) {
        y[2 * i] = src[kY];
        y[2 * i + 1] = src[kY + 2];
        if constexpr (!lumaOnly) {
            u[i] = src[kU];
            v[i] = src[kU + 2];
        }
    }
}

template <bool uyvy, bool lumaOnly>
inline void join_yuy2_uyvy_scalar(uint8_t* dst, int blocks, const uint8_t* y, const uint8_t* u, const uint8_t* v)
{
    constexpr int kY = uyvy ? 1 : 0;
    constexpr int kU = uyvy ? 0 : 1;
    for (int i = 0; i < blocks; ++i, dst += 4) {
        dst[kY] = y[2 * i];
        dst[kY + 2] = y[2 * i + 1];
        if constexpr (lumaOnly) {
            dst[kU] = 128;
            dst[kU + 2] = 128;
        } else {
            dst[kU] = u[i];
            dst[kU + 2] = v[i];
        }
    }
}
