#pragma once
// Drives a frontend the way the engine does, without prediction or coding: calc_split_params
// once per frame, then decorrsplit or undecorrjoin per slice of rows with the views placed at the
// slice (mirrored, with negated strides, when flipping). The canonical planes are read out after
// a split and written in before a join, which is where prediction and unprediction would run.
// Every caller plane and the work buffer are guarded buffers.

#include "codec/ImgProcFrontend.h"
#include "common/guarded_buffer.h"
#include "common/test_random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace hbdtest {

inline int round_up(int v, int a) { return (v + a - 1) / a * a; }

// One caller frame laid out for a frontend, with optional extra row padding and a pointer offset
// (a multiple of the frontend's pointer alignment) from a 64-byte boundary.
struct CallerFrame {
    std::vector<std::unique_ptr<qtest::GuardedBuffer>> bufs;
    std::vector<int> rowBytes, rows;
    ImgFrame frame;

    CallerFrame(const ImgProcFrontend& fe, int w, int h, int extraPad = 0, int misalign = 0)
    {
        for (int q = 0; q < fe.get_num_top_level_planes(); ++q) {
            const int tw = fe.get_tplane_width(q, w), th = fe.get_tplane_height(q, h);
            const int bytes = (tw * fe.get_pixelblock_size(q) + fe.get_pixelblock_pixels(q) - 1) /
                              fe.get_pixelblock_pixels(q);
            const int stride = round_up(bytes, fe.get_min_row_size_align(q)) + round_up(extraPad, fe.get_min_row_size_align(q));
            const int align = fe.get_min_row_ptr_align(q);
            bufs.push_back(std::make_unique<qtest::GuardedBuffer>(size_t(stride) * th, misalign / align * align));
            qtest::fill_random(bufs.back()->data(), bufs.back()->size());
            rowBytes.push_back(bytes);
            rows.push_back(th);
            frame[q] = ImgPlane{bufs.back()->data(), stride};
        }
    }

    int planes() const { return static_cast<int>(bufs.size()); }
    const uint8_t* row(int q, int r) const { return frame[q].row(r); }
    bool guards_intact() const
    {
        for (const auto& b : bufs)
            if (!b->guards_intact()) return false;
        return true;
    }
    // The whole buffers, padding included.
    std::vector<uint8_t> bytes(int q) const { return {bufs[q]->data(), bufs[q]->data() + bufs[q]->size()}; }
    void copy_from(const CallerFrame& o)
    {
        for (int q = 0; q < planes(); ++q) std::memcpy(bufs[q]->data(), o.bufs[q]->data(), bufs[q]->size());
    }
    // True when the meaningful bytes of every row (not the padding) match.
    bool rows_equal(const CallerFrame& o, bool mirrored = false) const
    {
        for (int q = 0; q < planes(); ++q)
            for (int r = 0; r < rows[q]; ++r)
                if (std::memcmp(row(q, r), o.row(q, mirrored ? rows[q] - 1 - r : r), rowBytes[q]) != 0) return false;
        return true;
    }
};

// Canonical planes as the backend would see them: one vector of samples per plane, row-major.
struct Canonical {
    std::vector<int> width, height;
    std::vector<std::vector<uint16_t>> samples;

    Canonical(const ImgProcFrontend& fe, int w, int h)
    {
        const ImgProcBackend& be = *fe.m_backend;
        for (int k = 0; k < be.get_num_canonical_planes(); ++k) {
            width.push_back(be.get_cplane_width(k, w));
            height.push_back(be.get_cplane_height(k, h));
            samples.emplace_back(size_t(width.back()) * height.back());
        }
    }
    int planes() const { return static_cast<int>(samples.size()); }
    uint16_t& at(int k, int x, int y) { return samples[k][size_t(y) * width[k] + x]; }
    uint16_t at(int k, int x, int y) const { return samples[k][size_t(y) * width[k] + x]; }
    void randomize(int bits)
    {
        for (auto& p : samples)
            for (auto& s : p) s = static_cast<uint16_t>(qtest::rand_u32() & ((1u << bits) - 1));
    }
    bool operator==(const Canonical& o) const { return samples == o.samples; }
};

