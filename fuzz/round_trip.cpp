// Fuzz target: a frame of a chosen layout, size and content is compressed and decompressed.
//
// Input: four option bytes, then the pixels (repeated to fill the frame).
//   byte 0: the binding (every compress binding of the engine, in map order)
//   byte 1: width - 1 (bits 0-6) and, in bit 7, extra stride padding
//   byte 2: height - 1 (bits 0-5); width and height are raised to the binding's size steps
//   byte 3: bit 0: threads of the second instance (2 or 4), bit 1 unused, bit 2 bottom-up, bit 3 interlaced,
//           bit 4 the host's 16-bit range, bit 5 BT.601, bit 6 limited range (YUV streams),
//           bit 7 plane pointers off the 64-byte boundary (by the layout's own alignment)
//
// Required: the compressed bytes do not depend on the thread count; neither do the decoded
// pixels; a binding that converts nothing gives back the same planes (compressing the decoded
// frame again gives the same bytes), and for the layouts in which every bit is a sample bit the
// decoded frame equals the input.

#include "codec/QuorvaneEngine.h"
#include "codec/quorvane.h"
#include "fuzz/Bindings.h"
#include "fuzz/CodecCalls.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using qfuzz::fail;

using qfuzz::Binding;
using qfuzz::Frame;
using qfuzz::Settings;

// Instances for each stored depth (8, 10, 12, 14 bits): one with a single thread, two with two
// and four. An instance keeps its coders while the depth stays, so the fuzzer spends its time on
// frames rather than on building coders.
struct Registry {
    Quorvane engine{true, true}; // only asked about its bindings
    std::vector<Binding> bindings;
    uint32_t one[4] = {};
    uint32_t many[4][2] = {};

    Registry()
    {
        bindings = qfuzz::compress_bindings(engine);
        if (bindings.empty()) fail("no compress bindings");
        quorvane_library_init();
        for (int d = 0; d < 4; ++d) {
            open(one[d], 1);
            open(many[d][0], 2);
            open(many[d][1], 4);
        }
    }
    static void open(uint32_t& h, uint32_t threads)
    {
        if (quorvane_open(&h) != QUORVANE_OK) fail("cannot open a codec instance");
        if (quorvane_set_param_value(h, QUORVANE_PARAM_NUM_THREADS, threads) != QUORVANE_OK)
            fail("cannot set the thread count");
    }
    static int depth(const Binding& b) { return b.bits <= 8 ? 0 : b.bits <= 10 ? 1 : b.bits <= 12 ? 2 : 3; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Registry reg;
    qfuzz::Bytes in(data, size);
    const Binding& b = reg.bindings[in.u8() % reg.bindings.size()];
    const uint8_t wByte = in.u8(), hByte = in.u8(), opt = in.u8();

    Settings s{};
    s.fieldType = (opt & 8) ? QUORVANE_FIELD_UPPER_FIRST : QUORVANE_FIELD_PROGRESSIVE;
    s.width = (wByte & 127) + 1u;
    s.height = (hByte & 63) + 1u;
    qfuzz::fit_size(b, s.fieldType != 0, s.width, s.height);
    s.flags = ((opt & 4) && b.canFlip ? QUORVANE_FLAG_BOTTOM_UP : 0) | ((opt & 16) && b.hostRange ? QUORVANE_FLAG_16U_MAX_32768 : 0);
    // An RGB stream is BT.709 full range; the codec picks the same for an RGB source on its own.
    s.colorSpace = b.yuvStream ? ((opt & 32) ? 1 : 2) : 0;
    s.range = b.yuvStream ? ((opt & 64) ? 1 : 2) : 0;
    const uint32_t pad = (wByte & 128) ? 1 + (hByte >> 6) : 0;
    const bool offset = (opt & 128) != 0;

    Frame source(b, s.width, s.height, pad, offset);
    source.fill(in.here(), in.left());
    const int d = Registry::depth(b);
    const uint32_t one = reg.one[d], many = reg.many[d][opt & 1];

    const std::vector<uint8_t> c1 = qfuzz::compress(one, b, s, source);
    const std::vector<uint8_t> cn = qfuzz::compress(many, b, s, source);
    if (c1 != cn) fail("%u -> %u at %ux%u: the compressed bytes depend on the thread count", b.source, b.compressed, s.width, s.height);

    Frame d1(b, s.width, s.height, pad, offset), dn(b, s.width, s.height, pad, offset);
    qfuzz::decompress(one, b, s, c1, d1);
    qfuzz::decompress(many, b, s, c1, dn);
    if (std::memcmp(d1.buffer.get(), dn.buffer.get(), d1.size) != 0)
        fail("%u -> %u at %ux%u: the decoded pixels depend on the thread count", b.source, b.compressed, s.width, s.height);

    if (b.idempotent) {
        // The decoded frame holds exactly the stored planes, so it compresses to the same bytes.
        const std::vector<uint8_t> again = qfuzz::compress(one, b, s, d1);
        if (again != c1) fail("%u -> %u at %ux%u: the decoded frame compresses to other bytes", b.source, b.compressed, s.width, s.height);
        if (b.exact && s.width % b.exactWidthStep == 0 && !d1.same_samples(source))
            fail("%u -> %u at %ux%u: the decoded frame differs from the input", b.source, b.compressed, s.width, s.height);
    }
    return 0;
}
