#include "codec/ImgProcFrontend.h"

int ImgProcFrontend::get_min_row_size_align(int plane) const
{
    return get_min_row_ptr_align(plane);
}

bool ImgProcFrontend::supports_adobe_16u_range() const
{
    return false;
}

void ImgProcFrontend::calc_split_params(const ImgFrame&, int width, int height, const uint8_t* workbuf,
                                        ImgFrame& dst, bool, bool) const
{
    dst = ImgFrame{};
    const int n = m_backend->get_num_canonical_planes();
    const int pixelSize = m_backend->get_pixel_size();
    // Addresses are computed as integers: the planes are written later through these pointers.
    uintptr_t pos = reinterpret_cast<uintptr_t>(workbuf);
    for (int k = 0; k < n && k < 4; ++k) {
        const int32_t stride = (pixelSize * m_backend->get_cplane_width(k, width) + 15) & ~15;
        const uintptr_t base = ((pos + 1023) & ~uintptr_t(1023)) + 256u * static_cast<unsigned>(k);
        dst[k].ptr = reinterpret_cast<uint8_t*>(base);
        dst[k].stride = stride;
        pos = base + static_cast<uintptr_t>(m_backend->get_cplane_height(k, height)) * static_cast<uintptr_t>(stride);
    }
}
