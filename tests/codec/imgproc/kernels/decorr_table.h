#pragma once
// Every packed-pixel kernel instance as a run-time record, built from the same list as the
// kernels, so that a test loops over all of them with one signature (3-byte kernels ignore p3).

#include "codec/imgproc/kernels/DecorrInstances.h"
#include "codec/imgproc/kernels/DecorrKernels.h"

#include <string>
#include <vector>

namespace qtest {

using SplitFn = void (*)(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*, uint8_t*);
using JoinFn = void (*)(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*);

struct DecorrInstance {
    std::string name;
    int np;
    int bytes; // per packed pixel
    bool lossless;
    int pos[4]; // byte positions of C0..C3 (C3 of a 3-byte pixel: none, 3)
    SplitFn split_sse, split_ref;
    JoinFn join_sse, join_ref;
};

template <int NP, class D>
void split24_sse4(const uint8_t* s, int n, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t*)
{
    decorrsplit24_sse<NP, D>(s, n, p0, p1, p2);
}
template <int NP, class D>
void join24_sse4(uint8_t* d, int n, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2, const uint8_t*)
{
    undecorrjoin24_sse<NP, D>(d, n, p0, p1, p2);
}
// The scalar twins with the kernels' argument: a whole number of packed bytes.
template <int NP, class D>
void split_ref(const uint8_t* s, int count, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3)
{
    decorrsplit_scalar<NP, D>(s, count / D::kBytes, p0, p1, p2, p3);
}
template <int NP, class D>
void join_ref(uint8_t* d, int count, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2, const uint8_t* p3)
{
    undecorrjoin_scalar<NP, D>(d, count / D::kBytes, p0, p1, p2, p3);
}

inline const std::vector<DecorrInstance>& decorr_instances()
{
    static const std::vector<DecorrInstance> all = [] {
        std::vector<DecorrInstance> v;
#define QV_ROW32(NP, A, B, C, D, ALGO)                                                                         \
    v.push_back({"decorr32<" #NP "," #A #B #C #D "," #ALGO ">", NP, 4, ALGO::kLossless, {A, B, C, D},          \
                 &decorrsplit32_sse<NP, QV_DECORR4_T(A, B, C, D, ALGO)>,                                       \
                 &split_ref<NP, QV_DECORR4_T(A, B, C, D, ALGO)>,                                               \
                 &undecorrjoin32_sse<NP, QV_DECORR4_T(A, B, C, D, ALGO)>,                                      \
                 &join_ref<NP, QV_DECORR4_T(A, B, C, D, ALGO)>});
#define QV_ROW24(NP, A, B, C, ALGO)                                                                            \
    v.push_back({"decorr24<" #NP "," #A #B #C "," #ALGO ">", NP, 3, ALGO::kLossless, {A, B, C, 3},             \
                 &split24_sse4<NP, QV_DECORR3_T(A, B, C, ALGO)>, &split_ref<NP, QV_DECORR3_T(A, B, C, ALGO)>, \
                 &join24_sse4<NP, QV_DECORR3_T(A, B, C, ALGO)>, &join_ref<NP, QV_DECORR3_T(A, B, C, ALGO)>});
        QV_FOR_EACH_DECORR32(QV_ROW32)
        QV_FOR_EACH_DECORR24(QV_ROW24)
#undef QV_ROW32
#undef QV_ROW24
        return v;
    }();
    return all;
}

} // namespace qtest
