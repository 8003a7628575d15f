#pragma once
// The codec instances behind the interface's handles, and the one process-wide library object
// that owns them.

#include "codec/QuorvaneEngine.h"
#include "codec/quorvane.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct QuorvaneCodecInternal {
    enum State : int { kIdle = 0, kCompressing = 1, kDecompressing = 2 };

    explicit QuorvaneCodecInternal(uint32_t h) : handle(h), engine(true, true) {}

    uint32_t handle;
    std::recursive_mutex mutex; // held for the whole of every call on the handle
    Quorvane engine;
    Quorvane::CompressInfo info;
    int state = kIdle;
    std::vector<uint8_t> header; // the stream's format header, valid until the next begin
};

// Finds a handle under the library lock. The instance is shared, so a close racing a call on
// the same handle frees it only when that call returns. rc receives -2, -4 or 0.
std::shared_ptr<QuorvaneCodecInternal> quorvane_lookup(uint32_t handle, int& rc);
