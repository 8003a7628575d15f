// Compression and decompression through the interface: the negotiations that settle the types,
// colour space, range, flip and host range of a stream, and the begin, frame and end calls.
// Nothing thrown inside the engine leaves these functions: a failure becomes a result code.

#include "codec/CodecInstance.h"
#include "codec/ByteOrder.h"
#include "codec/FormatFamilies.h"

#include <cstring>

namespace {

using Inst = QuorvaneCodecInternal;

struct Side {
    uint32_t width = 0, height = 0, type = 0, flags = 0, colorSpace = 0, range = 0, fieldType = 0;
};

int read_side(const QuorvaneFrameType* rec, Side& s)
{
    s = Side{};
    if (!rec) return QUORVANE_OK;
    if (rec->type == QUORVANE_FRAME_EXTENDED) {
        const auto* ex = reinterpret_cast<const QuorvaneFrameTypeEx*>(rec);
        if (ex->version != 1) return QUORVANE_INVALID_EX_FORMAT_VERSION;
        s = Side{ex->width, ex->height, ex->type, ex->flags, ex->colorSpace, ex->range, ex->fieldType};
    } else {
        s.width = rec->width;
        s.height = rec->height;
        s.type = rec->type;
    }
    return QUORVANE_OK;
}

void write_side(QuorvaneFrameType* rec, uint32_t width, uint32_t height, uint32_t type, uint32_t colorSpace,
                uint32_t range, uint32_t fieldType, bool zeroFlags)
{
    if (rec->type == QUORVANE_FRAME_EXTENDED) {
        auto* ex = reinterpret_cast<QuorvaneFrameTypeEx*>(rec);
        const uint32_t flags = zeroFlags ? 0 : ex->flags;
        *ex = QuorvaneFrameTypeEx{width, height, QUORVANE_FRAME_EXTENDED, 1, type, flags, colorSpace, range, fieldType};
    } else {
        rec->width = width;
        rec->height = height;
        rec->type = type;
    }
}

int category(const Quorvane& e, int type)
{
    return is_compressed_code(type) ? type : e.GetFormatCategory(type);
}

// Colour space and range allowed for a category: BT.709 full range for RGB, 1..2 each for YUV.
int check_color(int cat, uint32_t cs, uint32_t range)
{
    if (is_rgb_family(cat) && cs != 2) return QUORVANE_COLOR_SPACE_NOT_SUPPORTED;
    if (is_yuv_family(cat) && (cs < 1 || cs > 2)) return QUORVANE_COLOR_SPACE_NOT_SUPPORTED;
    if (is_rgb_family(cat) && range != 2) return QUORVANE_RANGE_NOT_SUPPORTED;
    if (is_yuv_family(cat) && (range < 1 || range > 2)) return QUORVANE_RANGE_NOT_SUPPORTED;
    return QUORVANE_OK;
}

struct CompressChoice {
    Side in;
    uint32_t outType = 0;
    uint32_t formatSize = 0, maxSize = 0;
};

int compress_negotiate(Quorvane& e, const QuorvaneFrameType* input, QuorvaneFrameType* output, CompressChoice& c)
{
    if (!input) return QUORVANE_INVALID_ARGUMENT;
    Side in;
    if (int rc = read_side(input, in); rc) return rc;
    const bool inYuv = is_yuv_family(e.GetFormatCategory(static_cast<int>(in.type)));
    const uint32_t inCs = in.colorSpace ? in.colorSpace : 2;
    const uint32_t inRange = in.range ? in.range : (inYuv ? 1 : 2);
    if (in.width == 0 || in.height == 0) return QUORVANE_INVALID_FORMAT;
    const int inCat = category(e, static_cast<int>(in.type));
    if (inCat == 0) return QUORVANE_INVALID_FORMAT;
    if (int rc = check_color(inCat, inCs, inRange); rc) return rc;
    if ((in.flags & QUORVANE_FLAG_BOTTOM_UP) && !e.CanFlip(static_cast<int>(in.type)))
        return QUORVANE_FLIP_NOT_SUPPORTED;
    if ((in.flags & QUORVANE_FLAG_16U_MAX_32768) && !e.SupportsAdobe16uRange(static_cast<int>(in.type)))
        return QUORVANE_16U_MAX_32768_NOT_SUPPORTED;

    Side out;
    if (int rc = read_side(output, out); rc) return rc;
    const uint32_t width = out.width ? out.width : in.width;
    const uint32_t height = out.height ? out.height : in.height;
    uint32_t outType = out.type;
    if (outType == 0 || outType == QUORVANE_FRAME_ANY)
        outType = static_cast<uint32_t>(e.GetDefaultFormat(static_cast<int>(in.type)));
    const bool outYuv = is_yuv_family(static_cast<int>(outType));
    const bool alike = inYuv == outYuv;
    const uint32_t outCs = out.colorSpace ? out.colorSpace : (alike ? inCs : 2);
    const uint32_t outRange = out.range ? out.range : (alike ? inRange : (outYuv ? 1 : 2));
    const int outCat = category(e, static_cast<int>(outType));
    if (outCat == 0) return QUORVANE_INVALID_FORMAT;
    if (int rc = check_color(outCat, outCs, outRange); rc) return rc;
    if (out.flags & QUORVANE_FLAG_BOTTOM_UP) return QUORVANE_FLIP_NOT_SUPPORTED;
    if (out.flags & QUORVANE_FLAG_16U_MAX_32768) return QUORVANE_16U_MAX_32768_NOT_SUPPORTED;

    // The engine keeps these whatever follows.
    e.SetFlipRequest((in.flags & QUORVANE_FLAG_BOTTOM_UP) != 0);
    e.SetRangeRequest((in.flags & QUORVANE_FLAG_16U_MAX_32768) != 0);
    QuorvaneEncodeSettings es = e.GetEncodeSettings();
    es.fieldType = static_cast<int32_t>(in.fieldType);
    es.colorSpace = static_cast<int32_t>(outCs);
    es.fullRange = outRange == 2 ? 1 : 0;
    e.ApplyEncodeSettings(es);

    if (width != in.width || height != in.height) return QUORVANE_INVALID_FORMAT;
    const int inType = static_cast<int>(in.type), oType = static_cast<int>(outType);
    if (!e.CanCompress(inType, oType, width, height)) return QUORVANE_INVALID_FORMAT;
    if (inYuv && outYuv && (inRange != outRange || inCs != outCs)) return QUORVANE_INVALID_FORMAT;
    const int formatSize = e.CompressGetFormatSize(inType, width, height, oType);
    const int maxSize = e.CompressGetBufferSize(inType, width, height, oType);
    if (formatSize == 0 || maxSize == 0) return QUORVANE_INVALID_FORMAT;

    if (output) write_side(output, width, height, outType, outCs, outRange, in.fieldType, false);
    in.colorSpace = inCs;
    in.range = inRange;
    c.in = in;
    c.outType = outType;
    c.formatSize = static_cast<uint32_t>(formatSize);
    c.maxSize = static_cast<uint32_t>(maxSize);
    return QUORVANE_OK;
}

int decompress_negotiate(Quorvane& e, const void* format, uint32_t formatSize, QuorvaneFrameType* output,
                         QuorvaneFrameType* compressedType, uint32_t& outTypeChosen)
{
    if (!format) return QUORVANE_INVALID_ARGUMENT;
    Quorvane::ParsedHeader parsed;
    if (!parsed.parse(format, formatSize)) return QUORVANE_INVALID_COMPRESSED_FORMAT;
    const uint8_t* h = parsed.data;

    const uint32_t width = load_le32(h + 16), height = load_le32(h + 20);
    const int ct = h[9];
    const uint32_t flags = load_le32(h + 12);
    const uint32_t cs = static_cast<uint32_t>(stream_color_space(ct, h[11]));
    const uint32_t range = (flags & 4) || is_rgb_family(ct) ? 2 : 1;
    const uint32_t field = (flags & 2) ? QUORVANE_FIELD_UNKNOWN : QUORVANE_FIELD_PROGRESSIVE;
    if (compressedType) {
        if (compressedType->type == QUORVANE_FRAME_EXTENDED &&
            reinterpret_cast<const QuorvaneFrameTypeEx*>(compressedType)->version != 1)
            return QUORVANE_INVALID_EX_FORMAT_VERSION;
        write_side(compressedType, width, height, static_cast<uint32_t>(ct), cs, range, field, true);
    }
    // The record above is written before any refusal, so a caller learns what the stream is even
    // when it cannot decode it. Only table modes 1 and 2 describe decodable frames: other modes
    // name no tables at all.
    const int mode = Quorvane::HeaderTableMode(h);
    if (mode != 1 && mode != 2) return QUORVANE_INVALID_COMPRESSED_FORMAT;
    const bool compYuv = is_yuv_family(ct);

    Side out;
    if (int rc = read_side(output, out); rc) return rc;
    const uint32_t outW = out.width ? out.width : width;
    const uint32_t outH = out.height ? out.height : height;
    uint32_t outType = out.type;
    if (outType == 0 || outType == QUORVANE_FRAME_ANY) outType = static_cast<uint32_t>(e.GetPreferredDecompressedFormat(h));
    const int oType = static_cast<int>(outType);
    const bool outYuv = is_yuv_family(e.GetFormatCategory(oType));
    const bool alike = compYuv == outYuv;
    const uint32_t outCs = out.colorSpace ? out.colorSpace : (alike ? cs : 2);
    const uint32_t outRange = out.range ? out.range : (alike ? range : (outYuv ? 1 : 2));
    const int outCat = category(e, oType);
    if (outCat == 0) return QUORVANE_INVALID_FORMAT;
    if (int rc = check_color(outCat, outCs, outRange); rc) return rc;
    if ((out.flags & QUORVANE_FLAG_BOTTOM_UP) && !e.CanFlip(oType)) return QUORVANE_FLIP_NOT_SUPPORTED;
    if ((out.flags & QUORVANE_FLAG_16U_MAX_32768) && !e.SupportsAdobe16uRange(oType))
        return QUORVANE_16U_MAX_32768_NOT_SUPPORTED;

    e.SetFlipRequest((out.flags & QUORVANE_FLAG_BOTTOM_UP) != 0);
    e.SetRangeRequest((out.flags & QUORVANE_FLAG_16U_MAX_32768) != 0);

    if (outW != width || outH != height) return QUORVANE_INVALID_FORMAT;
    if (!e.CanDecompress(format, formatSize, oType)) return QUORVANE_INVALID_FORMAT;
    // Tables stored in the header must be usable, or no frame of the stream decodes.
    if (!e.HeaderTablesUsable(h, formatSize, oType)) return QUORVANE_INVALID_COMPRESSED_FORMAT;
    if (compYuv && outYuv && (outCs != cs || outRange != range)) return QUORVANE_INVALID_FORMAT;

    if (output) write_side(output, width, height, outType, outCs, outRange, field, false);
    outTypeChosen = outType;
    return QUORVANE_OK;
}

void copy_planes(const QuorvaneFrameData* src, Quorvane::ImagePlane* dst)
{
    for (int k = 0; k < 4; ++k)
        dst[k] = Quorvane::ImagePlane{static_cast<uint8_t*>(src->planes[k].data), src->planes[k].stride,
                                      src->planes[k].size, false};
}

uint32_t real_type(const QuorvaneFrameType* t)
{
    return t->type == QUORVANE_FRAME_EXTENDED ? reinterpret_cast<const QuorvaneFrameTypeEx*>(t)->type : t->type;
}

// Runs body with the instance found and locked; exceptions become `onThrow`.
template <class Body>
int with_instance(uint32_t handle, int onThrow, Body&& body)
{
    try {
        int rc;
        auto inst = quorvane_lookup(handle, rc);
        if (!inst) return rc;
        std::lock_guard<std::recursive_mutex> lock(inst->mutex);
        return body(*inst);
    } catch (...) {
        return onThrow;
    }
}

} // namespace

