// Texts and values moved into and out of the host's packed records. Fields of packed records may
// sit at any address, so everything goes through memcpy rather than typed pointers.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "host/TextUtil.h"

namespace exporter {

// Writes text as 0-terminated UTF-16 into a field of `units` units, cut to units - 1 when longer.
void writeUtf16Field(void* field, const Utf16String& text, std::size_t units);

// A wide constant text, converted the way the host's fixed fields take it.
void writeWideLiteralField(void* field, const wchar_t* text, std::size_t units);

Utf16String wideToUtf16(const std::wstring& text);

template <typename T>
T loadField(const void* record, std::size_t offset)
{
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}

template <typename T>
void storeField(void* record, std::size_t offset, const T& value)
{
    std::memcpy(static_cast<unsigned char*>(record) + offset, &value, sizeof value);
}

} // namespace exporter
