#include "container/avi/AviReader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <set>

namespace avi {

namespace {

using riff::Chunk;

const Chunk* firstChild(const Chunk& parent, uint32_t id)
{
    for (const Chunk& c : parent.children)
        if (c.id == id) return &c;
    return nullptr;
}

const Chunk* firstChildList(const Chunk& parent, uint32_t type)
{
    for (const Chunk& c : parent.children)
        if (c.isList() && c.type == type) return &c;
    return nullptr;
}

std::string streamTag(size_t n) { return "stream[" + std::to_string(n) + "]: "; }

} // namespace

AviReader::AviReader() = default;

void AviReader::reset()
{
    file = nullptr;
    chunks.clear();
    errors.clear();
    avih = MainAVIHeader{};
    dmlh = ODMLExtendedAVIHeader{};
    streams.clear();
    idx1Entries.clear();
    fileSize = 0;
    indexEntriesKept = 0;
    superEntriesKept = 0;
}

bool AviReader::IsNotAvi(const void* data, size_t size)
{
    if (size < 12) return false; // nothing can be told yet
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "AVI ", 4) != 0;
}

std::vector<size_t> AviReader::getStreamIndices(unsigned int fccType) const
{
    std::vector<size_t> out;
    for (size_t i = 0; i < streams.size(); ++i)
        if (streams[i]->header.fccType == fccType) out.push_back(i);
    return out;
}

uint64_t AviReader::bytesFrom(uint64_t offset) const { return offset < fileSize ? fileSize - offset : 0; }

size_t AviReader::readAt(uint64_t offset, void* buffer, size_t size)
{
    if (offset > uint64_t(INT64_MAX) || !file->seek(static_cast<long long>(offset))) return 0;
    return size ? file->read(buffer, size) : 0;
}

bool AviReader::readChunkData(const riff::Chunk& chunk, void* buffer, size_t size)
{
    if (chunk.dataSize() < size) return false;
    return readAt(chunk.dataOffset(), buffer, size) == size;
}

bool AviReader::parse(fileio::File* file_, ParseMode mode)
{
    reset();
    file = file_;
    // The steps check every size they use; what is left to catch is running out of memory
    // on a file whose index claims more than it holds.
    try {
        return parseSteps(mode);
    } catch (const std::bad_alloc&) {
        errors += "not enough memory to read the file's headers and indexes\n";
    } catch (const std::exception& e) {
        errors += std::string(e.what()) + "\n";
    }
    return false;
}

bool AviReader::parseSteps(ParseMode mode)
{
    const long long start = file->pos();
    uint8_t head[12] = {};
    file->read(head, sizeof(head)); // bytes that cannot be read stay 0
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "AVI ", 4) != 0) {
        errors += "file doesn't look like AVI (first 12 bytes is not 'RIFF'....'AVI ')";
        return false;
    }
    file->seek(start);

    const long long size = file->size();
    fileSize = size > 0 ? static_cast<uint64_t>(size) : 0;
    const std::set<unsigned> descend = {fcc::AVI_, fcc::hdrl, fcc::strl, fcc::odml};
    const std::set<unsigned> stop = {fcc::AVI_};
    if (!riff::readList(chunks, file, fileSize, descend, stop)) errors += "riff structure is corrupt or invalid\n";

    if (chunks.empty()) {
        errors += "riff structure is empty\n";
        return false;
    }
    const Chunk& avi = chunks.front();
    if (!avi.isList() || avi.type != fcc::AVI_) {
        errors += "AVI chunk missing\n";
        return false;
    }
    const Chunk* hdrl = firstChildList(avi, fcc::hdrl);
    if (!hdrl) {
        errors += "hdrl missing\n";
        return false;
    }
    const Chunk* avihChunk = firstChild(*hdrl, fcc::avih);
    if (!avihChunk) {
        errors += "avih missing\n";
        return false;
    }
    if (!readChunkData(*avihChunk, &avih, sizeof(avih))) {
        errors += "avih data read error\n";
        return false;
    }

    size_t streamNumber = 0;
    for (const Chunk& child : hdrl->children) {
        if (!child.isList()) continue;
        if (child.type == fcc::strl) {
            auto stream = std::make_unique<Stream>(streamNumber, 0);
            if (readStreamList(child, *stream, mode == Full)) streams.push_back(std::move(stream));
            ++streamNumber; // a dropped stream keeps its number from the others
        } else if (child.type == fcc::odml) {
            if (const Chunk* d = firstChild(child, fcc::dmlh))
                readAt(d->dataOffset(), &dmlh, std::min<uint64_t>(d->dataSize(), sizeof(dmlh)));
        }
    }

    if (mode == Full) {
        if (const Chunk* idx1 = firstChild(avi, fcc::idx1)) {
            // Only the entries the file really holds; a cut-off last entry stays, zero-filled.
            const uint64_t bytes = std::min(idx1->dataSize(), bytesFrom(idx1->dataOffset()));
            idx1Entries.assign((bytes + 15) / 16, AVIOldIndexEntry{});
            if (bytes) readAt(idx1->dataOffset(), idx1Entries.data(), bytes);
            if (idx1->dataSize() % 16) errors += "idx1 size is not a multiple of index entry size\n";
        }
        buildIndex(firstChildList(avi, fcc::movi));
    }
    return true;
}

