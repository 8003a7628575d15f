#pragma once
// Small AVI files for reader tests, made by the writer, and a way to find their chunks.

#include <list>
#include <vector>

#include "container/avi/AviWriter.h"
#include "container/riff/Chunk.h"
#include "test_files.h"

namespace qtest {

struct SampleChunk {
    size_t stream;
    std::vector<uint8_t> data;
    bool key;
};

// One video stream (Q8RG with a 32-byte codec header) and one stereo PCM stream, one segment
// unless the limits are lowered.
inline std::vector<uint8_t> make_sample_avi(const std::vector<SampleChunk>& chunks, uint64_t firstRiffLimit = 0x3FFFFFFE,
                                            uint64_t riffLimit = 0x7FFFFFFE, uint64_t maxFileSize = 0x80000000000ull)
{
    MemoryFile f;
    {
        avi::AviWriter w(&f);
        w.firstRiffLimit = firstRiffLimit;
        w.riffLimit = riffLimit;
        w.maxFileSize = maxFileSize;
        w.init(64, 48, 40000);
        const uint8_t extra[32] = {'Q', 'O', 'R', 'V'};
        w.addStream(avi::fcc::vids);
        w.streams[0]->initAsVideo(64, 48, 24, riff::fcc::make("Q8RG"), 25, 1, 64 * 48 * 3, sizeof(extra), extra);
        w.addStream(avi::fcc::auds);
        w.streams[1]->initAsAudio(avi::WAVE_FORMAT_PCM, 2, 48000, 16, 3);
        w.writeHeader();
        for (const SampleChunk& c : chunks)
            w.writeChunk(c.stream, c.data.data(), c.data.size(), c.stream == 0 ? 1 : static_cast<uint32_t>(c.data.size() / 4), c.key);
        w.finalize();
    }
    return f.data;
}

inline std::vector<SampleChunk> sample_chunks()
{
    return {{0, std::vector<uint8_t>(10, 1), true},
            {1, std::vector<uint8_t>(8, 2), false},
            {0, {}, false},
            {1, std::vector<uint8_t>(12, 3), false},
            {0, std::vector<uint8_t>(7, 4), true}};
}

// Offsets of every chunk with this id, in file order, looking into every list.
inline std::vector<uint64_t> find_chunks(const std::vector<uint8_t>& bytes, uint32_t id)
{
    MemoryFile f(bytes);
    std::list<riff::Chunk> top;
    riff::readList(top, &f, bytes.size(), {}, {});
    std::vector<uint64_t> out;
    auto visit = [&](auto& self, const std::list<riff::Chunk>& list) -> void {
        for (const riff::Chunk& c : list) {
            if (c.id == id || (c.isList() && c.type == id)) out.push_back(c.offset);
            self(self, c.children);
        }
    };
    visit(visit, top);
    return out;
}

} // namespace qtest
