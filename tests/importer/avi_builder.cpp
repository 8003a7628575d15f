#include "avi_builder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "container/avi/AviReader.h"
#include "container/avi/AviWriter.h"
#include "container/fileio/PosixFile.h"

namespace qtest {

namespace {

uint32_t handlerOf(uint32_t compressedType)
{
    switch (compressedType) {
    case QUORVANE_FRAME_COMP_RGB: return riff::fcc::make("Q8RG");
    case QUORVANE_FRAME_COMP_RGBA: return riff::fcc::make("Q8RA");
    case QUORVANE_FRAME_COMP_YUV444: return riff::fcc::make("Q8Y4");
    case QUORVANE_FRAME_COMP_YUV422: return riff::fcc::make("Q8Y2");
    case QUORVANE_FRAME_COMP_YUV420: return riff::fcc::make("Q8Y0");
    case QUORVANE_FRAME_COMP_YUV400: return riff::fcc::make("Q8G0");
    default: return riff::fcc::make("QXXX");
    }
}

bool hasAlpha(uint32_t compressedType)
{
    return compressedType == QUORVANE_FRAME_COMP_RGBA || compressedType == QUORVANE_FRAME_COMP_YUV444A;
}

uint32_t sourceTypeOf(const VideoTrack& track)
{
    if (track.sourceType != 0)
        return track.sourceType;
    return hasAlpha(track.compressedType) ? QUORVANE_FRAME_BGRA : QUORVANE_FRAME_BGRX;
}

// Compresses frames of the track's source type into its compressed type.
class FrameCompressor {
public:
    FrameCompressor(const VideoTrack& track) : m_type{uint32_t(track.width), uint32_t(track.height), sourceTypeOf(track), 0}
    {
        if (quorvane_library_init() != QUORVANE_OK || quorvane_open(&m_handle) != QUORVANE_OK)
            throw std::runtime_error("codec not available");
        QuorvaneFrameType out{0, 0, track.compressedType, 0};
        const uint8_t* format = nullptr;
        uint32_t formatSize = 0;
        if (quorvane_compress_begin(m_handle, &m_type, &out, &format, &formatSize, &m_maxSize) != QUORVANE_OK)
            throw std::runtime_error("compress begin failed");
        header.assign(format, format + formatSize);
        // The layout's planes in one buffer: first their offsets, then their bytes.
        QuorvaneFrameData planes{};
        if (quorvane_init_planes_common(m_handle, &m_type, &planes, nullptr) != QUORVANE_OK)
            throw std::runtime_error("no plane layout");
        for (const QuorvanePlane& p : planes.planes)
            m_frameBytes = std::max<std::size_t>(m_frameBytes, reinterpret_cast<std::uintptr_t>(p.data) + p.size);
    }
    ~FrameCompressor()
    {
        quorvane_close(m_handle);
        quorvane_library_close();
    }

    std::size_t frameBytes() const { return m_frameBytes; }

    // pixels holds frameBytes() bytes.
    std::vector<uint8_t> compress(std::vector<uint8_t>& pixels)
    {
        QuorvaneFrameData frame{};
        if (quorvane_init_planes_common(m_handle, &m_type, &frame, pixels.data()) != QUORVANE_OK)
            throw std::runtime_error("no plane layout");
        std::vector<uint8_t> out(m_maxSize);
        uint32_t size = 0;
        if (quorvane_compress(m_handle, &frame, out.data(), &size) != QUORVANE_OK)
            throw std::runtime_error("compress failed");
        out.resize(size);
        return out;
    }

    std::vector<uint8_t> header;

private:
    QuorvaneFrameType m_type;
    uint32_t m_handle = 0;
    uint32_t m_maxSize = 0;
    std::size_t m_frameBytes = 0;
};

} // namespace

std::vector<uint8_t> noiseBytes(std::size_t count, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes)
        b = uint8_t(rng());
    return bytes;
}

