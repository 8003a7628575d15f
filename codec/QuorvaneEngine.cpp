// The engine object: construction, settings, lookup maps and the queries that read them.

#include "codec/QuorvaneEngine.h"

#include "codec/FormatFamilies.h"
#include "codec/entropy/HuffCoder.h"

#include <algorithm>

FormatObjects* new_format_objects();

namespace {

// Frame type -> the category (compressed type, or category-only code) that stores it.
constexpr std::pair<int, int> kCategories[] = {
    {1, 101},  {16, 101}, {17, 101}, {18, 101}, {3, 101},  {22, 101}, {2, 102},  {19, 102}, {20, 102},
    {21, 102}, {49, 103}, {45, 103}, {7, 103},  {29, 103}, {44, 103}, {4, 104},  {5, 104},  {6, 105},
    {10, 105}, {8, 106},  {50, 106}, {46, 106}, {9, 107},  {11, 108}, {34, 108}, {35, 108}, {12, 109},
    {13, 109}, {14, 109}, {15, 109}, {36, 109}, {40, 110}, {37, 111}, {41, 112}, {38, 113}, {42, 114},
    {30, 115}, {24, 116}, {25, 116}, {27, 116}, {28, 116}, {32, 116}, {33, 116}, {39, 116}, {23, 117},
    {26, 117}, {31, 117}, {43, 117}, {47, 118}, {48, 118}, {51, 119}, {53, 120}, {52, 121}, {54, 122},
    {55, 122}, {56, 122}, {57, 123}, {58, 123},
};

// Entries set over the copy of the category map: frame types whose category has no compressed
// type of its own get a 10-bit one; compressed types get their preferred frame type.
constexpr std::pair<int, int> kDefaultFormats[] = {
    {51, 118},  {23, 110},  {26, 110}, {31, 110}, {43, 110},  {52, 110},  {24, 109},  {25, 109},  {27, 109},
    {28, 109},  {32, 109},  {33, 109}, {39, 109}, {53, 109},  {102, 2},   {101, 1},   {106, 8},   {103, 7},
    {104, 4},   {105, 6},   {107, 9},  {118, 47}, {108, 11},  {123, 57},  {115, 30},  {110, 23},  {109, 25},
    {112, 23},  {111, 25},  {114, 23}, {113, 25}, {122, 54},
};

const char* const kTimerNames[kStageTimerCount] = {
    "hufftables init comp", "hufftables init decomp", "compress finalize", "decorrsplit", "convert", "",
    "calc predict scores", "predict", "calc freq", "huffencode", "huffdecode", "unpredict", "undecorrjoin",
};

uint32_t category_bit(int c)
{
    if (c == 255) return ~0u;
    if (c >= 100 && c <= 132) return 1u << ((c - 101) & 31);
    return 0;
}

} // namespace

Quorvane::Quorvane(bool enable8Bit, bool enableHighBit)
    : m_enable8Bit(enable8Bit), m_enableHighBit(enableHighBit), m_formats(new_format_objects())
{
    m_timers.resize(kStageTimerCount);
    for (int i = 0; i < kStageTimerCount; ++i) m_timers[i].name = kTimerNames[i];
    m_codeLengths = {{8, 12}, {10, 14}, {12, 16}, {14, 18}};
    SetNumThreads(0);
    buildCategoryMaps();
    InitCompProcMap(2, false);
}

Quorvane::~Quorvane() = default;

void Quorvane::buildCategoryMaps()
{
    for (const auto& [type, category] : kCategories) m_categories[type] = category;
    m_defaultFormats = m_categories;
    for (const auto& [type, other] : kDefaultFormats) m_defaultFormats[type] = other;
}

void Quorvane::Set8BitFormatsEnabled(bool on)
{
    m_enable8Bit = on;
    InitCompProcMap(m_encodeSettings.colorSpace, m_encodeSettings.fullRange != 0);
}

