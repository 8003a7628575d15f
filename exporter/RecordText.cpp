#include "exporter/RecordText.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace exporter {

void writeUtf16Field(void* field, const Utf16String& text, std::size_t units)
{
    if (field == nullptr || units == 0)
        return;
    const std::size_t n = std::min(text.size(), units - 1);
    unsigned char* out = static_cast<unsigned char*>(field);
    std::memcpy(out, text.data(), n * sizeof(unsigned short));
    const unsigned short zero = 0;
    std::memcpy(out + n * sizeof(unsigned short), &zero, sizeof zero);
}

void writeWideLiteralField(void* field, const wchar_t* text, std::size_t units)
{
    // copyConvertStringLiteralIntoUTF16 writes length + 1 units; the constants we hand it are
    // short, but a field is never written past its size.
    const std::size_t length = std::wcslen(text);
    std::vector<unsigned short> buffer(2 * length + 1, 0);
    copyConvertStringLiteralIntoUTF16(text, buffer.data());
    writeUtf16Field(field, Utf16String(buffer.data()), units);
}

Utf16String wideToUtf16(const std::wstring& text) { return utf8_to_utf16(utf8_encode(text)); }

} // namespace exporter
