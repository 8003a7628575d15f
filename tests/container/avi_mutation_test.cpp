// Random damage to valid files: the reader must never crash, hang, throw or allocate much more
// than the file holds, and what it returns must be safe to use. A fixed number of damaged files
// from a fixed seed (QUORVANE_TEST_SEED replays another), so every run checks the same files.

#include <gtest/gtest.h>

#include "alloc_tracker.h"
#include "avi_test_files.h"
#include "common/test_random.h"
#include "container/avi/AviReader.h"

namespace {

using qtest::MemoryFile;

// Enough to reach every kind of damage on every base file many times; a few seconds under ASan.
constexpr int kDamagedFiles = 20000;

const uint32_t kInteresting[] = {0,          1,          3,          4,          7,          8,          9,
                                 15,         16,         17,         23,         24,         25,         0x7FFFFFFF,
                                 0x80000000, 0xFFFFFFF7, 0xFFFFFFF8, 0xFFFFFFF9, 0xFFFFFFFE, 0xFFFFFFFF, 0x10000};

std::vector<std::vector<uint8_t>> bases()
{
    std::vector<std::vector<uint8_t>> out;
    out.push_back(qtest::make_sample_avi(qtest::sample_chunks(), 0x3FFFFFFE, 0x7FFFFFFE, 0x3FFFFFFE + 4 * 0x7FFFFFFEull));
    std::vector<qtest::SampleChunk> many;
    for (int i = 0; i < 40; ++i) many.push_back({static_cast<size_t>(i % 4 == 3), std::vector<uint8_t>(i * 7 % 150, uint8_t(i)), i % 5 != 0});
    out.push_back(qtest::make_sample_avi(many, 1200, 1500, 1 << 16));
    // An AVI 1.0 style file: idx1 only.
    std::vector<uint8_t> old = out.front();
    for (uint64_t at : qtest::find_chunks(old, avi::fcc::indx)) qtest::put32(old, at, riff::fcc::make("JUNK"));
    out.push_back(old);
    return out;
}

void mutate(std::vector<uint8_t>& b, const std::vector<uint64_t>& headers)
{
    const int count = qtest::rand_int(1, 4);
    for (int m = 0; m < count && !b.empty(); ++m) {
        const size_t at = static_cast<size_t>(qtest::rand_u32() % b.size());
        switch (qtest::rand_int(0, 5)) {
        case 0: b[at] ^= static_cast<uint8_t>(1 << qtest::rand_int(0, 7)); break;
        case 1: b[at] = static_cast<uint8_t>(qtest::rand_u32()); break;
        case 2: // an interesting value into a chunk's id or size, or anywhere
        case 3: {
            size_t field = at & ~size_t(3);
            if (!headers.empty() && qtest::rand_int(0, 1)) field = headers[qtest::rand_u32() % headers.size()] + 4 * qtest::rand_int(0, 3);
            const uint32_t v = qtest::rand_int(0, 3) ? kInteresting[qtest::rand_u32() % std::size(kInteresting)]
                                                    : static_cast<uint32_t>(b.size() - qtest::rand_int(0, 64));
            if (field + 4 <= b.size()) qtest::put32(b, field, v);
            break;
        }
        case 4: b.resize(at); break;
        case 5: { // repeat a stretch of the file somewhere else
            const size_t len = std::min<size_t>(b.size() - at, static_cast<size_t>(qtest::rand_int(1, 256)));
            const size_t to = static_cast<size_t>(qtest::rand_u32() % b.size());
            std::vector<uint8_t> piece(b.begin() + static_cast<ptrdiff_t>(at), b.begin() + static_cast<ptrdiff_t>(at + len));
            b.insert(b.begin() + static_cast<ptrdiff_t>(to), piece.begin(), piece.end());
            break;
        }
        }
    }
}

TEST(AviReaderMutation, RandomDamageIsHandled)
{
    qtest::rng().seed(qtest::test_seed()); // the same files whatever ran before in this process
    const std::vector<std::vector<uint8_t>> originals = bases();
    std::vector<std::vector<uint64_t>> headers;
    for (const auto& b : originals) {
        std::vector<uint64_t> h;
        MemoryFile f(b);
        std::list<riff::Chunk> top;
        riff::readList(top, &f, b.size(), {}, {});
        auto visit = [&](auto& self, const std::list<riff::Chunk>& list) -> void {
            for (const riff::Chunk& c : list) {
                h.push_back(c.offset);
                self(self, c.children);
            }
        };
        visit(visit, top);
        // The index records inside indx, ix and idx1 chunks as well.
        for (uint32_t id : {avi::fcc::indx, riff::fcc::make("ix00"), riff::fcc::make("ix01"), avi::fcc::idx1})
            for (uint64_t at : qtest::find_chunks(b, id))
                for (uint64_t o = 8; o < 8 + 64 && at + o + 16 <= b.size(); o += 8) h.push_back(at + o);
        headers.push_back(h);
    }

    int iterations = 0, parsed = 0;
    for (; iterations < kDamagedFiles; ++iterations) {
        const size_t which = static_cast<size_t>(iterations) % originals.size();
        std::vector<uint8_t> bytes = originals[which];
        mutate(bytes, headers[which]);
        for (auto mode : {avi::AviReader::Full, avi::AviReader::HeadersOnly}) {
            MemoryFile f(bytes);
            avi::AviReader reader;
            qtest::heap_reset_peak();
            const size_t before = qtest::heap_live();
            bool ok = false;
            ASSERT_NO_THROW(ok = reader.parse(&f, mode));
            const size_t used = qtest::heap_peak() - before;
            ASSERT_LT(used, 16 * bytes.size() + (1 << 20)) << "iteration " << iterations;
            parsed += ok;
            if (!ok) {
                ASSERT_FALSE(reader.errors.empty());
            }

            // What the importer does with the result must be safe too.
            for (const auto& s : reader.streams) {
                (void)s->getStreamFormatAsVideo();
                (void)s->getStreamFormatAsAudio();
                (void)s->getStreamFormatExtra();
                const auto& list = s->entries();
                const uint64_t total = s->getSizeInBytes();
                for (int k = 0; k < 8; ++k) {
                    const auto it = s->findIndex(total ? qtest::rand_u32() % (total + 2) : 0);
                    if (it != list.end()) {
                        ASSERT_GT(it->size, 0u);
                    }
                }
            }
        }
    }
    EXPECT_GT(parsed, iterations / 4);
    std::printf("[ mutation ] %d damaged files, %d parsed\n", iterations, parsed);
}

} // namespace
