#include <platform/graphics/ColourManagement.h>

#include <platform/graphics/Image.h>

#include <lcms2.h>

#include <cstdlib>
#include <vector>

namespace vd {

namespace {

// A profile that leaves these colours where they are is sRGB, whatever its name says.
bool isIdentity(cmsHTRANSFORM transform)
{
    static const std::uint8_t probes[][3] = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 128, 128, 128 }, { 250, 200, 30 }, { 20, 90, 160 } };
    constexpr int count = static_cast<int>(sizeof probes / sizeof probes[0]);
    std::uint8_t out[count][3];
    cmsDoTransform(transform, probes, out, count);
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c)
            if (std::abs(static_cast<int>(out[i][c]) - probes[i][c]) > 1)
                return false;
    return true;
}

}

SrgbConversion::SrgbConversion(void* transform)
    : m_transform(transform)
{
}

SrgbConversion::~SrgbConversion()
{
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(m_transform));
}

std::unique_ptr<SrgbConversion> SrgbConversion::into(std::span<const std::uint8_t> iccProfile)
{
    if (iccProfile.empty())
        return nullptr;
    cmsHPROFILE target = cmsOpenProfileFromMem(iccProfile.data(), static_cast<cmsUInt32Number>(iccProfile.size()));
    if (!target)
        return nullptr;
    cmsHTRANSFORM transform = nullptr;
    if (cmsGetColorSpace(target) == cmsSigRgbData) {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        transform = cmsCreateTransform(srgb, TYPE_RGB_8, target, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
        cmsCloseProfile(srgb);
    }
    cmsCloseProfile(target);
    if (!transform)
        return nullptr;
    if (isIdentity(transform)) {
        cmsDeleteTransform(transform);
        return nullptr;
    }
    return std::unique_ptr<SrgbConversion>(new SrgbConversion(transform));
}

std::uint32_t SrgbConversion::convert(std::uint32_t rgb) const
{
    const std::uint8_t in[3] = { static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb) };
    std::uint8_t out[3];
    cmsDoTransform(static_cast<cmsHTRANSFORM>(m_transform), in, out, 1);
    return static_cast<std::uint32_t>(out[0]) << 16 | static_cast<std::uint32_t>(out[1]) << 8 | out[2];
}

void SrgbConversion::convertPremultiplied(std::span<std::uint32_t> pixels) const
{
    // A row of straight colours at a time: the engine converts runs far faster than pixels.
    constexpr size_t kRun = 4096;
    std::vector<std::uint8_t> colours(kRun * 3);
    for (size_t start = 0; start < pixels.size(); start += kRun) {
        const size_t count = std::min(kRun, pixels.size() - start);
        for (size_t i = 0; i < count; ++i) {
            const Rgba8 straight = unpremultiply(pixels[start + i]);
            colours[i * 3] = straight.r;
            colours[i * 3 + 1] = straight.g;
            colours[i * 3 + 2] = straight.b;
        }
        cmsDoTransform(static_cast<cmsHTRANSFORM>(m_transform), colours.data(), colours.data(), static_cast<cmsUInt32Number>(count));
        for (size_t i = 0; i < count; ++i) {
            const std::uint8_t alpha = static_cast<std::uint8_t>(pixels[start + i] >> 24);
            if (alpha != 0)
                pixels[start + i] = premultiply({ colours[i * 3], colours[i * 3 + 1], colours[i * 3 + 2], alpha });
        }
    }
}

}
