// Fuzz target: an AVI file through the reader, as the importer opens it, then every chunk that an
// index names read back from the file.
//
// The reader must never throw, must keep every stream whose headers it could read whatever its
// indexes hold (the headers-only parse finds the same streams), must hand out index entries that
// a caller can read without trusting their sizes, and must not allocate more than a small
// multiple of the file's size.

#include "container/avi/AviReader.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/MemoryFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using qfuzz::fail;

// What a careful importer does with an entry: a chunk that lies inside the file is read whole;
// one that claims more than the file holds is read only as far as the file goes (its size never
// sizes a buffer).
uint64_t read_back(qfuzz::MemoryFile& file, uint64_t fileSize, const avi::Stream::IndexEntry& e,
                   std::vector<uint8_t>& buffer)
{
    const uint64_t left = e.offset < fileSize ? fileSize - e.offset : 0;
    const uint64_t want = std::min<uint64_t>(e.size, left);
    if (want == 0) return 0;
    buffer.resize(want);
    if (!file.seek(static_cast<long long>(e.offset))) fail("seek to %llu refused", (unsigned long long)e.offset);
    const size_t got = file.read(buffer.data(), want);
    if (got != want) fail("read of %llu bytes at %llu gave %zu", (unsigned long long)want, (unsigned long long)e.offset, got);
    return got;
}

void check_entries(const avi::Stream& s, const std::vector<avi::Stream::IndexEntry>& list)
{
    uint64_t position = 0;
    for (const auto& e : list) {
        if (e.position != position) fail("stream %llu: entry position %llu, %llu expected", (unsigned long long)s.index,
                                         (unsigned long long)e.position, (unsigned long long)position);
        position += e.size;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 24)) return 0;
    const size_t liveAtStart = qfuzz::heap_live();
    qfuzz::heap_reset_peak();

    qfuzz::MemoryFile file(data, size);
    avi::AviReader reader;
    bool parsed = false;
    try {
        parsed = reader.parse(&file, avi::AviReader::Full);
    } catch (...) {
        fail("the reader threw");
    }
    if (avi::AviReader::IsNotAvi(data, size) && parsed) fail("a file that is not AVI parsed");
    if (!parsed && reader.errors.empty()) fail("parse failed without an error line");

    std::vector<uint8_t> buffer;
    uint64_t readBytes = 0;
    for (const auto& sp : reader.streams) {
        const avi::Stream& s = *sp;
        check_entries(s, s.idx1Entries);
        check_entries(s, s.odmlEntries);
        for (const auto& e : s.idx1Entries) readBytes += read_back(file, size, e, buffer);
        for (const auto& e : s.odmlEntries) readBytes += read_back(file, size, e, buffer);

        // What the importer asks of a stream.
        const uint64_t total = s.getSizeInBytes();
        for (uint64_t at : {uint64_t(0), total / 2, total ? total - 1 : 0, total}) {
            auto it = s.findIndex(at);
            if (it == s.entries().end()) continue;
            if (at < it->position || at - it->position >= it->size)
                fail("findIndex(%llu) gave the entry at %llu of %u bytes", (unsigned long long)at,
                     (unsigned long long)it->position, it->size);
        }
        (void)s.getStreamFormatAsVideo();
        (void)s.getStreamFormatAsAudio();
        if (s.getStreamFormatExtra().size() > s.format.size()) fail("format extra longer than the format");
    }
    const size_t videoStreams = reader.getStreamIndices(avi::fcc::vids).size();
    const size_t audioStreams = reader.getStreamIndices(avi::fcc::auds).size();
    if (videoStreams + audioStreams > reader.streams.size()) fail("more typed streams than streams");

    // Index problems never drop a stream: reading headers only finds the same ones.
    if (parsed) {
        std::vector<uint64_t> numbers;
        for (const auto& s : reader.streams) numbers.push_back(s->index);
        avi::AviReader headers;
        qfuzz::MemoryFile again(data, size);
        if (!headers.parse(&again, avi::AviReader::HeadersOnly)) fail("the headers-only parse failed");
        if (headers.streams.size() != numbers.size()) fail("%zu streams with indexes, %zu without", numbers.size(), headers.streams.size());
        for (size_t i = 0; i < numbers.size(); ++i) {
            const avi::Stream& s = *headers.streams[i];
            if (s.index != numbers[i] || !s.idx1Entries.empty() || !s.odmlEntries.empty())
                fail("stream %zu differs between the two parses", i);
        }
    }

    // Chunk records, index entries and error lines: each takes a few dozen bytes per 8 or 16
    // bytes of the file.
    qfuzz::check_heap(liveAtStart, (64u << 10) + 64 * size, "parsing the file");
    (void)readBytes;
    return 0;
}
