// The function interface: library references, handles, parameters, names, the order of the
// checks, and the negotiations.

#include "codec_fixture.h"

// Records are written with only their leading fields where the rest are zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <functional>
#include <string>
#include <thread>

namespace {

using qtest::CodecHandle;

TEST(Library, ReferencesAndHandles)
{
    ASSERT_EQ(quorvane_library_ref_count(), 0);
    uint32_t h = 77;
    EXPECT_EQ(quorvane_open(nullptr), QUORVANE_INVALID_ARGUMENT);
    EXPECT_EQ(quorvane_open(&h), QUORVANE_LIBRARY_NOT_INITIALIZED);
    EXPECT_EQ(h, 0u);
    quorvane_library_close(); // nothing to close
    EXPECT_EQ(quorvane_library_init(), QUORVANE_OK);
    EXPECT_EQ(quorvane_library_init(), QUORVANE_OK);
    EXPECT_EQ(quorvane_library_ref_count(), 2);
    uint32_t a, b, c;
    ASSERT_EQ(quorvane_open(&a), 0);
    ASSERT_EQ(quorvane_open(&b), 0);
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 2u);
    EXPECT_EQ(quorvane_close(a), 0);
    EXPECT_EQ(quorvane_close(a), QUORVANE_INVALID_HANDLE);
    ASSERT_EQ(quorvane_open(&c), 0);
    EXPECT_EQ(c, 3u); // never reused
    quorvane_library_close();
    EXPECT_EQ(quorvane_library_ref_count(), 1);
    int32_t v = 0;
    EXPECT_EQ(quorvane_get_param(b, QUORVANE_PARAM_NUM_THREADS, &v, 4), 0);
    quorvane_library_close();
    EXPECT_EQ(quorvane_library_ref_count(), 0);
    EXPECT_EQ(quorvane_close(b), QUORVANE_LIBRARY_NOT_INITIALIZED);
    quorvane_library_init();
    ASSERT_EQ(quorvane_open(&a), 0);
    EXPECT_EQ(a, 1u); // a new library numbers from 1 again
    quorvane_library_close();
}

TEST(Library, CloseWhileCompressing)
{
    CodecHandle h;
    qtest::Stream s;
    ASSERT_EQ(qtest::begin_compress(h, QUORVANE_FRAME_Y8, 16, 16, QUORVANE_FRAME_ANY, s), 0);
    uint32_t extra;
    ASSERT_EQ(quorvane_open(&extra), 0);
    ASSERT_EQ(qtest::begin_compress(extra, QUORVANE_FRAME_Y8, 16, 16, QUORVANE_FRAME_ANY, s), 0);
    EXPECT_EQ(quorvane_close(extra), 0);
    EXPECT_EQ(quorvane_compress_end(extra), QUORVANE_INVALID_HANDLE);
}

TEST(Library, Names)
{
    struct Case {
        int kind, value;
        const char* text;
    } cases[] = {
        {1, 0, "UNKNOWN"},   {1, 1, "BGRX"},         {1, 51, "????"},     {1, 58, "YUV420P_10"},
        {1, 116, "????"},    {1, 122, "COMP_12_BAYER"}, {1, 254, "EXTENDED"}, {1, 255, "ANY"},
        {1, 300, "????"},    {1, -1, "????"},        {1, 59, "????"},     {2, 0, "OK"},
        {2, -15, "16U_MAX_32768_NOT_SUPPORTED"},     {2, -17, "INVALID_EX_FORMAT_VERSION"},
        {2, -99, "NOT_IMPLEMENTED"}, {2, -50, "UNKNOWN"}, {2, 3, "UNKNOWN"}, {3, 1, "BT601"},
        {3, 2, "BT709"},     {3, 0, "UNKNOWN"},      {4, 1, "NUM_THREADS"}, {4, 7, "SUPPORTS_FLIP"},
        {4, 9, "SUPPORTS_16U_MAX_32768"}, {4, 1010, "UNKNOWN"}, {0, 1, ""}, {5, 1, ""},
    };
    for (const Case& c : cases) EXPECT_STREQ(quorvane_get_string(c.kind, c.value), c.text) << c.kind << " " << c.value;
    const QuorvaneFrameType any = QuorvaneFrameTypeAny();
    EXPECT_EQ(any.width, 0u);
    EXPECT_EQ(any.type, 255u);
}

