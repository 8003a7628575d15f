// RIFF chunk writing and reading: exact bytes, size patching, failures, and the chunk walk on
// damaged input.

#include <gtest/gtest.h>

#include "common/test_random.h"
#include "container/fileio/Errors.h"
#include "container/riff/Chunk.h"
#include "container/riff/RiffWriter.h"
#include "test_files.h"

namespace {

using qtest::MemoryFile;
using riff::fcc::make;
using riff::fcc::to_string;

template <size_t N>
std::vector<uint8_t> bytes_of(const char (&s)[N])
{
    return std::vector<uint8_t>(s, s + N - 1);
}

void append(std::vector<uint8_t>& v, const char (&id)[5], uint32_t size)
{
    v.insert(v.end(), id, id + 4);
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(size >> (8 * i)));
}

TEST(FourCC, ToString)
{
    EXPECT_EQ(make("RIFF"), 0x46464952u);
    EXPECT_EQ(make("LIST"), 0x5453494Cu);
    EXPECT_EQ(make("AVI "), 0x20495641u);
    EXPECT_EQ(to_string(make("AVI "), riff::fcc::LowByteFirst), "AVI ");
    EXPECT_EQ(to_string(make("AVI "), riff::fcc::HighByteFirst), " IVA");
    EXPECT_EQ(to_string(0x53444900u, riff::fcc::LowByteFirst), "[0]IDS");
    EXPECT_EQ(to_string(0x51385247u, riff::fcc::HighByteFirst), "Q8RG");
    EXPECT_EQ(to_string(0x7F1F7E20u, riff::fcc::LowByteFirst), " ~[31][127]");
    EXPECT_EQ(to_string(0xFFFFFFFFu, riff::fcc::LowByteFirst), "[255][255][255][255]");
    EXPECT_EQ(to_string(make("abcd"), static_cast<riff::fcc::ByteOrder>(7)), "dcba");
}

TEST(RiffWriter, NestedChunksExactBytes)
{
    MemoryFile f;
    riff::RiffWriter w(&f);
    w.begin(riff::fcc::RIFF, 4, false, true, make("TEST"));
    const riff::Chunk odd = w.writeChunk(make("abcd"), 3, "xyz");
    EXPECT_EQ(odd.offset, 12u);
    EXPECT_EQ(odd.size, 3u);
    w.begin(riff::fcc::LIST, 4, false, true, make("sub "));
    const riff::Chunk empty = w.writeChunk(make("zero"), 0, nullptr);
    EXPECT_EQ(empty.offset, 36u);
    const riff::Chunk list = w.end();
    EXPECT_EQ(list.size, 12u);
    EXPECT_EQ(list.type, make("sub "));
    const riff::Chunk top = w.end();
    EXPECT_EQ(top.size, 36u);
    EXPECT_EQ(w.current(), nullptr);

    std::vector<uint8_t> want;
    append(want, "RIFF", 36);
    want.insert(want.end(), {'T', 'E', 'S', 'T'});
    append(want, "abcd", 3);
    want.insert(want.end(), {'x', 'y', 'z', 0});
    append(want, "LIST", 12);
    want.insert(want.end(), {'s', 'u', 'b', ' '});
    append(want, "zero", 0);
    EXPECT_EQ(f.data, want);

    // Nothing open: an empty record, nothing written.
    const riff::Chunk none = w.end();
    EXPECT_EQ(none.id, 0u);
    EXPECT_EQ(none.offset, 0u);
    EXPECT_EQ(f.data, want);
}

