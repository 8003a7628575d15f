#include "fakehost/FakeHost.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "fakehost/FakeHostState.h"

namespace fakehost {

namespace {

FakeHost* g_current = nullptr;
std::mutex g_currentMutex;

FakeHost::State* st() { return &host().state(); }

// --- Basic suite -------------------------------------------------------------------------------

SPErr basicAcquire(const char* name, csSDK_int32 version, const void** suite)
{
    FakeHost::State* s = st();
    std::lock_guard<std::mutex> lock(s->mutex);
    const std::string key = name != nullptr ? name : "";
    SuiteStats& stats = s->stats[key];
    ++stats.acquireCalls;
    s->calls.push_back("acquire " + key + " " + std::to_string(version));
    const void* found = nullptr;
    auto offer = s->offers.find({key, version});
    if (offer != s->offers.end())
        found = offer->second;
    if (s->refusedAlways.count(key) != 0)
        found = nullptr;
    auto next = s->refuseNext.find(key);
    if (next != s->refuseNext.end() && next->second > 0) {
        --next->second;
        found = nullptr;
    }
    if (suite != nullptr)
        *suite = found;
    if (found == nullptr) {
        ++stats.refused;
        return kSPSuiteNotFoundError;
    }
    ++stats.granted;
    return kSPNoError;
}

SPErr basicRelease(const char* name, csSDK_int32 version)
{
    FakeHost::State* s = st();
    std::lock_guard<std::mutex> lock(s->mutex);
    const std::string key = name != nullptr ? name : "";
    ++s->stats[key].releases;
    s->calls.push_back("release " + key + " " + std::to_string(version));
    return kSPNoError;
}

SPBasicSuite* getBasicSuite() { return st()->basic.get(); }
SPBasicSuite* getNoBasicSuite() { return nullptr; }

// --- Memory ------------------------------------------------------------------------------------

PrMemoryPtr memNewPtr(csSDK_uint32 size) { return host().allocateBlock(size); }

void memDisposePtr(PrMemoryPtr block)
{
    if (block == nullptr)
        return;
    FakeHost::State* s = st();
    std::lock_guard<std::mutex> lock(s->mutex);
    if (s->blocks.erase(block) == 0) {
        ++s->misuses; // not ours: leave it alone
        return;
    }
    std::free(block);
}

// --- Error suite -------------------------------------------------------------------------------

prSuiteError errorReportEvent(csSDK_uint32 type, const prUTF16Char* title, const prUTF16Char* text)
{
    FakeHost::State* s = st();
    std::lock_guard<std::mutex> lock(s->mutex);
    s->events.push_back({csSDK_int32(type), utf16ToUtf8(title), utf16ToUtf8(text), false});
    return suiteError_NoError;
}

// --- Image processing --------------------------------------------------------------------------

prSuiteError imageAnswer(int function, PrPixelFormat format)
{
    FakeHost::State* s = st();
    std::lock_guard<std::mutex> lock(s->mutex);
    ++s->imageCalls[function];
    auto failure = s->imageFailures.find({function, format});
    if (failure != s->imageFailures.end())
        return failure->second;
    return formatTraits(format).known ? suiteError_NoError : suiteError_InvalidParms;
}

prSuiteError imageIsCompressed(PrPixelFormat format, bool* out)
{
    const prSuiteError r = imageAnswer(1, format);
    if (r == suiteError_NoError && out != nullptr)
        *out = formatTraits(format).compressed;
    return r;
}

prSuiteError imageHasAlpha(PrPixelFormat format, bool* out)
{
    const prSuiteError r = imageAnswer(2, format);
    if (r == suiteError_NoError && out != nullptr)
        *out = formatTraits(format).alpha;
    return r;
}

prSuiteError imageIsTopLeft(PrPixelFormat format, bool* out)
{
    const prSuiteError r = imageAnswer(3, format);
    if (r == suiteError_NoError && out != nullptr)
        *out = host().topLeft(format);
    return r;
}

prSuiteError imageFrameSize(PrPixelFormat format, csSDK_int32 width, csSDK_int32 height, csSDK_int32* out)
{
    prSuiteError r = imageAnswer(4, format);
    const FormatTraits traits = formatTraits(format);
    if (r == suiteError_NoError && (traits.compressed || width < 0 || height < 0))
        r = suiteError_Fail;
    if (r == suiteError_NoError && out != nullptr) {
        const long long rowBytes = FakeHost::naturalRowBytes(format, width);
        *out = csSDK_int32(traits.planar420 ? rowBytes * height * 3 / 2 : rowBytes * height);
    }
    return r;
}

// --- Time suite --------------------------------------------------------------------------------

prSuiteError timeTicksPerSecond(PrTime* out)
{
    if (out == nullptr)
        return suiteError_InvalidParms;
    *out = host().ticksPerSecond();
    return suiteError_NoError;
}

prSuiteError timeTicksPerAudioSample(float rate, PrTime* out)
{
    if (out == nullptr || !(rate > 0))
        return suiteError_InvalidParms;
    *out = PrTime(std::llround(double(host().ticksPerSecond()) / double(rate)));
    return suiteError_NoError;
}

// --- Frames --------------------------------------------------------------------------------

PPix* frameOf(PPixHand frame) { return frame != nullptr ? *frame : nullptr; }

prSuiteError ppixDispose(PPixHand frame)
{
    if (frame == nullptr)
        return suiteError_InvalidParms;
    FakeHost::State* s = st();
    std::unique_ptr<FakeHost::State::Frame> owned;
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        auto it = s->frames.find(frame);
        if (it == s->frames.end()) {
            ++s->misuses;
            return suiteError_InvalidParms;
        }
        owned = std::move(it->second);
        s->frames.erase(it);
        ++s->framesDisposedByPlugin;
    }
    std::free(owned->frame.pixels);
    return suiteError_NoError;
}

prSuiteError ppixGetPixels(PPixHand frame, PrPPixBufferAccess, char** out)
{
    PPix* p = frameOf(frame);
    if (p == nullptr || out == nullptr)
        return suiteError_InvalidParms;
    *out = reinterpret_cast<char*>(p->pixels);
    return suiteError_NoError;
}

prSuiteError ppixGetBounds(PPixHand frame, prRect* out)
{
    PPix* p = frameOf(frame);
    if (p == nullptr || out == nullptr)
        return suiteError_InvalidParms;
    *out = prRect{0, 0, csSDK_int16(p->height), csSDK_int16(p->width)};
    return suiteError_NoError;
}

prSuiteError ppixGetRowBytes(PPixHand frame, csSDK_int32* out)
{
    PPix* p = frameOf(frame);
    if (p == nullptr || out == nullptr)
        return suiteError_InvalidParms;
    *out = p->rowBytes;
    return suiteError_NoError;
}

prSuiteError ppixGetPixelFormat(PPixHand frame, PrPixelFormat* out)
{
    PPix* p = frameOf(frame);
    if (p == nullptr || out == nullptr)
        return suiteError_InvalidParms;
    *out = p->format;
    return suiteError_NoError;
}

prSuiteError ppixCreate(PPixHand* out, PrPPixBufferAccess, PrPixelFormat format, const prRect* bounds)
{
    if (out == nullptr || bounds == nullptr)
        return suiteError_InvalidParms;
    {
        FakeHost::State* s = st();
        std::lock_guard<std::mutex> lock(s->mutex);
        if (s->createFailure != suiteError_NoError)
            return s->createFailure;
    }
    const int width = bounds->right - bounds->left;
    const int height = bounds->bottom - bounds->top;
    if (width <= 0 || height <= 0 || FakeHost::naturalRowBytes(format, width) <= 0)
        return suiteError_InvalidParms;
    *out = host().makeFrame(format, width, height);
    FakeHost::State* s = st();
    std::lock_guard<std::mutex> lock(s->mutex);
    ++s->framesCreatedByPlugin;
    return suiteError_NoError;
}

// --- Audio conversions -------------------------------------------------------------------------

template <int Bits>
prSuiteError floatToInt(float** in, void* out, csSDK_uint32 channels, csSDK_uint32 frames)
{
    if ((in == nullptr || out == nullptr) && channels != 0 && frames != 0)
        return suiteError_InvalidParms;
    constexpr int bytes = Bits / 8;
    const double scale = std::ldexp(1.0, Bits - 1);
    unsigned char* dst = static_cast<unsigned char*>(out);
    for (csSDK_uint32 f = 0; f < frames; ++f) {
        for (csSDK_uint32 c = 0; c < channels; ++c) {
            double v = std::nearbyint(double(in[c][f]) * scale);
            if (v > scale - 1)
                v = scale - 1;
            if (v < -scale)
                v = -scale;
            const long long sample = static_cast<long long>(v);
            for (int b = 0; b < bytes; ++b)
                *dst++ = static_cast<unsigned char>((static_cast<unsigned long long>(sample) >> (8 * b)) & 0xFF);
        }
    }
    return suiteError_NoError;
}

template <int Bits>
prSuiteError intToFloat(const void* in, float** out, csSDK_uint32 channels, csSDK_uint32 frames)
{
    if ((in == nullptr || out == nullptr) && channels != 0 && frames != 0)
        return suiteError_InvalidParms;
    constexpr int bytes = Bits / 8;
    const double scale = std::ldexp(1.0, Bits - 1);
    const unsigned char* src = static_cast<const unsigned char*>(in);
    for (csSDK_uint32 f = 0; f < frames; ++f) {
        for (csSDK_uint32 c = 0; c < channels; ++c) {
            unsigned long long raw = 0;
            for (int b = 0; b < bytes; ++b)
                raw |= static_cast<unsigned long long>(*src++) << (8 * b);
            long long sample = static_cast<long long>(raw);
            if (raw & (1ull << (Bits - 1)))
                sample -= 1ll << Bits; // sign-extend
            out[c][f] = float(double(sample) / scale);
        }
    }
    return suiteError_NoError;
}

void fillSuites(FakeHost::State& s)
{
    s.basic = std::make_unique<SPBasicSuite>(SPBasicSuite{basicAcquire, basicRelease});
    s.utilFuncs = PlugUtilFuncs{getBasicSuite};
    s.noUtilFuncs = PlugUtilFuncs{getNoBasicSuite};
    s.memFuncs = PlugMemoryFuncs{memNewPtr, memDisposePtr};
    s.piSuitesRec = PlugSuites{1, &s.memFuncs, &s.utilFuncs};
    s.noPiSuitesRec = PlugSuites{1, &s.memFuncs, &s.noUtilFuncs};
    s.importParms = imStdParms{1, &s.piSuitesRec};
    s.noImportParms = imStdParms{1, &s.noPiSuitesRec};
    s.exportParms = exportStdParms{1, getBasicSuite};
    s.noExportParms = exportStdParms{1, getNoBasicSuite};

    s.errorSuite = PrSDKErrorSuite3{errorReportEvent};
    s.imageSuite = PrSDKImageProcessingSuite{imageIsCompressed, imageHasAlpha, imageIsTopLeft, imageFrameSize};
    s.ppixSuite = PrSDKPPixSuite{ppixDispose, ppixGetPixels, ppixGetBounds, ppixGetRowBytes, ppixGetPixelFormat};
    s.ppixCreatorSuite = PrSDKPPixCreatorSuite{ppixCreate};
    s.timeSuite = PrSDKTimeSuite{timeTicksPerSecond, timeTicksPerAudioSample};
    s.memorySuite = PrSDKMemoryManagerSuite{memNewPtr, memDisposePtr};
    s.audioSuite = PrSDKAudioSuite{floatToInt<8>,  floatToInt<16>, floatToInt<24>, floatToInt<32>,
                                   intToFloat<8>,  intToFloat<16>, intToFloat<24>, intToFloat<32>};

    s.offers[{kPrSDKErrorSuite, kPrSDKErrorSuiteVersion}] = &s.errorSuite;
    s.offers[{kPrSDKImageProcessingSuite, kPrSDKImageProcessingSuiteVersion}] = &s.imageSuite;
    s.offers[{kPrSDKPPixSuite, kPrSDKPPixSuiteVersion}] = &s.ppixSuite;
    s.offers[{kPrSDKPPixCreatorSuite, kPrSDKPPixCreatorSuiteVersion}] = &s.ppixCreatorSuite;
    s.offers[{kPrSDKPPixCacheSuite, kPrSDKPPixCacheSuiteVersion}] = &s.opaque;
    s.offers[{kPrSDKTimeSuite, kPrSDKTimeSuiteVersion}] = &s.timeSuite;
    s.offers[{kPrSDKAudioSuite, kPrSDKAudioSuiteVersion}] = &s.audioSuite;
    s.offers[{kPrSDKMemoryManagerSuite, kPrSDKMemoryManagerSuiteVersion}] = &s.memorySuite;
    s.offers[{kPrSDKExportProgressSuite, kPrSDKExportProgressSuiteVersion}] = &s.opaque;
    s.offers[{kPrSDKSequenceRenderSuite, kPrSDKSequenceRenderSuiteVersion}] = &s.opaque;
    s.offers[{kPrSDKClipRenderSuite, kPrSDKClipRenderSuiteVersion}] = &s.opaque;
    s.offers[{kPrSDKMarkerSuite, kPrSDKMarkerSuiteVersion}] = &s.opaque;
    s.offers[{kPrSDKWindowSuite, kPrSDKWindowSuiteVersion}] = &s.opaque;
    fillExportSuites(s);
}

} // namespace