TEST(Params, ValuesAndErrors)
{
    CodecHandle h;
    int32_t v = 0;
    EXPECT_EQ(quorvane_set_param_value(h, QUORVANE_PARAM_NUM_THREADS, 100), 0);
    EXPECT_EQ(quorvane_get_param(h, QUORVANE_PARAM_NUM_THREADS, &v, 4), 0);
    EXPECT_EQ(v, 64);
    EXPECT_EQ(quorvane_set_param_value(h, QUORVANE_PARAM_NUM_THREADS, 3), 0);
    EXPECT_EQ(quorvane_get_param(h, QUORVANE_PARAM_NUM_THREADS, &v, 4), 0);
    EXPECT_EQ(v, 3);

    struct Get {
        int id, in, rc, out;
    } gets[] = {
        {7, QUORVANE_FRAME_BGRA, 0, 1},   {7, QUORVANE_FRAME_I420, 0, 0},   {7, 0, -5, 0},
        {9, QUORVANE_FRAME_B64A, 0, 1},   {9, QUORVANE_FRAME_BGRA, 0, 0},   {9, 999, -5, 0},
        {7, QUORVANE_FRAME_COMP_RGB, 0, 1}, // answered by its preferred frame type's frontend
        {1030, QUORVANE_FRAME_BGRA, 0, QUORVANE_FRAME_COMP_RGBA},
        {1030, QUORVANE_FRAME_COMP_RGB, 0, QUORVANE_FRAME_BGRX},
        {1030, QUORVANE_FRAME_COMP_12_BAYER, 0, QUORVANE_FRAME_BAYER_12_PACKED_GBRG},
        {1030, 116, 0, 0},                {1030, 0, 0, 0},
    };
    for (const Get& g : gets) {
        v = g.in;
        EXPECT_EQ(quorvane_get_param(h, g.id, &v, 4), g.rc) << g.id << " " << g.in;
        EXPECT_EQ(v, g.out) << g.id << " " << g.in;
    }

    // 8-bit formats off: their types have no binding.
    EXPECT_EQ(quorvane_set_param_value(h, QUORVANE_PARAM_ENABLE_8BIT, 0), 0);
    v = QUORVANE_FRAME_BGRA;
    EXPECT_EQ(quorvane_get_param(h, 7, &v, 4), QUORVANE_INVALID_FORMAT);
    EXPECT_EQ(quorvane_set_param_value(h, QUORVANE_PARAM_ENABLE_8BIT, 1), 0);
    v = QUORVANE_FRAME_BGRA;
    EXPECT_EQ(quorvane_get_param(h, 7, &v, 4), 0);
}