TEST(RiffWriter, PadCountsInTheParentOnly)
{
    MemoryFile f;
    riff::RiffWriter w(&f);
    w.begin(riff::fcc::LIST, 4, false, true, make("outr"));
    w.begin(make("odd "), 0, false, false, 0);
    w.writeData("12345", 5);
    EXPECT_EQ(w.current()->bytesWritten, 13u);
    EXPECT_EQ(w.end().size, 5u);
    EXPECT_EQ(w.current()->bytesWritten, 12u + 14u);
    // Bytes written around the writer are counted on request.
    f.write("ab", 2);
    w.updateCurrentBytesWritten(2);
    EXPECT_EQ(w.end().size, 4u + 14u + 2u);
    EXPECT_EQ(f.data.size(), 28u);
    EXPECT_EQ(qtest::le32(f.data.data() + 4), 20u);
    EXPECT_EQ(qtest::le32(f.data.data() + 16), 5u);
    EXPECT_EQ(f.data[25], 0);
}

TEST(RiffWriter, KeepSizeLeavesTheSizeField)
{
    MemoryFile f;
    riff::RiffWriter w(&f);
    w.begin(riff::fcc::LIST, 4, true, true, make("keep"));
    w.writeChunk(make("data"), 6, "abcdef");
    EXPECT_EQ(w.end().size, 4u);
    EXPECT_EQ(qtest::le32(f.data.data() + 4), 4u);

    MemoryFile g;
    riff::RiffWriter v(&g);
    v.begin(riff::fcc::LIST, 4, false, true, make("real"));
    v.writeChunk(make("data"), 6, "abcdef");
    EXPECT_EQ(v.end().size, 18u);
    EXPECT_EQ(qtest::le32(g.data.data() + 4), 18u);
}

TEST(RiffWriter, FailedPatchNamesTheChunk)
{
    MemoryFile f;
    riff::RiffWriter w(&f);
    w.begin(riff::fcc::RIFF, 4, false, true, make("AVI "));
    w.begin(riff::fcc::LIST, 4, false, true, make("hdrl"));
    w.writeChunk(make("avih"), 2, "ab");
    f.failSeekAt = 12 + 4; // the hdrl size field
    try {
        w.end();
        FAIL();
    } catch (const fileio::Error& e) {
        EXPECT_STREQ(e.what(), "Failed to close riff chunk: hdrl");
    }
    // The failing chunk is closed; its parent is the open one now.
    ASSERT_NE(w.current(), nullptr);
    EXPECT_EQ(w.current()->formType, make("AVI "));
    f.failSeekAt = -2;
    EXPECT_EQ(w.end().size, 4u + 12u + 10u);

    // A chunk that is not a list is named by its id; the pad byte failing counts as well.
    MemoryFile g;
    riff::RiffWriter v(&g);
    v.begin(make("data"), 0, false, false, 0);
    v.writeData("abc", 3);
    g.capacity = g.data.size();
    try {
        v.end();
        FAIL();
    } catch (const fileio::Error& e) {
        EXPECT_STREQ(e.what(), "Failed to close riff chunk: data");
    }
}

TEST(RiffWriter, ShortDataWriteClosesTheChunkAtWhatWasWritten)
{
    MemoryFile f;
    riff::RiffWriter w(&f);
    w.begin(riff::fcc::LIST, 4, false, true, make("outr"));
    f.failWriteNumber = f.writes + 2; // header, then the data
    f.shortWriteCount = 5;
    try {
        w.writeChunk(make("data"), 10, "0123456789");
        FAIL();
    } catch (const fileio::WriteError& e) {
        EXPECT_EQ(e.size, 10u);
        EXPECT_EQ(e.written, 5u);
        EXPECT_STREQ(e.what(), "Write error: size: 10, written: 5");
    }
    EXPECT_EQ(qtest::le32(f.data.data() + 16), 5u);
    ASSERT_NE(w.current(), nullptr);
    EXPECT_EQ(w.current()->formType, make("outr"));
    EXPECT_EQ(w.current()->bytesWritten, 12u + 14u);

    f.failWriteNumber = f.writes + 1;
    f.shortWriteCount = 1;
    EXPECT_THROW(w.writeData("abc", 3), fileio::WriteError);
    EXPECT_EQ(w.write("abc", 3), 3u);
}

