// The library object, handles, instances and parameters.

#include "codec/CodecInstance.h"

#include <cstring>
#include <map>

namespace {

struct QuorvaneLibrary {
    int32_t refCount = 1;
    int32_t lastHandle = 0;
    std::map<int, std::shared_ptr<QuorvaneCodecInternal>> handles;
};

// Reached through a function so that it exists before any other static initialiser can call
// into the codec.
std::recursive_mutex& library_lock()
{
    static std::recursive_mutex lock;
    return lock;
}

QuorvaneLibrary* g_library = nullptr;

// Forces the lock into existence while the module loads.
const bool g_lockMade = (library_lock(), true);

} // namespace

std::shared_ptr<QuorvaneCodecInternal> quorvane_lookup(uint32_t handle, int& rc)
{
    std::lock_guard<std::recursive_mutex> lock(library_lock());
    if (!g_library) {
        rc = QUORVANE_LIBRARY_NOT_INITIALIZED;
        return nullptr;
    }
    auto it = g_library->handles.find(static_cast<int>(handle));
    if (it == g_library->handles.end()) {
        rc = QUORVANE_INVALID_HANDLE;
        return nullptr;
    }
    rc = QUORVANE_OK;
    return it->second;
}

extern "C" {

int quorvane_library_init(void)
{
    std::lock_guard<std::recursive_mutex> lock(library_lock());
    try {
        if (!g_library) g_library = new QuorvaneLibrary;
        else ++g_library->refCount;
    } catch (...) {
        return QUORVANE_ERROR;
    }
    return QUORVANE_OK;
}

void quorvane_library_close(void)
{
    std::lock_guard<std::recursive_mutex> lock(library_lock());
    if (!g_library) return;
    if (--g_library->refCount > 0) return;
    // In ascending handle order, as the map keeps them.
    for (auto& [h, inst] : g_library->handles) inst.reset();
    delete g_library;
    g_library = nullptr;
}

int quorvane_library_ref_count(void)
{
    std::lock_guard<std::recursive_mutex> lock(library_lock());
    return g_library ? g_library->refCount : 0;
}

int quorvane_open(uint32_t* handle)
{
    if (!handle) return QUORVANE_INVALID_ARGUMENT;
    *handle = 0;
    std::lock_guard<std::recursive_mutex> lock(library_lock());
    if (!g_library) return QUORVANE_LIBRARY_NOT_INITIALIZED;
    try {
        const int32_t h = g_library->lastHandle + 1;
        auto inst = std::make_shared<QuorvaneCodecInternal>(static_cast<uint32_t>(h));
        g_library->handles[h] = std::move(inst);
        g_library->lastHandle = h;
        *handle = static_cast<uint32_t>(h);
    } catch (...) {
        return QUORVANE_ERROR;
    }
    return QUORVANE_OK;
}

int quorvane_close(uint32_t handle)
{
    std::shared_ptr<QuorvaneCodecInternal> dying;
    {
        std::lock_guard<std::recursive_mutex> lock(library_lock());
        if (!g_library) return QUORVANE_LIBRARY_NOT_INITIALIZED;
        auto it = g_library->handles.find(static_cast<int>(handle));
        if (it == g_library->handles.end()) return QUORVANE_INVALID_HANDLE;
        dying = std::move(it->second);
        g_library->handles.erase(it);
    }
    // Destroyed here unless a call on the handle is still running; then that call frees it.
    dying.reset();
    return QUORVANE_OK;
}

int quorvane_set_param(uint32_t handle, int param, const void* value, uint32_t size)
{
    int rc;
    auto inst = quorvane_lookup(handle, rc);
    if (!inst) return rc;
    std::lock_guard<std::recursive_mutex> lock(inst->mutex);
    if (!value) return QUORVANE_INVALID_ARGUMENT;
    try {
        int32_t v;
        switch (param) {
        case QUORVANE_PARAM_NUM_THREADS:
            if (size != 4) return QUORVANE_INVALID_PARAM_SIZE;
            std::memcpy(&v, value, 4);
            inst->engine.SetNumThreads(v);
            return QUORVANE_OK;
        case QUORVANE_PARAM_ENABLE_8BIT:
        case QUORVANE_PARAM_ENABLE_HIGH_BIT:
            if (size != 4) return QUORVANE_INVALID_PARAM_SIZE;
            if (inst->state != QuorvaneCodecInternal::kIdle) return QUORVANE_INVALID_STATE;
            std::memcpy(&v, value, 4);
            if (param == QUORVANE_PARAM_ENABLE_8BIT) inst->engine.Set8BitFormatsEnabled(v != 0);
            else inst->engine.SetHighBitFormatsEnabled(v != 0);
            return QUORVANE_OK;
        default: return QUORVANE_INVALID_PARAM;
        }
    } catch (...) {
        return QUORVANE_ERROR;
    }
}

int quorvane_set_param_value(uint32_t handle, int param, uint32_t value)
{
    return quorvane_set_param(handle, param, &value, 4);
}

int quorvane_get_param(uint32_t handle, int param, void* value, uint32_t size)
{
    int rc;
    auto inst = quorvane_lookup(handle, rc);
    if (!inst) return rc;
    std::lock_guard<std::recursive_mutex> lock(inst->mutex);
    if (!value) return QUORVANE_INVALID_ARGUMENT;
    if (param != QUORVANE_PARAM_NUM_THREADS && param != QUORVANE_PARAM_SUPPORTS_FLIP &&
        param != QUORVANE_PARAM_SUPPORTS_16U_MAX_32768 && param != QUORVANE_PARAM_DEFAULT_FORMAT)
        return QUORVANE_INVALID_PARAM;
    if (size != 4) return QUORVANE_INVALID_PARAM_SIZE;
    int32_t in;
    std::memcpy(&in, value, 4);
    int32_t out = 0;
    int result = QUORVANE_OK;
    bool missing = false;
    switch (param) {
    case QUORVANE_PARAM_NUM_THREADS: out = inst->engine.GetNumThreads(); break;
    case QUORVANE_PARAM_SUPPORTS_FLIP:
        out = inst->engine.CanFlip(in, &missing) ? 1 : 0;
        if (missing) result = QUORVANE_INVALID_FORMAT;
        break;
    case QUORVANE_PARAM_SUPPORTS_16U_MAX_32768:
        out = inst->engine.SupportsAdobe16uRange(in, &missing) ? 1 : 0;
        if (missing) result = QUORVANE_INVALID_FORMAT;
        break;
    default: out = inst->engine.GetDefaultFormat(in); break;
    }
    std::memcpy(value, &out, 4);
    return result;
}

QuorvaneFrameType QuorvaneFrameTypeAny(void)
{
    QuorvaneFrameType t = {0, 0, QUORVANE_FRAME_ANY, 0};
    return t;
}

} // extern "C"
