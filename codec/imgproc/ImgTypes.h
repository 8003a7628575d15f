#pragma once
// Plane views that cross the codec's inner interfaces (engine, frontends, converters, backends).

#include <cstdint>

// One plane: row r starts at ptr + r * stride. A negative stride walks the plane bottom-up;
// a null ptr marks a plane that the layout does not have.
struct ImgPlane {
    uint8_t* ptr = nullptr;
    int32_t stride = 0;

    uint8_t* row(int r) const { return ptr + static_cast<intptr_t>(r) * stride; }
};

// Exactly four plane slots; unused slots hold {nullptr, 0}.
struct ImgFrame {
    ImgPlane planes[4];

    ImgPlane& operator[](int i) { return planes[i]; }
    const ImgPlane& operator[](int i) const { return planes[i]; }
};

// The row band of one block: first row and number of rows.
struct BlockRect {
    int32_t first = 0;
    int32_t rows = 0;
};
