// The asynchronous importer: a second, independent importer over the same file that decodes the
// frames the host announces, each on a thread of its own, and hands them over when the host
// collects them.
//
// Locks: m_requestsMutex guards the request list (held by initiate, by the lookup and removal in
// get-frame, and by flush while it waits). A request thread never takes it; it reads its frame
// under m_readMutex and, after releasing that, decodes under m_decodeMutex, so one frame's read
// may overlap another's decoding while the file position and the codec each serve one thread at a
// time. Collecting a frame waits for its request with no lock held.
#pragma once

#include <cstdint>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "importer/QuorvaneImporter.h"
#include "importer/VideoInfo.h"

class QuorvaneAsyncImporter : public QuorvaneImporter {
public:
    class Request {
    public:
        Request(QuorvaneAsyncImporter* owner, const imSourceVideoRec& rec, const PrSDKPPixSuite* ppixSuite, int64_t key);
        // Waits for a thread that still runs, then disposes a frame the request still holds.
        ~Request();

        Request(const Request&) = delete;
        Request& operator=(const Request&) = delete;

        // Runs process on a new thread (std::system_error when none can be made).
        void start();
        int process();
        // Waits for the result (rethrowing what the thread threw); on 0 the frame goes to the
        // record's out frame.
        int waitAndGetResult(imSourceVideoRec* rec);

        uint32_t frameIndex() const { return m_frameIndex; }
        PrPixelFormat pixelFormat() const;
        // Whether a collection of this frame in this format is for this request.
        bool serves(int64_t key, PrPixelFormat format) const { return m_key == key && pixelFormat() == format; }

    private:
        QuorvaneAsyncImporter* m_owner;
        QuorvaneImporter::GetSourceVideoData m_data;
        uint32_t m_frameIndex;
        // Requests are matched by the frame number before narrowing, so that no far-off time
        // collects another frame's request, and by the pixel format, so that nobody is handed a
        // frame in a format other than the one asked for.
        int64_t m_key;
        std::future<int> m_result;
    };

    explicit QuorvaneAsyncImporter(imStdParms* stdParms);
    ~QuorvaneAsyncImporter() override;

    // Opens its own copy of the file and prepares the stream: 0 or the failing step's result.
    int initAsync(std::string path, int streamIndex, PrFileOpenAccess access);

    int OnInitiateAsyncRead(imSourceVideoRec* rec);
    int OnGetFrame(imSourceVideoRec* rec);
    int OnFlush();

private:
    using RequestList = std::list<std::unique_ptr<Request>>;
    // The caller holds m_requestsMutex.
    RequestList::iterator createRequest(const imSourceVideoRec& rec);
    void requireVideo() const;

    std::mutex m_requestsMutex;
    std::mutex m_readMutex;
    std::mutex m_decodeMutex;
    RequestList m_requests;
};

// The entry handed to the host with each asynchronous importer.
csSDK_int32 xAsyncImportEntry(csSDK_int32 selector, void* param);