FakeHost& host()
{
    std::lock_guard<std::mutex> lock(g_currentMutex);
    if (g_current == nullptr)
        std::abort(); // a plug-in called a suite of a host that no longer exists
    return *g_current;
}

std::string utf16ToUtf8(const prUTF16Char* text)
{
    std::string out;
    if (text == nullptr)
        return out;
    for (std::size_t i = 0; text[i] != 0; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::vector<prUTF16Char> utf8ToUtf16(const std::string& text)
{
    std::vector<prUTF16Char> out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        char32_t c = lead;
        int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        if (extra > 0)
            c = lead & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += extra + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(prUTF16Char(0xD800 + (c >> 10)));
            out.push_back(prUTF16Char(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(prUTF16Char(c));
        }
    }
    out.push_back(0);
    return out;
}

FormatTraits formatTraits(PrPixelFormat format)
{
    const char* name = nullptr;
    switch (format) {
#define QV_PIXEL_FORMAT(id, c0, c1, c2, c3) case id: name = #id; break;
#include "sdk/PixelFormats.def"
#undef QV_PIXEL_FORMAT
    default:
        break;
    }
    FormatTraits t;
    if (name == nullptr || format == PrPixelFormat_Invalid)
        return t;
    const std::string n = name;
    auto has = [&](const char* part) { return n.find(part) != std::string::npos; };
    t.known = true;
    t.compressed = has("DV") || has("_Raw");
    t.alpha = has("BGRA") || has("ARGB") || has("VUYA") || has("BGRP") || has("PRGB") || has("VUYP");
    t.planar420 = has("YUV_420");
    t.rgb8or16 = (has("BGR") || has("RGB") || has("PRGB")) && (has("_8u") || has("_16u")) && !has("_10u");
    return t;
}

FakeHost::FakeHost() : m_state(std::make_unique<State>())
{
    {
        std::lock_guard<std::mutex> lock(g_currentMutex);
        if (g_current != nullptr)
            throw std::logic_error("only one FakeHost at a time");
        g_current = this;
    }
    fillSuites(*m_state);
}

FakeHost::~FakeHost()
{
    for (auto& entry : m_state->frames)
        std::free(entry.second->frame.pixels);
    for (void* block : m_state->blocks)
        std::free(block);
    std::lock_guard<std::mutex> lock(g_currentMutex);
    g_current = nullptr;
}

FakeHost* FakeHost::current()
{
    std::lock_guard<std::mutex> lock(g_currentMutex);
    return g_current;
}

SPBasicSuite* FakeHost::basicSuite() { return m_state->basic.get(); }
exportStdParms* FakeHost::exporterStdParms() { return &m_state->exportParms; }
imStdParms* FakeHost::importerStdParms() { return &m_state->importParms; }
exportStdParms* FakeHost::exporterStdParmsWithoutBasicSuite() { return &m_state->noExportParms; }
imStdParms* FakeHost::importerStdParmsWithoutBasicSuite() { return &m_state->noImportParms; }

void FakeHost::provide(const std::string& name, int version, const void* suite)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->offers[{name, version}] = suite;
}

void FakeHost::withdraw(const std::string& name, int version)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->offers.erase({name, version});
}

