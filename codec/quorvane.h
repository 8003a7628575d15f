#ifndef QUORVANE_H
#define QUORVANE_H
/*
 * Quorvane: a lossless intra-frame video codec. The function interface below is the only way in:
 * a process-wide library object with a reference count, codec instances behind small integer
 * handles, and per-instance compress and decompress calls. Every function that can fail returns
 * an int result code (QUORVANE_OK or a negative QUORVANE_* code); none of them throws.
 *
 * Calls on one handle are serialised by the instance's own lock; calls on different handles run
 * in parallel. A handle must not be closed while another thread is inside a call on it.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QUORVANE_API __attribute__((visibility("default")))
#else
#define QUORVANE_API
#endif

/* Frame-type codes: uncompressed layouts (1..58), compressed types (101..123), and the two
 * special codes. X(name, code, has_text): has_text 0 marks codes that name no layout of their own
 * in the text table (51 is 16-bit planar YUV 4:4:4 stored at 10 bits). */
#define QUORVANE_FRAME_TYPES(X)                                                                  \
    X(BGRX, 1, 1) X(BGRA, 2, 1) X(BGR, 3, 1) X(YUY2, 4, 1) X(UYVY, 5, 1) X(YV12, 6, 1)           \
    X(YV24, 7, 1) X(AYUV, 8, 1) X(Y8, 9, 1) X(I420, 10, 1) X(V210, 11, 1) X(R210, 12, 1)         \
    X(R10K, 13, 1) X(R210_LE, 14, 1) X(R10K_LE, 15, 1) X(XRGB, 16, 1) X(RGBX, 17, 1)             \
    X(XBGR, 18, 1) X(ARGB, 19, 1) X(RGBA, 20, 1) X(ABGR, 21, 1) X(RGB, 22, 1) X(B64A, 23, 1)     \
    X(B64X, 24, 1) X(B48R, 25, 1) X(RGBA64, 26, 1) X(RGBX64, 27, 1) X(RGB48, 28, 1)              \
    X(I444, 29, 1) X(Y16_10, 30, 1) X(BGRA64, 31, 1) X(BGRX64, 32, 1) X(BGR48, 33, 1)            \
    X(P210, 34, 1) X(YUV422P_10, 35, 1) X(GBRP_10, 36, 1) X(GBRP_12, 37, 1) X(GBRP_14, 38, 1)    \
    X(GBRP_16, 39, 1) X(GBRAP_10, 40, 1) X(GBRAP_12, 41, 1) X(GBRAP_14, 42, 1)                   \
    X(GBRAP_16, 43, 1) X(V308, 44, 1) X(V408X, 45, 1) X(V408A, 46, 1) X(V410, 47, 1)             \
    X(YUV444P_10, 48, 1) X(VUYX, 49, 1) X(VUYA, 50, 1) X(YUV444P_16, 51, 0) X(BGRA_32F, 52, 1)   \
    X(BGRX_32F, 53, 1) X(BAYER_12_PACKED_GBRG, 54, 1) X(BAYER_12_PACKED_GRBG, 55, 1)             \
    X(BAYER_12_PACKED_BGGR, 56, 1) X(P010, 57, 1) X(YUV420P_10, 58, 1)                           \
    X(COMP_RGB, 101, 1) X(COMP_RGBA, 102, 1) X(COMP_YUV444, 103, 1) X(COMP_YUV422, 104, 1)       \
    X(COMP_YUV420, 105, 1) X(COMP_YUV444A, 106, 1) X(COMP_YUV400, 107, 1)                        \
    X(COMP_10_YUV422, 108, 1) X(COMP_10_RGB, 109, 1) X(COMP_10_RGBA, 110, 1)                     \
    X(COMP_12_RGB, 111, 1) X(COMP_12_RGBA, 112, 1) X(COMP_14_RGB, 113, 1)                        \
    X(COMP_14_RGBA, 114, 1) X(COMP_10_YUV400, 115, 1) X(CAT_16_RGB, 116, 0)                      \
    X(CAT_16_RGBA, 117, 0) X(COMP_10_YUV444, 118, 1) X(CAT_16_YUV444, 119, 0)                    \
    X(CAT_FLOAT_RGB, 120, 0) X(CAT_FLOAT_RGBA, 121, 0) X(COMP_12_BAYER, 122, 1)                  \
    X(COMP_10_YUV420, 123, 1) X(EXTENDED, 254, 1) X(ANY, 255, 1)

