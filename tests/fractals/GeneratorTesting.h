#pragma once
// Running generators the way a render does, and counting random draws.

#include <cstdint>
#include <set>

#include "Generators.h"
#include "Random.h"
#include "RasterTesting.h"

// Prepares the raster as a render does, seeds the random generator and runs
// the generator with the given pen.
inline void RenderWith(TBitmap& raster, TFractalProc generator, int32_t width, int32_t height, uint32_t seed = 1,
                       TColor pen = clWhite)
{
    PrepareRaster(raster, width, height);
    raster.Canvas().Pen.Color = pen;
    RandomSeed = seed;
    generator(raster);
}

// How many numbers a run drew: the number of Random calls that lead from the
// seed at entry to the seed at exit (the step does not depend on n).
inline int64_t DrawsBetween(uint32_t before, uint32_t after, int64_t limit = 50'000'000)
{
    const uint32_t saved = RandomSeed;
    RandomSeed = before;
    int64_t draws = 0;
    while (RandomSeed != after && draws <= limit) {
        Random(1);
        ++draws;
    }
    RandomSeed = saved;
    return draws;
}

inline int64_t DrawsOf(TFractalProc generator, int32_t width, int32_t height, uint32_t seed = 99)
{
    TBitmap raster;
    RenderWith(raster, generator, width, height, seed);
    return DrawsBetween(seed, RandomSeed);
}

inline std::set<TColor> ColoursOf(const TBitmap& raster)
{
    std::set<TColor> colours;
    for (int32_t y = 0; y < raster.Height(); ++y)
        for (int32_t x = 0; x < raster.Width(); ++x) colours.insert(PixelAt(raster, x, y));
    return colours;
}

inline std::set<TColor> PaletteEntries(int from, int to)
{
    std::set<TColor> colours;
    for (int i = from; i <= to; ++i) colours.insert(PaletteColor(static_cast<uint8_t>(i)));
    return colours;
}

inline bool IsSubset(const std::set<TColor>& a, const std::set<TColor>& b)
{
    for (TColor c : a)
        if (!b.count(c)) return false;
    return true;
}

inline int64_t CountPainted(const TBitmap& raster)
{
    return CountPixels(raster, [](TColor c) { return c != clBlack; });
}

// True when the first raster equals the top-left part of the second.
inline bool IsTopLeftOf(const TBitmap& part, const TBitmap& whole)
{
    if (part.Width() > whole.Width() || part.Height() > whole.Height()) return false;
    for (int32_t y = 0; y < part.Height(); ++y)
        for (int32_t x = 0; x < part.Width(); ++x)
            if (PixelAt(part, x, y) != PixelAt(whole, x, y)) return false;
    return true;
}