TEST(RiffWriter, EndAllWithAndWithoutErrors)
{
    for (bool ignore : {true, false}) {
        MemoryFile f;
        auto w = std::make_unique<riff::RiffWriter>(&f);
        w->begin(riff::fcc::RIFF, 4, false, true, make("AVI "));
        w->begin(riff::fcc::LIST, 4, false, true, make("mid "));
        w->begin(riff::fcc::LIST, 4, false, true, make("in  "));
        w->writeChunk(make("data"), 1, "x");
        f.failSeekAt = 24 + 4; // the innermost list's size field
        if (ignore) {
            w->endAll(true);
            EXPECT_EQ(w->current(), nullptr);
            EXPECT_EQ(qtest::le32(f.data.data() + 4), f.data.size() - 8);
        } else {
            EXPECT_THROW(w->endAll(false), fileio::Error);
            ASSERT_NE(w->current(), nullptr);
            EXPECT_EQ(w->current()->formType, make("mid "));
            EXPECT_EQ(w->current()->parent->formType, make("AVI "));
            f.failSeekAt = -2;
            w.reset(); // the destructor closes the rest
            EXPECT_EQ(qtest::le32(f.data.data() + 4), f.data.size() - 8);
        }
    }
}

// A random tree written and read back gives the same records.
struct Node {
    uint32_t id, type;
    std::vector<uint8_t> data;
    std::vector<Node> children;
};

Node random_node(int depth)
{
    Node n{};
    if (depth < 3 && qtest::rand_int(0, 2) == 0) {
        n.id = qtest::rand_int(0, 1) ? riff::fcc::LIST : riff::fcc::RIFF;
        n.type = make("ls00") + static_cast<uint32_t>(qtest::rand_int(0, 9)) * 0x1000000u;
        const int count = qtest::rand_int(0, 4);
        for (int i = 0; i < count; ++i) n.children.push_back(random_node(depth + 1));
    } else {
        n.id = make("dt00") + static_cast<uint32_t>(qtest::rand_int(0, 9)) * 0x1000000u;
        n.data.resize(static_cast<size_t>(qtest::rand_int(0, 40)));
        qtest::fill_random(n.data.data(), n.data.size());
    }
    return n;
}

void write_node(riff::RiffWriter& w, const Node& n)
{
    if (n.id == riff::fcc::LIST || n.id == riff::fcc::RIFF) {
        w.begin(n.id, 4, false, true, n.type);
        for (const Node& c : n.children) write_node(w, c);
        w.end();
    } else {
        w.writeChunk(n.id, static_cast<uint32_t>(n.data.size()), n.data.data());
    }
}

void expect_same(const Node& n, const riff::Chunk& c, MemoryFile& f)
{
    ASSERT_EQ(c.id, n.id);
    if (n.id == riff::fcc::LIST || n.id == riff::fcc::RIFF) {
        EXPECT_EQ(c.type, n.type);
        ASSERT_EQ(c.children.size(), n.children.size());
        auto it = c.children.begin();
        for (const Node& child : n.children) expect_same(child, *it++, f);
        if (!c.children.empty()) {
            EXPECT_EQ(c.children.back().endOffset(), c.endOffset());
        }
    } else {
        ASSERT_EQ(c.size, n.data.size());
        EXPECT_TRUE(std::equal(n.data.begin(), n.data.end(), f.data.begin() + static_cast<ptrdiff_t>(c.dataOffset())));
    }
}

TEST(Riff, RandomTreesRoundTrip)
{
    for (int iter = 0; iter < 200; ++iter) {
        std::vector<Node> top;
        const int count = qtest::rand_int(1, 4);
        for (int i = 0; i < count; ++i) top.push_back(random_node(0));
        MemoryFile f;
        {
            riff::RiffWriter w(&f);
            for (const Node& n : top) write_node(w, n);
        }
        f.seek(0);
        std::list<riff::Chunk> chunks;
        ASSERT_TRUE(riff::readList(chunks, &f, f.data.size(), {}, {}));
        ASSERT_EQ(chunks.size(), top.size());
        auto it = chunks.begin();
        for (const Node& n : top) expect_same(n, *it++, f);
        EXPECT_EQ(chunks.back().endOffset(), f.data.size());
    }
}

