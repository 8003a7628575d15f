#pragma once
// Little-endian fields of the format header and the frame layout, at any alignment.

#include <cstdint>
#include <cstring>

inline uint32_t load_le32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4); // x86-64 is little-endian
    return v;
}

inline void store_le32(uint8_t* p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}
