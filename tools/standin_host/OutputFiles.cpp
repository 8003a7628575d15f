#include "tools/standin_host/OutputFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "fakehost/FakeHostState.h"
#include "tools/standin_host/CallLog.h"

namespace standin {

namespace {

OutputFiles* s_current = nullptr;

OutputFiles& current()
{
    if (s_current == nullptr)
        throw std::logic_error("export file suite called without a stand-in host");
    return *s_current;
}

prSuiteError suiteOpen(csSDK_uint32 object) { return current().open(object); }
prSuiteError suiteWrite(csSDK_uint32 object, const void* data, csSDK_int32 count)
{
    return current().write(object, data, count);
}
prSuiteError suiteSeek(csSDK_uint32 object, csSDK_int64 position, csSDK_int64* out, PrExportFileSeekMode mode)
{
    return current().seek(object, position, out, mode);
}
prSuiteError suiteClose(csSDK_uint32 object) { return current().close(object); }
prSuiteError suitePath(csSDK_uint32 object, csSDK_int32* length, prUTF16Char* out)
{
    return current().platformPath(object, length, out);
}

} // namespace

OutputFiles::OutputFiles(CallLog& log) : m_log(log)
{
    m_suite = PrSDKExportFileSuite{suiteOpen, suiteWrite, suiteSeek, suiteClose, suitePath};
    s_current = this;
}

OutputFiles::~OutputFiles()
{
    for (auto& [object, file] : m_files) {
        if (file.fd >= 0)
            ::close(file.fd);
    }
    if (s_current == this)
        s_current = nullptr;
}

csSDK_uint32 OutputFiles::add(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const csSDK_uint32 object = m_next++;
    m_files[object].info.path = path;
    return object;
}

OutputFileInfo OutputFiles::info(csSDK_uint32 fileObject) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_files.find(fileObject);
    if (it == m_files.end())
        throw std::out_of_range("no output file object " + std::to_string(fileObject));
    return it->second.info;
}

int OutputFiles::openFiles() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    for (const auto& [object, file] : m_files)
        n += file.fd >= 0 ? 1 : 0;
    return n;
}

void OutputFiles::failOpen(prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openFailure = result;
}

void OutputFiles::failWrite(int afterWrites, prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writeFailAfter = result != 0 ? afterWrites : -1;
    m_writeFailure = result;
}

void OutputFiles::failSeek(prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_seekFailure = result;
}

void OutputFiles::failPlatformPath(prSuiteError result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pathFailure = result;
}

void OutputFiles::setPathWithoutTerminator(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pathWithoutTerminator = on;
}

prSuiteError OutputFiles::open(csSDK_uint32 object)
{
    m_log.add({"ExportFile.open", {std::to_string(object)}});
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_files.find(object);
    if (it == m_files.end())
        return suiteError_InvalidParms;
    if (m_openFailure != 0)
        return m_openFailure;
    File& f = it->second;
    if (f.fd >= 0)
        ::close(f.fd);
    f.fd = ::open(f.info.path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (f.fd < 0)
        return suiteError_Fail;
    f.info.open = true;
    ++f.info.opens;
    return suiteError_NoError;
}

prSuiteError OutputFiles::write(csSDK_uint32 object, const void* data, csSDK_int32 count)
{
    m_log.add({"ExportFile.write", {std::to_string(object), "*", std::to_string(count)}});
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_files.find(object);
    if (it == m_files.end() || it->second.fd < 0 || count < 0 || (data == nullptr && count != 0))
        return suiteError_InvalidParms;
    File& f = it->second;
    if (m_writeFailAfter >= 0 && f.info.writes >= m_writeFailAfter)
        return m_writeFailure;
    const char* p = static_cast<const char*>(data);
    long long left = count;
    while (left > 0) {
        const ssize_t n = ::write(f.fd, p, static_cast<size_t>(left));
        if (n <= 0)
            return suiteError_Fail;
        p += n;
        left -= n;
    }
    ++f.info.writes;
    f.info.bytesWritten += count;
    return suiteError_NoError;
}

prSuiteError OutputFiles::seek(csSDK_uint32 object, csSDK_int64 position, csSDK_int64* outPosition,
                               PrExportFileSeekMode mode)
{
    m_log.add({"ExportFile.seek", {std::to_string(object), std::to_string(position), "*", std::to_string(mode)}});
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_files.find(object);
    if (it == m_files.end() || it->second.fd < 0)
        return suiteError_InvalidParms;
    if (m_seekFailure != 0)
        return m_seekFailure;
    int whence = 0;
    switch (mode) {
    case fileSeekMode_Begin: whence = SEEK_SET; break;
    case fileSeekMode_End: whence = SEEK_END; break;
    case fileSeekMode_Current: whence = SEEK_CUR; break;
    default: return suiteError_InvalidParms;
    }
    const off_t where = ::lseek(it->second.fd, position, whence);
    if (where < 0)
        return suiteError_Fail;
    if (outPosition != nullptr)
        *outPosition = where;
    return suiteError_NoError;
}

prSuiteError OutputFiles::close(csSDK_uint32 object)
{
    m_log.add({"ExportFile.close", {std::to_string(object)}});
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_files.find(object);
    if (it == m_files.end())
        return suiteError_InvalidParms;
    File& f = it->second;
    ++f.info.closes;
    if (f.fd < 0)
        return suiteError_Fail;
    ::close(f.fd);
    f.fd = -1;
    f.info.open = false;
    return suiteError_NoError;
}

prSuiteError OutputFiles::platformPath(csSDK_uint32 object, csSDK_int32* inOutLength, prUTF16Char* outPath)
{
    m_log.add({"ExportFile.platformPath", {std::to_string(object), "*", outPath != nullptr ? "*" : "null"}});
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_files.find(object);
    if (it == m_files.end() || inOutLength == nullptr)
        return suiteError_InvalidParms;
    if (m_pathFailure != 0)
        return m_pathFailure;
    std::vector<prUTF16Char> units = fakehost::utf8ToUtf16(it->second.info.path); // 0-terminated
    if (m_pathWithoutTerminator)
        units.pop_back();
    if (outPath == nullptr) {
        *inOutLength = static_cast<csSDK_int32>(units.size());
        return suiteError_NoError;
    }
    if (*inOutLength < static_cast<csSDK_int32>(units.size()))
        return suiteError_Fail;
    std::memcpy(outPath, units.data(), units.size() * sizeof(prUTF16Char));
    return suiteError_NoError;
}

} // namespace standin