WrittenAvi writeAvi(const std::string& path, const AviSpec& shape)
{
    WrittenAvi written;
    fileio::PosixFile file;
    if (!file.open(path.c_str(), 2))
        throw std::runtime_error("cannot create " + path);
    {
        avi::AviWriter writer(&file);
        const VideoTrack* video = shape.video ? &*shape.video : nullptr;
        std::unique_ptr<FrameCompressor> compressor;
        if (video != nullptr) {
            compressor = std::make_unique<FrameCompressor>(*video);
            writer.init(uint32_t(video->width), uint32_t(video->height),
                        video->rate != 0 ? uint32_t(1000000ull * video->scale / video->rate) : 0);
            const size_t n = writer.addStream(avi::fcc::vids);
            const std::vector<uint8_t>& extra = compressor->header;
            writer.streams[n]->initAsVideo(video->width, video->height, 24, handlerOf(video->compressedType),
                                           video->rate, video->scale, uint32_t(4 * video->width * video->height),
                                           video->noFormatHeader ? 0 : extra.size(),
                                           video->noFormatHeader ? nullptr : extra.data());
        } else {
            writer.init(0, 0, 0);
        }
        std::vector<std::size_t> audioStreams;
        for (const AudioTrack& track : shape.audio) {
            const size_t n = writer.addStream(avi::fcc::auds);
            writer.streams[n]->initAsAudio(track.tag, track.channels, track.rate, track.bits, track.channelMask);
            if (track.format)
                writer.streams[n]->format = *track.format;
            audioStreams.push_back(n);
        }
        writer.writeHeader();

        std::vector<std::size_t> audioDone(shape.audio.size(), 0);
        auto writeAudioChunk = [&](std::size_t a) {
            const AudioTrack& track = shape.audio[a];
            const std::size_t left = track.data.size() - audioDone[a];
            if (left == 0)
                return false;
            const std::size_t n = std::min(left, track.chunkBytes);
            const unsigned blockAlign = std::max(1u, unsigned(track.channels) * ((track.bits + 7u) / 8u));
            writer.writeChunk(audioStreams[a], track.data.data() + audioDone[a], n, uint32_t(n / blockAlign), false);
            audioDone[a] += n;
            return true;
        };

        const int frames = video != nullptr ? video->frames : 0;
        for (int f = 0; f < frames; ++f) {
            const bool empty = std::find(video->emptyFrames.begin(), video->emptyFrames.end(), f) !=
                               video->emptyFrames.end();
            if (empty) {
                writer.writeChunk(0, nullptr, 0, 1, false);
                written.frames.emplace_back();
            } else {
                std::vector<uint8_t> pixels = noiseBytes(compressor->frameBytes(), 500u + uint32_t(f));
                if (sourceTypeOf(*video) == QUORVANE_FRAME_BGRX) {
                    for (std::size_t i = 3; i < pixels.size(); i += 4)
                        pixels[i] = 0xFF; // X is not stored
                }
                const std::vector<uint8_t> chunk = compressor->compress(pixels);
                writer.writeChunk(0, chunk.data(), chunk.size(), 1, true);
                written.frames.push_back(std::move(pixels));
            }
            for (std::size_t a = 0; a < shape.audio.size(); ++a)
                writeAudioChunk(a);
        }
        for (bool more = true; more;) {
            more = false;
            for (std::size_t a = 0; a < shape.audio.size(); ++a)
                more = writeAudioChunk(a) || more;
        }
        writer.finalize();
    }
    written.size = uint64_t(file.size());
    file.close();
    return written;
}

std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

AviLayout layoutOf(const std::string& path)
{
    fileio::PosixFile file;
    if (!file.open(path.c_str(), 0))
        throw std::runtime_error("cannot open " + path);
    avi::AviReader reader;
    if (!reader.parse(&file, avi::AviReader::Full))
        throw std::runtime_error("cannot parse " + path + ": " + reader.errors);
    AviLayout layout;
    const riff::Chunk& avi = reader.chunks.front();
    for (const riff::Chunk& child : avi.children) {
        if (child.id == avi::fcc::idx1)
            layout.idx1Data = child.dataOffset();
        if (!child.isList() || child.type != avi::fcc::hdrl)
            continue;
        for (const riff::Chunk& strl : child.children) {
            if (!strl.isList() || strl.type != avi::fcc::strl)
                continue;
            for (const riff::Chunk& c : strl.children) {
                if (c.id == avi::fcc::strh)
                    layout.strhData.push_back(c.dataOffset());
            }
        }
    }
    for (const auto& stream : reader.streams) {
        layout.stdIndexEntries.push_back(stream->superIndex.entries.empty()
                                             ? 0
                                             : stream->superIndex.entries[0].qwOffset + 8 + sizeof(avi::AVIStdIndexHeader));
    }
    return layout;
}

} // namespace qtest
