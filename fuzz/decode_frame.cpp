// Fuzz target: a format header and one compressed frame, as an AVI file hands them to the
// importer, through the decompress query, the begin and the frame call, into every output type
// the header allows.
//
// Input: two option bytes, then the format header (its own size field says how long it is; a
// size field that does not fit makes it the 32 bytes of the fixed part), then the frame.
//   byte 0 bit 0: three threads instead of one
//          bit 1: plain output records (no flags, colour space or range)
//          bit 2: bottom-up output, bit 3: the host's 16-bit range
//          bits 4-5: requested colour space (0 = the codec's choice), bits 6-7: requested range
//   byte 1 bits 0-5: which of the accepted output types the frame is decoded into
//          bit 6: decode the frame a second time on the same begun stream
//          bit 7: decode into every accepted output type
// Every output type is queried; decoding into all of them on every input would make the target
// ten times slower, since each decode rebuilds the frame's code tables.
//
// Every call must end in a result code from its documented set; a query that accepts an output
// type promises that the begin accepts it too; a frame decodes the same way twice; and the heap
// never grows by more than a small multiple of the frame that the header claims. Headers of frames
// too large to decode are still begun: a begin is what a header alone costs.

#include "codec/quorvane.h"
#include "fuzz/FuzzSupport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using qfuzz::fail;

// Larger frames are only begun: decoding them would make each input slow, and nothing in the
// decoder depends on the size beyond the slice count. Beyond kMaxBegunPixels they are only
// queried: the begin reserves the frame's work buffer.
constexpr uint64_t kMaxPixels = 1 << 16;
constexpr uint64_t kMaxBegunPixels = 1 << 23;
// Pixels decoded for one input, over every output type it asks for.
constexpr uint64_t kPixelBudget = 1 << 18;
constexpr uint32_t kLastFrameType = 58;

// Stored sample bits of a compressed type (0 for codes that are none).
int depth_class(uint8_t compressedType)
{
    switch (compressedType) {
    case 101: case 102: case 103: case 104: case 105: case 106: case 107: return 1;
    case 108: case 109: case 110: case 115: case 118: case 123: return 2;
    case 111: case 112: case 122: return 3;
    case 113: case 114: return 4;
    default: return 0;
    }
}

// Instances with one and with three threads for each stored depth: an instance keeps its coders
// from frame to frame while the depth stays, as it does on a real stream, so the fuzzer does not
// spend its time building new ones.
struct Library {
    uint32_t handles[5][2] = {};
    Library()
    {
        quorvane_library_init();
        for (auto& pair : handles)
            for (uint32_t i = 0; i < 2; ++i) {
                if (quorvane_open(&pair[i]) != QUORVANE_OK) fail("cannot open a codec instance");
                if (quorvane_set_param_value(pair[i], QUORVANE_PARAM_NUM_THREADS, 1 + 2 * i) != QUORVANE_OK)
                    fail("cannot set the thread count");
            }
    }
};

struct AlignedFree {
    void operator()(uint8_t* p) const { std::free(p); }
};

// An output frame laid out by the codec in one 64-byte aligned buffer, filled with a pattern so
// that two decodes can be compared byte for byte.
struct OutFrame {
    bool init(uint32_t h, uint32_t type, uint32_t width, uint32_t height)
    {
        QuorvaneFrameType t{width, height, type, 0};
        QuorvaneFrameData probe{};
        if (quorvane_init_planes_common(h, &t, &probe, nullptr) != QUORVANE_OK) return false;
        size = 0;
        for (const QuorvanePlane& p : probe.planes) size += p.size;
        buffer.reset(static_cast<uint8_t*>(std::aligned_alloc(64, (size + 63) / 64 * 64 + 64)));
        std::memset(buffer.get(), 0xA5, size);
        return quorvane_init_planes_common(h, &t, &data, buffer.get()) == QUORVANE_OK;
    }
    std::unique_ptr<uint8_t, AlignedFree> buffer;
    size_t size = 0;
    QuorvaneFrameData data{};
};

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

