// Texts of the codec's records for error messages: "null" for a null pointer, addresses as "0x"
// and lower-case hex, numbers in decimal, codes followed by their names.
#pragma once

#include <string>

#include "codec/quorvane.h"

namespace codectext {

std::string pointer(const void* p);                      // "0x7f..." or "null"
std::string frameTypeCode(unsigned code);                 // "BGRA(2)"
std::string paramId(int param);                           // "SUPPORTS_FLIP(7)"
std::string data(const QuorvaneData* data);               // "{0x...,32}"
std::string frameType(const QuorvaneFrameType* type);     // "{w,h,NAME(code)}" or the extended form
std::string frameData(const QuorvaneFrameData* frame);    // "{{p,stride,size},...}"
std::string outValue(const unsigned* value);              // "{0x...,value}"

} // namespace codectext
