#pragma once
// Drives a frontend the way the engine does: one calc_split_params per frame into a work buffer
// of the engine's size, then decorrsplit / undecorrjoin per block of slice-height rows, with the
// mirrored row bands and negated strides of a flipped frame, optionally on several threads in
// random block order.

#include "codec/ImgProcFrontend.h"

#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

namespace qtest {

// A caller's packed frame: `height` rows of `pitch` bytes whose first row starts `misalign` bytes
// past a 64-byte boundary, fenced by guard bytes.
struct PackedFrame {
    int width, height, pitch;
    GuardedBuffer buf;
    PackedFrame(int w, int h, int rowPitch, size_t misalign, uint8_t fill)
        : width(w), height(h), pitch(rowPitch), buf(static_cast<size_t>(rowPitch) * h, misalign, fill)
    {
    }
    uint8_t* row(int r) { return buf.data() + static_cast<size_t>(r) * pitch; }
    ImgFrame frame()
    {
        ImgFrame f{};
        f[0] = {buf.data(), pitch};
        return f;
    }
};

class SplitRun {
public:
    SplitRun(const ImgProcFrontend& fe, int width, int height, bool flip, int sliceHeight)
        : m_fe(fe), m_w(width), m_h(height), m_flip(flip), m_slice(sliceHeight)
    {
        const ImgProcBackend& be = *fe.m_backend;
        m_n = be.get_num_canonical_planes();
        // The engine's work buffer size, 16-byte aligned at a random 16-byte residue.
        const size_t size = static_cast<size_t>(width + 128) * height * m_n * be.get_pixel_size() + 8192;
        m_work = std::make_unique<GuardedBuffer>(size, 16u * static_cast<size_t>(rand_int(0, 3)), 0xC3);
    }

    // Lays out the split planes for `src` (the caller's frame) as the engine does.
    void layout(const ImgFrame& src, bool compressing)
    {
        ImgFrame dst{};
        m_fe.calc_split_params(src, m_w, m_h, m_work->data(), dst, m_flip, compressing);
        m_split = ImgFrame{};
        for (int k = 0; k < m_n; ++k) m_split[k] = dst[k];
        m_raw = dst;
    }

    const ImgFrame& split() const { return m_split; }
    const ImgFrame& raw_layout() const { return m_raw; }
    bool work_guards_intact() const { return m_work->guards_intact(); }
    int planes() const { return m_n; }

    // Split plane k, row r (top-down storage order) sample x.
    uint8_t& sample(int k, int r, int x) const
    {
        return m_split[k].ptr[static_cast<ptrdiff_t>(r) * m_split[k].stride + x];
    }

    int blocks() const { return (m_h + m_slice - 1) / m_slice; }

    void split_block(const ImgFrame& src, int s) const
    {
        const int first = s * m_slice, rows = std::min(first + m_slice, m_h) - first;
        ImgFrame packed{}, planes{};
        for (int k = 0; k < m_n; ++k) {
            const int ph = m_fe.m_backend->get_cplane_height(k, first);
            if (m_flip) {
                const int last = ph + m_fe.m_backend->get_cplane_height(k, rows) - 1;
                planes[k] = {m_split[k].row(last), -m_split[k].stride};
            } else {
                planes[k] = {m_split[k].row(ph), m_split[k].stride};
            }
        }
        const int top = m_flip ? m_h - first - rows : first;
        packed[0] = {src[0].row(top), src[0].stride};
        m_fe.decorrsplit(packed, m_w, rows, planes);
    }

    void join_block(const ImgFrame& dst, int s) const
    {
        const int first = s * m_slice, rows = std::min(first + m_slice, m_h) - first;
        ImgFrame packed{}, planes{};
        for (int k = 0; k < m_n; ++k)
            planes[k] = {m_split[k].row(m_fe.m_backend->get_cplane_height(k, first)), m_split[k].stride};
        if (m_flip)
            packed[0] = {dst[0].row(m_h - first - 1), -dst[0].stride};
        else
            packed[0] = {dst[0].row(first), dst[0].stride};
        m_fe.undecorrjoin(packed, m_w, rows, planes);
    }

    // All blocks, on `threads` threads in a random order.
    void split_all(const ImgFrame& src, int threads = 1) const
    {
        for_blocks(threads, [&](int s) { split_block(src, s); });
    }
    void join_all(const ImgFrame& dst, int threads = 1) const
    {
        for_blocks(threads, [&](int s) { join_block(dst, s); });
    }

private:
    template <class F>
    void for_blocks(int threads, F f) const
    {
        std::vector<int> order(blocks());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), rng());
        if (threads <= 1) {
            for (int s : order) f(s);
            return;
        }
        std::atomic<size_t> next{0};
        std::vector<std::thread> team;
        for (int t = 0; t < threads; ++t)
            team.emplace_back([&] {
                for (size_t i; (i = next.fetch_add(1)) < order.size();) f(order[i]);
            });
        for (auto& th : team) th.join();
    }

    const ImgProcFrontend& m_fe;
    int m_w, m_h;
    bool m_flip;
    int m_slice;
    int m_n = 0;
    std::unique_ptr<GuardedBuffer> m_work;
    ImgFrame m_split{}, m_raw{};
};

} // namespace qtest
