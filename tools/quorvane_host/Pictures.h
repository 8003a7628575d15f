// Pictures as the host program reads and writes them: 8-bit RGB or RGBA, top row first, from and
// to binary PPM (P6) and PAM (P7) files; the generated test clip; and the comparisons of decoded
// frames against their inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qhost {

struct Picture {
    int width = 0;
    int height = 0;
    int channels = 3;           // 3: R, G, B; 4: R, G, B, A
    std::vector<uint8_t> bytes; // width * channels bytes per row, top row first

    bool alpha() const { return channels == 4; }
    std::size_t size() const { return std::size_t(width) * std::size_t(height) * std::size_t(channels); }
};

// A P6 file with a maximum value of 255, or a P7 file of TUPLTYPE RGB or RGB_ALPHA (depth 3 or
// 4, maximum 255). Throws std::runtime_error naming the file and what is wrong with it.
Picture readPicture(const std::string& path);
// P6 for three channels, P7 RGB_ALPHA for four. Throws std::runtime_error when it cannot write.
void writePicture(const std::string& path, const Picture& picture);

// Frame n of the generated clip: smooth gradients, discs moving with n, a band of fine detail
// and a little seeded noise, so that it compresses as camera footage rather than as flat colour.
// With alpha, the fourth channel is a soft vignette.
Picture generateFrame(int width, int height, bool alpha, int n);

struct Difference {
    std::size_t differingBytes = 0; // over the compared channels
    std::size_t firstByte = 0;      // index into the expected bytes of the first difference
    double psnr = 0;                // dB over the compared channels; infinity when equal
};
// Compares the colour channels of both (and alpha when compareAlpha and both have it). The
// pictures must have the same size.
Difference compare(const Picture& expected, const Picture& actual, bool compareAlpha);

} // namespace qhost
