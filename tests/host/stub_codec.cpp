// A stand-in of the codec's function interface with scripted failures, for the wrapper paths the
// real codec never takes (an instance that cannot be opened).
#include "stub_codec.h"

namespace stubcodec {
State state;
}

using stubcodec::state;

extern "C" {

int quorvane_library_init(void)
{
    ++state.inits;
    if (state.initResult == 0)
        ++state.references;
    return state.initResult;
}

void quorvane_library_close(void)
{
    ++state.libraryCloses;
    if (state.references > 0)
        --state.references;
}

int quorvane_library_ref_count(void) { return state.references; }

int quorvane_open(uint32_t* handle)
{
    *handle = 0;
    if (state.openResult != 0)
        return state.openResult;
    *handle = ++state.lastHandle;
    ++state.openInstances;
    return 0;
}

int quorvane_close(uint32_t)
{
    ++state.closes;
    --state.openInstances;
    return 0;
}

const char* quorvane_get_string(int kind, int value)
{
    if (kind == 2)
        return value == -2 ? "LIBRARY_NOT_INITIALIZED" : value == -3 ? "INVALID_ARGUMENT" : "UNKNOWN";
    return "UNKNOWN";
}

int quorvane_get_param(uint32_t, int, void*, uint32_t) { return -8; }
int quorvane_compress_query(uint32_t, const QuorvaneFrameType*, QuorvaneFrameType*, uint32_t*, uint32_t*) { return -99; }
int quorvane_compress_begin(uint32_t, const QuorvaneFrameType*, QuorvaneFrameType*, const uint8_t**, uint32_t*, uint32_t*) { return -99; }
int quorvane_compress(uint32_t, const QuorvaneFrameData*, void*, uint32_t*) { return -99; }
int quorvane_compress_end(uint32_t) { return -99; }
int quorvane_decompress_query(uint32_t, const void*, uint32_t, QuorvaneFrameType*, QuorvaneFrameType*) { return -99; }
int quorvane_decompress_begin(uint32_t, const void*, uint32_t, QuorvaneFrameType*, QuorvaneFrameType*) { return -99; }
int quorvane_decompress(uint32_t, const void*, uint32_t, const QuorvaneFrameData*) { return -99; }
int quorvane_decompress_end(uint32_t) { return -99; }

} // extern "C"
