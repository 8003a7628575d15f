#pragma once
// Helpers shared by the high-bit-depth row kernels: byte-buffer loads and stores (frames
// arrive as bytes and are only guaranteed 2- or 4-byte aligned, so samples are never read
// through a wider pointer type), byte swaps, and pshufb mask tables built at compile time.

#include <tmmintrin.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace hbd {

inline uint16_t ld16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline uint32_t ld32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void st16(uint8_t* p, uint32_t v)
{
    const uint16_t w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, 2);
}
inline void st32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Sample i of a row of 16-bit words.
inline uint16_t ld16i(const uint8_t* row, int i) { return ld16(row + 2 * static_cast<intptr_t>(i)); }
inline void st16i(uint8_t* row, int i, uint32_t v) { st16(row + 2 * static_cast<intptr_t>(i), v); }

inline uint16_t bswap16(uint32_t v) { return __builtin_bswap16(static_cast<uint16_t>(v)); }

inline __m128i loadu(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i loadl(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
inline __m128i load32(const uint8_t* p) { return _mm_cvtsi32_si128(static_cast<int>(ld32(p))); }
inline void storeu(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline void storel(uint8_t* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); }
inline void store32(uint8_t* p, __m128i v) { st32(p, static_cast<uint32_t>(_mm_cvtsi128_si32(v))); }

// Swaps the two bytes of every 16-bit lane.
inline __m128i bswap_epi16(__m128i v) { return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8)); }

// A pshufb control vector held as bytes, so tables can be computed by constexpr code.
struct ShufMask {
    alignas(16) int8_t b[16];
    __m128i load() const { return _mm_load_si128(reinterpret_cast<const __m128i*>(b)); }
};

// Reverses the bytes of each 32-bit lane.
inline __m128i bswap_epi32(__m128i v)
{
    constexpr ShufMask m{{3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12}};
    return _mm_shuffle_epi8(v, m.load());
}

} // namespace hbd

namespace hbd {

// pshufb control that gathers 16-bit lanes: output lane i = source lane src[i], or 0 for -1.
constexpr ShufMask gather16(std::array<int, 8> src)
{
    ShufMask m{};
    for (int i = 0; i < 8; ++i) {
        m.b[2 * i] = static_cast<int8_t>(src[i] < 0 ? -128 : 2 * src[i]);
        m.b[2 * i + 1] = static_cast<int8_t>(src[i] < 0 ? -128 : 2 * src[i] + 1);
    }
    return m;
}

// pshufb control that zero-extends 16-bit lanes into 32-bit lanes: dword i = source lane src[i].
constexpr ShufMask widen16to32(std::array<int, 4> src)
{
    ShufMask m{};
    for (int i = 0; i < 4; ++i) {
        m.b[4 * i] = static_cast<int8_t>(src[i] < 0 ? -128 : 2 * src[i]);
        m.b[4 * i + 1] = static_cast<int8_t>(src[i] < 0 ? -128 : 2 * src[i] + 1);
        m.b[4 * i + 2] = m.b[4 * i + 3] = -128;
    }
    return m;
}

} // namespace hbd