// The first failing check decides the code; each row sets up a state and makes one call.
TEST(Params, CheckOrderTable)
{
    struct Row {
        const char* what;
        bool library, validHandle, compressing;
        std::function<int(uint32_t)> call;
        int expected;
    };
    const int32_t four = 4;
    int32_t out = 0;
    const Row rows[] = {
        {"set no library", false, true, false, [&](uint32_t h) { return quorvane_set_param(h, 1, &four, 4); }, -2},
        {"set bad handle", true, false, false, [&](uint32_t h) { return quorvane_set_param(h, 1, nullptr, 4); }, -4},
        {"set null", true, true, true, [&](uint32_t h) { return quorvane_set_param(h, 1010, nullptr, 8); }, -3},
        {"set unknown id", true, true, true, [&](uint32_t h) { return quorvane_set_param(h, 5, &four, 8); }, -8},
        {"set 1010 size", true, true, true, [&](uint32_t h) { return quorvane_set_param(h, 1010, &four, 8); }, -9},
        {"set 1010 state", true, true, true, [&](uint32_t h) { return quorvane_set_param(h, 1010, &four, 4); }, -6},
        {"set 1020 state", true, true, true, [&](uint32_t h) { return quorvane_set_param(h, 1020, &four, 4); }, -6},
        {"set 1 size", true, true, false, [&](uint32_t h) { return quorvane_set_param(h, 1, &four, 8); }, -9},
        {"set 1 busy", true, true, true, [&](uint32_t h) { return quorvane_set_param(h, 1, &four, 4); }, 0},
        {"set 1030", true, true, false, [&](uint32_t h) { return quorvane_set_param(h, 1030, &four, 4); }, -8},
        {"get null", true, true, false, [&](uint32_t h) { return quorvane_get_param(h, 99, nullptr, 8); }, -3},
        {"get 1010", true, true, false, [&](uint32_t h) { return quorvane_get_param(h, 1010, &out, 8); }, -8},
        {"get size", true, true, false, [&](uint32_t h) { return quorvane_get_param(h, 1, &out, 2); }, -9},
        {"compress idle", true, true, false, [&](uint32_t h) { return quorvane_compress(h, nullptr, nullptr, nullptr); }, -6},
        {"compress null", true, true, true, [&](uint32_t h) { return quorvane_compress(h, nullptr, &out, nullptr); }, -3},
        {"compress no lib", false, true, true, [&](uint32_t h) { return quorvane_compress(h, nullptr, nullptr, nullptr); }, -2},
        {"begin twice", true, true, true, [&](uint32_t h) { return quorvane_compress_begin(h, nullptr, nullptr, nullptr, nullptr, nullptr); }, -6},
        {"begin null", true, true, false, [&](uint32_t h) { return quorvane_compress_begin(h, nullptr, nullptr, nullptr, nullptr, nullptr); }, -3},
        {"query null", true, true, true, [&](uint32_t h) { return quorvane_compress_query(h, nullptr, nullptr, nullptr, nullptr); }, -3},
        {"end idle", true, true, false, [&](uint32_t h) { return quorvane_compress_end(h); }, -6},
        {"dend compressing", true, true, true, [&](uint32_t h) { return quorvane_decompress_end(h); }, -6},
        {"dbegin busy", true, true, true, [&](uint32_t h) { return quorvane_decompress_begin(h, nullptr, 0, nullptr, nullptr); }, -6},
        {"dbegin null", true, true, false, [&](uint32_t h) { return quorvane_decompress_begin(h, nullptr, 0, nullptr, nullptr); }, -3},
        {"dquery null", true, true, true, [&](uint32_t h) { return quorvane_decompress_query(h, nullptr, 0, nullptr, nullptr); }, -3},
        {"decompress idle", true, true, false, [&](uint32_t h) { return quorvane_decompress(h, nullptr, 0, nullptr); }, -6},
        {"init planes null", true, true, true, [&](uint32_t h) { return quorvane_init_planes_common(h, nullptr, nullptr, nullptr); }, -3},
        {"check null", true, true, false, [&](uint32_t h) { return quorvane_check_data_format(h, nullptr, nullptr); }, -3},
        {"close bad", true, false, false, [&](uint32_t h) { return quorvane_close(h); }, -4},
    };
    for (const Row& r : rows) {
        uint32_t h = 0;
        if (r.library) {
            quorvane_library_init();
            ASSERT_EQ(quorvane_open(&h), 0);
            if (r.compressing) {
                qtest::Stream s;
                ASSERT_EQ(qtest::begin_compress(h, QUORVANE_FRAME_Y8, 8, 8, QUORVANE_FRAME_ANY, s), 0);
            }
        }
        const uint32_t target = r.validHandle ? (r.library ? h : 1u) : h + 100;
        EXPECT_EQ(r.call(target), r.expected) << r.what;
        if (r.library) {
            quorvane_close(h);
            quorvane_library_close();
        }
    }
}

