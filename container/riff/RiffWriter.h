#pragma once
// Writes nested RIFF chunks. A chunk is opened with a provisional size and, unless asked to keep
// it, gets its real size patched into its header when it is closed; the pad byte after an odd
// size is counted in the enclosing chunk, not in the chunk itself.

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>

#include "container/fileio/File.h"
#include "container/riff/Chunk.h"

namespace riff {

class RiffWriter {
public:
    struct ChunkInfo {
        uint32_t id = 0;
        uint32_t size = 0;
        uint32_t formType = 0; // 0 when no form type was written
        uint64_t startPos = 0; // file position of the header
        std::list<Chunk> children;         // never filled by the writer
        std::unique_ptr<ChunkInfo> parent; // the enclosing open chunk
        uint32_t bytesWritten = 0;         // header, form type, data, closed children and their pads
        bool keepSize = false;             // closing leaves the size field as written
    };

    // Ends the writer's open chunk when it goes out of scope, unless dismissed or ended already.
    // Errors while ending are swallowed: the guard runs while another error is on its way out.
    class AutoEnd {
    public:
        explicit AutoEnd(RiffWriter& writer) : m_writer(writer) {}
        ~AutoEnd();
        AutoEnd(const AutoEnd&) = delete;
        AutoEnd& operator=(const AutoEnd&) = delete;

        void dismiss() { m_dismissed = true; }
        Chunk end(); // ends the chunk now; errors propagate

    private:
        RiffWriter& m_writer;
        bool m_dismissed = false;
        bool m_ended = false;
    };

    explicit RiffWriter(fileio::File* file);
    ~RiffWriter();
    RiffWriter(const RiffWriter&) = delete;
    RiffWriter& operator=(const RiffWriter&) = delete;

    RiffWriter& begin(unsigned int id, unsigned int size, bool keepSize, bool withFormType,
                      unsigned int formType);
    Chunk writeChunk(unsigned int id, unsigned int size, const void* data);
    Chunk end();
    void endAll(bool ignoreErrors);
    void writeData(const void* data, unsigned int size);
    size_t write(const void* data, size_t size);
    void updateCurrentBytesWritten(unsigned int count);

    // The innermost open chunk, or null.
    const ChunkInfo* current() const { return top.get(); }

private:
    fileio::File* file;
    std::unique_ptr<ChunkInfo> top;
};

} // namespace riff