extern "C" {

int quorvane_compress_query(uint32_t handle, const QuorvaneFrameType* input, QuorvaneFrameType* output,
                            uint32_t* formatSize, uint32_t* maxCompressedSize)
{
    return with_instance(handle, QUORVANE_INVALID_FORMAT, [&](Inst& inst) {
        CompressChoice c;
        const int rc = compress_negotiate(inst.engine, input, output, c);
        if (rc) return rc;
        if (formatSize) *formatSize = c.formatSize;
        if (maxCompressedSize) *maxCompressedSize = c.maxSize;
        return int(QUORVANE_OK);
    });
}

int quorvane_compress_begin(uint32_t handle, const QuorvaneFrameType* input, QuorvaneFrameType* output,
                            const uint8_t** format, uint32_t* formatSize, uint32_t* maxCompressedSize)
{
    return with_instance(handle, QUORVANE_INVALID_FORMAT, [&](Inst& inst) {
        if (inst.state != Inst::kIdle) return int(QUORVANE_INVALID_STATE);
        CompressChoice c;
        if (int rc = compress_negotiate(inst.engine, input, output, c); rc) return rc;
        Quorvane& e = inst.engine;
        // Every block of a stream begun here is predicted with the median predictor.
        QuorvaneEncodeSettings es = e.GetEncodeSettings();
        es.predictor = 3;
        if (es.colorSpace < 1 || es.colorSpace > 2) es.colorSpace = 2;
        if (static_cast<uint32_t>(es.tableMode) >= 4) es.tableMode = 2;
        e.ApplyEncodeSettings(es);
        inst.header.assign(c.formatSize, 0);
        if (!e.CompressGetFormat(inst.header.data(), static_cast<int>(c.in.type), c.in.width, c.in.height,
                                 static_cast<int>(c.outType)))
            return int(QUORVANE_INVALID_FORMAT);
        if (format) *format = inst.header.data();
        if (formatSize) *formatSize = c.formatSize;
        if (maxCompressedSize) *maxCompressedSize = c.maxSize;
        if (!e.CompressBegin(&inst.info, inst.header.data(), static_cast<int>(c.in.type)))
            return int(QUORVANE_INVALID_FORMAT);
        inst.state = Inst::kCompressing;
        return int(QUORVANE_OK);
    });
}

int quorvane_compress(uint32_t handle, const QuorvaneFrameData* source, void* destination, uint32_t* compressedSize)
{
    return with_instance(handle, QUORVANE_INVALID_FRAME_DATA, [&](Inst& inst) {
        if (inst.state != Inst::kCompressing) return int(QUORVANE_INVALID_STATE);
        if (!source || !destination || !compressedSize) return int(QUORVANE_INVALID_ARGUMENT);
        inst.info.data = destination;
        copy_planes(source, inst.info.planes);
        uint32_t size = 0;
        try {
            size = inst.engine.Compress(&inst.info);
        } catch (...) {
            size = 0;
        }
        *compressedSize = size;
        return size == 0 ? int(QUORVANE_INVALID_FRAME_DATA) : int(QUORVANE_OK);
    });
}

int quorvane_compress_end(uint32_t handle)
{
    return with_instance(handle, QUORVANE_ERROR, [&](Inst& inst) {
        if (inst.state != Inst::kCompressing) return int(QUORVANE_INVALID_STATE);
        inst.state = Inst::kIdle;
        return int(QUORVANE_OK);
    });
}

int quorvane_decompress_query(uint32_t handle, const void* format, uint32_t formatSize, QuorvaneFrameType* output,
                              QuorvaneFrameType* compressedType)
{
    return with_instance(handle, QUORVANE_INVALID_FORMAT, [&](Inst& inst) {
        uint32_t outType = 0;
        return decompress_negotiate(inst.engine, format, formatSize, output, compressedType, outType);
    });
}

int quorvane_decompress_begin(uint32_t handle, const void* format, uint32_t formatSize, QuorvaneFrameType* output,
                              QuorvaneFrameType* compressedType)
{
    return with_instance(handle, QUORVANE_INVALID_FORMAT, [&](Inst& inst) {
        if (inst.state != Inst::kIdle) return int(QUORVANE_INVALID_STATE);
        if (!format) return int(QUORVANE_INVALID_ARGUMENT);
        uint32_t outType = 0;
        if (int rc = decompress_negotiate(inst.engine, format, formatSize, output, compressedType, outType); rc)
            return rc;
        const uint8_t* f = static_cast<const uint8_t*>(format);
        inst.header.assign(f, f + formatSize);
        if (!inst.engine.DecompressBegin(&inst.info, inst.header.data(), formatSize, static_cast<int>(outType)))
            return int(QUORVANE_INVALID_FORMAT);
        inst.state = Inst::kDecompressing;
        return int(QUORVANE_OK);
    });
}

int quorvane_decompress(uint32_t handle, const void* frame, uint32_t frameSize, const QuorvaneFrameData* destination)
{
    return with_instance(handle, QUORVANE_ERROR, [&](Inst& inst) {
        if (inst.state != Inst::kDecompressing) return int(QUORVANE_INVALID_STATE);
        if (!frame || !destination) return int(QUORVANE_INVALID_ARGUMENT);
        inst.info.data = const_cast<void*>(frame);
        inst.info.dataSize = frameSize;
        copy_planes(destination, inst.info.planes);
        switch (inst.engine.Decompress(&inst.info)) {
        case 0: return int(QUORVANE_OK);
        case -1: return int(QUORVANE_INVALID_FRAME_DATA);
        case -2: return int(QUORVANE_FRAME_TYPE_MISMATCH);
        case -3: return int(QUORVANE_CORRUPT_FRAME);
        default: return int(QUORVANE_ERROR);
        }
    });
}

int quorvane_decompress_end(uint32_t handle)
{
    return with_instance(handle, QUORVANE_ERROR, [&](Inst& inst) {
        if (inst.state != Inst::kDecompressing) return int(QUORVANE_INVALID_STATE);
        inst.state = Inst::kIdle;
        return int(QUORVANE_OK);
    });
}

int quorvane_init_planes_common(uint32_t handle, const QuorvaneFrameType* type, QuorvaneFrameData* planes,
                                void* buffer)
{
    return with_instance(handle, QUORVANE_INVALID_FORMAT, [&](Inst& inst) {
        if (!type || !planes) return int(QUORVANE_INVALID_ARGUMENT);
        Quorvane::ImagePlane out[4];
        if (!inst.engine.InitPlanePtrs(out, static_cast<uint8_t*>(buffer), static_cast<int>(real_type(type)),
                                       type->width, type->height, nullptr))
            return int(QUORVANE_INVALID_FORMAT);
        for (int k = 0; k < 4; ++k) planes->planes[k] = QuorvanePlane{out[k].data, out[k].stride, out[k].size};
        return int(QUORVANE_OK);
    });
}

int quorvane_check_data_format(uint32_t handle, const QuorvaneFrameType* type, const QuorvaneFrameData* planes)
{
    return with_instance(handle, QUORVANE_INVALID_FORMAT, [&](Inst& inst) {
        if (!type || !planes) return int(QUORVANE_INVALID_ARGUMENT);
        const int t = static_cast<int>(real_type(type));
        if (!inst.engine.CanCompress(t, QUORVANE_FRAME_ANY, type->width, type->height))
            return int(QUORVANE_INVALID_FORMAT);
        Quorvane::ImagePlane in[4];
        copy_planes(planes, in);
        return inst.engine.CheckPlaneAlignmentsAndSizes(in, t, type->width, type->height)
                   ? int(QUORVANE_OK)
                   : int(QUORVANE_INVALID_FRAME_DATA);
    });
}

} // extern "C"
