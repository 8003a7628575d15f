#include "container/riff/RiffWriter.h"

#include "container/fileio/Errors.h"

namespace riff {

namespace {

void put_le32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

} // namespace

RiffWriter::AutoEnd::~AutoEnd()
{
    if (m_dismissed || m_ended) return;
    try {
        m_writer.end();
    } catch (...) {
    }
}

Chunk RiffWriter::AutoEnd::end()
{
    m_ended = true;
    return m_writer.end();
}

RiffWriter::RiffWriter(fileio::File* file_) : file(file_) {}

RiffWriter::~RiffWriter()
{
    endAll(true);
    // Records of chunks that could not be closed free their parents along the chain.
    top.reset();
}

RiffWriter& RiffWriter::begin(unsigned int id, unsigned int size, bool keepSize, bool withFormType,
                              unsigned int formType)
{
    const long long start = file->pos();
    uint8_t head[12];
    put_le32(head, id);
    put_le32(head + 4, size);
    put_le32(head + 8, formType);
    const size_t headSize = withFormType ? 12 : 8;
    file->write_e(head, headSize);

    auto info = std::make_unique<ChunkInfo>();
    info->id = id;
    info->size = size;
    info->formType = withFormType ? formType : 0;
    info->startPos = static_cast<uint64_t>(start);
    info->parent = std::move(top);
    info->bytesWritten = static_cast<uint32_t>(headSize);
    info->keepSize = keepSize;
    top = std::move(info);
    return *this;
}

Chunk RiffWriter::writeChunk(unsigned int id, unsigned int size, const void* data)
{
    begin(id, size, false, false, 0);
    AutoEnd guard(*this);
    const size_t written = size ? file->write(data, size) : 0;
    top->bytesWritten += static_cast<uint32_t>(written);
    // On a short write the guard closes the chunk with its size patched to what got written.
    if (written != size) throw fileio::WriteError(size, written);
    return guard.end();
}

Chunk RiffWriter::end()
{
    if (!top) return Chunk{};
    std::unique_ptr<ChunkInfo> info = std::move(top);
    top = std::move(info->parent);
    if (top) top->bytesWritten += info->bytesWritten;

    bool failed = false;
    if (!info->keepSize) {
        const uint32_t newSize = info->bytesWritten - 8;
        if (newSize != info->size) {
            info->size = newSize;
            uint8_t field[4];
            put_le32(field, newSize);
            if (file->write_at(field, 4, static_cast<long long>(info->startPos + 4)) != 4) failed = true;
        }
    }
    if (info->bytesWritten & 1) {
        static const uint8_t zero = 0;
        if (write(&zero, 1) != 1) failed = true;
    }
    if (failed) {
        const bool list = info->id == fcc::LIST || info->id == fcc::RIFF;
        throw fileio::Error("Failed to close riff chunk: " +
                            fcc::to_string(list ? info->formType : info->id, fcc::LowByteFirst));
    }

    Chunk chunk;
    chunk.id = info->id;
    chunk.size = info->size;
    chunk.type = info->formType;
    chunk.offset = info->startPos;
    chunk.children = info->children;
    return chunk;
}

void RiffWriter::endAll(bool ignoreErrors)
{
    while (top) {
        if (!ignoreErrors) {
            end();
            continue;
        }
        try {
            end();
        } catch (...) {
        }
    }
}

void RiffWriter::writeData(const void* data, unsigned int size)
{
    const size_t written = write(data, size);
    if (written != size) throw fileio::WriteError(size, written);
}

size_t RiffWriter::write(const void* data, size_t size)
{
    const size_t written = size ? file->write(data, size) : 0;
    if (top) top->bytesWritten += static_cast<uint32_t>(written);
    return written;
}

void RiffWriter::updateCurrentBytesWritten(unsigned int count)
{
    if (top) top->bytesWritten += count;
}

} // namespace riff
