// Texts of the interface's codes, generated from the lists in codec/quorvane.h.

#include "codec/quorvane.h"

namespace {

const char* frame_type_name(int value)
{
    if (value == 0) return "UNKNOWN";
    switch (value) {
#define QUORVANE_X_(name, code, has_text) \
    case code: return has_text ? #name : "????";
        QUORVANE_FRAME_TYPES(QUORVANE_X_)
#undef QUORVANE_X_
    default: return "????";
    }
}

const char* result_name(int value)
{
    switch (value) {
#define QUORVANE_X_(name, code) \
    case code: return #name;
        QUORVANE_RESULTS(QUORVANE_X_)
#undef QUORVANE_X_
    default: return "UNKNOWN";
    }
}

} // namespace

extern "C" const char* quorvane_get_string(int kind, int value)
{
    switch (kind) {
    case QUORVANE_STRING_FRAME_TYPE: return frame_type_name(value);
    case QUORVANE_STRING_RESULT: return result_name(value);
    case QUORVANE_STRING_COLOR_SPACE: return value == 1 ? "BT601" : value == 2 ? "BT709" : "UNKNOWN";
    case QUORVANE_STRING_PARAM:
        switch (value) {
        case QUORVANE_PARAM_NUM_THREADS: return "NUM_THREADS";
        case QUORVANE_PARAM_SUPPORTS_FLIP: return "SUPPORTS_FLIP";
        case QUORVANE_PARAM_SUPPORTS_16U_MAX_32768: return "SUPPORTS_16U_MAX_32768";
        default: return "UNKNOWN";
        }
    default: return "";
    }
}
