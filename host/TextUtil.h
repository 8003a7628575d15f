// printf-style formatting into strings, and text conversion between the host's UTF-16, UTF-8
// (std::string, file-system paths) and 32-bit wide strings.
//
// Conversions never report errors: input that is not valid in its encoding (an unpaired
// surrogate, a broken or overlong UTF-8 sequence, a code point above U+10FFFF) gives an empty
// result, never a half-converted one.
#pragma once

#include <cstddef>
#include <string>

#include "host/Logger.h" // QV_PRINTF_FORMAT

// The host's UTF-16 text. std::basic_string over unsigned short relies on the library's generic
// character traits; everything that names the type goes through this alias.
typedef std::basic_string<unsigned short> Utf16String;

static_assert(sizeof(wchar_t) == 4, "wide texts are UTF-32");

// Formats like printf into a string of exactly the needed length; a format error gives "".
std::string strprintf(const char* format, ...) QV_PRINTF_FORMAT(1, 2);

// A 0-terminated host UTF-16 path as a file-system path (UTF-8). A null pointer gives "". The
// bounded form reads at most maxUnits units and gives "" when no terminator lies within them.
std::string utf16_to_path(const unsigned short* text);
std::string utf16_to_path(const unsigned short* text, std::size_t maxUnits);

// File-system paths are UTF-8 already.
std::string path_to_utf8(const std::string& path);

std::string utf8_encode(const std::wstring& text);     // UTF-32 to UTF-8
std::wstring utf8_decode(const std::string& text);     // UTF-8 to UTF-32
Utf16String utf8_to_utf16(const std::string& text);    // UTF-8 to UTF-16, host byte order

// The worker behind the conversions: the source and target encodings follow from the character
// widths (1 byte UTF-8, 2 bytes UTF-16, 4 bytes UTF-32).
template <typename Target, typename Source>
Target convert_string(const Source& text);

// Copies a 0-terminated text into a field of capacity bytes: at most capacity - 1 characters, then
// the terminator. A null source copies "". Nothing is written when capacity is below 1.
void safeStrCpy(char* destination, int capacity, const char* source);

// Appends source to the 0-terminated text in a buffer of capacity characters; the result and its
// terminator never exceed capacity.
void safeWcscat(wchar_t* destination, int capacity, const wchar_t* source);

// Converts a 0-terminated wide text of n characters into UTF-16 in the caller's buffer, which
// holds n + 1 units: the first n units of the conversion, then a 0 at position n.
void copyConvertStringLiteralIntoUTF16(const wchar_t* source, unsigned short* destination);
