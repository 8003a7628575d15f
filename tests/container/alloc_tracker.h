#pragma once
// Heap use of the test program, counted by its replacement of the global new and delete.

#include <cstddef>

namespace qtest {
size_t heap_live();
size_t heap_peak();
void heap_reset_peak();
} // namespace qtest
