#pragma once
// Test planes for the backends: samples of 1 or 2 bytes in a guarded buffer at a chosen
// misalignment and byte stride, with the guards checked after every call.

#include "codec/imgproc/ImgTypes.h"
#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace qtest {

template <class S>
class TestPlane {
public:
    TestPlane(int width, int height, int32_t stride_bytes, size_t misalign)
        : w(width), h(height), stride(stride_bytes),
          buf(static_cast<size_t>(stride_bytes) * (height - 1) + sizeof(S) * width, misalign)
    {
    }

    ImgPlane plane() { return ImgPlane{buf.data(), stride}; }
    S* row(int y) { return reinterpret_cast<S*>(buf.data() + static_cast<size_t>(stride) * y); }
    const S* row(int y) const { return reinterpret_cast<const S*>(buf.data() + static_cast<size_t>(stride) * y); }
    S& at(int x, int y) { return row(y)[x]; }

    // The w x h samples, row by row, without the padding between rows.
    std::vector<S> samples() const
    {
        std::vector<S> v;
        v.reserve(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y) v.insert(v.end(), row(y), row(y) + w);
        return v;
    }
    void set_samples(const std::vector<S>& v)
    {
        for (int y = 0; y < h; ++y) std::memcpy(row(y), v.data() + static_cast<size_t>(y) * w, sizeof(S) * w);
    }
    // Fills the padding between rows with a marker so that stray writes there show.
    void mark_padding(uint8_t marker)
    {
        for (int y = 0; y + 1 < h; ++y)
            std::memset(buf.data() + static_cast<size_t>(stride) * y + sizeof(S) * w, marker,
                        stride - sizeof(S) * w);
    }
    bool padding_is(uint8_t marker) const
    {
        for (int y = 0; y + 1 < h; ++y)
            for (size_t i = sizeof(S) * w; i < static_cast<size_t>(stride); ++i)
                if (buf.data()[static_cast<size_t>(stride) * y + i] != marker) return false;
        return true;
    }
    bool intact() const { return buf.guards_intact(); }

    int w, h;
    int32_t stride;
    GuardedBuffer buf;
};

// Content generators: random, and patterns that push the gradient outside the sample range.
enum class Content { Random, Extremes, Ramp, Constant, Noisy };

template <class S>
std::vector<S> make_content(Content c, int w, int h, unsigned max_value)
{
    std::vector<S> v(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned s = 0;
            switch (c) {
            case Content::Random: s = rand_u32() & max_value; break;
            case Content::Extremes: s = ((x + y) & 1) ^ (rand_u32() % 5 == 0) ? max_value : 0; break;
            case Content::Ramp: s = (static_cast<unsigned>(x) * 37u + static_cast<unsigned>(y) * 101u) & max_value; break;
            case Content::Constant: s = max_value / 3; break;
            case Content::Noisy: s = ((x * 3 + y * 5) & max_value) ^ (rand_u32() & 3); s &= max_value; break;
            }
            v[static_cast<size_t>(y) * w + x] = static_cast<S>(s);
        }
    return v;
}

} // namespace qtest
