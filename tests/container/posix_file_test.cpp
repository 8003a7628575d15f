// fileio::PosixFile against real files in a temporary folder.

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "container/fileio/Errors.h"
#include "container/fileio/PosixFile.h"

namespace {

namespace fs = std::filesystem;

class PosixFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "qv_posix_XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const char* name) const { return (dir / name).string(); }
    void put(const std::string& p, const std::string& text) const { std::ofstream(p, std::ios::binary) << text; }
    std::string get(const std::string& p) const
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir;
};

TEST_F(PosixFileTest, OpenModes)
{
    const std::string p = path("a.bin");
    fileio::PosixFile f;
    EXPECT_EQ(f.file(), -1);

    // 2 creates, then truncates what is there.
    ASSERT_TRUE(f.open(p.c_str(), 2));
    EXPECT_EQ(f.write("hello world", 11), 11u);
    f.close();
    EXPECT_EQ(get(p), "hello world");
    ASSERT_TRUE(f.open(p.c_str(), 2));
    EXPECT_EQ(f.size(), 0);
    EXPECT_EQ(f.write("abc", 3), 3u);
    f.close();
    EXPECT_EQ(get(p), "abc");

    // 3 edits in place without truncating.
    ASSERT_TRUE(f.open(p.c_str(), 3));
    EXPECT_EQ(f.size(), 3);
    EXPECT_EQ(f.write("X", 1), 1u);
    f.close();
    EXPECT_EQ(get(p), "Xbc");

    // 0 and 1 are read-only; 8 and 9 (the importer's modes) are the same.
    for (unsigned mode : {0u, 1u, 8u, 9u, 4u, 5u}) {
        ASSERT_TRUE(f.open(p.c_str(), mode)) << mode;
        EXPECT_EQ(f.write("Z", 1), 0u) << mode;
        char c = 0;
        EXPECT_EQ(f.read(&c, 1), 1u);
        EXPECT_EQ(c, 'X');
    }
    EXPECT_EQ(get(p), "Xbc");
    // 11 (the importer's read-write) edits.
    ASSERT_TRUE(f.open(p.c_str(), 11));
    EXPECT_EQ(f.write("Y", 1), 1u);
    f.close();
    EXPECT_EQ(get(p), "Ybc");
}

TEST_F(PosixFileTest, ReadWriteNeverCreatesAFile)
{
    const std::string p = path("missing.avi");
    fileio::PosixFile f;
    EXPECT_FALSE(f.open(p.c_str(), 3));
    EXPECT_FALSE(f.open(p.c_str(), 11));
    EXPECT_FALSE(f.open(p.c_str(), 0));
    EXPECT_FALSE(fs::exists(p));
}

TEST_F(PosixFileTest, ReopenClosesTheOldDescriptorFirst)
{
    const std::string p = path("b.bin");
    put(p, "0123456789");
    fileio::PosixFile f;
    ASSERT_TRUE(f.open(p.c_str(), 0));
    const int old = f.file();
    EXPECT_GE(fcntl(old, F_GETFD), 0);
    EXPECT_FALSE(f.open(path("nothing/here").c_str(), 0));
    EXPECT_EQ(f.file(), -1);
    EXPECT_EQ(fcntl(old, F_GETFD), -1); // closed although the new open failed
    EXPECT_EQ(f.pos(), -1);
    char c;
    EXPECT_EQ(f.read(&c, 1), 0u);
    EXPECT_FALSE(f.seek(0));

    ASSERT_TRUE(f.open(p.c_str(), 0));
    const int fd = f.file();
    // Descriptors are not inherited by programs the host starts.
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
    auto scoped = std::make_unique<fileio::PosixFile>();
    ASSERT_TRUE(scoped->open(p.c_str(), 0));
    const int inner = scoped->file();
    EXPECT_GE(fcntl(inner, F_GETFD), 0);
    scoped.reset(); // the destructor closes an open file
    EXPECT_EQ(fcntl(inner, F_GETFD), -1);
}

TEST_F(PosixFileTest, SizePositionAndThrowingForms)
{
    const std::string p = path("c.bin");
    put(p, "0123456789");
    fileio::PosixFile f;
    ASSERT_TRUE(f.open(p.c_str(), 0));
    ASSERT_TRUE(f.seek(4));
    EXPECT_EQ(f.size(), 10);
    EXPECT_EQ(f.pos(), 4);

    ASSERT_TRUE(f.seek(10));
    uint8_t buf[8];
    try {
        f.read_e(buf, 8);
        FAIL();
    } catch (const fileio::ReadError& e) {
        EXPECT_STREQ(e.what(), "Read error: size: 8, read: 0");
    }
    try {
        f.seek_e(-1);
        FAIL();
    } catch (const fileio::SeekError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.substr(text.size() - 3), " -1");
        EXPECT_EQ(e.offset, -1);
    }
    EXPECT_EQ(f.pos(), 10);

    fileio::PosixFile closed;
    EXPECT_EQ(closed.size(), -1);
}

