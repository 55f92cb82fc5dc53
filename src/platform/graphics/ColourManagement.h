#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace vd {

// Turns sRGB colours into the colours of another RGB profile, so that a picture drawn in sRGB
// looks the same once it is part of a photo that carries that profile (relative colorimetric:
// colours both can show are kept exactly).
class SrgbConversion {
public:
    ~SrgbConversion();
    SrgbConversion(const SrgbConversion&) = delete;
    SrgbConversion& operator=(const SrgbConversion&) = delete;

    // The conversion into an ICC profile; none when the profile is empty, unreadable, not RGB,
    // or sRGB itself (nothing to convert).
    static std::unique_ptr<SrgbConversion> into(std::span<const std::uint8_t> iccProfile);

    // Converts premultiplied ARGB32 pixels in place; alpha stays.
    void convertPremultiplied(std::span<std::uint32_t> pixels) const;
    // One opaque colour, 0xRRGGBB.
    std::uint32_t convert(std::uint32_t rgb) const;

private:
    explicit SrgbConversion(void* transform);
    void* m_transform; // the colour engine's transform, kept out of this header
};

}
