#include "container/avi/AviWriter.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "container/fileio/Errors.h"

namespace avi {

namespace {

using riff::fcc::LIST;
using riff::fcc::RIFF;

// Header bytes of a new segment before its first chunk: RIFF header and form type, then the
// movi list's header and form type.
constexpr uint64_t kSegmentHeadBytes = 24;
// A standard index chunk without entries: 8-byte chunk header and 24-byte index header.
constexpr uint64_t kStdIndexChunkBytes = 8 + sizeof(AVIStdIndexHeader);

uint64_t padded(uint64_t size) { return size + (size & 1); }

long long tell(fileio::File* file)
{
    const long long here = file->pos();
    if (here < 0) throw fileio::SeekError(here);
    return here;
}

} // namespace

AviWriter::AviWriter(fileio::File* file_) : file(file_), riff(std::make_unique<riff::RiffWriter>(file_))
{
    avih.dwFlags = AVIF_HASINDEX;
}

AviWriter::~AviWriter()
{
    try {
        finalize();
    } catch (...) {
    }
    streams.clear();
    riff.reset(); // closes whatever is still open, ignoring errors
}

void AviWriter::init(unsigned int width, unsigned int height, unsigned int microSecPerFrame)
{
    avih.dwWidth = width;
    avih.dwHeight = height;
    avih.dwMicroSecPerFrame = microSecPerFrame;
}

size_t AviWriter::addStream(unsigned int fccType)
{
    // A stream added now would have chunks but no stream list in the header.
    if (avihPos >= 0) throw std::logic_error("AviWriter::addStream: header is already written");
    const size_t index = streams.size();
    streams.push_back(std::make_unique<Stream>(index, fccType));
    ++avih.dwStreams;
    return index;
}

void AviWriter::beginRiff(unsigned int formType)
{
    riffStart = static_cast<uint64_t>(tell(file));
    riff->begin(RIFF, 4, false, true, formType);
    inFirstRiff = formType == fcc::AVI_;
}

void AviWriter::beginMovi()
{
    moviStart = static_cast<uint64_t>(tell(file));
    riff->begin(LIST, 4, false, true, fcc::movi);
}

void AviWriter::beginSegment()
{
    beginRiff(fcc::AVIX);
    beginMovi();
}

void AviWriter::writeHeader()
{
    if (avihPos >= 0) throw std::logic_error("AviWriter::writeHeader: header is already written");
    if (riffLimit == 0) throw std::logic_error("AviWriter::writeHeader: segment limit is 0");
    // One super index entry per segment that a file of maxFileSize can have.
    const uint64_t reserve =
        maxFileSize <= firstRiffLimit
            ? 40
            : 16 * ((maxFileSize - firstRiffLimit + riffLimit - 1) / riffLimit) + 40;
    if (reserve > 0x7FFFFFFF) throw std::logic_error("AviWriter::writeHeader: super index reserve too large");

    beginRiff(fcc::AVI_);
    riff->begin(LIST, 4, false, true, fcc::hdrl);
    avihPos = tell(file) + 8;
    riff->writeChunk(fcc::avih, sizeof(avih), &avih);

    const std::vector<uint8_t> zeros(reserve, 0);
    for (auto& s : streams) {
        riff->begin(LIST, 4, false, true, fcc::strl);
        s->strhPos = tell(file) + 8;
        riff->writeChunk(fcc::strh, sizeof(s->header), &s->header);
        riff->writeChunk(fcc::strf, static_cast<uint32_t>(s->format.size()), s->format.data());
        s->indxReserve = reserve;
        s->indxPos = tell(file) + 8;
        riff->writeChunk(fcc::indx, static_cast<uint32_t>(reserve), zeros.data());
        riff->end();
    }

    riff->begin(LIST, 4, false, true, fcc::odml);
    dmlhPos = tell(file) + 8;
    riff->writeChunk(fcc::dmlh, sizeof(dmlh), &dmlh);
    riff->end();
    riff->end(); // hdrl

    beginMovi();
    headerWritten = true;
}

uint64_t AviWriter::superIndexCapacity(const Stream& stream) const
{
    return stream.indxReserve >= sizeof(AVISuperIndexHeader)
               ? (stream.indxReserve - sizeof(AVISuperIndexHeader)) / sizeof(AVISuperIndexEntry)
               : 0;
}

void AviWriter::writeChunk(unsigned long stream, const void* data, unsigned long size,
                           unsigned int duration, bool keyFrame)
{
    if (!headerWritten)
        throw std::logic_error("AviWriter::writeChunk: header is not written, writeHeader() must be called first");
    // Everything that can refuse the chunk is checked before a segment is closed for it.
    if (stream >= streams.size()) throw std::out_of_range("AviWriter::writeChunk: stream index out of range");
    Stream& s = *streams[stream];

    const uint64_t chunkBytes = 8 + padded(size);
    uint64_t indexBytes = 0;
    for (const auto& other : streams) indexBytes += kStdIndexChunkBytes + 8 * other->pendingEntries.size();

    // A chunk that would not fit even an empty segment would overflow the 31-bit sizes of the
    // standard index; it is refused rather than written into a broken file.
    const uint64_t freshNeed = kSegmentHeadBytes + chunkBytes + 8 + kStdIndexChunkBytes * streams.size();
    if (size >= 0x7FFFFFFFul || freshNeed > riffLimit)
        throw fileio::Error("AviWriter::writeChunk: chunk of " + std::to_string(size) +
                            " bytes does not fit a segment");

    const uint64_t need = (static_cast<uint64_t>(tell(file)) - riffStart) + chunkBytes + 8 + indexBytes +
                          (inFirstRiff ? 8 + 16 + 16 * idx1Entries.size() : 0);
    const bool newSegment = need > (inFirstRiff ? firstRiffLimit : riffLimit);

    // Each segment in which the stream has chunks takes one super index entry; the reserve in the
    // header holds a fixed number of them. Writing past it would leave a cut-off super index
    // behind a file that looks complete.
    const uint64_t used = s.superIndex.nEntriesInUse + (s.pendingEntries.empty() ? 0 : 1);
    const uint64_t needed = (newSegment || s.pendingEntries.empty()) ? used + 1 : used;
    if (needed > superIndexCapacity(s))
        throw fileio::Error("AviWriter::writeChunk: super index of stream " + std::to_string(stream) +
                            " is full, the file is too large");

    if (newSegment) {
        endSegment(false);
        beginSegment();
    }

    const uint64_t chunkPos = static_cast<uint64_t>(tell(file));
    const uint32_t id = s.dataChunkId();
    riff->writeChunk(id, static_cast<uint32_t>(size), data);

    s.pendingEntries.push_back({chunkPos + 8, static_cast<uint32_t>(size), duration, 0, keyFrame});
    s.header.dwLength += duration;
    if (size > s.header.dwSuggestedBufferSize) s.header.dwSuggestedBufferSize = static_cast<uint32_t>(size);
    if (inFirstRiff)
        idx1Entries.push_back({id, keyFrame ? AVIIF_KEYFRAME : 0, static_cast<uint32_t>(chunkPos - moviStart - 8),
                               static_cast<uint32_t>(size)});
    if (chunkBytes > avih.dwSuggestedBufferSize) avih.dwSuggestedBufferSize = static_cast<uint32_t>(chunkBytes);
}

void AviWriter::endMovi()
{
    const riff::RiffWriter::ChunkInfo* top = riff->current();
    if (!top || top->id != LIST || top->formType != fcc::movi) return;

    std::vector<uint8_t> chunk;
    for (auto& s : streams) {
        if (s->pendingEntries.empty()) continue;
        const auto* index = s->buildNewStdIndex(s->pendingEntries, moviStart, static_cast<uint64_t>(tell(file)));
        s->pendingEntries.clear();
        const size_t entryBytes = index->entries.size() * sizeof(AVIStdIndexEntry);
        chunk.resize(sizeof(AVIStdIndexHeader) + entryBytes);
        std::memcpy(chunk.data(), &index->header(), sizeof(AVIStdIndexHeader));
        std::memcpy(chunk.data() + sizeof(AVIStdIndexHeader), index->entries.data(), entryBytes);
        riff->writeChunk(s->indexChunkId(), static_cast<uint32_t>(chunk.size()), chunk.data());
    }
    riff->end();
}

void AviWriter::endRiff()
{
    const riff::RiffWriter::ChunkInfo* top = riff->current();
    if (!top || top->id != RIFF || (top->formType != fcc::AVIX && top->formType != fcc::AVI_)) return;
    if (inFirstRiff) {
        riff->writeChunk(fcc::idx1, static_cast<uint32_t>(idx1Entries.size() * sizeof(AVIOldIndexEntry)),
                         idx1Entries.data());
        avih.dwTotalFrames = largestVideoLength();
    }
    riff->end();
}

bool AviWriter::endSegment(bool ignoreErrors)
{
    bool failed = false;
    try {
        endMovi();
    } catch (...) {
        if (!ignoreErrors) throw;
        failed = true;
    }
    try {
        endRiff();
    } catch (...) {
        if (!ignoreErrors) throw;
        failed = true;
    }
    return failed;
}

uint32_t AviWriter::largestVideoLength() const
{
    uint32_t frames = 0;
    for (const auto& s : streams)
        if (s->header.fccType == fcc::vids && s->header.dwLength > frames) frames = s->header.dwLength;
    return frames;
}

void AviWriter::writeSuperIndex(const Stream& s)
{
    AVISuperIndexHeader head{};
    head.wLongsPerEntry = 4;
    head.bIndexSubType = 0;
    head.bIndexType = AVI_INDEX_OF_INDEXES;
    head.nEntriesInUse = s.superIndex.nEntriesInUse;
    head.dwChunkId = s.superIndex.dwChunkId;
    const size_t entryBytes = s.superIndex.entries.size() * sizeof(AVISuperIndexEntry);
    std::vector<uint8_t> bytes(sizeof(head) + entryBytes);
    std::memcpy(bytes.data(), &head, sizeof(head));
    if (entryBytes) std::memcpy(bytes.data() + sizeof(head), s.superIndex.entries.data(), entryBytes);
    if (bytes.size() > s.indxReserve) bytes.resize(s.indxReserve);
    file->write_at_e(bytes.data(), bytes.size(), s.indxPos);
}

void AviWriter::finalize()
{
    bool failed = endSegment(true);
    if (!headerWritten) return;
    headerWritten = false;

    dmlh.dwTotalFrames = largestVideoLength();
    auto patch = [&](auto&& step) {
        try {
            step();
        } catch (...) {
            failed = true;
        }
    };
    if (avihPos >= 0) patch([&] { file->write_at_e(&avih, sizeof(avih), avihPos); });
    if (dmlhPos >= 0) patch([&] { file->write_at_e(&dmlh, sizeof(dmlh), dmlhPos); });
    for (const auto& s : streams) {
        if (s->strhPos >= 0) patch([&] { file->write_at_e(&s->header, sizeof(s->header), s->strhPos); });
        if (s->indxPos >= 0) patch([&] { writeSuperIndex(*s); });
    }
    if (failed) throw fileio::Error("AviWriter::finalize: failed to correctly finalize avi");
}

} // namespace avi
