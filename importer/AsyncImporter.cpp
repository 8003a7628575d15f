#include "importer/AsyncImporter.h"

#include <stdexcept>

#include "host/HostNames.h"
#include "host/Logger.h"

// --- Request ---------------------------------------------------------------------------------------

QuorvaneAsyncImporter::Request::Request(QuorvaneAsyncImporter* owner, const imSourceVideoRec& rec,
                                        const PrSDKPPixSuite* ppixSuite, int64_t key)
    : m_owner(owner), m_data(rec, ppixSuite), m_frameIndex(uint32_t(key)), m_key(key)
{
}

QuorvaneAsyncImporter::Request::~Request()
{
    if (m_result.valid())
        m_result.wait();
}

void QuorvaneAsyncImporter::Request::start()
{
    m_result = std::async(std::launch::async, [this] { return process(); });
}

int QuorvaneAsyncImporter::Request::process()
{
    QuorvaneImporter::VideoInfo& video = *m_owner->m_videoInfo;
    int result = video.initFrame(m_data);
    if (result != imNoErr)
        return result;
    {
        std::lock_guard<std::mutex> lock(m_owner->m_readMutex);
        result = video.readFrame(m_data);
    }
    if (result != imNoErr)
        return result;
    std::lock_guard<std::mutex> lock(m_owner->m_decodeMutex);
    return video.decodeFrame(m_data);
}

int QuorvaneAsyncImporter::Request::waitAndGetResult(imSourceVideoRec* rec)
{
    const int result = m_result.get();
    if (result == imNoErr)
        *rec->outFrame = m_data.release();
    return result;
}

PrPixelFormat QuorvaneAsyncImporter::Request::pixelFormat() const
{
    return m_data.m_frameFormats.empty() ? PrPixelFormat_Any : m_data.m_frameFormats.front().inPixelFormat;
}

// --- Asynchronous importer ------------------------------------------------------------------------

QuorvaneAsyncImporter::QuorvaneAsyncImporter(imStdParms* stdParms) : QuorvaneImporter(stdParms)
{
    Logger::Log("QuorvaneAsyncImporter::QuorvaneAsyncImporter()");
}

QuorvaneAsyncImporter::~QuorvaneAsyncImporter()
{
    try {
        Logger::Log("QuorvaneAsyncImporter::~QuorvaneAsyncImporter()");
    } catch (...) {
    }
    // Every request thread ends before the video side it decodes with goes away.
    m_requests.clear();
}

int QuorvaneAsyncImporter::initAsync(std::string path, int streamIndex, PrFileOpenAccess access)
{
    if (!openFile(path, streamIndex, access))
        return imBadFile;
    const int result = initFileInfo(streamIndex);
    if (result != imNoErr && result != imIterateStreams && result != imBadStreamIndex)
        return result;
    createSuites();
    return imNoErr;
}

void QuorvaneAsyncImporter::requireVideo() const
{
    if (!m_videoInfo)
        throw std::logic_error("m_videoInfo is NULL");
}

QuorvaneAsyncImporter::RequestList::iterator QuorvaneAsyncImporter::createRequest(const imSourceVideoRec& rec)
{
    const int64_t key = m_videoInfo->getFrameIndex(rec.inFrameTime);
    createSuites();
    auto request = std::make_unique<Request>(this, rec, m_suites->ppix.get(), key);
    const RequestList::iterator node = m_requests.insert(m_requests.end(), std::move(request));
    try {
        (*node)->start();
    } catch (...) {
        m_requests.erase(node); // a request without a thread could never be collected
        throw;
    }
    return node;
}

int QuorvaneAsyncImporter::OnInitiateAsyncRead(imSourceVideoRec* rec)
{
    std::lock_guard<std::mutex> lock(m_requestsMutex);
    Logger::Log("----------------------");
    Logger::Log("[%s]", "OnInitiateAsyncRead");
    requireVideo();
    Logger::Log("REQUEST: Adding: %d, frameTime: %lld", int(uint32_t(m_videoInfo->getFrameIndex(rec->inFrameTime))),
                static_cast<long long>(rec->inFrameTime));
    createRequest(*rec);
    Logger::Log("    %s: [%s] (%d)", "OnInitiateAsyncRead", GetAsyncImporterReturnValueName(aiNoError), int(aiNoError));
    return aiNoError;
}

