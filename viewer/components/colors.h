#pragma once

// Colours as the viewer keeps them: 24-bit values with red in the low byte,
// green in the middle byte and blue in the high byte. They are turned into
// toolkit colours only where something is drawn.

#include <cstdint>

namespace viewer {

using TColor = std::uint32_t;

constexpr TColor RGBColor(int r, int g, int b)
{
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int ColorRed(TColor c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int ColorGreen(TColor c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int ColorBlue(TColor c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

} // namespace viewer
