#pragma once
// Colour values are 0x00BBGGRR: red in the low byte.

#include <array>
#include <cstdint>

using TColor = uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b)
{
    return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr uint8_t GetRed(TColor c) { return c & 0xFF; }
constexpr uint8_t GetGreen(TColor c) { return (c >> 8) & 0xFF; }
constexpr uint8_t GetBlue(TColor c) { return (c >> 16) & 0xFF; }

// The fixed sixteen-entry palette. Entry 3 repeats entry 11 (full cyan) and
// every index above 15 is pure blue, as the pictures have always shown them.
constexpr std::array<TColor, 16> SixteenColors = {
    RGB(0, 0, 0),       RGB(0, 0, 128),   RGB(0, 128, 0),   RGB(0, 255, 255),
    RGB(128, 0, 0),     RGB(128, 0, 128), RGB(128, 128, 0), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(0, 0, 255),   RGB(0, 255, 0),   RGB(0, 255, 255),
    RGB(255, 0, 0),     RGB(255, 0, 255), RGB(255, 255, 0), RGB(255, 255, 255),
};

constexpr TColor PaletteColor(uint8_t index)
{
    return index < SixteenColors.size() ? SixteenColors[index] : RGB(0, 0, 255);
}