class SliceDriver {
public:
    SliceDriver(const ImgProcFrontend& fe, int w, int h, int sliceHeight = 28)
        : m_fe(fe), m_w(w), m_h(h), m_slice(sliceHeight)
    {
        const ImgProcBackend& be = *fe.m_backend;
        const size_t bytes = size_t(w + 128) * h * be.get_num_canonical_planes() * be.get_pixel_size() + 8192;
        m_work = std::make_unique<qtest::GuardedBuffer>(bytes, 0, 0xCD);
    }

    bool work_guards_intact() const { return m_work->guards_intact(); }

    Canonical split(const CallerFrame& frame, bool flip)
    {
        ImgFrame split;
        m_fe.calc_split_params(frame.frame, m_w, m_h, m_work->data(), split, flip, true);
        for_each_block([&](int first, int rows) {
            m_fe.decorrsplit(packed_view(frame.frame, first, rows, flip, true), m_w, rows,
                             plane_view(split, first, rows, flip));
        });
        Canonical c(m_fe, m_w, m_h);
        for (int k = 0; k < c.planes(); ++k)
            for (int y = 0; y < c.height[k]; ++y)
                std::memcpy(&c.samples[k][size_t(y) * c.width[k]], split[k].row(y), 2 * size_t(c.width[k]));
        return c;
    }

    void join(CallerFrame& frame, const Canonical& c, bool flip)
    {
        ImgFrame split;
        m_fe.calc_split_params(frame.frame, m_w, m_h, m_work->data(), split, flip, false);
        for (int k = 0; k < c.planes(); ++k)
            for (int y = 0; y < c.height[k]; ++y)
                std::memcpy(split[k].row(y), &c.samples[k][size_t(y) * c.width[k]], 2 * size_t(c.width[k]));
        for_each_block([&](int first, int rows) {
            m_fe.undecorrjoin(packed_view(frame.frame, first, rows, flip, false), m_w, rows,
                              plane_view(split, first, rows, false));
        });
    }

private:
    template <class F>
    void for_each_block(F f) const
    {
        for (int first = 0; first < m_h; first += m_slice) f(first, std::min(first + m_slice, m_h) - first);
    }

    ImgFrame packed_view(const ImgFrame& frame, int first, int rows, bool flip, bool compressing) const
    {
        ImgFrame v;
        for (int q = 0; q < m_fe.get_num_top_level_planes(); ++q) {
            const int th = m_fe.get_tplane_height(q, m_h), tf = m_fe.get_tplane_height(q, first),
                      tr = m_fe.get_tplane_height(q, rows);
            if (!flip)
                v[q] = ImgPlane{frame[q].row(tf), frame[q].stride};
            else if (compressing)
                v[q] = ImgPlane{frame[q].row(th - tf - tr), frame[q].stride};
            else
                v[q] = ImgPlane{frame[q].row(th - tf - 1), -frame[q].stride};
        }
        return v;
    }

    // Compressing with flip walks each plane's block bottom-up.
    ImgFrame plane_view(const ImgFrame& split, int first, int rows, bool flip) const
    {
        ImgFrame v;
        const ImgProcBackend& be = *m_fe.m_backend;
        for (int k = 0; k < be.get_num_canonical_planes(); ++k) {
            const int cf = be.get_cplane_height(k, first), cr = be.get_cplane_height(k, rows);
            if (!flip)
                v[k] = ImgPlane{split[k].row(cf), split[k].stride};
            else
                v[k] = ImgPlane{split[k].row(cf + cr - 1), -split[k].stride};
        }
        return v;
    }

    const ImgProcFrontend& m_fe;
    int m_w, m_h, m_slice;
    std::unique_ptr<qtest::GuardedBuffer> m_work;
};

} // namespace hbdtest
