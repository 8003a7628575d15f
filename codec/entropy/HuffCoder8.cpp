#include "codec/entropy/HuffCoderT.h"

template class HuffCoderT<unsigned char, unsigned short, 8u, 12u, 12u>;

HuffCoder8::HuffCoder8() { pairMode = true; }
HuffCoder8::~HuffCoder8() = default;
