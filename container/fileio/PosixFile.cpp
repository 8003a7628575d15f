#include "container/fileio/PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace fileio {

namespace {

// The kernel moves at most this much in one call; larger requests are looped.
constexpr size_t kMaxIoPerCall = size_t(1) << 30;

int open_flags(unsigned mode)
{
    // Read-write never creates: opening a path that does not exist for editing must fail rather
    // than leave an empty file behind. The descriptor is not handed to child processes.
    switch (mode & 3) {
    case 2: return O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
    case 3: return O_RDWR | O_CLOEXEC;
    default: return O_RDONLY | O_CLOEXEC;
    }
}

void disable_caching(int fd)
{
#if defined(F_NOCACHE)
    (void)fcntl(fd, F_NOCACHE, 1);
#elif defined(POSIX_FADV_DONTNEED)
    // No per-descriptor switch here; dropping the cached pages is the nearest equivalent.
    (void)posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
#else
    (void)fd;
#endif
}

} // namespace

PosixFile::PosixFile() : fd(-1), isOpen(false) {}

PosixFile::~PosixFile()
{
    if (isOpen && fd >= 0) ::close(fd);
}

bool PosixFile::open(const char* path, unsigned mode)
{
    if (isOpen) close();
    fd = ::open(path, open_flags(mode), 0666);
    if (fd < 0) {
        fd = -1;
        return false;
    }
    if (mode & 4) disable_caching(fd);
    isOpen = true;
    return true;
}

void PosixFile::close()
{
    if (fd >= 0) ::close(fd);
    fd = -1;
    isOpen = false;
}

long long PosixFile::size()
{
    const off_t here = ::lseek(fd, 0, SEEK_CUR);
    if (here < 0) return -1;
    const off_t end = ::lseek(fd, 0, SEEK_END);
    ::lseek(fd, here, SEEK_SET);
    return end < 0 ? -1 : static_cast<long long>(end);
}

long long PosixFile::pos() { return ::lseek(fd, 0, SEEK_CUR); }

bool PosixFile::seek(long long offset) { return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0; }

// Both loops go on after a partial transfer or an interrupted call, so a short count means the
// end of the file (read) or a real error.
size_t PosixFile::read(void* buffer, size_t count)
{
    char* p = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const size_t want = count - done < kMaxIoPerCall ? count - done : kMaxIoPerCall;
        const ssize_t got = ::read(fd, p + done, want);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

size_t PosixFile::write(const void* buffer, size_t count)
{
    const char* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const size_t want = count - done < kMaxIoPerCall ? count - done : kMaxIoPerCall;
        const ssize_t put = ::write(fd, p + done, want);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<size_t>(put);
    }
    return done;
}

} // namespace fileio
