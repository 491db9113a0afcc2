#pragma once
// A colour as plain bytes, so engines that only name colours (list and status
// backgrounds, button flashes) need no GUI library; the window turns it into
// a QColor where it paints.
#include <cstdint>

namespace zv {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// A colour given as &HBBGGRR: &HFF is red, &HFF00 green, &HC0C0 olive.
constexpr Rgb rgbFromBgr(unsigned bgr)
{
    return Rgb{static_cast<std::uint8_t>(bgr & 0xFF), static_cast<std::uint8_t>((bgr >> 8) & 0xFF),
               static_cast<std::uint8_t>((bgr >> 16) & 0xFF)};
}

static_assert(rgbFromBgr(0xC0C0) == Rgb{0xC0, 0xC0, 0x00});

} // namespace zv