bool AviReader::readStreamList(const riff::Chunk& strl, Stream& stream, bool withIndex)
{
    const std::string tag = streamTag(stream.index);
    const Chunk* strh = firstChild(strl, fcc::strh);
    if (!strh) {
        errors += tag + "strh missing in strl\n";
        return false;
    }
    const Chunk* strf = firstChild(strl, fcc::strf);
    if (!strf) {
        errors += tag + "strf missing in strl\n";
        return false;
    }
    if (!readChunkData(*strh, &stream.header, sizeof(stream.header))) {
        errors += tag + "strh data read error\n";
        return false;
    }
    // The claimed size is checked against the file before it sizes a buffer.
    if (strf->dataSize() > bytesFrom(strf->dataOffset())) {
        errors += tag + "strf data read error\n";
        return false;
    }
    stream.format.assign(strf->dataSize(), 0);
    if (readAt(strf->dataOffset(), stream.format.data(), stream.format.size()) != stream.format.size()) {
        errors += tag + "strf data read error\n";
        return false;
    }
    if (withIndex)
        if (const Chunk* indx = firstChild(strl, fcc::indx)) readIndex(*indx, stream, stream.index);
    return true;
}

void AviReader::readIndex(const riff::Chunk& indx, Stream& stream, size_t n)
{
    const std::string tag = streamTag(n);
    stream.useOdmlIndex = true;
    auto problem = [&](const std::string& line) {
        errors += tag + line + "\n";
        stream.useOdmlIndex = false;
    };

    const uint64_t bytes = std::min(indx.dataSize(), bytesFrom(indx.dataOffset()));
    std::vector<uint8_t> data(bytes);
    const size_t got = bytes ? readAt(indx.dataOffset(), data.data(), data.size()) : 0;
    AVISuperIndexHeader head{};
    if (got) std::memcpy(&head, data.data(), std::min<size_t>(got, sizeof(head)));
    static_cast<AVISuperIndexHeader&>(stream.superIndex) = head;
    stream.superIndex.entries.clear();
    if (head.wLongsPerEntry != 4) {
        problem("super index (indx) unexpected super index entry size (wLongsPerEntry): " +
                std::to_string(head.wLongsPerEntry));
        return;
    }

    const uint64_t present = got > sizeof(head) ? (got - sizeof(head)) / sizeof(AVISuperIndexEntry) : 0;
    uint64_t count = std::min<uint64_t>(present, head.nEntriesInUse);
    if (count < head.nEntriesInUse)
        problem("super index (indx) chunk data is smaller than nEntriesInUse: " + std::to_string(head.nEntriesInUse) + " ");
    // Every super index entry takes 16 bytes of the file, so all streams together name no more
    // index chunks than this; indx chunks whose sizes run to the end of the file would otherwise
    // read the same bytes once per stream.
    const uint64_t superBudget = fileSize / sizeof(AVISuperIndexEntry) - superEntriesKept;
    if (count > superBudget) {
        problem("super index (indx) names more index chunks than the file can hold: " + std::to_string(count));
        count = superBudget;
    }
    superEntriesKept += count;
    stream.superIndex.entries.resize(count);
    if (count) std::memcpy(stream.superIndex.entries.data(), data.data() + sizeof(head), count * sizeof(AVISuperIndexEntry));
    data = {};

    // Every data chunk takes at least 8 bytes of the file, so no file indexes more chunks than
    // this; an index that claims more (say every super entry naming one huge ix chunk) is refused
    // before it multiplies memory.
    const uint64_t entryBudget = fileSize / 8;
    stream.stdIndexes.assign(count, Stream::OpenDMLIndex<AVIStdIndexEntry>{});
    for (uint64_t i = 0; i < count; ++i) {
        const AVISuperIndexEntry& super = stream.superIndex.entries[i];
        if (super.dwSize < 8) continue;
        const uint64_t at = super.qwOffset + 8;
        const uint64_t size = super.dwSize - 8;
        auto& index = stream.stdIndexes[i];

        // The header first: a chunk too short to hold one cannot be read as an index.
        AVIStdIndexHeader ix{};
        const size_t headGot = size >= sizeof(ix) && bytesFrom(at) >= sizeof(ix) ? readAt(at, &ix, sizeof(ix)) : 0;
        if (headGot < sizeof(ix)) {
            problem("could not read standard index at: " + std::to_string(at) + ", size: " + std::to_string(size));
            continue;
        }
        if (ix.wLongsPerEntry != 2) {
            problem("std index (ix..) unexpected std index entry size (wLongsPerEntry): " +
                    std::to_string(ix.wLongsPerEntry));
            continue;
        }
        const uint64_t claimed = (size - sizeof(ix)) / sizeof(AVIStdIndexEntry);
        const uint64_t held = bytesFrom(at + sizeof(ix)) / sizeof(AVIStdIndexEntry);
        uint64_t entries = std::min<uint64_t>(std::min(claimed, held), ix.nEntriesInUse);
        if (entries < ix.nEntriesInUse)
            problem("std index (ix..) chunk data is smaller than nEntriesInUse: " + std::to_string(ix.nEntriesInUse));
        if (entries > entryBudget - indexEntriesKept) {
            problem("std index (ix..) indexes more chunks than the file can hold: " + std::to_string(ix.nEntriesInUse));
            break;
        }
        static_cast<AVIStdIndexHeader&>(index) = ix;
        index.entries.resize(entries);
        if (entries) {
            const size_t read = readAt(at + sizeof(ix), index.entries.data(), entries * sizeof(AVIStdIndexEntry));
            entries = read / sizeof(AVIStdIndexEntry);
            index.entries.resize(entries);
        }
        indexEntriesKept += entries;
    }
}

