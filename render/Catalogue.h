#pragma once
// The Fractal menu's 27 generators and the View menu's eight drawing sizes, in
// menu order: the menus, the batch renderer and the tests all read these tables.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "Generators.h"

struct TFractalEntry {
    const char* MenuItem;        // "Mandel1"
    const char* Caption;         // "Simple Mandel"
    const char* Submenu;         // "Mandel set", "Julia set" or "" (directly under "Fractal")
    const char* Hint;            // "Draw simple mandel"
    TFractalProc Generator;      // DrawSimpleMandel
    bool SeparatorAfter = false; // a separator follows the item in its submenu
};

struct TDrawingSize {
    const char* MenuItem; // "N320x2401"
    const char* Caption;  // "320x240"
    const char* Hint;
    int32_t Width, Height;
    bool SeparatorBefore = false;
};

std::span<const TFractalEntry> FractalCatalogue();
std::span<const TDrawingSize> DrawingSizes();

// A caption compared without regard to case, blanks and dots: "simplemandel",
// "Julia Cos" and "custom" find their entries. nullptr when none matches.
const TFractalEntry* FindFractal(std::string_view name);
// The caption without blanks and dots ("SimpleMandel", "Custom"), for file names.
std::string CompactCaption(std::string_view caption);
