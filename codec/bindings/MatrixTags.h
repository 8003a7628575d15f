#pragma once
// The four RGB-to-YUV matrix tags and a holder that keeps one frontend per tag side by side.
// The binding map picks one tag per stream (BT.601 or BT.709, limited or full range); the other
// three objects stay idle until a rebuild picks theirs. The tags are completed by the colour
// kernels; here they only name template arguments.

#include "codec/ImgProcFrontend.h"

struct Rec601_Limited;
struct Rec601_Full;
struct Rec709_Limited;
struct Rec709_Full;

enum MatrixTagIndex : int { kRec601Limited = 0, kRec601Full = 1, kRec709Limited = 2, kRec709Full = 3 };

// Colour space 1 selects BT.601; every other value selects BT.709.
constexpr int matrix_tag_index(int colorSpace, bool fullRange)
{
    return (colorSpace == 1 ? kRec601Limited : kRec709Limited) + (fullRange ? 1 : 0);
}

template <template <class> class F>
struct MatrixSet {
    F<Rec601_Limited> rec601Limited;
    F<Rec601_Full> rec601Full;
    F<Rec709_Limited> rec709Limited;
    F<Rec709_Full> rec709Full;

    ImgProcFrontend* pick(int tag)
    {
        switch (tag) {
        case kRec601Limited: return &rec601Limited;
        case kRec601Full: return &rec601Full;
        case kRec709Full: return &rec709Full;
        default: return &rec709Limited;
        }
    }
};
