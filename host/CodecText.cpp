#include "host/CodecText.h"

#include <cinttypes>
#include <cstdio>

namespace codectext {

std::string pointer(const void* p)
{
    if (p == nullptr)
        return "null";
    char text[32];
    std::snprintf(text, sizeof text, "0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(p));
    return text;
}

std::string frameTypeCode(unsigned code)
{
    return std::string(quorvane_get_string(QUORVANE_STRING_FRAME_TYPE, int(code))) + "(" +
           std::to_string(code) + ")";
}

std::string paramId(int param)
{
    return std::string(quorvane_get_string(QUORVANE_STRING_PARAM, param)) + "(" + std::to_string(param) + ")";
}

std::string data(const QuorvaneData* d)
{
    if (d == nullptr)
        return "null";
    return "{" + pointer(d->data) + "," + std::to_string(d->size) + "}";
}

std::string frameType(const QuorvaneFrameType* t)
{
    if (t == nullptr)
        return "null";
    const std::string head = "{" + std::to_string(t->width) + "," + std::to_string(t->height) + "," +
                             frameTypeCode(t->type) + "}";
    if (t->type != QUORVANE_FRAME_EXTENDED)
        return head;
    // The record is really the extended one: the pointer was handed to the codec as such.
    const auto* ex = reinterpret_cast<const QuorvaneFrameTypeEx*>(t);
    return "{" + head + "," + std::to_string(ex->version) + "," + frameTypeCode(ex->type) + "," +
           std::to_string(ex->flags) + "," +
           quorvane_get_string(QUORVANE_STRING_COLOR_SPACE, int(ex->colorSpace)) + "(" +
           std::to_string(ex->colorSpace) + ")," + std::to_string(ex->range) + "," +
           std::to_string(ex->fieldType) + "}";
}

std::string frameData(const QuorvaneFrameData* f)
{
    if (f == nullptr)
        return "null";
    std::string text = "{";
    for (int k = 0; k < 4; ++k) {
        const QuorvanePlane& p = f->planes[k];
        if (k != 0)
            text += ",";
        text += "{" + pointer(p.data) + "," + std::to_string(static_cast<uint32_t>(p.stride)) + "," +
                std::to_string(p.size) + "}";
    }
    return text + "}";
}

std::string outValue(const unsigned* value)
{
    if (value == nullptr)
        return "null";
    return "{" + pointer(value) + "," + std::to_string(*value) + "}";
}

} // namespace codectext