std::vector<uint8_t> sample_tree()
{
    MemoryFile f;
    riff::RiffWriter w(&f);
    w.begin(riff::fcc::RIFF, 4, false, true, make("AVI "));
    w.begin(riff::fcc::LIST, 4, false, true, make("hdrl"));
    w.writeChunk(make("avih"), 5, "12345");
    w.end();
    w.begin(riff::fcc::LIST, 4, false, true, make("movi"));
    w.writeChunk(make("00dc"), 2, "ab");
    w.end();
    w.end();
    w.begin(riff::fcc::RIFF, 4, false, true, make("AVIX"));
    w.writeChunk(make("junk"), 1, "z");
    w.end();
    return f.data;
}

TEST(Riff, ReadListDescendAndStop)
{
    MemoryFile f(sample_tree());
    std::list<riff::Chunk> chunks;
    ASSERT_TRUE(riff::readList(chunks, &f, f.data.size(), {make("AVI "), make("hdrl")}, {make("AVI ")}));
    ASSERT_EQ(chunks.size(), 1u); // stopped after the first RIFF, with its children read
    const riff::Chunk& avi = chunks.front();
    ASSERT_EQ(avi.children.size(), 2u);
    EXPECT_EQ(avi.children.front().children.size(), 1u); // hdrl
    EXPECT_TRUE(avi.children.back().children.empty());   // movi is not descended
    EXPECT_EQ(avi.children.back().dataOffset(), avi.children.back().offset + 12);
    EXPECT_EQ(avi.children.back().dataSize(), 10u);

    f.seek(0);
    chunks.clear();
    ASSERT_TRUE(riff::readList(chunks, &f, f.data.size(), {}, {}));
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks.back().type, make("AVIX"));
    EXPECT_EQ(chunks.back().children.size(), 1u);

    // A stop key that names a plain chunk by its id.
    f.seek(0);
    chunks.clear();
    ASSERT_TRUE(riff::readList(chunks, &f, f.data.size(), {}, {make("avih")}));
    EXPECT_EQ(chunks.front().children.front().children.size(), 1u);
}

TEST(Riff, ReadListKeepsWhatPrecedesDamage)
{
    std::vector<uint8_t> bytes = sample_tree();
    ASSERT_EQ(bytes.size(), 82u);
    bytes.resize(75); // inside the header of the AVIX's only chunk
    MemoryFile f(bytes);
    std::list<riff::Chunk> chunks;
    EXPECT_FALSE(riff::readList(chunks, &f, f.data.size() + 100, {}, {}));
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks.front().children.size(), 2u);
    EXPECT_EQ(chunks.back().children.size(), 0u);

    // A failure inside a list only ends that list's walk.
    std::vector<uint8_t> nested;
    append(nested, "LIST", 4 + 12 + 12);
    nested.insert(nested.end(), {'i', 'n', 'n', 'r'});
    append(nested, "aaaa", 4);
    nested.insert(nested.end(), {'1', '2', '3', '4'});
    append(nested, "bbbb", 4);
    nested.insert(nested.end(), {'5', '6', '7', '8'});
    append(nested, "next", 0);
    MemoryFile g(nested);
    g.failSeekAt = 24; // after "aaaa"
    chunks.clear();
    EXPECT_FALSE(riff::readList(chunks, &g, g.data.size(), {}, {}));
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks.front().children.size(), 1u);
    EXPECT_EQ(chunks.back().id, make("next"));
}