void FakeHost::refuse(const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->refusedAlways.insert(name);
}

void FakeHost::refuseNext(const std::string& name, int count)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->refuseNext[name] = count;
}

void FakeHost::allow(const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->refusedAlways.erase(name);
    m_state->refuseNext.erase(name);
}

SuiteStats FakeHost::stats(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto it = m_state->stats.find(name);
    return it != m_state->stats.end() ? it->second : SuiteStats{};
}

int FakeHost::outstanding(const std::string& name) const
{
    const SuiteStats s = stats(name);
    return s.granted - s.releases;
}

bool FakeHost::allReleased() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    for (const auto& entry : m_state->stats) {
        if (entry.second.granted != entry.second.releases)
            return false;
    }
    return true;
}

std::vector<std::string> FakeHost::calls() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->calls;
}

// Both hand their storage back: a long-lived host (the fuzz target's) would otherwise keep the
// largest record it ever held.
void FakeHost::clearCalls()
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    std::vector<std::string>().swap(m_state->calls);
}

void FakeHost::clearEvents()
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    std::vector<Event>().swap(m_state->events);
}

void FakeHost::setTopLeft(PrPixelFormat format, bool topLeft)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->topLeft[format] = topLeft;
}

void FakeHost::setAllTopLeft(bool topLeft)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    for (PrPixelFormat format : kPrPixelFormatList)
        m_state->topLeft[format] = topLeft;
}