TEST_F(PosixFileTest, WriteAtPatchesBehindTheWritePoint)
{
    const std::string p = path("d.bin");
    fileio::PosixFile f;
    ASSERT_TRUE(f.open(p.c_str(), 2));
    f.write_e("aaaaaaaa", 8);
    EXPECT_EQ(f.write_at("BB", 2, 3), 2u);
    EXPECT_EQ(f.pos(), 8);
    EXPECT_EQ(f.write_at("CC", 2, -4), 0u);
    EXPECT_EQ(f.pos(), 8);
    f.write_e("z", 1);
    f.close();
    EXPECT_EQ(get(p), "aaaBBaaaz");
}

// The number of bytes waiting in the pipe behind a descriptor of either end.
int pipe_bytes(int fd)
{
    int n = -1;
    return ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

// A pipe hands a reader only what has been written: fed 1000 bytes at a time, and only once the
// reader has taken the piece before, every read call returns 1000 of the 3000 asked for. The
// read must go on until it has all of them.
TEST_F(PosixFileTest, PartialReadsAreCompleted)
{
    const std::string p = path("fifo");
    ASSERT_EQ(mkfifo(p.c_str(), 0600), 0);
    std::string sent;
    for (int i = 0; i < 3000; ++i) sent += static_cast<char>('a' + i % 26);

    int pieces = 0;
    std::atomic<bool> readDone{false}; // a read that stops early must not leave the writer waiting
    std::thread writer([&] {
        const int fd = ::open(p.c_str(), O_WRONLY);
        for (size_t at = 0; fd >= 0 && at < sent.size(); at += 1000) {
            while (pipe_bytes(fd) != 0 && !readDone.load()) std::this_thread::yield();
            if (readDone.load()) break;
            if (::write(fd, sent.data() + at, 1000) == 1000) ++pieces;
        }
        if (fd >= 0) ::close(fd);
    });
    fileio::PosixFile in;
    ASSERT_TRUE(in.open(p.c_str(), 0));
    std::string got(sent.size() + 10, '\0');
    EXPECT_EQ(in.read(got.data(), sent.size()), sent.size());
    readDone = true;
    writer.join();
    EXPECT_EQ(pieces, 3);
    got.resize(sent.size());
    EXPECT_TRUE(got == sent); // the bytes in order, nothing lost or repeated
    // The writer has closed its end: the end of the data is a short count, not an error.
    char extra[4];
    EXPECT_EQ(in.read(extra, 4), 0u);
}

std::atomic<int> g_signals{0};
void count_signal(int) { g_signals.fetch_add(1); }

// A write into a full pipe waits for room; a signal then ends the call with the part already
// written. The writer here blocks once the pipe is full and is signalled before anything is
// read, so its first call certainly returns short; the write must go on with the rest.
TEST_F(PosixFileTest, PartialWritesAreCompleted)
{
    const std::string p = path("fifo");
    ASSERT_EQ(mkfifo(p.c_str(), 0600), 0);
    const int reader = ::open(p.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    fileio::PosixFile out;
    ASSERT_TRUE(out.open(p.c_str(), 2));
    ::fcntl(reader, F_SETPIPE_SZ, 4096);
    const int capacity = ::fcntl(reader, F_GETPIPE_SZ);
    ASSERT_GT(capacity, 0);
    std::string sent;
    for (int i = 0; i < 3 * capacity + 100; ++i) sent += static_cast<char>('a' + i % 26);

    struct sigaction handler{}, old{};
    handler.sa_handler = &count_signal; // no SA_RESTART: the blocked call returns
    sigemptyset(&handler.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &handler, &old), 0);
    g_signals = 0;
    size_t written = 0;
    std::atomic<bool> writeDone{false};
    std::thread writer([&] {
        written = out.write(sent.data(), sent.size());
        writeDone = true;
    });

    // Full pipe: the writer waits inside its first call, with `capacity` bytes written.
    while (pipe_bytes(reader) != capacity) std::this_thread::yield();
    ::pthread_kill(writer.native_handle(), SIGUSR1);
    while (g_signals.load() == 0) std::this_thread::yield();

    // Everything the write puts in the pipe, until it has returned and the pipe is empty.
    std::string got;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(reader, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, size_t(n));
        else if (writeDone.load() && pipe_bytes(reader) == 0)
            break;
        else
            std::this_thread::yield();
    }
    writer.join();
    ::sigaction(SIGUSR1, &old, nullptr);
    ::close(reader);
    EXPECT_EQ(g_signals.load(), 1);
    EXPECT_EQ(written, sent.size());
    EXPECT_TRUE(got == sent); // the bytes in order, nothing lost or repeated
}

} // namespace
