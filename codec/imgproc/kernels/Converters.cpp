// Explicit instantiations of the converter templates.

#include "codec/imgproc/kernels/Converters.h"

template class TImgProcConverter_4xx_to_400<unsigned char, 8, 3, 1, 1>;
template class TImgProcConverter_4xx_to_400<unsigned char, 8, 3, 2, 2>;
template class TImgProcConverter_400_to_4xx<unsigned char, 8, 3, 1, 1>;
template class TImgProcConverter_400_to_4xx<unsigned char, 8, 3, 2, 2>;
template class TImgProcConverter16_422_to_420<10>;
template class TImgProcConverter16_420_to_422<10>;