enum QuorvaneFrameTypeCode {
#define QUORVANE_X_(name, code, has_text) QUORVANE_FRAME_##name = code,
    QUORVANE_FRAME_TYPES(QUORVANE_X_)
#undef QUORVANE_X_
    QUORVANE_FRAME_UNKNOWN = 0
};

/* Result codes. */
#define QUORVANE_RESULTS(X)                                                                       \
    X(OK, 0) X(ERROR, -1) X(LIBRARY_NOT_INITIALIZED, -2) X(INVALID_ARGUMENT, -3)                 \
    X(INVALID_HANDLE, -4) X(INVALID_FORMAT, -5) X(INVALID_STATE, -6) X(INVALID_FRAME_DATA, -7)   \
    X(INVALID_PARAM, -8) X(INVALID_PARAM_SIZE, -9) X(INVALID_PARAM_DATA, -10)                    \
    X(INVALID_COMPRESSED_FORMAT, -11) X(FRAME_TYPE_MISMATCH, -12) X(CORRUPT_FRAME, -13)          \
    X(FLIP_NOT_SUPPORTED, -14) X(16U_MAX_32768_NOT_SUPPORTED, -15)                               \
    X(COLOR_SPACE_NOT_SUPPORTED, -16) X(INVALID_EX_FORMAT_VERSION, -17)                          \
    X(RANGE_NOT_SUPPORTED, -18) X(NOT_IMPLEMENTED, -99)

enum QuorvaneResult {
#define QUORVANE_X_(name, code) QUORVANE_##name = code,
    QUORVANE_RESULTS(QUORVANE_X_)
#undef QUORVANE_X_
    QUORVANE_RESULT_LAST_ = -100
};

/* Parameter ids for quorvane_set_param / quorvane_get_param. */
enum QuorvaneParam {
    QUORVANE_PARAM_NUM_THREADS = 1,            /* set and get: thread count of the instance    */
    QUORVANE_PARAM_SUPPORTS_FLIP = 7,          /* get: in = frame type, out = 0 or 1           */
    QUORVANE_PARAM_SUPPORTS_16U_MAX_32768 = 9, /* get: in = frame type, out = 0 or 1           */
    QUORVANE_PARAM_ENABLE_8BIT = 1010,         /* set while idle: 8-bit formats on (non-zero)  */
    QUORVANE_PARAM_ENABLE_HIGH_BIT = 1020,     /* set while idle: 10..16-bit formats on        */
    QUORVANE_PARAM_DEFAULT_FORMAT = 1030       /* get: in = frame type, out = its default type */
};

enum QuorvaneColorSpace {
    QUORVANE_COLOR_SPACE_UNSPECIFIED = 0,
    QUORVANE_COLOR_SPACE_BT601 = 1,
    QUORVANE_COLOR_SPACE_BT709 = 2
};

enum QuorvaneRange {
    QUORVANE_RANGE_UNSPECIFIED = 0,
    QUORVANE_RANGE_LIMITED = 1,
    QUORVANE_RANGE_FULL = 2
};

enum QuorvaneFieldType {
    QUORVANE_FIELD_PROGRESSIVE = 0,
    QUORVANE_FIELD_UPPER_FIRST = 1,
    QUORVANE_FIELD_LOWER_FIRST = 2,
    QUORVANE_FIELD_UNKNOWN = 3
};

/* Flags of the extended record. Other bits are carried through untouched. */
enum QuorvaneFrameFlags {
    QUORVANE_FLAG_BOTTOM_UP = 1u << 0,    /* rows are stored bottom-up                 */
    QUORVANE_FLAG_16U_MAX_32768 = 1u << 1 /* 16-bit samples on the host's 0..32768 scale */
};

/* Kinds for quorvane_get_string. */
enum QuorvaneStringKind {
    QUORVANE_STRING_FRAME_TYPE = 1,
    QUORVANE_STRING_RESULT = 2,
    QUORVANE_STRING_COLOR_SPACE = 3,
    QUORVANE_STRING_PARAM = 4
};

/* A frame type: type is a frame-type code, a compressed type, QUORVANE_FRAME_ANY (the codec
 * chooses) or QUORVANE_FRAME_EXTENDED (the record is really a _QuorvaneFrameTypeEx). */
