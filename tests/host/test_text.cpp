#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "host/TextUtil.h"
#include "common/test_random.h"

namespace {

Utf16String units(std::initializer_list<unsigned short> list) { return Utf16String(list.begin(), list.end()); }

char32_t randomCodePoint(std::mt19937_64& rng)
{
    // Mostly ASCII and BMP, a fair share beyond it, never a surrogate.
    switch (rng() % 4) {
    case 0: return 1 + rng() % 0x7F;
    case 1: return 0x80 + rng() % (0x800 - 0x80);
    case 2: {
        char32_t c = 0x800 + rng() % (0x10000 - 0x800);
        return (c >= 0xD800 && c <= 0xDFFF) ? c - 0x1000 : c;
    }
    default: return 0x10000 + rng() % (0x110000 - 0x10000);
    }
}

} // namespace

TEST(Text, StrprintfFormatsToExactLength)
{
    EXPECT_EQ(strprintf("no conversions"), "no conversions");
    EXPECT_EQ(strprintf("%s", ""), "");
    EXPECT_EQ(strprintf("FATAL: Unhandled exception during [%s] (%d): %s", "imGetSourceVideo", 47, "boom"),
              "FATAL: Unhandled exception during [imGetSourceVideo] (47): boom");
    EXPECT_EQ(strprintf("%d x %d, %s, 0x%x", 1920, 1080, "BGRA", 3u), "1920 x 1080, BGRA, 0x3");
    EXPECT_EQ(strprintf("%lld %.2f", -9000000000LL, double(1.5f)), "-9000000000 1.50");
    const std::string big(100000, 'q');
    EXPECT_EQ(strprintf("<%s>", big.c_str()), "<" + big + ">");
    EXPECT_EQ(strprintf("a%cb", 0), "a") << "the text ends at the first 0";
}

TEST(Text, RoundTripsOfRandomText)
{
    std::mt19937_64& rng = qtest::rng();
    for (int round = 0; round < 300; ++round) {
        std::wstring wide;
        const int length = int(rng() % 40);
        for (int i = 0; i < length; ++i)
            wide.push_back(wchar_t(randomCodePoint(rng)));

        const std::string utf8 = utf8_encode(wide);
        ASSERT_EQ(utf8_decode(utf8), wide);
        const Utf16String utf16 = utf8_to_utf16(utf8);
        ASSERT_LE(utf16.size(), utf8.size());
        ASSERT_LE(utf16.size(), 2 * wide.size());
        ASSERT_GE(utf16.size(), wide.size());
        ASSERT_EQ(convert_string<std::string>(utf16), utf8);
        ASSERT_EQ(utf16_to_path(utf16.c_str()), utf8);
        ASSERT_EQ(utf16_to_path(utf16.c_str(), utf16.size() + 1), utf8);
        ASSERT_EQ(convert_string<Utf16String>(wide), utf16);
    }
}

