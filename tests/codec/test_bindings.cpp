// The binding map: counts, the shape of particular bindings, the filters, the maps and settings.

#include "codec/QuorvaneEngine.h"
#include "codec/bindings/FormatObjects.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <typeinfo>

namespace {

int count_bits(const Quorvane& e, bool eight)
{
    int n = 0;
    for (const auto& [k, v] : e.GetBindings()) n += (v.backend->get_pixel_bits() == 8) == eight;
    return n;
}

TEST(Bindings, FreshEngineHoldsEveryBinding)
{
    Quorvane e(true, true);
    EXPECT_EQ(e.GetBindingCount(), 376u);
    int compress = 0, decompress = 0, any = 0;
    for (const auto& [k, v] : e.GetBindings()) {
        ASSERT_NE(v.frontend, nullptr);
        ASSERT_NE(v.backend, nullptr);
        if (k.second == QUORVANE_FRAME_ANY) ++any;
        else if (v.direction == Quorvane::kCompress) ++compress;
        else ++decompress;
        // The backend is the stored planes' geometry: the converter's compressed side, or the
        // frontend's own planes.
        if (v.converter) {
            EXPECT_EQ(v.backend, v.direction == Quorvane::kCompress ? v.converter->dstBackend : v.converter->srcBackend);
        } else {
            EXPECT_EQ(v.backend, v.frontend->m_backend);
        }
    }
    EXPECT_EQ(compress, 150);
    EXPECT_EQ(decompress, 150);
    EXPECT_EQ(any, 76);
}

TEST(Bindings, ReverseKeepsFrontendAndTakesTheInverseConverter)
{
    Quorvane e(true, true);
    for (const auto& [k, v] : e.GetBindings()) {
        if (k.second == QUORVANE_FRAME_ANY || v.direction != Quorvane::kCompress) continue;
        const Quorvane::CompressProc* d = e.FindBinding(k.second, k.first);
        ASSERT_NE(d, nullptr) << k.first << "->" << k.second;
        EXPECT_EQ(d->direction, Quorvane::kDecompress);
        EXPECT_EQ(d->frontend, v.frontend);
        EXPECT_EQ(d->converted, v.converted);
        EXPECT_EQ(d->converter == nullptr, v.converter == nullptr);
        if (v.converter) {
            EXPECT_NE(d->converter, v.converter);
            // Same stored geometry on both sides.
            EXPECT_EQ(typeid(*d->backend), typeid(*v.backend));
            EXPECT_EQ(typeid(*d->converter->srcBackend), typeid(*v.converter->dstBackend));
            EXPECT_EQ(typeid(*d->converter->dstBackend), typeid(*v.converter->srcBackend));
        }
    }
}

TEST(Bindings, AnyBindingsCopyTheDefaults)
{
    Quorvane e(true, true);
    struct Case {
        int type, partner;
        bool converted;
    } cases[] = {
        {QUORVANE_FRAME_BGRA, QUORVANE_FRAME_COMP_RGBA, false},
        {QUORVANE_FRAME_B64A, QUORVANE_FRAME_COMP_10_RGBA, false},
        {QUORVANE_FRAME_COMP_10_RGB, QUORVANE_FRAME_B48R, false},
        {QUORVANE_FRAME_YUV444P_16, QUORVANE_FRAME_COMP_10_YUV444, true},
        {QUORVANE_FRAME_COMP_YUV420, QUORVANE_FRAME_YV12, false},
    };
    for (const Case& c : cases) {
        const Quorvane::CompressProc* any = e.FindBinding(c.type, QUORVANE_FRAME_ANY);
        const Quorvane::CompressProc* def = e.FindBinding(c.type, c.partner);
        ASSERT_NE(any, nullptr);
        ASSERT_NE(def, nullptr);
        EXPECT_EQ(any->frontend, def->frontend);
        EXPECT_EQ(any->converter, def->converter);
        EXPECT_EQ(any->backend, def->backend);
        EXPECT_EQ(any->direction, def->direction);
        EXPECT_EQ(any->converted, c.converted);
    }
}

TEST(Bindings, MatrixTagFollowsColorSpaceAndRange)
{
    Quorvane e(true, true);
    FormatObjects probe; // only used for the types of the four tag objects
    const std::type_info* tags[4] = {&typeid(probe.rgbx_yuv3.rec601Limited), &typeid(probe.rgbx_yuv3.rec601Full),
                                     &typeid(probe.rgbx_yuv3.rec709Limited), &typeid(probe.rgbx_yuv3.rec709Full)};
    struct Case {
        int cs;
        bool full;
        int tag;
    } cases[] = {{1, false, 0}, {1, true, 1}, {2, false, 2}, {2, true, 3}, {0, false, 2}, {7, true, 3}};
    std::set<const ImgProcFrontend*> seen;
    for (const Case& c : cases) {
        e.InitCompProcMap(c.cs, c.full);
        const Quorvane::CompressProc* p = e.FindBinding(QUORVANE_FRAME_RGBX, QUORVANE_FRAME_COMP_YUV422);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(typeid(*p->frontend), *tags[c.tag]);
        seen.insert(p->frontend);
        EXPECT_EQ(e.GetBindingCount(), 376u);
    }
    EXPECT_EQ(seen.size(), 4u); // four distinct objects
}

TEST(Bindings, DepthFiltersRemoveAndRestore)
{
    Quorvane e(true, true);
    const int eight = count_bits(e, true), deep = count_bits(e, false);
    EXPECT_EQ(eight + deep, 376);
    e.SetHighBitFormatsEnabled(false);
    EXPECT_EQ(count_bits(e, false), 0);
    EXPECT_EQ(count_bits(e, true), eight);
    EXPECT_EQ(e.FindBinding(QUORVANE_FRAME_B64A, QUORVANE_FRAME_ANY), nullptr);
    EXPECT_EQ(e.FindBinding(QUORVANE_FRAME_BAYER_12_PACKED_GBRG, QUORVANE_FRAME_ANY), nullptr);
    e.Set8BitFormatsEnabled(false);
    EXPECT_EQ(e.GetBindingCount(), 0u);
    e.SetHighBitFormatsEnabled(true);
    EXPECT_EQ(count_bits(e, false), deep);
    EXPECT_EQ(count_bits(e, true), 0);
    e.Set8BitFormatsEnabled(true);
    EXPECT_EQ(e.GetBindingCount(), 376u);
}

TEST(Bindings, DecodeOutputMaskRemovesOnlyForeignCategories)
{
    Quorvane e(true, true);
    QuorvaneSettings s = e.GetSettings();
    s.decodeMask420 = ~(1 << 2); // no category 103 outputs from COMP_YUV420
    e.ApplySettings(s);
    for (int t : {49, 45, 7, 29, 44}) EXPECT_EQ(e.FindBinding(105, t), nullptr) << t;
    for (int t : {6, 10, 4, 5, 1, 17, 255}) EXPECT_NE(e.FindBinding(105, t), nullptr) << t;
    EXPECT_EQ(e.GetBindingCount(), 371u);

    // The map is kept between frames; a changed mask must still rebuild it.
    s.decodeMask420 = -1;
    e.ApplySettings(s);
    EXPECT_NE(e.FindBinding(105, 49), nullptr);
    EXPECT_EQ(e.GetBindingCount(), 376u);
}

TEST(Bindings, MapsAndQueries)
{
    Quorvane e(true, true);
    EXPECT_EQ(e.GetDefaultFormat(QUORVANE_FRAME_COMP_RGB), QUORVANE_FRAME_BGRX);
    EXPECT_EQ(e.GetDefaultFormat(QUORVANE_FRAME_COMP_12_BAYER), QUORVANE_FRAME_BAYER_12_PACKED_GBRG);
    EXPECT_EQ(e.GetDefaultFormat(QUORVANE_FRAME_BGRA_32F), QUORVANE_FRAME_COMP_10_RGBA);
    EXPECT_EQ(e.GetDefaultFormat(116), 0);
    EXPECT_EQ(e.GetDefaultFormat(0), 0);
    EXPECT_EQ(e.GetFormatCategory(QUORVANE_FRAME_GBRP_16), 116);
    EXPECT_EQ(e.GetFormatCategory(QUORVANE_FRAME_COMP_RGB), 0);
    int keys = 0;
    for (int t = -1; t < 300; ++t) keys += e.GetDefaultFormat(t) != 0;
    EXPECT_EQ(keys, 76);
    EXPECT_TRUE(e.IsAlphaFormat(QUORVANE_FRAME_BGRA));
    EXPECT_FALSE(e.IsAlphaFormat(QUORVANE_FRAME_BGRX));
    EXPECT_TRUE(e.IsConverted(QUORVANE_FRAME_I444, QUORVANE_FRAME_COMP_YUV420));
    EXPECT_FALSE(e.IsConverted(QUORVANE_FRAME_B64A, QUORVANE_FRAME_COMP_10_RGBA));
    EXPECT_TRUE(e.CanFlip(QUORVANE_FRAME_BGRA));
    EXPECT_FALSE(e.CanFlip(QUORVANE_FRAME_I420));
    bool missing = false;
    EXPECT_FALSE(e.CanFlip(0, &missing));
    EXPECT_TRUE(missing);
    // Only the 64-bit layouts honour the host's 16-bit range.
    for (int t = 1; t <= 58; ++t) {
        const bool expected = t == 23 || t == 24 || t == 26 || t == 27 || t == 31 || t == 32;
        EXPECT_EQ(e.SupportsAdobe16uRange(t), expected) << t;
    }
}

TEST(Bindings, CanCompressChecksSizesAndMask)
{
    Quorvane e(true, true);
    EXPECT_TRUE(e.CanCompress(QUORVANE_FRAME_I420, QUORVANE_FRAME_COMP_YUV420, 4, 4));
    EXPECT_FALSE(e.CanCompress(QUORVANE_FRAME_I420, QUORVANE_FRAME_COMP_YUV420, 6, 5));
    EXPECT_FALSE(e.CanCompress(QUORVANE_FRAME_I420, QUORVANE_FRAME_COMP_YUV420, 2, 2));
    EXPECT_FALSE(e.CanCompress(QUORVANE_FRAME_COMP_YUV420, QUORVANE_FRAME_I420, 4, 4)); // a decompress binding
    EXPECT_TRUE(e.CanCompress(QUORVANE_FRAME_BGRX, QUORVANE_FRAME_COMP_RGB, 5, 7));
    // 4:2:2 storage of a 4:4:4 layout needs an even width.
    EXPECT_FALSE(e.CanCompress(QUORVANE_FRAME_BGRX, QUORVANE_FRAME_COMP_YUV422, 5, 7));
    QuorvaneEncodeSettings s = e.GetEncodeSettings();
    s.fieldType = 1;
    e.ApplyEncodeSettings(s);
    EXPECT_FALSE(e.CanCompress(QUORVANE_FRAME_I420, QUORVANE_FRAME_COMP_YUV420, 4, 6));
    EXPECT_TRUE(e.CanCompress(QUORVANE_FRAME_I420, QUORVANE_FRAME_COMP_YUV420, 4, 8));
    s.fieldType = 0;
    s.sourceMask = 1 << 4; // category 105 only
    e.ApplyEncodeSettings(s);
    EXPECT_TRUE(e.CanCompress(QUORVANE_FRAME_I420, QUORVANE_FRAME_COMP_YUV420, 4, 4));
    EXPECT_FALSE(e.CanCompress(QUORVANE_FRAME_Y8, QUORVANE_FRAME_COMP_YUV400, 4, 4));
}

TEST(Bindings, EncodeSettingsAreCorrected)
{
    Quorvane e(true, true);
    struct Case {
        int predictor, colorSpace, tableMode;
        int wantPredictor, wantColorSpace, wantTableMode;
    } cases[] = {
        {-1, 0, 1, 4, 2, 1}, {5, 3, 3, 4, 2, 3}, {3, 1, 4, 3, 1, 2}, {1, -1, 7, 1, 2, 2}, {2, 2, -2, 2, 2, 2},
    };
    for (const Case& c : cases) {
        QuorvaneEncodeSettings s = e.GetEncodeSettings();
        s.predictor = c.predictor;
        s.colorSpace = c.colorSpace;
        s.tableMode = c.tableMode;
        e.ApplyEncodeSettings(s);
        EXPECT_EQ(e.GetEncodeSettings().predictor, c.wantPredictor);
        EXPECT_EQ(e.GetEncodeSettings().colorSpace, c.wantColorSpace);
        EXPECT_EQ(e.GetEncodeSettings().tableMode, c.wantTableMode);
    }
}

TEST(Bindings, ThreadCounts)
{
    Quorvane e(true, true);
    EXPECT_GE(e.GetNumThreads(), 1);
    EXPECT_LE(e.GetNumThreads(), 64);
    e.SetNumThreads(100);
    EXPECT_EQ(e.GetNumThreads(), 64);
    e.SetNumThreads(3);
    EXPECT_EQ(e.GetNumThreads(), 3);
}

} // namespace
