#pragma once
// Four-character codes: an unsigned 32-bit value holding the characters in file order, the first
// character in the low byte, compared as a whole value.

#include <cstdint>
#include <string>

namespace riff::fcc {

constexpr uint32_t make(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

inline constexpr uint32_t RIFF = make("RIFF");
inline constexpr uint32_t LIST = make("LIST");

// 0 prints the low byte first (file order); any other value prints the high byte first.
enum ByteOrder : unsigned { LowByteFirst = 0, HighByteFirst = 1 };

// Printable bytes (0x20..0x7E) as themselves, any other byte as "[%u]": at most 20 characters.
std::string to_string(unsigned int fcc, ByteOrder order);

} // namespace riff::fcc
