#include "tools/quorvane_host/Pictures.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace qhost {

namespace {

[[noreturn]] void bad(const std::string& path, const std::string& what)
{
    throw std::runtime_error(path + ": " + what);
}

// Header tokens of a netpbm file: whitespace separates them, '#' starts a comment to the line end.
class HeaderReader {
public:
    HeaderReader(const std::string& path, const std::vector<uint8_t>& data) : m_path(path), m_data(data) {}

    std::string token()
    {
        skipSpaceAndComments();
        std::string t;
        while (m_at < m_data.size() && !std::isspace(m_data[m_at]))
            t.push_back(char(m_data[m_at++]));
        if (t.empty())
            bad(m_path, "header cut short");
        return t;
    }

    // The rest of the current line (for PAM's TUPLTYPE), without leading blanks.
    std::string restOfLine()
    {
        while (m_at < m_data.size() && (m_data[m_at] == ' ' || m_data[m_at] == '\t'))
            ++m_at;
        std::string t;
        while (m_at < m_data.size() && m_data[m_at] != '\n')
            t.push_back(char(m_data[m_at++]));
        while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back())))
            t.pop_back();
        return t;
    }

    int number(const char* what)
    {
        const std::string t = token();
        long long v = 0;
        for (char c : t) {
            if (c < '0' || c > '9')
                bad(m_path, std::string(what) + " is not a number: " + t);
            v = v * 10 + (c - '0');
            if (v > std::numeric_limits<int>::max())
                bad(m_path, std::string(what) + " too large: " + t);
        }
        return int(v);
    }

    // Exactly one whitespace byte ends the header of a P6 file.
    void endOfPpmHeader()
    {
        if (m_at >= m_data.size() || !std::isspace(m_data[m_at]))
            bad(m_path, "no whitespace after the header");
        ++m_at;
    }

    // PAM's header ends with the line "ENDHDR".
    void endOfLine()
    {
        while (m_at < m_data.size() && m_data[m_at] != '\n')
            ++m_at;
        if (m_at < m_data.size())
            ++m_at;
    }

    std::size_t position() const { return m_at; }

private:
    void skipSpaceAndComments()
    {
        while (m_at < m_data.size()) {
            if (std::isspace(m_data[m_at])) {
                ++m_at;
            } else if (m_data[m_at] == '#') {
                while (m_at < m_data.size() && m_data[m_at] != '\n')
                    ++m_at;
            } else {
                break;
            }
        }
    }

    const std::string& m_path;
    const std::vector<uint8_t>& m_data;
    std::size_t m_at = 2;
};

void checkSize(const std::string& path, int width, int height)
{
    if (width <= 0 || height <= 0)
        bad(path, "empty picture");
    if (std::size_t(width) * std::size_t(height) > (std::size_t(1) << 28))
        bad(path, "picture too large");
}

} // namespace

Picture readPicture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        bad(path, "cannot open");
    const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (data.size() < 2 || data[0] != 'P' || (data[1] != '6' && data[1] != '7'))
        bad(path, "neither a binary PPM (P6) nor a PAM (P7) file");

    Picture picture;
    HeaderReader header(path, data);
    int maxValue = 0;
    if (data[1] == '6') {
        picture.width = header.number("width");
        picture.height = header.number("height");
        maxValue = header.number("maximum value");
        header.endOfPpmHeader();
        picture.channels = 3;
    } else {
        int depth = 0;
        std::string tupleType;
        for (;;) {
            const std::string key = header.token();
            if (key == "ENDHDR") {
                header.endOfLine();
                break;
            }
            if (key == "WIDTH")
                picture.width = header.number("WIDTH");
            else if (key == "HEIGHT")
                picture.height = header.number("HEIGHT");
            else if (key == "DEPTH")
                depth = header.number("DEPTH");
            else if (key == "MAXVAL")
                maxValue = header.number("MAXVAL");
            else if (key == "TUPLTYPE")
                tupleType = header.restOfLine();
            else
                bad(path, "unknown PAM header field " + key);
        }
        if (!(depth == 3 && (tupleType == "RGB" || tupleType.empty())) &&
            !(depth == 4 && (tupleType == "RGB_ALPHA" || tupleType.empty())))
            bad(path, "PAM of depth " + std::to_string(depth) + " and type '" + tupleType +
                          "': only RGB and RGB_ALPHA are read");
        picture.channels = depth;
    }
    if (maxValue != 255)
        bad(path, "maximum value " + std::to_string(maxValue) + ": only 8-bit samples (255) are read");
    checkSize(path, picture.width, picture.height);
    const std::size_t start = header.position();
    if (data.size() - start < picture.size())
        bad(path, "pixels cut short");
    picture.bytes.assign(data.begin() + std::ptrdiff_t(start), data.begin() + std::ptrdiff_t(start + picture.size()));
    return picture;
}

