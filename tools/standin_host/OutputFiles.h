// The stand-in host's "MediaCore Export File Suite": file objects that stand for real files on
// disk, written with POSIX calls, with failures that tests can inject.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "sdk/PrSDKExportFileSuite.h"

namespace standin {

class CallLog;

struct OutputFileInfo {
    std::string path;
    int opens = 0;
    int closes = 0;
    int writes = 0;
    long long bytesWritten = 0;
    bool open = false;
};

class OutputFiles {
public:
    explicit OutputFiles(CallLog& log);
    ~OutputFiles(); // closes what the plug-in left open

    const PrSDKExportFileSuite* suite() const { return &m_suite; }

    csSDK_uint32 add(const std::string& path);
    OutputFileInfo info(csSDK_uint32 fileObject) const;
    int openFiles() const; // opened and not closed, over every file object

    // Failures: the open answers result; the write after `afterWrites` successful ones (counted
    // over the file object's life) answers result; every seek answers result. 0 stops failing.
    void failOpen(prSuiteError result);
    void failWrite(int afterWrites, prSuiteError result);
    void failSeek(prSuiteError result);
    // The platform path: a failing answer, or a host that reports and writes the path without
    // its terminating 0.
    void failPlatformPath(prSuiteError result);
    void setPathWithoutTerminator(bool on);

    // Suite functions, called through the record.
    prSuiteError open(csSDK_uint32 object);
    prSuiteError write(csSDK_uint32 object, const void* data, csSDK_int32 count);
    prSuiteError seek(csSDK_uint32 object, csSDK_int64 position, csSDK_int64* outPosition, PrExportFileSeekMode mode);
    prSuiteError close(csSDK_uint32 object);
    prSuiteError platformPath(csSDK_uint32 object, csSDK_int32* inOutLength, prUTF16Char* outPath);

private:
    struct File {
        OutputFileInfo info;
        int fd = -1;
    };

    CallLog& m_log;
    PrSDKExportFileSuite m_suite{};
    mutable std::mutex m_mutex;
    std::map<csSDK_uint32, File> m_files;
    csSDK_uint32 m_next = 7; // the editor's file objects are not small indexes
    prSuiteError m_openFailure = 0;
    int m_writeFailAfter = -1;
    prSuiteError m_writeFailure = 0;
    prSuiteError m_seekFailure = 0;
    prSuiteError m_pathFailure = 0;
    bool m_pathWithoutTerminator = false;
};

} // namespace standin
