// Scalar twins of the resampling kernels: the reference every SIMD instance must match.

#include "codec/imgproc/kernels/Resample.h"
#include "codec/imgproc/kernels/ResampleArith.h"

using namespace resample;

void upscale2_horizontal_scalar(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int,
                                int firstRow, int rows)
{
    if (rows < 1 || w < 1) return;
    for (int r = firstRow; r < firstRow + rows; ++r)
        upscale2_row(row_at(src, srcStride, r), row_at(dst, dstStride, r), w, 0);
}

void downscale2_combined_scalar(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int,
                                int firstRow, int rows)
{
    const int kb = firstRow / 2, ke = (firstRow + rows) / 2;
    if (w < 1) return;
    for (int k = kb; k < ke; ++k)
        downscale2_combined_row(row_at(src, srcStride, std::max(2 * k - 1, 0)), row_at(src, srcStride, 2 * k),
                                row_at(src, srcStride, 2 * k + 1), row_at(dst, dstStride, k), w, 0);
}

template <bool Filtered>
void downscale2_horizontal_scalar(const uint8_t* src, uint8_t* dst, int srcStride, int dstStride, int w, int,
                                  int firstRow, int rows)
{
    if (rows < 1 || w < 1) return;
    for (int r = firstRow; r < firstRow + rows; ++r) {
        if constexpr (Filtered) downscale2_h_row(row_at(src, srcStride, r), row_at(dst, dstStride, r), w, 0);
        else downscale2_h_nn_row(row_at(src, srcStride, r), row_at(dst, dstStride, r), w, 0);
    }
}

template <class T, int Bits>
void downscale2_vertical_scalar(const T* src, T* dst, int srcStride, int dstStride, int w, int, int firstRow,
                                int rows)
{
    const int kb = firstRow / 2, ke = (firstRow + rows) / 2;
    if (w < 1) return;
    for (int k = kb; k < ke; ++k)
        downscale2_v_row<T, Bits>(row_at(src, srcStride, std::max(2 * k - 1, 0)), row_at(src, srcStride, 2 * k),
                                  row_at(src, srcStride, 2 * k + 1), row_at(dst, dstStride, k), w, 0);
}

template <class T, int Bits>
void interpolate2_vertical_scalar(T* plane, int stride, int w, int pairs, int k0, int count)
{
    if (count < 1 || w < 1 || pairs < 1) return;
    auto even = [&](int j) { return row_at(plane, stride, 2 * std::clamp(j, 0, pairs - 1)); };
    const int kb = std::max(k0, 0), ke = std::min(k0 + count, pairs);
    for (int k = kb; k < ke; ++k)
        interpolate2_v_row<T, Bits>(even(k - 1), even(k), even(k + 1), even(k + 2), row_at(plane, stride, 2 * k + 1),
                                    w, 0);
}

template void downscale2_horizontal_scalar<true>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void downscale2_horizontal_scalar<false>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void downscale2_vertical_scalar<uint8_t, 8>(const uint8_t*, uint8_t*, int, int, int, int, int, int);
template void downscale2_vertical_scalar<uint16_t, 10>(const uint16_t*, uint16_t*, int, int, int, int, int, int);
template void interpolate2_vertical_scalar<uint8_t, 8>(uint8_t*, int, int, int, int, int);
template void interpolate2_vertical_scalar<uint16_t, 10>(uint16_t*, int, int, int, int, int);
