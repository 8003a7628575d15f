#include "exporter/MediaCoreFile.h"

#include <limits>

namespace fileio {

MediaCoreFile::MediaCoreFile(const PrSDKExportFileSuite* suite_, unsigned int fileObject_, bool closeOnDestroy_)
    : suite(suite_), fileObject(fileObject_), closeOnDestroy(closeOnDestroy_)
{
}

MediaCoreFile::~MediaCoreFile()
{
    if (closeOnDestroy)
        suite->close(fileObject);
}

bool MediaCoreFile::open(const char*, unsigned) { return false; }

void MediaCoreFile::close()
{
    suite->close(fileObject);
    fileObject = 0;
    closeOnDestroy = false;
}

long long MediaCoreFile::size()
{
    csSDK_int64 here = 0;
    csSDK_int64 end = 0;
    suite->seek(fileObject, 0, &here, fileSeekMode_Current);
    suite->seek(fileObject, 0, &end, fileSeekMode_End);
    csSDK_int64 back = 0;
    suite->seek(fileObject, here, &back, fileSeekMode_Begin);
    return end;
}

long long MediaCoreFile::pos()
{
    csSDK_int64 here = 0;
    suite->seek(fileObject, 0, &here, fileSeekMode_Current);
    return here;
}

bool MediaCoreFile::seek(long long offset)
{
    csSDK_int64 where = 0;
    return suite->seek(fileObject, offset, &where, fileSeekMode_Begin) >= 0;
}

size_t MediaCoreFile::read(void*, size_t) { return 0; }

size_t MediaCoreFile::write(const void* buffer, size_t count)
{
    // The host takes a 32-bit count; a larger write would be cut short without notice, so it
    // fails as a whole instead.
    if (count > static_cast<size_t>(std::numeric_limits<csSDK_int32>::max()))
        return 0;
    return suite->write(fileObject, buffer, static_cast<csSDK_int32>(count)) == 0 ? count : 0;
}

} // namespace fileio
