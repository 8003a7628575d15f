#pragma once
// Chroma resampling kernels: 1:2 horizontal upscale, 2:1 horizontal (filtered and point), 2:1
// vertical, combined 2:1 both ways, and in-place 1:2 vertical interpolation of odd rows.
//
// Every family comes as SIMD instances for aligned and unaligned memory ("aligned": pointer and
// stride both multiples of 16 bytes), a _decide front that picks the instance once per call, and
// a plain scalar twin that is the reference. All of them give identical bytes.
//
// Planes are a pointer to row 0 and a stride; row r starts at ptr + r * stride. Strides count
// bytes for 8-bit samples and samples for 16-bit ones. No kernel reads or writes past the last
// sample of a row, whatever the width.

#include <cstdint>

// ---- 1:2 horizontal upscale (8-bit) ---------------------------------------------------------
// Rows firstRow .. firstRow+rows-1 of src (w samples) become the same rows of dst (2w samples):
// d[2i] = s[i], d[2i+1] = clamp((-s[i-1] + 9 s[i] + 9 s[i+1] - s[i+2] + 8) >> 4), indices
// clamped to the row. h is the plane height (not needed).
template <bool SrcAligned, bool DstAligned>
void upscale2_horizontal_sse(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                             int firstRow, int rows);
void upscale2_horizontal_sse_decide(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                                    int firstRow, int rows);
void upscale2_horizontal_scalar(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                                int firstRow, int rows);

// ---- combined 2:1 downscale, both directions (8-bit) -----------------------------------------
// Writes dst rows k = firstRow/2 .. (firstRow+rows)/2 - 1 from src rows max(2k-1, 0), 2k, 2k+1:
// vertical (1,2,1)/4 rounded, then horizontal (1,2,1)/4 rounded again; ceil(w/2) outputs.
template <bool SrcAligned, bool DstAligned>
void downscale2_combined_sse(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                             int firstRow, int rows);
void downscale2_combined_sse_decide(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                                    int firstRow, int rows);
void downscale2_combined_scalar(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                                int firstRow, int rows);

// ---- 2:1 horizontal downscale (8-bit) --------------------------------------------------------
// Rows firstRow .. firstRow+rows-1, ceil(w/2) outputs each. Filtered:
// d[k] = (s[2k-1] + 2 s[2k] + s[2k+1] + 2) >> 2 with s[-1] = s[0] and s[w] = s[w-1]. Point: s[2k].
template <bool SrcAligned, bool DstAligned>
void downscale2_horizontal_sse(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                               int firstRow, int rows);
template <bool SrcAligned, bool DstAligned>
void downscale2_horizontal_nn_sse(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                                  int firstRow, int rows);
template <bool Filtered>
void downscale2_horizontal_sse_decide(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w,
                                      int h, int firstRow, int rows);
template <bool Filtered>
void downscale2_horizontal_scalar(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int h,
                                  int firstRow, int rows);

// ---- 2:1 vertical downscale (8-bit, and 10-bit in 16-bit words) ------------------------------
// Writes dst rows k = firstRow/2 .. (firstRow+rows)/2 - 1, w samples each, as
// (S[max(2k-1, 0)] + 2 S[2k] + S[2k+1] + 2) >> 2. 10-bit words are masked to 10 bits on load.
template <class T, int Bits, bool SrcAligned, bool DstAligned>
void downscale2_vertical_sse(const T* src, T* dst, int srcStride, int dstStride, int w, int h, int firstRow,
                             int rows);
template <class T, int Bits>
void downscale2_vertical_sse_decide(const T* src, T* dst, int srcStride, int dstStride, int w, int h,
                                    int firstRow, int rows);
template <class T, int Bits>
void downscale2_vertical_scalar(const T* src, T* dst, int srcStride, int dstStride, int w, int h, int firstRow,
                                int rows);

// ---- 1:2 vertical interpolation, in place (8-bit, and 10-bit in 16-bit words) ----------------
// Even row k of the half-height image is plane row 2k; pairs is their number. For k = k0 ..
// k0+count-1 (kept inside 0 .. pairs-1), odd row 2k+1 becomes
// clamp((8 - E(k-1) - E(k+2) + 9 (E(k) + E(k+1))) >> 4, 0, 2^Bits - 1) with E(j) the even row
// 2 * clamp(j, 0, pairs-1). Reads only even rows, writes only odd rows.
template <class T, int Bits, bool Aligned>
void interpolate2_vertical_sse(T* plane, int stride, int w, int pairs, int k0, int count);
template <class T, int Bits>
void interpolate2_vertical_sse_decide(T* plane, int stride, int w, int pairs, int k0, int count);
template <class T, int Bits>
void interpolate2_vertical_scalar(T* plane, int stride, int w, int pairs, int k0, int count);
