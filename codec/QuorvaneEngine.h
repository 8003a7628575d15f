#pragma once
// The engine of one codec instance: format bindings and settings, the format header and frame
// layout, and the compression and decompression passes over blocks.
//
// A frame moves through planar work frames: the caller's frame (its own layout), the split frame
// (the frontend's canonical planes), the converted frame (the stored planes, when the binding has
// a converter) and, when compressing, the residual frame. Each is cut into slices of
// m_sliceHeight rows; one canonical plane of one slice is a block, the unit of prediction,
// coding and parallel work.
//
// The engine has no lock of its own: its codec instance serialises every call on it.

#include "codec/ImgProcFrontend.h"
#include "codec/StageTimers.h"
#include "codec/threading/ThreadTeam.h"
#include "codec/quorvane.h"
#include "codec/imgproc/backends/ImgProcBackend.h"
#include "codec/imgproc/kernels/ImgProcConverter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

class HuffCoder;
struct FormatObjects;

// Frees the frontend and converter objects (defined where their classes are complete).
struct FormatObjectsDeleter {
    void operator()(FormatObjects* objects) const;
};

struct QuorvaneSettings {
    int32_t reserved1 = 101;
    int32_t reserved2 = 1;
    int32_t reserved3 = 1;
    // Decode-output masks of the 8-bit YUV compressed types: bit k allows category 101 + k.
    int32_t decodeMask400 = -1;
    int32_t decodeMask420 = -1;
    int32_t decodeMask422 = -1;
    int32_t decodeMask444 = -1;
    int32_t reserved8 = 0;
    int32_t reserved9 = 5;
    int32_t reserved10 = 0;
    int32_t reserved11 = 0;
};

struct QuorvaneEncodeSettings {
    int32_t reserved1 = 202;
    int32_t reserved2 = 1;
    int32_t reserved3 = 1;
    int32_t predictor = 4;   // 1 left, 2 gradient, 3 median, 4 automatic per block
    int32_t tableMode = 2;   // how code tables travel (see QuorvaneHeader.cpp)
    int32_t sourceMask = -1; // categories that may be compressed: bit k = category 101 + k
    int32_t fieldType = 0;   // non-zero: frames are coded as two fields
    int32_t colorSpace = 2;  // 1 BT.601, 2 BT.709
    int32_t fullRange = 0;
    int32_t filter = 1;      // converters' filtered chroma subsampling
    int32_t reserved11 = 0;
};

class Quorvane {
public:
    static constexpr int kHeaderSize = 32;
    static constexpr int kHeaderVersion = 7;

    enum Direction : int32_t { kCompress = 1, kDecompress = 2 };

    struct CompressProc {
        int32_t direction = 0;
        ImgProcFrontend* frontend = nullptr;
        ImgProcConverter* converter = nullptr;
        ImgProcBackend* backend = nullptr; // geometry of the stored planes
        bool converted = false;
    };

    struct ImagePlane {
        uint8_t* data = nullptr;
        int32_t stride = 0;
        uint32_t size = 0;
        bool borrowed = false; // the caller's memory, not an engine buffer
    };

    // A work frame with storage of its own; the storage only grows.
    struct PlanarFrame {
        PlanarFrame() = default;
        PlanarFrame(const PlanarFrame&) = delete;
        PlanarFrame& operator=(const PlanarFrame&) = delete;

        // Four planes with strides raised to 16; plane k starts 256 * k past a 1024 boundary.
        void allocateAligned16(const int widths[4], const int heights[4], int pixelSize);
        // Planes with other's strides and sizes, each start congruent mod 16 with other's.
        void alignAs(const PlanarFrame& other);
        // Makes base hold at least bytes; false when the allocation fails.
        bool reserve(uint64_t bytes);
        void release();
        ImgFrame view() const;

        std::unique_ptr<uint8_t[]> buffer;
        uint8_t* base = nullptr;
        uint64_t capacity = 0;
        ImagePlane planes[4];
    };

    // A validated copy of a format header.
    struct ParsedHeader {
        bool parse(const void* data, uint32_t size);

        std::vector<uint8_t> bytes;
        const uint8_t* data = nullptr;
    };

    // One begun compression or decompression.
    struct CompressInfo {
        void* data = nullptr; // the destination frame, or the source frame when decompressing
        ImagePlane planes[4]; // the caller's frame in its own layout
        uint32_t dataSize = 0;
        CompressProc proc;
        ParsedHeader header;
        int frameType = 0;
        bool compressing = false;
    };