TEST(Text, CharactersBeyondTheBasicPlane)
{
    const std::wstring clef = L"\U0001D11E"; // musical symbol G clef
    EXPECT_EQ(utf8_encode(clef), "\xF0\x9D\x84\x9E");
    EXPECT_EQ(utf8_decode("\xF0\x9D\x84\x9E"), clef);
    EXPECT_EQ(utf8_to_utf16("\xF0\x9D\x84\x9E"), units({0xD834, 0xDD1E}));
    EXPECT_EQ(utf8_to_utf16("A\xC3\xA9\xE2\x82\xAC"), units({'A', 0xE9, 0x20AC}));
    EXPECT_EQ(utf8_encode(L"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
}

TEST(Text, InvalidInputGivesAnEmptyResult)
{
    const char* badUtf8[] = {
        "\x80",             // continuation without a lead
        "ab\xC3",           // cut off
        "\xC3\x28",         // bad continuation
        "\xC0\xAF",         // overlong '/'
        "\xE0\x80\xAF",     // overlong '/'
        "\xED\xA0\x80",     // a surrogate encoded as UTF-8
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "ok\xFF",
    };
    for (const char* text : badUtf8) {
        EXPECT_EQ(utf8_decode(text), L"") << text;
        EXPECT_EQ(utf8_to_utf16(text), Utf16String()) << text;
    }
    EXPECT_EQ(utf8_encode(std::wstring(1, wchar_t(0xD800))), "");
    EXPECT_EQ(utf8_encode(std::wstring(1, wchar_t(0x110000))), "");
    EXPECT_EQ(utf8_encode(L"abc" + std::wstring(1, wchar_t(-1))), "");

    // Unpaired surrogates: no path at all rather than a mangled one.
    const unsigned short loneHigh[] = {'/', 't', 0xD800, 'x', 0};
    const unsigned short loneLow[] = {'/', 0xDC00, 0};
    const unsigned short highAtEnd[] = {'/', 'a', 0xDBFF, 0};
    EXPECT_EQ(utf16_to_path(loneHigh), "");
    EXPECT_EQ(utf16_to_path(loneLow), "");
    EXPECT_EQ(utf16_to_path(highAtEnd), "");
}

TEST(Text, Utf16PathBounds)
{
    EXPECT_EQ(utf16_to_path(nullptr), "");
    const unsigned short empty[] = {0};
    EXPECT_EQ(utf16_to_path(empty), "");
    const unsigned short path[] = {'/', 't', 'm', 'p', '/', 0xE9, 0, 'x'};
    EXPECT_EQ(utf16_to_path(path), "/tmp/\xC3\xA9");
    EXPECT_EQ(utf16_to_path(path, 7), "/tmp/\xC3\xA9");
    // No terminator within the field: nothing past it is read, and no cut-off path comes back.
    const unsigned short unterminated[4] = {'/', 'a', 'b', 'c'};
    EXPECT_EQ(utf16_to_path(unterminated, 4), "");
    EXPECT_EQ(utf16_to_path(path, 6), "");
    EXPECT_EQ(path_to_utf8("/x/\xC3\xA9"), "/x/\xC3\xA9");
}

TEST(Text, SafeStrCpyTruncatesAndTerminates)
{
    char field[8];
    std::memset(field, 'X', sizeof field);
    safeStrCpy(field, 8, "Quorvane AVI");
    EXPECT_STREQ(field, "Quorvan");
    safeStrCpy(field, 8, "avi");
    EXPECT_STREQ(field, "avi");
    EXPECT_EQ(field[4], 'v') << "bytes after the terminator stay";
    safeStrCpy(field, 1, "abc");
    EXPECT_STREQ(field, "");
    std::memset(field, 'X', sizeof field);
    safeStrCpy(field, 0, "abc");
    EXPECT_EQ(field[0], 'X');
    safeStrCpy(field, 8, nullptr);
    EXPECT_STREQ(field, "");
}

TEST(Text, SafeWcscatStaysWithinCapacity)
{
    wchar_t buffer[8] = L"abc";
    buffer[7] = L'Z';
    safeWcscat(buffer, 7, L"defghij");
    EXPECT_EQ(std::wstring(buffer), L"abcdef");
    EXPECT_EQ(buffer[7], L'Z');
    safeWcscat(buffer, 7, L"more");
    EXPECT_EQ(std::wstring(buffer), L"abcdef");
    wchar_t full[4] = {L'a', L'b', L'c', L'd'}; // not terminated within the capacity
    safeWcscat(full, 4, L"x");
    EXPECT_EQ(std::wstring(full), L"abc");
}

TEST(Text, LiteralIntoUtf16)
{
    unsigned short field[16];
    std::fill(std::begin(field), std::end(field), 0xEEEE);
    copyConvertStringLiteralIntoUTF16(L"Quorvane AVI", field);
    EXPECT_EQ(Utf16String(field), utf8_to_utf16("Quorvane AVI"));
    EXPECT_EQ(field[12], 0);
    EXPECT_EQ(field[13], 0xEEEE) << "n + 1 units are written, no more";
    copyConvertStringLiteralIntoUTF16(L"", field);
    EXPECT_EQ(field[0], 0);
    EXPECT_EQ(field[1], 'u');
    copyConvertStringLiteralIntoUTF16(L"\u00e9t\u00e9", field);
    EXPECT_EQ(Utf16String(field), units({0xE9, 't', 0xE9}));
}
