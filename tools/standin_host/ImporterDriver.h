// The editor's side of the importer selectors: loads an importer module and builds and hands over
// the record of each selector the way the editor does, keeping count of the frame buffers the
// importer hands to the host. AsyncImporterDriver plays the editor's side of an asynchronous
// importer; its calls may come from any number of host threads at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "sdk/PrSDKImport.h"
#include "tools/standin_host/Images.h"
#include "tools/standin_host/PluginModule.h"
#include "tools/standin_host/StandinHost.h"

namespace standin {

// A frame buffer's pixels as the host holds them: rows in memory order, row bytes as allocated.
struct HostFrame {
    PrPixelFormat format = PrPixelFormat_Invalid;
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    std::vector<uint8_t> bytes;

    const uint8_t* memoryRow(int y) const { return bytes.data() + std::size_t(y) * std::size_t(rowBytes); }
};

// Reads a frame buffer of the stand-in host.
HostFrame readHostFrame(PPixHand frame);
// The frame's image rows top row first, each cut to the format's natural row size.
Image imageOf(const HostFrame& frame, bool topLeft);

class AsyncImporterDriver {
public:
    AsyncImporterDriver() = default;
    AsyncImporterDriver(PrAsyncImportEntryFunc entry, void* privateData) : m_entry(entry), m_privateData(privateData) {}

    csSDK_int32 call(csSDK_int32 selector, void* param) const { return m_entry(selector, param); }
    csSDK_int32 initiate(PrTime time, const std::vector<imFrameFormat>& formats) const;
    // On 0, out holds the frame, which now belongs to the host.
    csSDK_int32 getFrame(PrTime time, const std::vector<imFrameFormat>& formats, PPixHand& out) const;
    csSDK_int32 flush() const;
    csSDK_int32 cancel() const;
    csSDK_int32 close(); // aiClose; the object is gone afterwards

    void* privateData() const { return m_privateData; }
    bool valid() const { return m_entry != nullptr && m_privateData != nullptr; }

private:
    PrAsyncImportEntryFunc m_entry = nullptr;
    void* m_privateData = nullptr;
};

class ImporterDriver {
public:
    ImporterDriver(StandinHost& host, const std::string& modulePath);
    ~ImporterDriver(); // unloads the module

    csSDK_int32 call(csSDK_int32 selector, void* param1, void* param2 = nullptr);
    csSDK_int32 callWith(imStdParms* stdParms, csSDK_int32 selector, void* param1, void* param2 = nullptr);

    csSDK_int32 init(imImportInfoRec* info = nullptr); // a record filled with 0xA5 when none given
    csSDK_int32 shutdown();
    csSDK_int32 indFormat(unsigned index, imIndFormatRec& rec);
    // The rows of the block the importer allocates; the block is freed as the editor frees it.
    csSDK_int32 subTypeNames(std::vector<imSubTypeDescriptionRec>& rows, csSDK_uint32 fileType);

    // One opened file of the editor: the importer's object and the file reference.
    struct File {
        void* privateData = nullptr;
        imFileRef fileRef = kImInvalidFileRef;
        int stream = 0;
    };
    // Opens path (UTF-8) for a stream; reopening passes a quieted file's private data back.
    csSDK_int32 open(File& file, const std::string& path, int stream = 0,
                     PrFileOpenAccess access = kPrOpenFileAccess_ReadOnly);
    // The record is filled with 0xA5 first (when fill is set) so that untouched fields show.
    csSDK_int32 getInfo(File& file, imFileInfoRec8& rec, bool fill = true);
    // Indexes 0, 1, ... until the importer answers something else; returns that answer.
    csSDK_int32 pixelFormats(File& file, std::vector<PrPixelFormat>& formats);
    csSDK_int32 sourceVideo(File& file, PrTime time, const std::vector<imFrameFormat>& formats, PPixHand& out);
    // channels buffers of size samples each; the buffers are pre-filled with fill.
    csSDK_int32 importAudio(File& file, csSDK_int64 position, csSDK_uint32 size, unsigned channels,
                            std::vector<std::vector<float>>& out, float fill = 12345.0f);
    csSDK_int32 channelLayout(File& file, imGetAudioChannelLayoutRec& rec, csSDK_int32 prefill = 0x7FFF);
    csSDK_int32 analysis(File& file, csSDK_int32 bufferSize, std::string& text);
    // Without entries: the buffer size the importer asks for. With: up to bufferSize bytes.
    csSDK_int32 dataRate(File& file, csSDK_int32& bufferSize, std::vector<imDataRateSample>* entries,
                         csSDK_int32* baseRate = nullptr);
    csSDK_int32 quiet(File& file);
    csSDK_int32 close(File& file);
    csSDK_int32 createAsync(File& file, AsyncImporterDriver& async);

    // Takes a frame the importer handed over: its pixels, then the editor disposes of it.
    HostFrame take(PPixHand frame);

    // Frame buffers the importer handed to the host (through this driver or asynchronous ones).
    int framesHandedOver() const { return m_handedOver.load(); }
    static void countHandover(); // for frames collected through asynchronous drivers
    // Every frame the importer made was either handed over or disposed by the importer.
    bool framesBalanced() const;

    PluginModule& module() { return m_module; }
    void unload();

private:
    StandinHost& m_host;
    PluginModule m_module;
    PrImportEntryFunc m_entry = nullptr;
    static std::atomic<int> m_handedOver;
};

} // namespace standin