    // Where block b = p x S + s lies in its plane p: computed from the header, never stored, so
    // what a begun stream holds does not grow with its number of slices.
    struct BlockSpan {
        uint32_t firstRow = 0;
        uint32_t width = 0; // samples per row of the plane
        uint32_t rows = 0;
    };

    // What compressing keeps of one block from pass 1 to the finished frame. The code table of a
    // block is always its plane's. Decompression keeps no record per block: a block's bytes and
    // table come from the frame being read.
    struct BlockData {
        std::vector<uint8_t> buffer; // coded payload
        uint32_t codedSize = 0;
        uint8_t predictor = 0; // block byte 1
        uint8_t flags = 0;     // block byte 0 (bit 0: stored raw)
    };

    Quorvane(bool enable8Bit, bool enableHighBit);
    ~Quorvane();
    Quorvane(const Quorvane&) = delete;
    Quorvane& operator=(const Quorvane&) = delete;
    Quorvane(Quorvane&&) = delete;
    Quorvane& operator=(Quorvane&&) = delete;

    // Settings; each rebuilds the binding map.
    void Set8BitFormatsEnabled(bool on);
    void SetHighBitFormatsEnabled(bool on);
    void ApplySettings(const QuorvaneSettings& s);
    void ApplyEncodeSettings(const QuorvaneEncodeSettings& s);
    void SetNumThreads(int n);
    int GetNumThreads() const;
    void InitCompProcMap(int colorSpace, bool fullRange);

    const QuorvaneSettings& GetSettings() const { return m_settings; }
    const QuorvaneEncodeSettings& GetEncodeSettings() const { return m_encodeSettings; }
    void SetFlipRequest(bool on) { m_flipRequest = on; }
    void SetRangeRequest(bool on) { m_rangeRequest = on; }
    bool GetFlipInForce() const { return m_flipInForce; }

    // Queries.
    const CompressProc* FindBinding(int from, int to) const;
    size_t GetBindingCount() const { return m_bindings.size(); }
    const std::map<std::pair<int, int>, CompressProc>& GetBindings() const { return m_bindings; }
    bool CanFlip(int frameType, bool* missing = nullptr) const;
    bool SupportsAdobe16uRange(int frameType, bool* missing = nullptr) const;
    bool IsAlphaFormat(int frameType) const;
    bool IsConverted(int from, int to) const;
    int GetDefaultFormat(int frameType) const;
    int GetFormatCategory(int frameType) const;
    int GetPreferredDecompressedFormat(const uint8_t* header) const;
    bool CanCompress(int frameType, int compressedType, uint32_t width, uint32_t height) const;
    bool CanDecompress(const void* header, uint32_t size, int frameType) const;

    // Format header.
    bool CompressGetFormat(uint8_t* header, int frameType, uint32_t width, uint32_t height, int compressedType) const;
    int CompressGetFormatSize(int frameType, uint32_t width, uint32_t height, int compressedType) const;
    int CompressGetBufferSize(int frameType, uint32_t width, uint32_t height, int compressedType) const;
    static unsigned CompressHuffTable(const std::vector<int>& lengths, uint8_t* out);
    // Unpacks one table of count lengths from [p, end); returns the bytes read, or -1 when the
    // table runs past end.
    static int64_t UncompressHuffTable(const uint8_t* p, const uint8_t* end, int* lengths, size_t count);
    // Table mode of a header: flags bit 0 + 1 before version 7, else flags bits 20..23.
    static int HeaderTableMode(const uint8_t* header);
    // Mode-1 tables of a header refused by a coder (a header with them cannot be decoded).
    bool HeaderTablesUsable(const uint8_t* header, uint32_t size, int frameType) const;

    // Planes, split frames and blocks.
    bool InitPlanePtrs(ImagePlane* planes, uint8_t* buffer, int frameType, uint32_t width, uint32_t height,
                       uint64_t* totalOut) const;
    bool InitCompressInfoPlanes(CompressInfo* info, uint8_t* buffer) const;
    bool CheckPlaneAlignmentsAndSizes(const ImagePlane* planes, int frameType, uint32_t width, uint32_t height);
    void PrepareCompressInfo(CompressInfo* info, const void* header, uint32_t headerSize, int frameType,
                             bool compressing);
    bool InitSplitFramesAndBlocks(CompressInfo* info);
    bool SetupSplitFrame(CompressInfo* info);
    bool SetupConverter(CompressInfo* info);

