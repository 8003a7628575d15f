#pragma once
// Helpers for tests that drive the codec through its function interface.

#include "codec/quorvane.h"

#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace qtest {

// One library reference and one handle for the length of a test.
class CodecHandle {
public:
    CodecHandle()
    {
        quorvane_library_init();
        EXPECT_EQ(quorvane_open(&m_handle), QUORVANE_OK);
    }
    ~CodecHandle()
    {
        quorvane_close(m_handle);
        quorvane_library_close();
    }
    CodecHandle(const CodecHandle&) = delete;
    CodecHandle& operator=(const CodecHandle&) = delete;
    uint32_t get() const { return m_handle; }
    operator uint32_t() const { return m_handle; }
    void set_threads(int n) { EXPECT_EQ(quorvane_set_param_value(m_handle, QUORVANE_PARAM_NUM_THREADS, uint32_t(n)), 0); }

private:
    uint32_t m_handle = 0;
};

// A caller frame laid out by the codec, with guard bytes around the whole buffer.
struct Frame {
    Frame(uint32_t h, uint32_t type, uint32_t width, uint32_t height, size_t misalign = 0)
    {
        QuorvaneFrameType t{width, height, type, 0};
        QuorvaneFrameData probe{};
        EXPECT_EQ(quorvane_init_planes_common(h, &t, &probe, nullptr), QUORVANE_OK);
        size_t total = 0;
        for (const QuorvanePlane& p : probe.planes) total += p.size;
        buffer = std::make_unique<GuardedBuffer>(total, misalign);
        EXPECT_EQ(quorvane_init_planes_common(h, &t, &data, buffer->data()), QUORVANE_OK);
    }
    void randomize(int spread = 256)
    {
        uint8_t* p = buffer->data();
        for (size_t i = 0; i < buffer->size(); ++i) p[i] = static_cast<uint8_t>(rand_int(0, spread - 1));
    }
    void smooth()
    {
        // A gradient with a little noise: compresses like a picture.
        uint8_t* p = buffer->data();
        for (size_t i = 0; i < buffer->size(); ++i) p[i] = static_cast<uint8_t>((i * 7) / 5 + rand_int(0, 3));
    }
    std::vector<uint8_t> bytes() const { return std::vector<uint8_t>(buffer->data(), buffer->data() + buffer->size()); }

    std::unique_ptr<GuardedBuffer> buffer;
    QuorvaneFrameData data{};
};

// A begun compression with its header and destination.
struct Stream {
    std::vector<uint8_t> header;
    uint32_t maxSize = 0;
    uint32_t outType = 0;
};

inline int begin_compress(uint32_t h, uint32_t type, uint32_t width, uint32_t height, uint32_t comp, Stream& s,
                          uint32_t fieldType = 0, uint32_t flags = 0)
{
    QuorvaneFrameTypeEx in{width, height, QUORVANE_FRAME_EXTENDED, 1, type, flags, 0, 0, fieldType};
    QuorvaneFrameType out{0, 0, comp, 0};
    const uint8_t* fmt = nullptr;
    uint32_t fs = 0;
    const int rc = quorvane_compress_begin(h, reinterpret_cast<QuorvaneFrameType*>(&in), &out, &fmt, &fs, &s.maxSize);
    if (rc == QUORVANE_OK) {
        s.header.assign(fmt, fmt + fs);
        s.outType = out.type;
    }
    return rc;
}

inline std::vector<uint8_t> compress_frame(uint32_t h, const Frame& f, uint32_t maxSize, int* rc = nullptr)
{
    std::vector<uint8_t> out(maxSize);
    uint32_t size = 0;
    const int r = quorvane_compress(h, &f.data, out.data(), &size);
    if (rc) *rc = r;
    out.resize(size);
    return out;
}

inline int begin_decompress(uint32_t h, const std::vector<uint8_t>& header, uint32_t type, uint32_t flags = 0)
{
    QuorvaneFrameTypeEx out{0, 0, QUORVANE_FRAME_EXTENDED, 1, type, flags, 0, 0, 0};
    return quorvane_decompress_begin(h, header.data(), static_cast<uint32_t>(header.size()),
                                     reinterpret_cast<QuorvaneFrameType*>(&out), nullptr);
}

} // namespace qtest
