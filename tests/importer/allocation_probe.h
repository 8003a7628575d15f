// The largest single allocation made through operator new since the last reset, by the program or
// by the plug-in modules loaded into it: they take operator new from the program, which replaces it
// with one that takes note of the size.
#pragma once

#include <cstddef>

namespace qtest::allocations {

void reset();
std::size_t largest();

} // namespace qtest::allocations