    // Compression.
    bool CompressBegin(CompressInfo* info, const uint8_t* header, int frameType);
    bool InitCodec(CompressInfo* info);
    uint32_t Compress(CompressInfo* info);
    bool CompressBlocksPass1(CompressInfo* info);
    bool CompressBlocksPass2(CompressInfo* info);
    uint32_t CompressFinalize(CompressInfo* info);
    bool DoesConvertPassDependsOnAllBlocks(const CompressInfo* info, int pass) const;
    void SplitOrJoinBlock(CompressInfo* info, int slice);
    void ConvertBlock(CompressInfo* info, PlanarFrame* source, PlanarFrame* destination, int pass, int slice);
    void PredictBlock(CompressInfo* info, int plane, int slice, PlanarFrame* source, int thread);
    void EncodeBlock(CompressInfo* info, int block, PlanarFrame* residual);
    bool AllocateHuffCoders(int count, int bits);

    // Decompression: 0 done, -1 caller's planes unusable, -2 frame of another stream, -3 corrupt
    // frame, -4 no stream begun or a pass that failed (an item threw, an allocation failed).
    bool DecompressBegin(CompressInfo* info, const void* header, uint32_t headerSize, int frameType);
    int Decompress(CompressInfo* info);
    bool DecompressBlocks(CompressInfo* info);
    void DecodeBlock(CompressInfo* info, int plane, int slice, PlanarFrame* frame);
    void UnpredictBlock(CompressInfo* info, int plane, int slice, PlanarFrame* frame);

    int GetPlaneCheckCode() const { return m_planeCheckCode; }
    // Bytes the split work buffer holds now (it only grows within a begin).
    uint64_t GetSplitFrameCapacity() const { return m_splitFrame.capacity; }
    // Bytes kept free past the last row of the work buffer's planes.
    static constexpr uint64_t kSplitSlack = 1024;
    // What the work buffer takes at the begin: every canonical plane with rows raised to 16 bytes,
    // which is the layout of frontends that split into planes of their own, and room for the
    // planes' 1024-byte starts. A frontend whose layout needs more for the caller's strides gets
    // it when the frame is set up.
    static uint64_t splitFrameBytes(const ImgProcFrontend* fe, uint32_t width, uint32_t height);
    int GetSliceHeight() const { return m_sliceHeight; }

private:
    // Derived from the begun header and binding; set by InitCodec.
    struct StreamGeometry {
        uint32_t width = 0, height = 0, sliceHeight = 0;
        uint32_t flags = 0;
        int tableMode = 0;
        bool interlaced = false;
        int bits = 0;
        int planes = 0; // canonical planes of the binding backend (P)
        int slices = 0; // S
        // Per canonical plane p: samples per row, rows, and rows of a full slice.
        uint32_t planeWidth[4] = {}, planeRows[4] = {}, sliceRows[4] = {};
    };

    // The bytes of one block in the frame being read and the code table it names.
    struct BlockSource {
        const uint8_t* bytes = nullptr; // block byte 0, then byte 1, then the payload
        uint64_t size = 0;
        int table = 0;
    };

    // Where the blocks of the frame being read lie; set by readFrame once the frame's bounds hold.
    struct FrameBlocks {
        const uint8_t* data = nullptr;
        int64_t size = 0;
        int64_t section = 0;               // the offsets are counted from here
        const uint8_t* indexes = nullptr;  // table index of every block (mode 2), else null
    };