QuorvaneFrameTypeEx request(uint32_t type, uint32_t flags, uint32_t cs, uint32_t range)
{
    return QuorvaneFrameTypeEx{0, 0, QUORVANE_FRAME_EXTENDED, 1, type, flags, cs, range, 0};
}

QuorvaneFrameType* as_type(QuorvaneFrameTypeEx* ex) { return reinterpret_cast<QuorvaneFrameType*>(ex); }

bool query_result_known(int rc)
{
    switch (rc) {
    case QUORVANE_OK:
    case QUORVANE_INVALID_FORMAT:
    case QUORVANE_INVALID_COMPRESSED_FORMAT:
    case QUORVANE_FLIP_NOT_SUPPORTED:
    case QUORVANE_16U_MAX_32768_NOT_SUPPORTED:
    case QUORVANE_COLOR_SPACE_NOT_SUPPORTED:
    case QUORVANE_RANGE_NOT_SUPPORTED: return true;
    default: return false;
    }
}

// Decodes the frame into one output type; returns the pixels decoded.
uint64_t decode_into(uint32_t h, uint32_t type, const QuorvaneFrameTypeEx& accepted, const uint8_t* header,
                     uint32_t headerSize, const uint8_t* frame, uint32_t frameSize, bool twice)
{
    QuorvaneFrameTypeEx req = accepted;
    int rc = quorvane_decompress_begin(h, header, headerSize, as_type(&req), nullptr);
    if (rc != QUORVANE_OK) fail("the query accepted output type %u, the begin refused it with %d", type, rc);

    OutFrame out;
    if (!out.init(h, type, accepted.width, accepted.height))
        fail("no frame layout for accepted output type %u at %ux%u", type, accepted.width, accepted.height);
    rc = quorvane_decompress(h, frame, frameSize, &out.data);
    if (rc != QUORVANE_OK && rc != QUORVANE_CORRUPT_FRAME && rc != QUORVANE_FRAME_TYPE_MISMATCH)
        fail("decompress into type %u gave %d", type, rc);

    if (twice) {
        // The same frame again on the same begun stream (nothing of the first may stay behind),
        // into a buffer with the same pattern.
        OutFrame again;
        again.init(h, type, accepted.width, accepted.height);
        const int rc2 = quorvane_decompress(h, frame, frameSize, &again.data);
        if (rc2 != rc) fail("the same frame gave %d, then %d", rc, rc2);
        if (std::memcmp(out.buffer.get(), again.buffer.get(), out.size) != 0)
            fail("the same frame decoded to different pixels into type %u", type);
    }
    if (quorvane_decompress_end(h) != QUORVANE_OK) fail("decompress end refused");
    return rc == QUORVANE_OK ? uint64_t(accepted.width) * accepted.height : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Library lib;
    if (size > (1u << 24)) return 0;
    qfuzz::Bytes in(data, size);
    const uint8_t options = in.u8();
    const uint8_t choice = in.u8();
    const uint32_t flags = (options & 4 ? QUORVANE_FLAG_BOTTOM_UP : 0) | (options & 8 ? QUORVANE_FLAG_16U_MAX_32768 : 0);
    const bool plain = (options & 2) != 0;
    const uint32_t cs = (options >> 4) & 3, range = (options >> 6) & 3;

    uint32_t headerSize = 32;
    if (in.left() >= 8) {
        const uint32_t claimed = le32(in.here() + 4);
        if (claimed >= 32 && claimed <= in.left()) headerSize = claimed;
    }
    size_t got = 0;
    const uint8_t* header = in.take(headerSize, &got);
    headerSize = static_cast<uint32_t>(got);
    const uint8_t* frame = in.here();
    const uint32_t frameSize = static_cast<uint32_t>(in.left());
    const uint32_t h = lib.handles[depth_class(headerSize > 9 ? header[9] : 0)][options & 1];

    const size_t liveAtStart = qfuzz::heap_live();
    qfuzz::heap_reset_peak();

    // The stream's own description, and the type the codec prefers.
    QuorvaneFrameTypeEx comp{0, 0, QUORVANE_FRAME_EXTENDED, 1, 0, 0, 0, 0, 0};
    QuorvaneFrameType preferred{0, 0, 0, 0};
    const int rc0 = quorvane_decompress_query(h, header, headerSize, &preferred, as_type(&comp));
    if (!query_result_known(rc0)) fail("query for the preferred type gave %d", rc0);
    if (rc0 == QUORVANE_INVALID_COMPRESSED_FORMAT) return 0;
    if (rc0 == QUORVANE_OK && (preferred.type == 0 || preferred.type > kLastFrameType))
        fail("preferred output type %u", preferred.type);
    const uint64_t pixels = uint64_t(comp.width) * comp.height;

    // Every output type is asked for; the accepted ones are kept in order.
    std::vector<QuorvaneFrameTypeEx> accepted;
    for (uint32_t type = 1; type <= kLastFrameType; ++type) {
        QuorvaneFrameTypeEx req = request(type, flags, cs, range);
        QuorvaneFrameType plainReq{0, 0, type, 0};
        const int rc = quorvane_decompress_query(h, header, headerSize, plain ? &plainReq : as_type(&req), nullptr);
        if (!query_result_known(rc)) fail("query for output type %u gave %d", type, rc);
        if (rc != QUORVANE_OK) continue;
        if (plain) req = QuorvaneFrameTypeEx{plainReq.width, plainReq.height, QUORVANE_FRAME_EXTENDED, 1, plainReq.type, 0, 0, 0, 0};
        if (req.marker != QUORVANE_FRAME_EXTENDED || req.version != 1 || req.type != type ||
            req.width != comp.width || req.height != comp.height)
            fail("accepted output record for type %u reads %ux%u type %u", type, req.width, req.height, req.type);
        accepted.push_back(req);
    }

    int decoded = 0;
    const bool decodes = !accepted.empty() && pixels > 0 && pixels <= kMaxPixels;
    if (decodes) {
        const bool all = (choice & 0x80) != 0, twice = (choice & 0x40) != 0;
        const size_t pick = (choice & 0x3F) % accepted.size();
        uint64_t budget = kPixelBudget;
        for (size_t i = 0; i < accepted.size() && pixels <= budget; ++i) {
            if (!all && i != pick) continue;
            budget -= pixels;
            decoded += decode_into(h, accepted[i].type, accepted[i], header, headerSize, frame, frameSize, twice) != 0;
        }
    } else if (!accepted.empty() && pixels > kMaxPixels && pixels <= kMaxBegunPixels) {
        QuorvaneFrameTypeEx req = accepted[(choice & 0x3F) % accepted.size()];
        const int rc = quorvane_decompress_begin(h, header, headerSize, as_type(&req), nullptr);
        if (rc != QUORVANE_OK) fail("the query accepted output type %u, the begin refused it with %d", req.type, rc);
        if (quorvane_decompress_end(h) != QUORVANE_OK) fail("decompress end refused");
    }

    // The header claims the frame's size; what one input may make the codec hold is bounded by
    // it, plus the coders' tables (a few MiB for the deepest samples) and the input itself. A
    // begin holds the split work buffer: every plane with rows raised to 16 bytes, at most 16
    // bytes a pixel (four planes of 16-bit samples four pixels wide), and nothing per slice, so
    // a header of one-row slices costs what any other does. A decode adds the converted frame,
    // shaped the same way; the output frames are not counted.
    const uint64_t perPixel = decodes ? 32 : 16;
    const uint64_t held = pixels <= kMaxBegunPixels ? pixels : 0;
    qfuzz::check_heap(liveAtStart, (32u << 20) + perPixel * held + 4 * size, "decoding");
    if (std::getenv("QUORVANE_FUZZ_VERBOSE"))
        std::fprintf(stderr, "type %u %ux%u: query %d, %zu output types accepted, %d decoded, peak heap %zu\n", comp.type,
                     comp.width, comp.height, rc0, accepted.size(), decoded, qfuzz::heap_peak() - liveAtStart);
    return 0;
}
