// avi_chunks FILE.avi STREAM PREFIX: writes the chunks of stream STREAM as the file's index lists
// them: PREFIX.sizes (one size a line, 0 for an empty chunk) and PREFIX.bin (the bytes, joined).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "container/avi/AviReader.h"
#include "container/fileio/PosixFile.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: avi_chunks FILE.avi STREAM PREFIX\n");
        return 2;
    }
    const std::string prefix = argv[3];
    const std::size_t stream = std::strtoul(argv[2], nullptr, 10);
    fileio::PosixFile file;
    avi::AviReader reader;
    if (!file.open(argv[1], 0) || !reader.parse(&file, avi::AviReader::Full) || stream >= reader.streams.size()) {
        std::fprintf(stderr, "avi_chunks: cannot read stream %zu of %s\n", stream, argv[1]);
        return 1;
    }
    std::ofstream sizes(prefix + ".sizes");
    std::ofstream bytes(prefix + ".bin", std::ios::binary);
    for (const avi::Stream::IndexEntry& e : reader.streams[stream]->entries()) {
        sizes << e.size << "\n";
        std::vector<char> data(e.size);
        if (e.size != 0 && (!file.seek(static_cast<long long>(e.offset)) || file.read(data.data(), e.size) != e.size)) {
            std::fprintf(stderr, "avi_chunks: a chunk of %s cannot be read\n", argv[1]);
            return 1;
        }
        bytes.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    return sizes && bytes ? 0 : 1;
}
