#pragma once
// Colours are 32-bit values laid out as 0x00BBGGRR: red in the low byte,
// then green, then blue (255 is red, 65535 yellow).
#include <cstdint>

namespace kinevo {

using TColor = uint32_t;

constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr uint8_t RedOf(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GreenOf(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

namespace colors {
constexpr TColor Black = 0x000000;
constexpr TColor White = 0xFFFFFF;
constexpr TColor Red = 0x0000FF;
constexpr TColor Lime = 0x00FF00;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Yellow = 0x00FFFF;
constexpr TColor Fuchsia = 0xFF00FF;
constexpr TColor Aqua = 0xFFFF00;
constexpr TColor Gray = 0x808080;
constexpr TColor Silver = 0xC0C0C0;
constexpr TColor Maroon = 0x000080;
constexpr TColor Green = 0x008000;
constexpr TColor Navy = 0x800000;
constexpr TColor Olive = 0x008080;
constexpr TColor Purple = 0x800080;
constexpr TColor Teal = 0x808000;
// The platform's button-face colour.
constexpr TColor BtnFace = 0xF0F0F0;
}  // namespace colors

}  // namespace kinevo