void writePicture(const std::string& path, const Picture& picture)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (picture.alpha())
        out << "P7\nWIDTH " << picture.width << "\nHEIGHT " << picture.height
            << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    else
        out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(picture.bytes.data()), std::streamsize(picture.bytes.size()));
    out.close();
    if (!out)
        bad(path, "cannot write");
}

Picture generateFrame(int width, int height, bool alpha, int n)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.channels = alpha ? 4 : 3;
    p.bytes.resize(p.size());
    const double w = width, h = height;
    struct Disc {
        double x, y, r;
        int colour[3];
    };
    const double t = n / 30.0;
    const Disc discs[] = {
        {w * (0.3 + 0.2 * std::sin(t * 1.3)), h * (0.4 + 0.15 * std::cos(t * 1.1)), h * 0.18, {230, 60, 40}},
        {w * (0.7 - 0.15 * std::sin(t * 0.9)), h * (0.6 + 0.2 * std::sin(t * 1.7)), h * 0.12, {40, 90, 220}},
    };
    uint32_t noise = 0x9E3779B9u ^ uint32_t(n) * 0x85EBCA6Bu;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = p.bytes.data() + std::size_t(y) * std::size_t(width) * std::size_t(p.channels);
        for (int x = 0; x < width; ++x) {
            // A sky-to-ground gradient with a slow horizontal sweep.
            double c[3] = {
                60 + 120 * (y / h) + 30 * std::sin((x + 4 * n) / w * 3.1),
                90 + 100 * (1 - y / h) + 20 * std::cos(x / w * 2.3),
                150 + 80 * (1 - y / h) - 40 * (x / w),
            };
            for (const Disc& d : discs) {
                const double dx = x - d.x, dy = y - d.y;
                const double edge = std::clamp(d.r - std::sqrt(dx * dx + dy * dy), 0.0, 1.5) / 1.5;
                for (int k = 0; k < 3; ++k)
                    c[k] = c[k] * (1 - edge) + (d.colour[k] + 20 * std::sin(dx * 0.05)) * edge;
            }
            // Fine detail in the lower band: a fabric-like weave.
            if (y > height * 3 / 4)
                for (double& v : c)
                    v += 18 * std::sin(x * 0.9 + n * 0.2) * std::cos(y * 0.7);
            for (int k = 0; k < 3; ++k) {
                noise = noise * 1664525u + 1013904223u;
                const int v = int(std::lround(c[k])) + int(noise >> 30) - 1; // -1, 0, +1, +2
                row[x * p.channels + k] = uint8_t(std::clamp(v, 0, 255));
            }
            if (alpha) {
                const double dx = (x - w / 2) / w, dy = (y - h / 2) / h;
                row[x * 4 + 3] = uint8_t(std::clamp(int(std::lround(255 * (1.2 - 2.2 * (dx * dx + dy * dy)))), 0, 255));
            }
        }
    }
    return p;
}

Difference compare(const Picture& expected, const Picture& actual, bool compareAlpha)
{
    if (expected.width != actual.width || expected.height != actual.height)
        throw std::invalid_argument("pictures of different sizes");
    const int channels = compareAlpha && expected.alpha() && actual.alpha() ? 4 : 3;
    Difference d;
    double squares = 0;
    const std::size_t pixels = std::size_t(expected.width) * std::size_t(expected.height);
    for (std::size_t i = 0; i < pixels; ++i) {
        for (int k = 0; k < channels; ++k) {
            const std::size_t at = i * std::size_t(expected.channels) + std::size_t(k);
            const int e = expected.bytes[at];
            const int a = actual.bytes[i * std::size_t(actual.channels) + std::size_t(k)];
            if (e != a) {
                if (d.differingBytes++ == 0)
                    d.firstByte = at;
                squares += double(e - a) * double(e - a);
            }
        }
    }
    const double mse = squares / (double(pixels) * channels);
    d.psnr = mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
    return d;
}

} // namespace qhost
