#include "codec/entropy/HuffCoderT.h"

template class HuffCoderT<unsigned short, unsigned int, 10u, 14u, 11u>;
template class HuffCoderT<unsigned short, unsigned int, 12u, 16u, 12u>;
template class HuffCoderT<unsigned short, unsigned int, 14u, 18u, 12u>;

HuffCoder10::~HuffCoder10() = default;
HuffCoder12::~HuffCoder12() = default;
HuffCoder14::~HuffCoder14() = default;
