#pragma once
// Families of compressed types and categories: which colour-space and range rules apply.

#include "codec/quorvane.h"

// Always BT.709 and full range.
constexpr bool is_rgb_family(int c)
{
    return c == 101 || c == 102 || (c >= 109 && c <= 114) || c == 116 || c == 117 || c == 120 || c == 121;
}

// Colour space and range each 1 or 2.
constexpr bool is_yuv_family(int c)
{
    return (c >= 103 && c <= 108) || c == 115 || c == 118 || c == 119 || c == 123;
}

// Compressed types whose header keeps the colour space and the full-range flag of the settings.
constexpr bool keeps_color_space(int c) { return is_yuv_family(c); }

// A colour-space byte of 0, 1 or 2 stands for BT.709 in an RGB-family stream.
constexpr int stream_color_space(int compressedType, int colorSpaceByte)
{
    return (is_rgb_family(compressedType) && colorSpaceByte <= 2) ? 2 : colorSpaceByte;
}

constexpr bool is_compressed_code(int t) { return t >= 101 && t <= 123; }