typedef struct _QuorvaneFrameType {
    uint32_t width;
    uint32_t height;
    uint32_t type;
    uint32_t reserved; /* never read or written by the codec */
} QuorvaneFrameType;

/* The extended frame type; passed through a QuorvaneFrameType pointer whose type is 254. */
typedef struct _QuorvaneFrameTypeEx {
    uint32_t width;
    uint32_t height;
    uint32_t marker;      /* QUORVANE_FRAME_EXTENDED */
    uint32_t version;     /* must be 1 */
    uint32_t type;        /* the real frame-type or compressed-type code */
    uint32_t flags;       /* QuorvaneFrameFlags */
    uint32_t colorSpace;  /* QuorvaneColorSpace; 0 lets the codec choose */
    uint32_t range;       /* QuorvaneRange; 0 lets the codec choose */
    uint32_t fieldType;   /* QuorvaneFieldType */
} QuorvaneFrameTypeEx;

/* One plane of an uncompressed frame; a plane the layout lacks is {NULL, 0, 0}. */
typedef struct _QuorvanePlane {
    void* data;
    int32_t stride; /* bytes from one row to the next */
    uint32_t size;  /* bytes of the plane */
} QuorvanePlane;

typedef struct _QuorvaneFrameData {
    QuorvanePlane planes[4];
} QuorvaneFrameData;

/* A format header or a compressed frame. */
typedef struct QuorvaneData {
    const void* data;
    uint32_t size;
} QuorvaneData;

/* Library and instances. */
QUORVANE_API int quorvane_library_init(void);
QUORVANE_API void quorvane_library_close(void);
QUORVANE_API int quorvane_library_ref_count(void);
QUORVANE_API int quorvane_open(uint32_t* handle);
QUORVANE_API int quorvane_close(uint32_t handle);

/* Parameters: value points to one 32-bit word and size must be 4. */
QUORVANE_API int quorvane_set_param(uint32_t handle, int param, const void* value, uint32_t size);
QUORVANE_API int quorvane_set_param_value(uint32_t handle, int param, uint32_t value);
QUORVANE_API int quorvane_get_param(uint32_t handle, int param, void* value, uint32_t size);

/* Names of codes; the text is static. Unknown kinds give "". */
QUORVANE_API const char* quorvane_get_string(int kind, int value);
QUORVANE_API QuorvaneFrameType QuorvaneFrameTypeAny(void);

/* Compression. The destination of quorvane_compress must hold the maximum compressed size that
 * the query or the begin reported. The format header stays valid until the next begin or the
 * close of the handle. */
QUORVANE_API int quorvane_compress_query(uint32_t handle, const QuorvaneFrameType* input,
                                         QuorvaneFrameType* output, uint32_t* formatSize,
                                         uint32_t* maxCompressedSize);
QUORVANE_API int quorvane_compress_begin(uint32_t handle, const QuorvaneFrameType* input,
                                         QuorvaneFrameType* output, const uint8_t** format,
                                         uint32_t* formatSize, uint32_t* maxCompressedSize);
QUORVANE_API int quorvane_compress(uint32_t handle, const QuorvaneFrameData* source, void* destination,
                                   uint32_t* compressedSize);
QUORVANE_API int quorvane_compress_end(uint32_t handle);

/* Decompression. */
QUORVANE_API int quorvane_decompress_query(uint32_t handle, const void* format, uint32_t formatSize,
                                           QuorvaneFrameType* output, QuorvaneFrameType* compressedType);
QUORVANE_API int quorvane_decompress_begin(uint32_t handle, const void* format, uint32_t formatSize,
                                           QuorvaneFrameType* output, QuorvaneFrameType* compressedType);
QUORVANE_API int quorvane_decompress(uint32_t handle, const void* frame, uint32_t frameSize,
                                     const QuorvaneFrameData* destination);
QUORVANE_API int quorvane_decompress_end(uint32_t handle);

/* Frame buffers: lay a frame of the given type out in one buffer (buffer may be NULL to learn the
 * strides and sizes), and check that a caller's planes can be compressed. */
QUORVANE_API int quorvane_init_planes_common(uint32_t handle, const QuorvaneFrameType* type,
                                             QuorvaneFrameData* planes, void* buffer);
QUORVANE_API int quorvane_check_data_format(uint32_t handle, const QuorvaneFrameType* type,
                                            const QuorvaneFrameData* planes);

#ifdef __cplusplus
}
#endif

#endif /* QUORVANE_H */
