// The stand-in editor's own pixel work: rendering an input picture into a frame of a host pixel
// format, and reading a host frame back into a picture, as the editor converts between its
// formats. RGB formats carry 8-bit values unchanged (10-bit ones scaled by 1023/255, 16-bit ones
// in the host's 0..32768 range); YUV formats are limited-range BT.601 or BT.709 (v210 at 10 bits),
// 4:2:2 ones with the average chroma of each pair.
#pragma once

#include <string>

#include "sdk/PrSDKPixelFormat.h"
#include "tools/quorvane_host/Pictures.h"
#include "tools/standin_host/Images.h"

namespace qhost {

// "bgrx" for PrPixelFormat_BGRX_4444_8u: the code's four characters, lowest byte first.
std::string formatName(PrPixelFormat format);
// The code named by four characters; PrPixelFormat_Invalid for anything else.
PrPixelFormat parseFormat(const std::string& name);

// Whether this program can render into and read from frames of the format.
bool hostHandles(PrPixelFormat format);
bool formatHasAlpha(PrPixelFormat format);
// RGB formats keep 8-bit RGB values exactly; YUV ones do not.
bool formatIsRgb(PrPixelFormat format);

// The picture in the format, top row first, packed rows. Frames without alpha in the format get
// their fourth byte at full value; pictures without alpha are opaque. Throws std::invalid_argument
// for a format hostHandles() refuses.
standin::Image toHostImage(const Picture& picture, PrPixelFormat format);
// The frame as an RGB picture, RGBA when the format has alpha.
Picture fromHostImage(const standin::Image& image);

} // namespace qhost