int QuorvaneAsyncImporter::OnGetFrame(imSourceVideoRec* rec)
{
    std::unique_lock<std::mutex> lock(m_requestsMutex);
    Logger::Log("----------------------");
    Logger::Log("[%s]", "OnGetFrame");
    requireVideo();
    if (rec->outFrame == nullptr)
        throw std::logic_error("no out frame");

    const int64_t key = m_videoInfo->getFrameIndex(rec->inFrameTime);
    Logger::Log("REQUEST: Requesting: %d, frameTime: %lld", int(uint32_t(key)), static_cast<long long>(rec->inFrameTime));
    const PrPixelFormat format = rec->inNumFrameFormats > 0 && rec->inFrameFormats != nullptr
                                     ? rec->inFrameFormats[0].inPixelFormat
                                     : PrPixelFormat_Any;
    RequestList::iterator node = m_requests.begin();
    while (node != m_requests.end() && !(*node)->serves(key, format))
        ++node;
    if (node == m_requests.end()) {
        Logger::Log("REQUEST: ERROR: Frame not found: %d, frameTime: %lld", int(uint32_t(key)),
                    static_cast<long long>(rec->inFrameTime));
        node = createRequest(*rec);
    }
    // Owned here from now on, so that an exception out of the wait still disposes its frame.
    std::unique_ptr<Request> request = std::move(*node);
    m_requests.erase(node);
    lock.unlock();

    const int result = request->waitAndGetResult(rec);

    lock.lock();
    const int asyncResult = result == imNoErr ? aiNoError : aiUnknownError;
    if (asyncResult == aiNoError)
        Logger::Log("Decoded %d: %s", int(request->frameIndex()), GetPixelFormatName(int(request->pixelFormat())));
    Logger::Log("    %s: [%s] (%d), [%s] (%d)", "OnGetFrame", GetAsyncImporterReturnValueName(asyncResult), asyncResult,
                GetImporterReturnValueName(result), result);
    request.reset();
    return asyncResult;
}

int QuorvaneAsyncImporter::OnFlush()
{
    std::lock_guard<std::mutex> lock(m_requestsMutex);
    Logger::Log("----------------------");
    Logger::Log("[%s]", "OnFlush");
    requireVideo();
    m_requests.clear();
    Logger::Log("    %s: [%s] (%d)", "OnFlush", GetAsyncImporterReturnValueName(aiNoError), int(aiNoError));
    return aiNoError;
}

// --- Entry -------------------------------------------------------------------------------------------

namespace {

QuorvaneAsyncImporter& asyncObject(void* object)
{
    if (object == nullptr)
        throw std::logic_error("no importer object");
    return *static_cast<QuorvaneAsyncImporter*>(object);
}

template <typename Record>
Record& recordOf(void* param)
{
    if (param == nullptr)
        throw std::logic_error("no request record");
    return *static_cast<Record*>(param);
}

void logFatal(csSDK_int32 selector, const char* what) noexcept
{
    try {
        Logger::Log("xAsyncImportEntry: FATAL: Unhandled exception during %s (%d): %s",
                    GetAsyncImporterSelectorName(selector), int(selector), what);
    } catch (...) {
    }
}

} // namespace

csSDK_int32 xAsyncImportEntry(csSDK_int32 selector, void* param)
{
    switch (selector) {
    case aiCancelAsyncRead:
        return aiUnsupported;
    case aiClose:
        delete static_cast<QuorvaneAsyncImporter*>(param);
        return aiNoError;
    case aiInitiateAsyncRead:
    case aiFlush:
    case aiGetFrame:
        break;
    default:
        return aiUnsupported;
    }

    // Nothing may leave into the host: every failure of these three is reported as 99.
    try {
        switch (selector) {
        case aiInitiateAsyncRead: {
            aiAsyncRequest& rec = recordOf<aiAsyncRequest>(param);
            return asyncObject(rec.inPrivateData).OnInitiateAsyncRead(&rec.inSourceRec);
        }
        case aiFlush:
            return asyncObject(param).OnFlush();
        default: {
            imSourceVideoRec& rec = recordOf<imSourceVideoRec>(param);
            return asyncObject(rec.inPrivateData).OnGetFrame(&rec);
        }
        }
    } catch (const std::exception& e) {
        logFatal(selector, e.what());
    } catch (...) {
        logFatal(selector, "unknown exception");
    }
    return 99;
}