TEST(Negotiate, CompressQuery)
{
    CodecHandle h;
    QuorvaneFrameType in{128, 128, QUORVANE_FRAME_BGRA, 0}, out{0, 0, QUORVANE_FRAME_ANY, 0xdeadbeef};
    uint32_t fs = 0, ms = 0;
    EXPECT_EQ(quorvane_compress_query(h, &in, &out, &fs, &ms), 0);
    EXPECT_EQ(out.width, 128u);
    EXPECT_EQ(out.height, 128u);
    EXPECT_EQ(out.type, uint32_t(QUORVANE_FRAME_COMP_RGBA));
    EXPECT_EQ(out.reserved, 0xdeadbeef);
    EXPECT_EQ(fs, 32u);
    EXPECT_EQ(ms, 327680u);

    struct Row {
        QuorvaneFrameTypeEx in, out;
        int rc;
    };
    const uint32_t E = QUORVANE_FRAME_EXTENDED;
    const Row rows[] = {
        {{64, 64, E, 2, QUORVANE_FRAME_BGRA}, {0, 0, 0}, -17},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA}, {0, 0, E, 2}, -17},
        {{0, 64, E, 1, QUORVANE_FRAME_BGRA}, {0, 0, 0}, -5},
        {{64, 64, E, 1, 200}, {0, 0, 0}, -5},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA, 0, 1}, {0, 0, 0}, -16},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA, 0, 2, 1}, {0, 0, 0}, -18},
        {{64, 64, E, 1, QUORVANE_FRAME_I420, 0, 3}, {0, 0, 0}, -16},
        {{64, 64, E, 1, QUORVANE_FRAME_I420, 1}, {0, 0, 0}, -14},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA, 2}, {0, 0, 0}, -15},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA}, {0, 0, E, 1, QUORVANE_FRAME_COMP_RGBA, 1}, -14},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA}, {0, 0, E, 1, QUORVANE_FRAME_COMP_RGBA, 2}, -15},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA}, {0, 0, E, 1, QUORVANE_FRAME_COMP_RGBA, 0, 1}, -16},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA}, {0, 0, E, 1, QUORVANE_FRAME_COMP_RGBA, 0, 2, 1}, -18},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA}, {32, 64, E, 1, QUORVANE_FRAME_COMP_RGBA}, -5},
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA}, {0, 0, E, 1, QUORVANE_FRAME_COMP_YUV420}, -5},
        {{64, 64, E, 1, QUORVANE_FRAME_I420, 0, 1, 1}, {0, 0, E, 1, QUORVANE_FRAME_COMP_YUV420, 0, 1, 2}, -5},
        {{64, 64, E, 1, QUORVANE_FRAME_I420, 0, 1, 1}, {0, 0, E, 1, QUORVANE_FRAME_COMP_YUV420, 0, 2, 1}, -5},
        {{62, 62, E, 1, QUORVANE_FRAME_I420}, {0, 0, 0}, 0},
        {{62, 61, E, 1, QUORVANE_FRAME_I420}, {0, 0, 0}, -5},
        {{62, 62, E, 1, QUORVANE_FRAME_I420, 0, 0, 0, 1}, {0, 0, 0}, -5}, // interlaced 4:2:0 needs a multiple of 4
        {{64, 64, E, 1, QUORVANE_FRAME_BGRA, 1}, {0, 0, 0}, 0},
        {{64, 64, E, 1, QUORVANE_FRAME_COMP_RGB}, {0, 0, 0}, -5},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        QuorvaneFrameTypeEx a = rows[i].in, b = rows[i].out;
        QuorvaneFrameType* outp = b.type == 0 && b.marker == 0 ? nullptr : reinterpret_cast<QuorvaneFrameType*>(&b);
        EXPECT_EQ(quorvane_compress_query(h, reinterpret_cast<QuorvaneFrameType*>(&a), outp, nullptr, nullptr),
                  rows[i].rc)
            << "row " << i;
    }

    // The extended output record gets the chosen values and the input's field type.
    QuorvaneFrameTypeEx a{64, 64, E, 1, QUORVANE_FRAME_I444, 0, 1, 2, 2};
    QuorvaneFrameTypeEx b{0, 0, E, 1, QUORVANE_FRAME_COMP_YUV420, 0x100, 0, 0, 0};
    ASSERT_EQ(quorvane_compress_query(h, reinterpret_cast<QuorvaneFrameType*>(&a),
                                      reinterpret_cast<QuorvaneFrameType*>(&b), nullptr, nullptr),
              0);
    EXPECT_EQ(b.width, 64u);
    EXPECT_EQ(b.colorSpace, 1u);
    EXPECT_EQ(b.range, 2u);
    EXPECT_EQ(b.fieldType, 2u);
    EXPECT_EQ(b.flags, 0x100u);
}

