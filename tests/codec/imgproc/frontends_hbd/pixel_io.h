#pragma once
// Pixel-level helpers over the slice driver: split a frame given as row bytes, or join planes and
// read the row bytes back.

#include "slice_driver.h"

namespace hbdtest {

// A frame whose top-level plane q rows start with the given bytes (the rest of each row random).
inline void put_rows(CallerFrame& f, int q, const std::vector<std::vector<uint8_t>>& rows)
{
    for (size_t r = 0; r < rows.size(); ++r) std::memcpy(f.frame[q].row(int(r)), rows[r].data(), rows[r].size());
}

inline std::vector<uint8_t> get_row(const CallerFrame& f, int q, int r, size_t n)
{
    return {f.row(q, r), f.row(q, r) + n};
}

// Splits a one-plane frame of h rows of w pixels.
inline Canonical split_rows(const ImgProcFrontend& fe, int w, const std::vector<std::vector<uint8_t>>& rows)
{
    const int h = static_cast<int>(rows.size());
    CallerFrame f(fe, w, h);
    put_rows(f, 0, rows);
    return SliceDriver(fe, w, h).split(f, false);
}

inline std::vector<uint8_t> le16(std::initializer_list<uint32_t> words)
{
    std::vector<uint8_t> v;
    for (uint32_t x : words) v.push_back(uint8_t(x)), v.push_back(uint8_t(x >> 8));
    return v;
}
inline std::vector<uint8_t> le32(std::initializer_list<uint32_t> words)
{
    std::vector<uint8_t> v;
    for (uint32_t x : words)
        for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
    return v;
}
inline uint16_t le16_at(const std::vector<uint8_t>& v, size_t i) { return uint16_t(v[2 * i] | v[2 * i + 1] << 8); }
inline uint32_t le32_at(const std::vector<uint8_t>& v, size_t i)
{
    return uint32_t(v[4 * i]) | uint32_t(v[4 * i + 1]) << 8 | uint32_t(v[4 * i + 2]) << 16 | uint32_t(v[4 * i + 3]) << 24;
}

} // namespace hbdtest