bool FakeHost::topLeft(PrPixelFormat format) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto it = m_state->topLeft.find(format);
    if (it != m_state->topLeft.end())
        return it->second;
    return !formatTraits(format).rgb8or16;
}

void FakeHost::failImageProcessing(int function, PrPixelFormat format, prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (result == suiteError_NoError)
        m_state->imageFailures.erase({function, format});
    else
        m_state->imageFailures[{function, format}] = result;
}

int FakeHost::imageProcessingCalls(int function) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto it = m_state->imageCalls.find(function);
    return it != m_state->imageCalls.end() ? it->second : 0;
}

std::vector<Event> FakeHost::events() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->events;
}

PrMemoryPtr FakeHost::allocateBlock(std::size_t size)
{
    void* block = std::calloc(size != 0 ? size : 1, 1);
    if (block == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->blocks.insert(block);
    return static_cast<PrMemoryPtr>(block);
}

int FakeHost::outstandingBlocks() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return int(m_state->blocks.size());
}

void FakeHost::setRowPadding(int bytes)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->rowPadding = bytes;
}

int FakeHost::naturalRowBytes(PrPixelFormat format, int width)
{
    const char* name = nullptr;
    switch (format) {
#define QV_PIXEL_FORMAT(id, c0, c1, c2, c3) case id: name = #id; break;
#include "sdk/PixelFormats.def"
#undef QV_PIXEL_FORMAT
    default:
        return 0;
    }
    const std::string n = name;
    auto has = [&](const char* part) { return n.find(part) != std::string::npos; };
    if (width < 0 || has("DV") || has("_Raw") || has("_Invalid"))
        return 0;
    if (has("_4444_8u"))
        return 4 * width;
    if (has("_4444_16u"))
        return 8 * width;
    if (has("_4444_32f"))
        return 16 * width;
    if (has("_422_8u"))
        return (2 * width + 3) / 4 * 4;
    if (has("_422_32f"))
        return 8 * width;
    if (has("V210"))
        return (width + 47) / 48 * 128;
    if (has("RGB_444_10u"))
        return 4 * width;
    if (has("YUV_420"))
        return width;
    return 0;
}

