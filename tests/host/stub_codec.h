#pragma once

#include "codec/quorvane.h"

namespace stubcodec {

struct State {
    int initResult = 0;
    int openResult = 0;
    int references = 0;
    int inits = 0;
    int libraryCloses = 0;
    int closes = 0;
    int openInstances = 0;
    uint32_t lastHandle = 0;
};
extern State state;

} // namespace stubcodec
