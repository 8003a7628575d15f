#pragma once
// Detail-preserving smoothing of one 8-bit plane: a (1,2,1) x (1,2,1) smoothing corrected by the
// thresholded, quantised difference to the unsmoothed samples (one level), or the same built on
// two successive smoothings (two levels). The library offers these kernels; nothing in the codec
// calls them yet.
//
// Notation per row: V[x] = (U[x] + 2 M[x] + D[x] + 2) >> 2 over the rows above, at and below;
// S[x] = (V[x-1] + 2 V[x] + V[x+1] + 2) >> 2 with the columns clamped to the row; and
// Q(a, t, s) = a > t ? (a >> s) << s : 0, applied to |d| and given the sign of d.

#include <cstdint>

struct SmoothState {
    int32_t thr1 = 0;     // first threshold
    int32_t shift1 = 0;   // first shift (low 5 bits used)
    int32_t thr2 = 0;     // second threshold
    int32_t shift2 = 0;   // second shift (low 5 bits used)
    int16_t limit = 255;  // upper limit of the two-level result
    uint8_t* scratchBlock = nullptr; // as allocated; grown by smooth_combined5_sse, freed here
    uint8_t* scratchRows = nullptr;  // scratchBlock rounded up to 16
    uint64_t scratchSize = 0;        // usable bytes at scratchRows

    SmoothState() = default;
    ~SmoothState();
    SmoothState(const SmoothState&) = delete;
    SmoothState& operator=(const SmoothState&) = delete;
};

namespace smooth {
// Parameters as the kernels use them. Differences are at most 255 in magnitude, so thresholds
// beyond -1 .. 255 change nothing, and a limit beyond 0 .. 255 could not be stored in a byte:
// both are clamped here, for the scalar and the vector code alike.
struct Params {
    int thr1, shift1, thr2, shift2, limit;
};
Params params(const SmoothState& st);
} // namespace smooth

// Scalar rows over columns x0 .. x1-1; the left neighbour of x0 is column x0-1 (0 at the left
// edge), the right neighbour is clamped to x1-1.
// N = 3: dst = S + sgn(M - S) Q(|M - S|, thr1, shift1); `other` is not read.
// N = 5: dst = clamp(S + sgn(M - S) Q(|M - S|, thr2, shift2) + sgn(O - M) Q(|O - M|, thr1, shift1),
//        0, limit) with O = other.
template <class T, class Acc, int N>
void smooth_row_gen(SmoothState& st, const T* up, const T* mid, const T* down, T* dst, const T* other, int x0,
                    int x1);

// One row of w samples. Mode 0: dst = S (st and other unused). Mode 5: the two-level row above.
template <int Mode>
void smooth_row_sse(SmoothState& st, const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* dst,
                    const uint8_t* other, int w);
template <int Mode>
void smooth_row_scalar(SmoothState& st, const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* dst,
                       const uint8_t* other, int w);

// One-level smoothing of rows firstRow .. firstRow+rows-1 (rows above and below clamped to the
// plane's h rows).
void smooth_combined3_sse(SmoothState& st, const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w,
                          int h, int firstRow, int rows);
void smooth_combined3_scalar(SmoothState& st, const uint8_t* src, uint8_t* dst, int srcStride, int dstStride,
                             int w, int h, int firstRow, int rows);

// Two-level smoothing of the same rows: the once-smoothed rows SR(m), m = firstRow-1 ..
// firstRow+rows, go through three rotating scratch rows in the state; destination row y is the
// mode-5 row over SR(y-1), SR(y), SR(y+1) with the source row as `other`. The scratch rows are
// sized from w, never from a stride (which may be negative). Calls sharing a state must not
// overlap in time.
void smooth_combined5_sse(SmoothState& st, const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w,
                          int h, int firstRow, int rows);
void smooth_combined5_scalar(SmoothState& st, const uint8_t* src, uint8_t* dst, int srcStride, int dstStride,
                             int w, int h, int firstRow, int rows);