    template <class Fn>
    bool parallel_for(int count, Fn&& fn);
    // The block of pass item i when the items go slice by slice: the team gives consecutive items
    // to the same thread, so a slice's blocks are coded, and copied, on the thread that predicted
    // the slice, from its cache.
    int SliceMajorBlock(int i) const { return (i % m_geo.planes) * m_geo.slices + i / m_geo.planes; }
    BlockSpan blockSpan(int plane, int slice) const;
    BlockSource blockSource(int plane, int slice) const;
    void buildCategoryMaps();
    bool planeCheck(const ImagePlane* planes, const ImgProcFrontend* fe, uint32_t width, uint32_t height);
    uint64_t rawPlaneBytes(const ImgProcBackend* be, uint32_t width, uint32_t height) const;
    // The ceiling on frame sizes: a work buffer of 128 spare samples per row of every canonical
    // plane must stay below 2 GB. Frames beyond it are refused by the begins and the buffer-size
    // query; it is a limit, not what the work buffer takes.
    static uint64_t workBufferBytes(const ImgProcFrontend* fe, uint32_t width, uint32_t height);
    // The rows a frame's height and slice height must be multiples of under the binding: the
    // larger height modulus of the layout and the stored planes, doubled when the header is
    // interlaced, since each block is then predicted as two fields of half its rows.
    static uint32_t heightModulo(const CompressProc& binding, const uint8_t* header);
    // True when the header's slice height cuts every plane, and every field of an interlaced
    // block, into whole rows. Any other slice height leaves rows of a block that are coded without
    // ever being predicted or counted, so both begins and the decompress query refuse it.
    static bool sliceHeightFits(const CompressProc& binding, const uint8_t* header);
    // The offset from the work buffer's base past the end of the planes the frontend laid out in
    // it, or -1 when a plane lies before the base.
    int64_t splitLayoutEnd(const ImgFrame& laid, const CompressInfo* info) const;
    int readFrame(CompressInfo* info);
    // Decodes every block of slice s into `frame`, the Huffman-coded blocks of equal shape
    // together (Coder: the coder class of the stream's sample depth).
    void DecodeSlice(CompressInfo* info, int s, PlanarFrame* frame);
    template <class Coder>
    void decodeSliceWith(CompressInfo* info, int s, PlanarFrame* frame);
    void prepareScratch();

    std::vector<TimerSet> m_timers;
    int32_t m_sliceHeight = 28;
    bool m_flipRequest = false;
    bool m_flipInForce = false;
    bool m_rangeRequest = false;
    QuorvaneSettings m_settings;
    QuorvaneEncodeSettings m_encodeSettings;
    bool m_enable8Bit;
    bool m_enableHighBit;
    std::vector<std::unique_ptr<HuffCoder>> m_coders;
    std::vector<uint8_t> m_coderReady; // setLengths accepted the coder's current table
    std::map<int, int> m_codeLengths;
    std::vector<uint64_t> m_histograms[4];
    std::unique_ptr<FormatObjects, FormatObjectsDeleter> m_formats;
    std::map<std::pair<int, int>, CompressProc> m_bindings;
    // What m_bindings was built for (matrix tag, depth switches, the four decode masks): every
    // frame asks for its stream's bindings, and rebuilding the map each time costs more than
    // coding a small frame.
    std::array<int32_t, 7> m_bindingsKey{};
    bool m_bindingsBuilt = false;
    std::map<int, int> m_defaultFormats;
    std::map<int, int> m_categories;
    std::vector<BlockData> m_blocks;
    PlanarFrame m_splitFrame;
    PlanarFrame m_convertedFrame;
    PlanarFrame m_residualFrame;
    threading::ThreadTeam m_threads;
    int32_t m_planeCheckCode = 0;

    StreamGeometry m_geo;
    std::vector<int> m_tableLengths;             // T tables of 2^bits lengths, read from a frame
    int m_coderCount = 0;                        // T of the frame being read
    FrameBlocks m_frame;                         // the frame being read
    // What one thread counts while it predicts: the partial count tables of every plane, over all
    // the blocks the thread predicted in this frame (plane p's at p x count_table_entries(bits));
    // pass 2 adds them up. A block adds to them as it goes, so its cost follows its samples, not
    // the size of the tables. They lie on cache lines of their own inside their store: the busiest
    // counters (residuals 0 and -1) sit at the ends of the tables, and a line shared with another
    // thread's counters would pass between the processors' caches at every increment. No counter
    // overflows: a plane holds fewer than 2^31 samples.
    struct ThreadCounts {
        std::vector<uint32_t> store;
        uint32_t* planes = nullptr;
        bool used = false; // planes holds this frame's counts
    };
    std::vector<ThreadCounts> m_counts;
    std::vector<uint64_t> m_offsets;             // block offsets of the frame being written
};

template <class Fn>
bool Quorvane::parallel_for(int count, Fn&& fn)
{
    threading::WorkT<std::remove_reference_t<Fn>> work(fn, count);
    return m_threads.parallel_for_work(&work);
}
