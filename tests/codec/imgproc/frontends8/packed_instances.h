#pragma once
// Every 4-byte and 3-byte packed frontend instance as a run-time record, from the same lists as
// the classes, with the scalar per-pixel reference of its algorithm.

#include "codec/imgproc/frontends8/TImgProcFrontend24.h"
#include "codec/imgproc/frontends8/TImgProcFrontend32.h"

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace qtest {

struct PackedInstance {
    std::string name;
    int np;
    int bytes;
    bool lossless;
    int roundTrip; // largest per-channel error of a split then join (0: exact)
    int pos[4];
    std::unique_ptr<ImgProcFrontend> (*make)();
    void (*split_ref)(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*, uint8_t*);
    void (*join_ref)(uint8_t*, int, const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*);
};

template <class F>
std::unique_ptr<ImgProcFrontend> make_frontend()
{
    return std::make_unique<F>();
}

template <class Algo>
constexpr int round_trip_error()
{
    if constexpr (Algo::kLossless)
        return 0;
    else
        return std::is_same_v<typename Algo::Matrix, Rec601_Full> ? 1 : 2;
}

inline const std::vector<PackedInstance>& packed_instances()
{
    static const std::vector<PackedInstance> all = [] {
        std::vector<PackedInstance> v;
#define QV_ROW32(NP, A, B, C, D, ALGO)                                                                         \
    v.push_back({"Frontend32<" #NP "," #A #B #C #D "," #ALGO ">", NP, 4, ALGO::kLossless,                      \
                 round_trip_error<ALGO>(), {A, B, C, D},                                                       \
                 &make_frontend<TImgProcFrontend32<NP, QV_DECORR4_T(A, B, C, D, ALGO)>>,                       \
                 &decorrsplit_scalar<NP, QV_DECORR4_T(A, B, C, D, ALGO)>,                                      \
                 &undecorrjoin_scalar<NP, QV_DECORR4_T(A, B, C, D, ALGO)>});
#define QV_ROW24(NP, A, B, C, ALGO)                                                                            \
    v.push_back({"Frontend24<" #NP "," #A #B #C "," #ALGO ">", NP, 3, ALGO::kLossless,                         \
                 round_trip_error<ALGO>(), {A, B, C, 3},                                                       \
                 &make_frontend<TImgProcFrontend24<NP, QV_DECORR3_T(A, B, C, ALGO)>>,                          \
                 &decorrsplit_scalar<NP, QV_DECORR3_T(A, B, C, ALGO)>,                                         \
                 &undecorrjoin_scalar<NP, QV_DECORR3_T(A, B, C, ALGO)>});
        QV_FOR_EACH_DECORR32(QV_ROW32)
        QV_FOR_EACH_DECORR24(QV_ROW24)
#undef QV_ROW32
#undef QV_ROW24
        return v;
    }();
    return all;
}

} // namespace qtest