PPixHand FakeHost::makeFrame(PrPixelFormat format, int width, int height)
{
    auto owned = std::make_unique<State::Frame>();
    PPix& frame = owned->frame;
    frame.format = format;
    frame.width = width;
    frame.height = height;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        frame.rowBytes = naturalRowBytes(format, width) + m_state->rowPadding;
    }
    const std::size_t bytes = std::size_t(frame.rowBytes) * std::size_t(height) *
                              (formatTraits(format).planar420 ? 3 : 2) / 2;
    frame.pixels = static_cast<unsigned char*>(std::aligned_alloc(64, (bytes + 63) / 64 * 64 + 64));
    std::memset(frame.pixels, 0, (bytes + 63) / 64 * 64 + 64);
    owned->pointer = &owned->frame;
    PPixHand hand = &owned->pointer;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->frames[hand] = std::move(owned);
    return hand;
}

void FakeHost::disposeFrame(PPixHand frame)
{
    std::unique_ptr<State::Frame> owned;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        auto it = m_state->frames.find(frame);
        if (it == m_state->frames.end()) {
            ++m_state->misuses;
            return;
        }
        owned = std::move(it->second);
        m_state->frames.erase(it);
    }
    std::free(owned->frame.pixels);
}

int FakeHost::liveFrames() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return int(m_state->frames.size());
}

int FakeHost::framesCreatedByPlugin() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->framesCreatedByPlugin;
}

int FakeHost::framesDisposedByPlugin() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->framesDisposedByPlugin;
}

void FakeHost::failCreatePPix(prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->createFailure = result;
}

void FakeHost::setTicksPerSecond(PrTime ticks)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->ticksPerSecond = ticks;
}

PrTime FakeHost::ticksPerSecond() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->ticksPerSecond;
}

int FakeHost::misuses() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->misuses;
}

const PrSDKImageProcessingSuite& FakeHost::imageProcessingSuite() const { return m_state->imageSuite; }
const PrSDKPPixSuite& FakeHost::ppixSuite() const { return m_state->ppixSuite; }
const PrSDKAudioSuite& FakeHost::audioSuite() const { return m_state->audioSuite; }

} // namespace fakehost
