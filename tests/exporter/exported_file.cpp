#include "exported_file.h"

#include <algorithm>

namespace qtest {

ExportedFile::ExportedFile(const std::string& path)
{
    if (!m_file.open(path.c_str(), 0))
        return;
    parsed = reader.parse(&m_file, avi::AviReader::Full);
    errors = reader.errors;
    for (std::size_t s = 0; s < reader.streams.size(); ++s) {
        for (const avi::Stream::IndexEntry& e : reader.streams[s]->entries())
            chunks.push_back({static_cast<int>(s), e.offset, e.size, e.key});
    }
    std::sort(chunks.begin(), chunks.end(),
              [](const ExportedChunk& a, const ExportedChunk& b) { return a.offset < b.offset; });
}

std::vector<uint8_t> ExportedFile::data(const ExportedChunk& chunk)
{
    std::vector<uint8_t> bytes(chunk.size);
    if (chunk.size != 0 && (!m_file.seek(static_cast<long long>(chunk.offset)) ||
                            m_file.read(bytes.data(), bytes.size()) != bytes.size()))
        bytes.clear();
    return bytes;
}

std::vector<ExportedChunk> ExportedFile::of(int stream) const
{
    std::vector<ExportedChunk> out;
    for (const ExportedChunk& c : chunks)
        if (c.stream == stream)
            out.push_back(c);
    return out;
}

std::string ExportedFile::order() const
{
    std::string text;
    for (const ExportedChunk& c : chunks)
        text += c.stream == 1 ? 'A' : (c.size == 0 ? 'R' : 'V');
    return text;
}

FrameDecoder::FrameDecoder(const std::vector<uint8_t>& formatHeader, const QuorvaneFrameTypeEx& requested)
{
    quorvane_library_init();
    quorvane_open(&m_handle);
    QuorvaneFrameTypeEx r = requested;
    m_begin = quorvane_decompress_begin(m_handle, formatHeader.data(), static_cast<uint32_t>(formatHeader.size()),
                                        reinterpret_cast<QuorvaneFrameType*>(&r), nullptr);
}

FrameDecoder::~FrameDecoder()
{
    quorvane_close(m_handle);
    quorvane_library_close();
}

int FrameDecoder::decode(const std::vector<uint8_t>& frame, std::vector<uint8_t>& pixels, int rowBytes, int rows)
{
    pixels.assign(std::size_t(rowBytes) * std::size_t(rows) + 64, 0);
    // The codec wants aligned rows; the vector's storage is, and rowBytes is a multiple of 16 here.
    QuorvaneFrameData planes{};
    planes.planes[0] = QuorvanePlane{pixels.data(), rowBytes, static_cast<uint32_t>(rowBytes * rows)};
    return quorvane_decompress(m_handle, frame.data(), static_cast<uint32_t>(frame.size()), &planes);
}

} // namespace qtest