void Quorvane::SetHighBitFormatsEnabled(bool on)
{
    m_enableHighBit = on;
    InitCompProcMap(m_encodeSettings.colorSpace, m_encodeSettings.fullRange != 0);
}

void Quorvane::ApplySettings(const QuorvaneSettings& s)
{
    m_settings = s;
    InitCompProcMap(m_encodeSettings.colorSpace, m_encodeSettings.fullRange != 0);
}

void Quorvane::ApplyEncodeSettings(const QuorvaneEncodeSettings& s)
{
    m_encodeSettings = s;
    // Compared unsigned, so negative values count as large.
    if (static_cast<uint32_t>(m_encodeSettings.predictor) >= 5) m_encodeSettings.predictor = 4;
    if (m_encodeSettings.colorSpace != 1 && m_encodeSettings.colorSpace != 2) m_encodeSettings.colorSpace = 2;
    if (static_cast<uint32_t>(m_encodeSettings.tableMode) >= 4) m_encodeSettings.tableMode = 2;
    InitCompProcMap(m_encodeSettings.colorSpace, m_encodeSettings.fullRange != 0);
}

void Quorvane::SetNumThreads(int n)
{
    m_threads.set_num_threads(n);
    const size_t count = static_cast<size_t>(GetNumThreads());
    for (TimerSet& t : m_timers) t.perThread.resize(count);
}

int Quorvane::GetNumThreads() const
{
    return m_threads.get_num_threads();
}

const Quorvane::CompressProc* Quorvane::FindBinding(int from, int to) const
{
    auto it = m_bindings.find({from, to});
    return it == m_bindings.end() ? nullptr : &it->second;
}

bool Quorvane::CanFlip(int frameType, bool* missing) const
{
    const CompressProc* p = FindBinding(frameType, QUORVANE_FRAME_ANY);
    if (missing) *missing = p == nullptr;
    return p && p->frontend->can_flip();
}

bool Quorvane::SupportsAdobe16uRange(int frameType, bool* missing) const
{
    const CompressProc* p = FindBinding(frameType, QUORVANE_FRAME_ANY);
    if (missing) *missing = p == nullptr;
    return p && p->frontend->supports_adobe_16u_range();
}

bool Quorvane::IsAlphaFormat(int frameType) const
{
    const CompressProc* p = FindBinding(frameType, QUORVANE_FRAME_ANY);
    return p && p->backend->get_num_canonical_planes() == 4;
}

bool Quorvane::IsConverted(int from, int to) const
{
    const CompressProc* p = FindBinding(from, to);
    return p && p->converted;
}

int Quorvane::GetDefaultFormat(int frameType) const
{
    auto it = m_defaultFormats.find(frameType);
    return it == m_defaultFormats.end() ? 0 : it->second;
}

int Quorvane::GetFormatCategory(int frameType) const
{
    auto it = m_categories.find(frameType);
    return it == m_categories.end() ? 0 : it->second;
}

int Quorvane::GetPreferredDecompressedFormat(const uint8_t* header) const
{
    return GetDefaultFormat(header[9]);
}

bool Quorvane::CanCompress(int frameType, int compressedType, uint32_t width, uint32_t height) const
{
    const uint32_t mask = static_cast<uint32_t>(m_encodeSettings.sourceMask);
    if ((mask & category_bit(GetFormatCategory(frameType))) == 0) return false;
    const CompressProc* p = FindBinding(frameType, compressedType);
    if (!p || p->direction != kCompress) return false;
    if (width < 4 || height < 4) return false;
    const ImgProcBackend* geo = p->frontend->m_frameBackend;
    const uint32_t wm = static_cast<uint32_t>(std::max(geo->get_width_modulo(), p->backend->get_width_modulo()));
    uint32_t hm = static_cast<uint32_t>(std::max(geo->get_height_modulo(), p->backend->get_height_modulo()));
    if (m_encodeSettings.fieldType != 0) hm *= 2;
    return width % wm == 0 && height % hm == 0;
}