TEST(Negotiate, DecompressQuery)
{
    CodecHandle h;
    qtest::Stream s;
    // A full-range BT.601 4:2:0 stream.
    QuorvaneFrameTypeEx in{64, 64, QUORVANE_FRAME_EXTENDED, 1, QUORVANE_FRAME_I420, 0, 1, 2, 0};
    QuorvaneFrameType out{0, 0, QUORVANE_FRAME_ANY, 0};
    const uint8_t* fmt;
    uint32_t fs;
    ASSERT_EQ(quorvane_compress_begin(h, reinterpret_cast<QuorvaneFrameType*>(&in), &out, &fmt, &fs, nullptr), 0);
    std::vector<uint8_t> hdr(fmt, fmt + fs);
    EXPECT_EQ(hdr[11], 1);
    EXPECT_EQ(hdr[12] & 4, 4);
    ASSERT_EQ(quorvane_compress_end(h), 0);

    QuorvaneFrameTypeEx ct{}, o{};
    ct.marker = QUORVANE_FRAME_EXTENDED;
    ct.version = 1;
    o = QuorvaneFrameTypeEx{0, 0, QUORVANE_FRAME_EXTENDED, 1, 0};
    ASSERT_EQ(quorvane_decompress_query(h, hdr.data(), fs, reinterpret_cast<QuorvaneFrameType*>(&o),
                                        reinterpret_cast<QuorvaneFrameType*>(&ct)),
              0);
    EXPECT_EQ(o.type, uint32_t(QUORVANE_FRAME_YV12));
    EXPECT_EQ(o.colorSpace, 1u);
    EXPECT_EQ(o.range, 2u);
    EXPECT_EQ(ct.type, uint32_t(QUORVANE_FRAME_COMP_YUV420));
    EXPECT_EQ(ct.colorSpace, 1u);
    EXPECT_EQ(ct.range, 2u);
    EXPECT_EQ(ct.fieldType, 0u);

    struct Row {
        const char* what;
        QuorvaneFrameTypeEx out;
        int rc;
    };
    const uint32_t E = QUORVANE_FRAME_EXTENDED;
    const Row rows[] = {
        {"bad version", {0, 0, E, 3, QUORVANE_FRAME_I420}, -17},
        {"flip", {0, 0, E, 1, QUORVANE_FRAME_I420, 1}, -14},
        {"host range", {0, 0, E, 1, QUORVANE_FRAME_I420, 2}, -15},
        {"other size", {64, 32, E, 1, QUORVANE_FRAME_I420}, -5},
        {"no binding", {0, 0, E, 1, QUORVANE_FRAME_V210}, -5},
        {"other range", {0, 0, E, 1, QUORVANE_FRAME_I420, 0, 1, 1}, -5},
        {"other space", {0, 0, E, 1, QUORVANE_FRAME_I420, 0, 2, 2}, -5},
        {"rgb space", {0, 0, E, 1, QUORVANE_FRAME_BGRX, 0, 1}, -16},
        {"rgb", {0, 0, E, 1, QUORVANE_FRAME_BGRX}, 0},
        {"grey", {0, 0, E, 1, QUORVANE_FRAME_Y8}, -5},
        {"any", {0, 0, E, 1, QUORVANE_FRAME_ANY}, 0},
    };
    for (const Row& r : rows) {
        QuorvaneFrameTypeEx x = r.out;
        EXPECT_EQ(quorvane_decompress_query(h, hdr.data(), fs, reinterpret_cast<QuorvaneFrameType*>(&x), nullptr), r.rc)
            << r.what;
    }

    // Headers that do not parse.
    std::vector<uint8_t> bad = hdr;
    EXPECT_EQ(quorvane_decompress_query(h, bad.data(), 31, nullptr, nullptr), -11);
    bad[4] = 33;
    EXPECT_EQ(quorvane_decompress_query(h, bad.data(), 32, nullptr, nullptr), -11);
    bad = hdr;
    bad[8] = 8;
    EXPECT_EQ(quorvane_decompress_query(h, bad.data(), 32, nullptr, nullptr), -11);
    bad = hdr;
    bad[0] = 'X';
    EXPECT_EQ(quorvane_decompress_query(h, bad.data(), 32, nullptr, nullptr), -11);

    // A YUV stream with colour-space byte 3: -5 into RGB, -16 into YUV left to choose.
    bad = hdr;
    bad[11] = 3;
    QuorvaneFrameType rgb{0, 0, QUORVANE_FRAME_BGRX, 0}, yuv{0, 0, QUORVANE_FRAME_I420, 0};
    QuorvaneFrameTypeEx ct2{0, 0, QUORVANE_FRAME_EXTENDED, 1, 0};
    EXPECT_EQ(quorvane_decompress_query(h, bad.data(), 32, &rgb, reinterpret_cast<QuorvaneFrameType*>(&ct2)), -5);
    EXPECT_EQ(ct2.type, uint32_t(QUORVANE_FRAME_COMP_YUV420)); // written before the failure
    EXPECT_EQ(ct2.colorSpace, 3u);
    EXPECT_EQ(quorvane_decompress_query(h, bad.data(), 32, &yuv, nullptr), -16);

    // Table mode 3 (flags bits 20-23) is refused, but only after the stream is described.
    bad = hdr;
    bad[14] = static_cast<uint8_t>((bad[14] & 0x0F) | 0x30);
    QuorvaneFrameTypeEx ct3{0, 0, QUORVANE_FRAME_EXTENDED, 1, 0};
    QuorvaneFrameType plain{0, 0, 0, 0};
    EXPECT_EQ(quorvane_decompress_query(h, bad.data(), 32, nullptr, reinterpret_cast<QuorvaneFrameType*>(&ct3)), -11);
    EXPECT_EQ(quorvane_decompress_begin(h, bad.data(), 32, nullptr, &plain), -11);
    EXPECT_EQ(ct3.width, 64u);
    EXPECT_EQ(ct3.type, uint32_t(QUORVANE_FRAME_COMP_YUV420));
    EXPECT_EQ(ct3.colorSpace, 1u);
    EXPECT_EQ(ct3.range, 2u);
    EXPECT_EQ(plain.height, 64u);
    EXPECT_EQ(plain.type, uint32_t(QUORVANE_FRAME_COMP_YUV420));
}

