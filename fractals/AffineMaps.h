#pragma once
// The map tables of the chaos-game generators, as data. The fixed tables are
// constants; the grid tables name their translations by grid line and are
// built for a run's side length.

#include <array>
#include <cstdint>
#include <span>

#include "ChaosGame.h"

// Fern: thresholds give maps 1 to 4 the shares 1 %, 85 %, 7 %, 7 %.
constexpr std::array<TAffineMap, 4> FernMaps = {{
    {0, 0, 0, 0.16, 0, 0},
    {0.85, 0.04, -0.04, 0.85, 0, 1.6},
    {0.2, -0.26, 0.23, 0.22, 0, 1.6},
    {-0.15, 0.28, 0.26, 0.24, 0, 0.44},
}};
constexpr std::array<TThreshold, 4> FernThresholds = {{{85, 2}, {86, 1}, {93, 3}, {100, 4}}};

// Tree, also Forrest: shares 6 %, 40 %, 40 %, 14 %.
constexpr std::array<TAffineMap, 4> TreeMaps = {{
    {0, 0, 0, 0.5, 0, 0},
    {0.42, -0.42, 0.42, 0.42, 0, 0.2},
    {0.42, 0.42, -0.42, 0.42, 0, 0.2},
    {0.1, 0, 0, 0.1, 0, 0.2},
}};
constexpr std::array<TThreshold, 4> TreeThresholds = {{{40, 2}, {80, 3}, {94, 4}, {100, 1}}};

// Castle, uniform.
constexpr std::array<TAffineMap, 4> CastleMaps = {{
    {0.5, 0, 0, 0.5, 0, 0},
    {0.5, 0, 0, 0.5, 2, 0},
    {0.4, 0, 0, 0.4, 0, 1},
    {0.5, 0, 0, 0.5, 2, 1},
}};

// Clouds and Rock, uniform.
constexpr std::array<TAffineMap, 4> CloudMaps = {{
    {0.5, 0, 0, 0.5, 0, 0},
    {0.5, 0, 0, 0.5, 2, 0},
    {-0.4, 0, 1, 0.4, 0, 1},
    {-0.5, 0, 0, 0.5, 2, 1},
}};

// A translation on the three-by-three grid over a side m: the lines 1,
// m div 2 and m (0 where the mist maps have it).
enum class TGridLine : uint8_t { Zero, One, Half, Side };

struct TGridMap {
    double A, B, C, D;
    TGridLine E, F;
};

namespace grid {
constexpr TGridLine O = TGridLine::Zero, I = TGridLine::One, H = TGridLine::Half, M = TGridLine::Side;
}

// Carpet: eight cells, all but the centre.
constexpr std::array<TGridMap, 8> CarpetGrid = {{
    {0.33, 0, 0, 0.33, grid::I, grid::I},
    {0.33, 0, 0, 0.33, grid::M, grid::I},
    {0.33, 0, 0, 0.33, grid::I, grid::M},
    {0.33, 0, 0, 0.33, grid::M, grid::M},
    {0.33, 0, 0, 0.33, grid::H, grid::I},
    {0.33, 0, 0, 0.33, grid::M, grid::H},
    {0.33, 0, 0, 0.33, grid::I, grid::H},
    {0.33, 0, 0, 0.33, grid::H, grid::M},
}};

// Maze: six cells.
constexpr std::array<TGridMap, 6> MazeGrid = {{
    {0.33, 0, 0, 0.33, grid::I, grid::I},
    {0.33, 0, 0, 0.33, grid::H, grid::I},
    {0.33, 0, 0, 0.33, grid::I, grid::H},
    {0.33, 0, 0, 0.33, grid::H, grid::M},
    {0.33, 0, 0, 0.33, grid::M, grid::M},
    {0.33, 0, 0, 0.33, grid::I, grid::M},
}};

// Cross: the four corners and the centre; SnowStar, Galaxy and Fall.
constexpr std::array<TGridMap, 5> CrossGrid = {{
    {0.33, 0, 0, 0.33, grid::I, grid::I},
    {0.33, 0, 0, 0.33, grid::M, grid::I},
    {0.33, 0, 0, 0.33, grid::I, grid::M},
    {0.33, 0, 0, 0.33, grid::M, grid::M},
    {0.33, 0, 0, 0.33, grid::H, grid::H},
}};

// Mist Clouds: the carpet's cells over the height, the first four sheared.
constexpr std::array<TGridMap, 8> MistGrid = {{
    {0.33, 1, 0, 0.33, grid::O, grid::O},
    {0.33, 1, 0, 0.33, grid::M, grid::O},
    {0.33, 1, 0, 0.33, grid::I, grid::M},
    {0.33, 1, 0, 0.33, grid::M, grid::M},
    {0.33, 0, 0, 0.33, grid::H, grid::I},
    {0.33, 0, 0, 0.33, grid::M, grid::H},
    {0.33, 0, 0, 0.33, grid::I, grid::H},
    {0.33, 0, 0, 0.33, grid::H, grid::M},
}};

// The grid maps with their translations for side m, converted to double.
TMapTable GridTable(std::span<const TGridMap> maps, int32_t m);
