#include "host/TextUtil.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Each decoder reads one code point at p (p < end), advances p and returns false for input that
// is not valid in its encoding.
bool decodeOne(const char*& p, const char* end, char32_t& out)
{
    const unsigned char lead = static_cast<unsigned char>(*p);
    if (lead < 0x80) {
        out = lead;
        ++p;
        return true;
    }
    int extra;
    char32_t c;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (end - p <= extra)
        return false;
    for (int i = 1; i <= extra; ++i) {
        const unsigned char next = static_cast<unsigned char>(p[i]);
        if ((next & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > kMaxCodePoint || isSurrogate(c))
        return false;
    out = c;
    p += extra + 1;
    return true;
}

template <typename Unit16>
bool decodeOne(const Unit16*& p, const Unit16* end, char32_t& out)
    requires(sizeof(Unit16) == 2)
{
    const char32_t first = static_cast<char16_t>(*p);
    if (first < 0xD800 || first > 0xDFFF) {
        out = first;
        ++p;
        return true;
    }
    if (first > 0xDBFF || end - p < 2)
        return false;
    const char32_t second = static_cast<char16_t>(p[1]);
    if (second < 0xDC00 || second > 0xDFFF)
        return false;
    out = 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
    p += 2;
    return true;
}

template <typename Unit32>
bool decodeOne(const Unit32*& p, const Unit32*, char32_t& out)
    requires(sizeof(Unit32) == 4)
{
    const char32_t c = static_cast<char32_t>(*p);
    if (c > kMaxCodePoint || isSurrogate(c))
        return false;
    out = c;
    ++p;
    return true;
}

template <typename String>
void encodeOne(char32_t c, String& out)
{
    using Unit = typename String::value_type;
    if constexpr (sizeof(Unit) == 1) {
        if (c < 0x80) {
            out.push_back(Unit(c));
        } else if (c < 0x800) {
            out.push_back(Unit(0xC0 | (c >> 6)));
            out.push_back(Unit(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(Unit(0xE0 | (c >> 12)));
            out.push_back(Unit(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(Unit(0x80 | (c & 0x3F)));
        } else {
            out.push_back(Unit(0xF0 | (c >> 18)));
            out.push_back(Unit(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(Unit(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(Unit(0x80 | (c & 0x3F)));
        }
    } else if constexpr (sizeof(Unit) == 2) {
        if (c < 0x10000) {
            out.push_back(Unit(c));
        } else {
            c -= 0x10000;
            out.push_back(Unit(0xD800 + (c >> 10)));
            out.push_back(Unit(0xDC00 + (c & 0x3FF)));
        }
    } else {
        out.push_back(Unit(c));
    }
}

// Bytes of UTF-8 or units of UTF-16 per source character that always suffice.
template <typename Target, typename Source>
std::size_t capacityFor(const Source& text)
{
    constexpr std::size_t in = sizeof(typename Source::value_type);
    constexpr std::size_t out = sizeof(typename Target::value_type);
    if constexpr (in == 4)
        return text.size() * (out == 1 ? 4 : out == 2 ? 2 : 1);
    else if constexpr (in == 2)
        return text.size() * (out == 1 ? 3 : 1);
    else
        return text.size();
}

std::size_t boundedLength(const unsigned short* text, std::size_t maxUnits, bool& terminated)
{
    std::size_t n = 0;
    while (n < maxUnits && text[n] != 0)
        ++n;
    terminated = n < maxUnits;
    return n;
}

} // namespace

template <typename Target, typename Source>
Target convert_string(const Source& text)
{
    using SourceUnit = typename Source::value_type;
    Target out;
    out.reserve(capacityFor<Target>(text));
    const SourceUnit* p = text.data();
    const SourceUnit* const end = p + text.size();
    while (p < end) {
        char32_t c;
        if (!decodeOne(p, end, c))
            return Target();
        encodeOne(c, out);
    }
    return out;
}

template std::string convert_string<std::string, std::wstring>(const std::wstring&);
template std::wstring convert_string<std::wstring, std::string>(const std::string&);
template Utf16String convert_string<Utf16String, std::string>(const std::string&);
template std::string convert_string<std::string, Utf16String>(const Utf16String&);
template Utf16String convert_string<Utf16String, std::wstring>(const std::wstring&);

std::string strprintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) {
        va_end(args);
        return std::string();
    }
    std::vector<char> buffer(std::size_t(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    return std::string(buffer.data()); // up to the first 0, as a "%c" of 0 would end it
}

std::string utf16_to_path(const unsigned short* text)
{
    if (text == nullptr)
        return std::string();
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    return convert_string<std::string>(Utf16String(text, n));
}

std::string utf16_to_path(const unsigned short* text, std::size_t maxUnits)
{
    if (text == nullptr)
        return std::string();
    bool terminated;
    const std::size_t n = boundedLength(text, maxUnits, terminated);
    if (!terminated)
        return std::string(); // a cut-off path could name another file
    return convert_string<std::string>(Utf16String(text, n));
}

std::string path_to_utf8(const std::string& path)
{
    return path;
}

std::string utf8_encode(const std::wstring& text)
{
    return convert_string<std::string>(text);
}

std::wstring utf8_decode(const std::string& text)
{
    return convert_string<std::wstring>(text);
}

Utf16String utf8_to_utf16(const std::string& text)
{
    return convert_string<Utf16String>(text);
}

void safeStrCpy(char* destination, int capacity, const char* source)
{
    if (destination == nullptr || capacity < 1)
        return;
    std::size_t n = 0;
    if (source != nullptr) {
        const std::size_t limit = std::size_t(capacity) - 1;
        while (n < limit && source[n] != 0) {
            destination[n] = source[n];
            ++n;
        }
    }
    destination[n] = 0;
}

void safeWcscat(wchar_t* destination, int capacity, const wchar_t* source)
{
    if (destination == nullptr || capacity < 1)
        return;
    const std::size_t limit = std::size_t(capacity) - 1;
    std::size_t n = 0;
    while (n < limit && destination[n] != 0)
        ++n;
    if (source != nullptr) {
        for (std::size_t i = 0; n < limit && source[i] != 0; ++i)
            destination[n++] = source[i];
    }
    destination[n] = 0;
}

void copyConvertStringLiteralIntoUTF16(const wchar_t* source, unsigned short* destination)
{
    if (destination == nullptr)
        return;
    const std::size_t n = source != nullptr ? std::wcslen(source) : 0;
    const Utf16String units = n != 0 ? convert_string<Utf16String>(std::wstring(source, n)) : Utf16String();
    const std::size_t copied = units.size() < n ? units.size() : n;
    std::memcpy(destination, units.data(), copied * sizeof(unsigned short));
    for (std::size_t i = copied; i <= n; ++i)
        destination[i] = 0;
}