TEST(Negotiate, FramePlanesLayoutAndCheck)
{
    CodecHandle h;
    QuorvaneFrameType t{6, 4, QUORVANE_FRAME_YV12, 0};
    QuorvaneFrameData d{};
    ASSERT_EQ(quorvane_init_planes_common(h, &t, &d, nullptr), 0);
    EXPECT_EQ(d.planes[0].data, nullptr);
    EXPECT_EQ(d.planes[0].stride, 6);
    EXPECT_EQ(d.planes[0].size, 24u);
    EXPECT_EQ(d.planes[1].stride, 3);
    EXPECT_EQ(d.planes[1].size, 6u);
    EXPECT_EQ(d.planes[2].size, 6u);
    EXPECT_EQ(d.planes[3].size, 0u);
    std::vector<uint8_t> buf(36);
    ASSERT_EQ(quorvane_init_planes_common(h, &t, &d, buf.data()), 0);
    EXPECT_EQ(d.planes[1].data, buf.data() + 24);
    EXPECT_EQ(d.planes[2].data, buf.data() + 30);
    EXPECT_EQ(quorvane_check_data_format(h, &t, &d), 0);

    struct Row {
        const char* what;
        int plane;
        int32_t stride;
        uint32_t size;
        bool nullData;
        int rc;
    } rows[] = {
        {"exact", 0, 6, 24, false, 0},
        {"null", 1, 3, 6, true, -7},
        {"zero stride", 0, 0, 24, false, -7},
        {"short stride", 0, 5, 24, false, -7},
        {"negative stride", 0, -6, 24, false, -7},
        {"small plane", 2, 3, 5, false, -7},
        // Wider stride, size of rows x row bytes: the last row would end past the plane.
        {"stride past size", 0, 8, 24, false, -7},
        {"stride with room", 0, 8, 30, false, 0},
    };
    for (const Row& r : rows) {
        QuorvaneFrameData x = d;
        x.planes[r.plane].stride = r.stride;
        x.planes[r.plane].size = r.size;
        if (r.nullData) x.planes[r.plane].data = nullptr;
        EXPECT_EQ(quorvane_check_data_format(h, &t, &x), r.rc) << r.what;
    }
    QuorvaneFrameType odd{6, 5, QUORVANE_FRAME_YV12, 0};
    EXPECT_EQ(quorvane_check_data_format(h, &odd, &d), -5);
    QuorvaneFrameType none{6, 4, 300, 0};
    EXPECT_EQ(quorvane_init_planes_common(h, &none, &d, nullptr), -5);
}

TEST(Locks, HandlesWorkInParallel)
{
    quorvane_library_init();
    auto worker = [](uint32_t seed, bool* ok) {
        uint32_t h;
        *ok = quorvane_open(&h) == 0;
        for (int i = 0; i < 20 && *ok; ++i) {
            qtest::Stream s;
            *ok = qtest::begin_compress(h, QUORVANE_FRAME_Y8, 32 + 2 * (seed % 4), 30, QUORVANE_FRAME_ANY, s) == 0;
            int32_t v = QUORVANE_FRAME_BGRA;
            *ok = *ok && quorvane_get_param(h, 7, &v, 4) == 0 && v == 1;
            *ok = *ok && quorvane_compress_end(h) == 0;
        }
        quorvane_close(h);
    };
    bool ok[4];
    std::thread t[4];
    for (int i = 0; i < 4; ++i) t[i] = std::thread(worker, i, &ok[i]);
    for (auto& th : t) th.join();
    for (bool b : ok) EXPECT_TRUE(b);
    quorvane_library_close();
}

} // namespace
