#pragma once
// Every high-bit-depth frontend class instance, with a readable name, for tests that sweep them.

#include "codec/imgproc/frontends_hbd/TImgProcFrontend48.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend64.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontendFloat4.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_Bayer_12_Packed.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_GBRXP.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_Px1x.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_R210_R10K.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_V210_V410.h"
#include "codec/imgproc/frontends_hbd/TImgProcFrontend_YUVP.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hbdtest {

enum class Family { F64, V410, V210, Px1x, YUVP, Float4, Bayer, GBRXP, R210, F48 };

struct FrontendEntry {
    std::string name;
    Family family;
    std::function<std::unique_ptr<ImgProcFrontend>()> make;
};

inline const std::vector<FrontendEntry>& all_frontends()
{
    static const std::vector<FrontendEntry> list = [] {
        std::vector<FrontendEntry> v;
        const auto add = [&v]<class T>(std::string name, Family f) {
            v.push_back({std::move(name), f, [] { return std::unique_ptr<ImgProcFrontend>(new T); }});
        };
#define HBD_ADD(F, ...) add.template operator()<__VA_ARGS__>(#__VA_ARGS__, Family::F);
#define HBD_ADD64(C, N, O) HBD_ADD(F64, TImgProcFrontend64<C, N, O>)
        HBD_FRONTEND64_INSTANCES(HBD_ADD64)
        HBD_ADD(V410, TImgProcFrontend_V410<false>)
        HBD_ADD(V410, TImgProcFrontend_V410<true>)
        HBD_ADD(V210, TImgProcFrontend_V210<false>)
        HBD_ADD(V210, TImgProcFrontend_V210<true>)
#define HBD_ADDPX(B, H, V, L) HBD_ADD(Px1x, TImgProcFrontend_Px1x<B, H, V, L>)
        HBD_FRONTEND_PX1X_INSTANCES(HBD_ADDPX)
#define HBD_ADDYUVP(S, C, P, H, V, L) HBD_ADD(YUVP, TImgProcFrontend_YUVP<S, C, P, H, V, L>)
        HBD_FRONTEND_YUVP_INSTANCES(HBD_ADDYUVP)
#define HBD_ADDF(C, N) HBD_ADD(Float4, TImgProcFrontendFloat4<C, N>)
        HBD_FRONTEND_FLOAT4_INSTANCES(HBD_ADDF)
        HBD_ADD(Bayer, TImgProcFrontend_Bayer_12_Packed<111>)
        HBD_ADD(Bayer, TImgProcFrontend_Bayer_12_Packed<222>)
        HBD_ADD(Bayer, TImgProcFrontend_Bayer_12_Packed<333>)
#define HBD_ADDGBR(I, O, A) HBD_ADD(GBRXP, TImgProcFrontend_GBRXP<I, O, A>)
        HBD_FRONTEND_GBRXP_INSTANCES(HBD_ADDGBR)
        HBD_ADD(R210, TImgProcFrontend_R210_R10K<false, false>)
        HBD_ADD(R210, TImgProcFrontend_R210_R10K<true, false>)
        HBD_ADD(R210, TImgProcFrontend_R210_R10K<false, true>)
        HBD_ADD(R210, TImgProcFrontend_R210_R10K<true, true>)
#define HBD_ADD48(N, L) HBD_ADD(F48, TImgProcFrontend48<N, L>)
        HBD_FRONTEND48_INSTANCES(HBD_ADD48)
#undef HBD_ADD
#undef HBD_ADD64
#undef HBD_ADDPX
#undef HBD_ADDYUVP
#undef HBD_ADDF
#undef HBD_ADDGBR
#undef HBD_ADD48
        return v;
    }();
    return list;
}

} // namespace hbdtest
