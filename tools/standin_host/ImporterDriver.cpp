#include "tools/standin_host/ImporterDriver.h"

#include <cstring>
#include <stdexcept>

#include "fakehost/FakeHostState.h"

namespace standin {

std::atomic<int> ImporterDriver::m_handedOver{0};

HostFrame readHostFrame(PPixHand frame)
{
    if (frame == nullptr || *frame == nullptr)
        throw std::invalid_argument("no frame");
    const PPix& p = **frame;
    HostFrame out;
    out.format = p.format;
    out.width = p.width;
    out.height = p.height;
    out.rowBytes = p.rowBytes;
    out.bytes.assign(p.pixels, p.pixels + std::size_t(p.rowBytes) * std::size_t(p.height));
    return out;
}

Image imageOf(const HostFrame& frame, bool topLeft)
{
    Image image;
    image.format = frame.format;
    image.width = frame.width;
    image.height = frame.height;
    image.rowBytes = fakehost::FakeHost::naturalRowBytes(frame.format, frame.width);
    if (image.rowBytes <= 0 || image.rowBytes > frame.rowBytes)
        throw std::invalid_argument("no packed layout for this frame");
    image.bytes.resize(std::size_t(image.rowBytes) * std::size_t(frame.height));
    for (int y = 0; y < frame.height; ++y) {
        const int memoryRow = topLeft ? y : frame.height - 1 - y;
        std::memcpy(image.row(y), frame.memoryRow(memoryRow), std::size_t(image.rowBytes));
    }
    return image;
}

// --- Asynchronous importer ---------------------------------------------------------------------

namespace {

imSourceVideoRec sourceRecord(void* privateData, PrTime time, const std::vector<imFrameFormat>& formats, PPixHand* out)
{
    imSourceVideoRec rec;
    std::memset(&rec, 0, sizeof rec);
    rec.inPrivateData = privateData;
    rec.inFrameTime = time;
    rec.inNumFrameFormats = csSDK_int32(formats.size());
    rec.inFrameFormats = const_cast<imFrameFormat*>(formats.data());
    rec.outFrame = out;
    return rec;
}

} // namespace

csSDK_int32 AsyncImporterDriver::initiate(PrTime time, const std::vector<imFrameFormat>& formats) const
{
    aiAsyncRequest rec;
    std::memset(&rec, 0, sizeof rec);
    rec.inPrivateData = m_privateData;
    rec.inRequestID = time;
    rec.inSourceRec = sourceRecord(m_privateData, time, formats, nullptr);
    return call(aiInitiateAsyncRead, &rec);
}

csSDK_int32 AsyncImporterDriver::getFrame(PrTime time, const std::vector<imFrameFormat>& formats, PPixHand& out) const
{
    out = nullptr;
    imSourceVideoRec rec = sourceRecord(m_privateData, time, formats, &out);
    const csSDK_int32 result = call(aiGetFrame, &rec);
    if (out != nullptr)
        ImporterDriver::countHandover();
    return result;
}

csSDK_int32 AsyncImporterDriver::flush() const { return call(aiFlush, m_privateData); }

csSDK_int32 AsyncImporterDriver::cancel() const { return call(aiCancelAsyncRead, m_privateData); }

csSDK_int32 AsyncImporterDriver::close()
{
    const csSDK_int32 result = call(aiClose, m_privateData);
    m_privateData = nullptr;
    return result;
}

// --- Importer --------------------------------------------------------------------------------------

ImporterDriver::ImporterDriver(StandinHost& host, const std::string& modulePath) : m_host(host), m_module(modulePath)
{
    m_entry = reinterpret_cast<PrImportEntryFunc>(m_module.symbol(kPrImportEntryName));
    m_handedOver = 0;
}

ImporterDriver::~ImporterDriver() = default;

void ImporterDriver::unload() { m_module.unload(); }

void ImporterDriver::countHandover() { ++m_handedOver; }

bool ImporterDriver::framesBalanced() const
{
    const fakehost::FakeHost& fake = m_host.fake();
    return fake.framesCreatedByPlugin() == fake.framesDisposedByPlugin() + m_handedOver.load();
}

csSDK_int32 ImporterDriver::call(csSDK_int32 selector, void* param1, void* param2)
{
    return callWith(m_host.importerStdParms(), selector, param1, param2);
}

csSDK_int32 ImporterDriver::callWith(imStdParms* stdParms, csSDK_int32 selector, void* param1, void* param2)
{
    return m_entry(selector, stdParms, param1, param2);
}

csSDK_int32 ImporterDriver::init(imImportInfoRec* info)
{
    imImportInfoRec own;
    std::memset(&own, 0xA5, sizeof own);
    return call(imInit, info != nullptr ? info : &own);
}

csSDK_int32 ImporterDriver::shutdown() { return call(imShutdown, nullptr); }

csSDK_int32 ImporterDriver::indFormat(unsigned index, imIndFormatRec& rec)
{
    return call(imGetIndFormat, reinterpret_cast<void*>(std::uintptr_t(index)), &rec);
}

csSDK_int32 ImporterDriver::subTypeNames(std::vector<imSubTypeDescriptionRec>& rows, csSDK_uint32 fileType)
{
    imSubTypeDescriptionRec* block = nullptr;
    const csSDK_int32 result = call(imGetSubTypeNames, reinterpret_cast<void*>(std::intptr_t(fileType)), &block);
    rows.clear();
    if (block != nullptr) {
        // The block's size is the host's to know: the rows the table holds.
        for (std::size_t i = 0; i < 17; ++i) {
            imSubTypeDescriptionRec row;
            std::memcpy(&row, &block[i], sizeof row);
            rows.push_back(row);
        }
        m_host.fake().state().memFuncs.disposePtr(reinterpret_cast<PrMemoryPtr>(block));
    }
    return result;
}

csSDK_int32 ImporterDriver::open(File& file, const std::string& path, int stream, PrFileOpenAccess access)
{
    auto* rec = new imFileOpenRec8;
    std::memset(rec, 0, sizeof *rec);
    rec->privatedata = file.privateData;
    const std::vector<prUTF16Char> units = fakehost::utf8ToUtf16(path);
    if (units.size() > std::size_t(kPrMaxPathUnits)) {
        delete rec;
        throw std::invalid_argument("path too long for the record");
    }
    std::memcpy(rec->filepath, units.data(), units.size() * sizeof(prUTF16Char));
    rec->inStreamIdx = stream;
    rec->inReadWrite = access;
    rec->fileref = kImInvalidFileRef;
    imFileRef ref = kImInvalidFileRef;
    const csSDK_int32 result = call(imOpenFile8, &ref, rec);
    file.privateData = rec->privatedata;
    if (result == 0) {
        file.fileRef = ref;
        file.stream = stream;
    }
    delete rec;
    return result;
}

csSDK_int32 ImporterDriver::getInfo(File& file, imFileInfoRec8& rec, bool fill)
{
    if (fill)
        std::memset(&rec, 0xA5, sizeof rec);
    rec.privatedata = file.privateData;
    rec.streamIdx = file.stream;
    imFileAccessRec8 access{file.fileRef, PrFourCCHighFirst('A', 'V', 'I', 'V')};
    return call(imGetInfo8, &access, &rec);
}

csSDK_int32 ImporterDriver::pixelFormats(File& file, std::vector<PrPixelFormat>& formats)
{
    formats.clear();
    for (unsigned i = 0;; ++i) {
        imIndPixelFormatRec rec;
        std::memset(&rec, 0, sizeof rec);
        rec.privatedata = file.privateData;
        const csSDK_int32 result = call(imGetIndPixelFormat, reinterpret_cast<void*>(std::uintptr_t(i)), &rec);
        if (result != 0)
            return result;
        formats.push_back(rec.outPixelFormat);
    }
}

csSDK_int32 ImporterDriver::sourceVideo(File& file, PrTime time, const std::vector<imFrameFormat>& formats, PPixHand& out)
{
    out = nullptr;
    imSourceVideoRec rec = sourceRecord(file.privateData, time, formats, &out);
    const csSDK_int32 result = call(imGetSourceVideo, nullptr, &rec);
    if (out != nullptr)
        countHandover();
    return result;
}

csSDK_int32 ImporterDriver::importAudio(File& file, csSDK_int64 position, csSDK_uint32 size, unsigned channels,
                                        std::vector<std::vector<float>>& out, float fill)
{
    out.assign(channels, std::vector<float>(size, fill));
    std::vector<float*> buffers;
    for (auto& channel : out)
        buffers.push_back(channel.data());
    imImportAudioRec7 rec;
    std::memset(&rec, 0, sizeof rec);
    rec.privateData = file.privateData;
    rec.position = position;
    rec.size = size;
    rec.buffer = buffers.data();
    return call(imImportAudio7, nullptr, &rec);
}

csSDK_int32 ImporterDriver::channelLayout(File& file, imGetAudioChannelLayoutRec& rec, csSDK_int32 prefill)
{
    std::memset(&rec, 0, sizeof rec);
    rec.privateData = file.privateData;
    for (int i = 0; i < kPrMaxAudioChannels; ++i)
        rec.outChannelLabels[i] = PrAudioChannelLabel(prefill);
    return call(imGetAudioChannelLayout, nullptr, &rec);
}

csSDK_int32 ImporterDriver::analysis(File& file, csSDK_int32 bufferSize, std::string& text)
{
    // Guard bytes after the buffer show a write past its end.
    std::vector<char> buffer(std::size_t(bufferSize > 0 ? bufferSize : 0) + 16, char(0x5A));
    imAnalysisRec rec;
    std::memset(&rec, 0, sizeof rec);
    rec.privatedata = file.privateData;
    rec.buffersize = bufferSize;
    rec.buffer = bufferSize > 0 ? buffer.data() : nullptr;
    const csSDK_int32 result = call(imAnalysis, nullptr, &rec);
    for (std::size_t i = std::size_t(bufferSize > 0 ? bufferSize : 0); i < buffer.size(); ++i) {
        if (buffer[i] != char(0x5A))
            throw std::runtime_error("analysis text written past the buffer");
    }
    text.clear();
    if (bufferSize > 0)
        text.assign(buffer.data(), strnlen(buffer.data(), std::size_t(bufferSize)));
    return result;
}

csSDK_int32 ImporterDriver::dataRate(File& file, csSDK_int32& bufferSize, std::vector<imDataRateSample>* entries,
                                     csSDK_int32* baseRate)
{
    const std::size_t count = bufferSize > 0 ? std::size_t(bufferSize) / sizeof(imDataRateSample) : 0;
    // One guard entry after the buffer shows a write past its end.
    std::vector<imDataRateSample> buffer(count + 1, imDataRateSample{0xDEADBEEF, 0xDEADBEEF});
    imDataRateAnalysisRec rec;
    std::memset(&rec, 0, sizeof rec);
    rec.privatedata = file.privateData;
    rec.buffersize = bufferSize;
    rec.buffer = entries != nullptr ? buffer.data() : nullptr;
    rec.baserate = -1;
    const csSDK_int32 result = call(imDataRateAnalysis, nullptr, &rec);
    if (buffer[count].sampleDuration != 0xDEADBEEF || buffer[count].sampleSize != 0xDEADBEEF)
        throw std::runtime_error("data rate written past the buffer");
    bufferSize = rec.buffersize;
    if (baseRate != nullptr)
        *baseRate = rec.baserate;
    if (entries != nullptr)
        entries->assign(buffer.begin(), buffer.begin() + std::ptrdiff_t(count));
    return result;
}

csSDK_int32 ImporterDriver::quiet(File& file) { return call(imQuietFile, &file.fileRef, file.privateData); }

csSDK_int32 ImporterDriver::close(File& file)
{
    const csSDK_int32 result = call(imCloseFile, &file.fileRef, file.privateData);
    file.privateData = nullptr;
    return result;
}

csSDK_int32 ImporterDriver::createAsync(File& file, AsyncImporterDriver& async)
{
    imAsyncImporterCreationRec rec;
    std::memset(&rec, 0, sizeof rec);
    rec.inPrivateData = file.privateData;
    const csSDK_int32 result = call(imCreateAsyncImporter, &rec, nullptr);
    async = AsyncImporterDriver(rec.outAsyncEntry, rec.outAsyncPrivateData);
    return result;
}

HostFrame ImporterDriver::take(PPixHand frame)
{
    HostFrame out = readHostFrame(frame);
    m_host.fake().disposeFrame(frame);
    return out;
}

} // namespace standin
