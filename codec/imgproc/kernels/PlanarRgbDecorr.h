#pragma once
// Planar RGB decorrelation in place: p0 -= p1 and p2 -= p1 (mod 256) over count samples; p1 is
// left as it is. The planar form of the packed B-G, G, R-G split.

#include <cstdint>

void decorr_rgb_planar_sse(uint8_t* p0, uint8_t* p1, uint8_t* p2, int count);
void decorr_rgb_planar_scalar(uint8_t* p0, uint8_t* p1, uint8_t* p2, int count);
