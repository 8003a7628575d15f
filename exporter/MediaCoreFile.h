// The host's export file object as a fileio::File, so that the AVI writer writes the export
// through the host. It writes, seeks and tells sizes; it cannot open or read.
#pragma once

#include "container/fileio/File.h"
#include "sdk/PrSDKExportFileSuite.h"

namespace fileio {

class MediaCoreFile : public File {
public:
    // The file object must already be open; with closeOnDestroy the host's close runs when this
    // object goes away (unless close() ran first).
    MediaCoreFile(const PrSDKExportFileSuite* suite, unsigned int fileObject, bool closeOnDestroy);
    ~MediaCoreFile() override;

    bool open(const char* path, unsigned mode) override; // always false
    void close() override;
    long long size() override; // keeps the position; 0 when the host reports nothing
    long long pos() override;
    bool seek(long long offset) override;
    size_t read(void* buffer, size_t count) override;        // always 0
    size_t write(const void* buffer, size_t count) override; // all or nothing

    const PrSDKExportFileSuite* suite;
    unsigned int fileObject;
    bool closeOnDestroy;
};

} // namespace fileio
