#pragma once
// Every converter class the engine binds: the 8-bit chroma converters, grey to colour and back,
// and the 10-bit 4:2:2 <-> 4:2:0 converters.

#include "codec/imgproc/kernels/ImgProcConverter8.h"
#include "codec/imgproc/kernels/TImgProcConverter16.h"
#include "codec/imgproc/kernels/TImgProcConverterLuma.h"