void AviReader::buildIndex(const riff::Chunk* movi)
{
    if (movi) {
        // An idx1 entry belongs to the stream whose file number its first two characters name
        // (not its place in `streams`, which shifts when a stream list was dropped). Numbers
        // from 2560 on repeat the same two characters; the first such stream takes the entry.
        std::map<uint32_t, Stream*> byDigits;
        for (auto& s : streams) byDigits.emplace(streamDigits(s->index), s.get());
        auto owner = [&](const AVIOldIndexEntry& e) {
            const auto it = byDigits.find(e.ckid & 0xFFFF);
            return it == byDigits.end() ? nullptr : it->second;
        };
        std::map<Stream*, size_t> counts;
        for (const AVIOldIndexEntry& e : idx1Entries)
            if (Stream* s = owner(e)) ++counts[s];
        for (const auto& [s, count] : counts) s->idx1Entries.reserve(count);
        for (const AVIOldIndexEntry& e : idx1Entries) {
            Stream* s = owner(e);
            if (!s) continue;
            const uint64_t position = s->idx1Entries.empty() ? 0 : s->idx1Entries.back().position + s->idx1Entries.back().size;
            s->idx1Entries.push_back({movi->offset + e.dwChunkOffset + 16, e.dwChunkLength, 0, position,
                                      (e.dwFlags & AVIIF_KEYFRAME) != 0});
        }
    }
    for (auto& s : streams) {
        size_t count = 0;
        for (const auto& index : s->stdIndexes) count += index.entries.size();
        s->odmlEntries.reserve(count);
        uint64_t position = 0;
        for (const auto& index : s->stdIndexes) {
            for (const AVIStdIndexEntry& e : index.entries) {
                const uint32_t size = e.dwSize & ~AVISTDINDEX_DELTAFRAME;
                s->odmlEntries.push_back({index.qwBaseOffset + e.dwOffset, size, 0, position,
                                          (e.dwSize & AVISTDINDEX_DELTAFRAME) == 0});
                position += size;
            }
        }
    }
}

} // namespace avi
