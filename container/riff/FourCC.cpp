#include "container/riff/FourCC.h"

namespace riff::fcc {

std::string to_string(unsigned int fcc, ByteOrder order)
{
    std::string out;
    for (int i = 0; i < 4; ++i) {
        const int shift = order == LowByteFirst ? 8 * i : 8 * (3 - i);
        const unsigned byte = (fcc >> shift) & 0xFF;
        // The range test, not isprint: the text must not depend on the process's locale.
        if (byte >= 0x20 && byte <= 0x7E)
            out += static_cast<char>(byte);
        else
            out += "[" + std::to_string(byte) + "]";
    }
    return out;
}

} // namespace riff::fcc