// Sizes just below 4 GiB wrapped the 32-bit step to 0..8 bytes: the walk appended the same chunk
// until its record limit. Two chunks mean two headers read and two steps taken, no more.
TEST(Riff, HugeSizesDoNotWrap)
{
    for (uint32_t size = 0xFFFFFFF7u; size != 0; ++size) {
        std::vector<uint8_t> bytes;
        append(bytes, "head", 0);
        append(bytes, "huge", size);
        bytes.resize(64, 0);
        MemoryFile f(bytes);
        std::list<riff::Chunk> chunks;
        riff::readList(chunks, &f, 0xFFFFFFFFFFull, {}, {});
        ASSERT_EQ(chunks.size(), 2u) << size;
        EXPECT_EQ(f.seeks, 2) << size;
        EXPECT_EQ(chunks.back().endOffset(), 8u + 8u + uint64_t(size) + (size & 1));

        // Inside a list as well.
        std::vector<uint8_t> inList;
        append(inList, "LIST", 4 + 8);
        inList.insert(inList.end(), {'w', 'r', 'a', 'p'});
        append(inList, "huge", size);
        MemoryFile g(inList);
        chunks.clear();
        riff::readList(chunks, &g, g.data.size(), {}, {});
        ASSERT_EQ(chunks.size(), 1u);
        EXPECT_EQ(chunks.front().children.size(), 1u);
        EXPECT_EQ(g.seeks, 2) << size;
    }
}

TEST(Riff, DeepNestingIsRefused)
{
    // 100000 lists inside each other: descending through all of them would exhaust the stack.
    const int depth = 100000;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < depth; ++i) {
        append(bytes, "LIST", static_cast<uint32_t>(12 * (depth - i) - 8));
        bytes.insert(bytes.end(), {'s', 't', 'r', 'l'});
    }
    MemoryFile f(bytes);
    std::list<riff::Chunk> chunks;
    EXPECT_FALSE(riff::readList(chunks, &f, bytes.size(), {make("strl")}, {}));
    int levels = 0;
    for (const std::list<riff::Chunk>* l = &chunks; !l->empty(); l = &l->front().children) ++levels;
    EXPECT_GE(levels, 4);
    EXPECT_LE(levels, 8);
}

TEST(Riff, ListTooSmallForItsFormType)
{
    for (uint32_t size = 0; size < 4; ++size) {
        std::vector<uint8_t> bytes;
        append(bytes, "LIST", size);
        bytes.insert(bytes.end(), {'t', 'i', 'n', 'y'});
        bytes.resize(8 + size + (size & 1), 0);
        append(bytes, "next", 2);
        bytes.insert(bytes.end(), {'o', 'k'});
        MemoryFile f(bytes);
        std::list<riff::Chunk> chunks;
        EXPECT_FALSE(riff::readList(chunks, &f, bytes.size(), {}, {})) << size;
        ASSERT_EQ(chunks.size(), 2u) << size;
        EXPECT_TRUE(chunks.front().children.empty());
        EXPECT_EQ(chunks.front().dataSize(), 0u);
        EXPECT_EQ(chunks.back().id, make("next"));
    }
}

TEST(Riff, ChunkRecordsAreBounded)
{
    // Two million empty chunks: the walk keeps a bounded number of records and reports damage.
    std::vector<uint8_t> bytes(size_t(2) << 23, 0);
    MemoryFile f(bytes);
    std::list<riff::Chunk> chunks;
    EXPECT_FALSE(riff::readList(chunks, &f, bytes.size(), {}, {}));
    EXPECT_LE(chunks.size(), size_t(1) << 20);
    EXPECT_GE(chunks.size(), size_t(1) << 19);
}

TEST(Riff, ReadChunkShortHeaderThrows)
{
    MemoryFile f(bytes_of("LIST\x08\0\0\0ab"));
    EXPECT_THROW(riff::readChunk(&f), fileio::ReadError);
    MemoryFile g(bytes_of("data\x02\0\0\0ab"));
    const riff::Chunk c = riff::readChunk(&g);
    EXPECT_EQ(c.id, make("data"));
    EXPECT_EQ(c.size, 2u);
    EXPECT_EQ(c.type, 0u);
    EXPECT_EQ(g.pos(), 8);
}

} // namespace
