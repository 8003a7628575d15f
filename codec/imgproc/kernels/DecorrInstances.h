#pragma once
// The one list of packed-pixel instances. Kernels, frontends, tests and benchmarks expand these
// lists, so an instance exists everywhere or nowhere.
//
// 4-byte pixels: X(NP, a, b, c, d, Algo)     3-byte pixels: X(NP, a, b, c, Algo)
// a..d are the byte positions of C0..C3 (R, G, B, A or Y, U, V, A).

#include "codec/imgproc/kernels/DecorrAlgos.h"

// The four byte orders of 4-byte RGB(A): RGBA, ARGB, BGRA, ABGR (the same for RGBX .. XBGR).
#define QV_DECORR32_RGB_ORDERS(X, NP, ALGO)                                                                    \
    X(NP, 0, 1, 2, 3, ALGO)                                                                                    \
    X(NP, 1, 2, 3, 0, ALGO)                                                                                    \
    X(NP, 2, 1, 0, 3, ALGO)                                                                                    \
    X(NP, 3, 2, 1, 0, ALGO)

// Lossless 4-byte instances: RGB(A)/RGBX decorrelation and the packed YUV(A) layouts
// AYUV, VUYA, VUYX (3 and luma only), V408A, V408X (3 and luma only).
#define QV_FOR_EACH_DECORR32_LOSSLESS(X)                                                                       \
    QV_DECORR32_RGB_ORDERS(X, 4, DecorrAlgoRGB)                                                                \
    QV_DECORR32_RGB_ORDERS(X, 3, DecorrAlgoRGB)                                                                \
    X(4, 1, 2, 3, 0, DecorrAlgoYUV)                                                                            \
    X(4, 2, 1, 0, 3, DecorrAlgoYUV)                                                                            \
    X(3, 2, 1, 0, 3, DecorrAlgoYUV)                                                                            \
    X(1, 2, 1, 0, 3, DecorrAlgoYUV)                                                                            \
    X(4, 1, 0, 2, 3, DecorrAlgoYUV)                                                                            \
    X(3, 1, 0, 2, 3, DecorrAlgoYUV)                                                                            \
    X(1, 1, 0, 2, 3, DecorrAlgoYUV)

#define QV_DECORR32_RGBTOYUV_TAG(X, M)                                                                         \
    QV_DECORR32_RGB_ORDERS(X, 4, DecorrAlgoRGBToYUV<M>)                                                        \
    QV_DECORR32_RGB_ORDERS(X, 3, DecorrAlgoRGBToYUV<M>)                                                        \
    QV_DECORR32_RGB_ORDERS(X, 1, DecorrAlgoRGBToYUV<M>)

// RGB(A) to YUV: NP 4, 3, 1 x four byte orders x four matrices.
#define QV_FOR_EACH_DECORR32_RGBTOYUV(X)                                                                       \
    QV_DECORR32_RGBTOYUV_TAG(X, Rec601_Limited)                                                                \
    QV_DECORR32_RGBTOYUV_TAG(X, Rec601_Full)                                                                   \
    QV_DECORR32_RGBTOYUV_TAG(X, Rec709_Limited)                                                                \
    QV_DECORR32_RGBTOYUV_TAG(X, Rec709_Full)

#define QV_FOR_EACH_DECORR32(X)                                                                                \
    QV_FOR_EACH_DECORR32_LOSSLESS(X)                                                                           \
    QV_FOR_EACH_DECORR32_RGBTOYUV(X)

#define QV_DECORR24_RGBTOYUV_TAG(X, M)                                                                         \
    X(3, 0, 1, 2, DecorrAlgoRGBToYUV<M>)                                                                       \
    X(3, 2, 1, 0, DecorrAlgoRGBToYUV<M>)                                                                       \
    X(1, 0, 1, 2, DecorrAlgoRGBToYUV<M>)                                                                       \
    X(1, 2, 1, 0, DecorrAlgoRGBToYUV<M>)

// 3-byte pixels: RGB and BGR (lossless and to YUV), and V308 (bytes V, Y, U).
#define QV_FOR_EACH_DECORR24(X)                                                                                \
    X(3, 0, 1, 2, DecorrAlgoRGB)                                                                               \
    X(3, 2, 1, 0, DecorrAlgoRGB)                                                                               \
    X(3, 1, 2, 0, DecorrAlgoYUV)                                                                               \
    X(1, 1, 2, 0, DecorrAlgoYUV)                                                                               \
    QV_DECORR24_RGBTOYUV_TAG(X, Rec601_Limited)                                                                \
    QV_DECORR24_RGBTOYUV_TAG(X, Rec601_Full)                                                                   \
    QV_DECORR24_RGBTOYUV_TAG(X, Rec709_Limited)                                                                \
    QV_DECORR24_RGBTOYUV_TAG(X, Rec709_Full)

// Descriptor types from list entries.
#define QV_DECORR4_T(A, B, C, D, ALGO) Decorr4<A##u, B##u, C##u, D##u, ALGO>
#define QV_DECORR3_T(A, B, C, ALGO) Decorr3<A##u, B##u, C##u, ALGO>
