// The binding map: which frontend, converter and backend serve each (source, destination) pair.
// The rows live in codec/bindings/*.def; this file turns them into map entries.

#include "codec/QuorvaneEngine.h"
#include "codec/bindings/FormatObjects.h"

#include <array>
#include <iterator>

namespace {

template <class F>
ImgProcFrontend* pick_frontend(F& f, int)
{
    return &f;
}

template <template <class> class F>
ImgProcFrontend* pick_frontend(MatrixSet<F>& set, int tag)
{
    return set.pick(tag);
}

ImgProcConverter* pick_converter(NoConverter&) { return nullptr; }
ImgProcConverter* pick_converter(ImgProcConverter& c) { return &c; }

struct InversePair {
    ImgProcConverter* converter;
    ImgProcConverter* inverse;
};

} // namespace

void FormatObjectsDeleter::operator()(FormatObjects* objects) const
{
    delete objects;
}

FormatObjects* new_format_objects()
{
    return new FormatObjects;
}

// Visits the 150 compress bindings of the tables for one matrix tag.
template <class Fn>
static void for_each_compress_binding(FormatObjects& o, int tag, Fn&& fn)
{
#define QV_FRONTEND(...)
#define QV_FRONTEND_M(...)
#define QV_CONVERTER(...)
#define QV_BIND(src, dst, fe, cv, converted)                                                         \
    fn(int(QUORVANE_FRAME_##src), int(QUORVANE_FRAME_##dst), pick_frontend(o.fe, tag), pick_converter(o.cv), \
       converted);
#include "codec/bindings/frontends8.def"
#include "codec/bindings/frontends_hbd.def"
#undef QV_FRONTEND
#undef QV_FRONTEND_M
#undef QV_CONVERTER
#undef QV_BIND
}

static ImgProcConverter* inverse_of(FormatObjects& o, ImgProcConverter* c)
{
    if (!c) return nullptr;
    const InversePair pairs[] = {
#define QV_CONVERTER(member, inverse, ...) {&o.member, &o.inverse},
#include "codec/bindings/converters.def"
#undef QV_CONVERTER
    };
    for (const InversePair& p : pairs)
        if (p.converter == c) return p.inverse;
    return nullptr;
}

void Quorvane::InitCompProcMap(int colorSpace, bool fullRange)
{
    const int tag = matrix_tag_index(colorSpace, fullRange);
    const std::array<int32_t, 7> key{tag, m_enable8Bit, m_enableHighBit, m_settings.decodeMask444,
                                     m_settings.decodeMask422, m_settings.decodeMask420, m_settings.decodeMask400};
    if (m_bindingsBuilt && key == m_bindingsKey) return;
    m_bindingsKey = key;
    m_bindingsBuilt = true;
    m_bindings.clear();
    FormatObjects& o = *m_formats;

    for_each_compress_binding(o, tag, [&](int src, int dst, ImgProcFrontend* fe, ImgProcConverter* cv,
                                          bool converted) {
        CompressProc c;
        c.direction = kCompress;
        c.frontend = fe;
        c.converter = cv;
        c.backend = cv ? cv->dstBackend : fe->m_backend;
        c.converted = converted;
        m_bindings[{src, dst}] = c;

        CompressProc d = c;
        d.direction = kDecompress;
        d.converter = inverse_of(o, cv);
        d.backend = d.converter ? d.converter->srcBackend : fe->m_backend;
        m_bindings[{dst, src}] = d;
    });

    // Each type's default partner also answers for ANY.
    for (const auto& [k, v] : m_defaultFormats) {
        auto it = m_bindings.find({k, v});
        if (it != m_bindings.end()) m_bindings[{k, QUORVANE_FRAME_ANY}] = it->second;
    }

    // Decode-output filter of the 8-bit YUV compressed types.
    for (auto it = m_bindings.begin(); it != m_bindings.end();) {
        const int c = it->first.first;
        const auto cat = m_categories.find(it->first.second);
        bool keep = true;
        if (cat != m_categories.end()) {
            const int g = cat->second;
            if (c != g && (c == 103 || c == 104 || c == 105 || c == 107)) {
                const int32_t mask = c == 103   ? m_settings.decodeMask444
                                     : c == 104 ? m_settings.decodeMask422
                                     : c == 105 ? m_settings.decodeMask420
                                                : m_settings.decodeMask400;
                uint32_t bit = 0;
                if (g == 255) bit = ~0u;
                else if (g >= 100 && g <= 132) bit = 1u << ((g - 101) & 31);
                keep = (static_cast<uint32_t>(mask) & bit) != 0;
            }
        }
        it = keep ? std::next(it) : m_bindings.erase(it);
    }

    // Depth filter.
    for (auto it = m_bindings.begin(); it != m_bindings.end();) {
        const int bits = it->second.backend->get_pixel_bits();
        const bool drop = (bits == 8 && !m_enable8Bit) || (bits >= 9 && !m_enableHighBit);
        it = drop ? m_bindings.erase(it) : std::next(it);
    }
}
