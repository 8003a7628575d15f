#pragma once
// SIMD split and join kernels for packed 8-bit pixels, 16 pixels per group.
//
// count is the length of the packed run in bytes. A kernel converts whole groups only:
// count / 64 groups of 4-byte pixels, count / 48 groups of 3-byte pixels; a count below 16 (zero
// and negative included) does nothing. Bytes of a partial group are neither read nor written,
// so no count can make a kernel touch memory at or past src + count (dst + count) or past
// count / 4 (count / 3) samples of a plane.
//
// Every pointer that is used must be 16-byte aligned. Planes from NP on are never touched and may
// be null. Splits store planes with ordinary stores (prediction reads them next); joins store the
// packed run with non-temporal stores and no fence: the caller issues one store fence after its
// last join so that the frame is visible to whichever thread reads it next.
//
// The instances are those of DecorrInstances.h; each computes exactly the bytes of the scalar
// functions in DecorrAlgos.h.

#include "codec/imgproc/kernels/DecorrAlgos.h"

#include <cstdint>

template <int NP, class D>
void decorrsplit32_sse(const uint8_t* src, int count, uint8_t* p0, uint8_t* p1, uint8_t* p2, uint8_t* p3);

template <int NP, class D>
void undecorrjoin32_sse(uint8_t* dst, int count, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2,
                        const uint8_t* p3);

template <int NP, class D>
void decorrsplit24_sse(const uint8_t* src, int count, uint8_t* p0, uint8_t* p1, uint8_t* p2);

template <int NP, class D>
void undecorrjoin24_sse(uint8_t* dst, int count, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2);
