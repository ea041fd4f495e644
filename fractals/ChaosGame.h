#pragma once
// The chaos-game engine that the twelve affine-map generators share: one point
// is moved again and again by a map of a small table chosen at random, and the
// positions it reaches after a short run-in are painted.
//
// Every named real is a stored double; each right-hand side is evaluated in
// long double and rounded once when stored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "Numeric.h"
#include "Random.h"

// x' = A x + B y + E, y' = C x' + D y + F.
struct TAffineMap {
    double A, B, C, D, E, F;
};

// A run's table of 4 to 8 maps, numbered from 1 in the tables: map k is Maps[k - 1].
struct TMapTable {
    std::array<TAffineMap, 8> Maps{};
    int32_t Count = 0;

    TMapTable() = default;
    explicit TMapTable(std::span<const TAffineMap> maps)
    {
        for (const TAffineMap& map : maps) Maps[Count++] = map;
    }
};

// k := Random(N) + 1: one draw.
struct TUniformSelection {
    int32_t Count;
    int32_t operator()() const { return Random(Count); }
};

// r := Random(100) + 1, then the first condition "r <= UpTo" that holds, tried
// in the table's order, names the map.
struct TThreshold {
    int32_t UpTo;
    int32_t Map;
};

class TThresholdSelection {
public:
    explicit TThresholdSelection(std::span<const TThreshold> conditions)
    {
        // One lookup per draw instead of trying the conditions; the result is
        // the same for every r.
        for (int32_t r = 1; r <= 100; ++r) {
            mapOf_[r - 1] = 0;
            for (const TThreshold& condition : conditions)
                if (r <= condition.UpTo) {
                    mapOf_[r - 1] = static_cast<uint8_t>(condition.Map - 1);
                    break;
                }
        }
    }
    int32_t operator()() const { return mapOf_[Random(100)]; }

private:
    std::array<uint8_t, 100> mapOf_{};
};

// Steps made before the first painted one.
constexpr int32_t RunInSteps = 10;

template <class TSelection>
class TChaosGame {
public:
    TChaosGame(const TMapTable& table, TSelection selection, double x = 0.0, double y = 0.0)
        : X(x), Y(y), table_(table), select_(selection)
    {
    }

    // The current point; it lives for one run and carries over between the
    // copies of the scattered generators.
    double X, Y;

    // One step: the selection's draw, then the map. The y line takes the x
    // just computed, not the previous one; the maps with C != 0 draw another
    // attractor otherwise.
    void Step()
    {
        const TAffineMap& map = table_.Maps[select_()];
        X = static_cast<long double>(map.A) * X + static_cast<long double>(map.B) * Y + map.E;
        Y = static_cast<long double>(map.C) * X + static_cast<long double>(map.D) * Y + map.F;
    }

    // Steps 1 to runIn unpainted, then steps runIn + 1 to T, each one a call of
    // paintedStep, which makes its own draws around Step() and paints. The
    // run-in is made in full even when T is smaller.
    template <class TPaintedStep>
    void Play(int64_t T, TPaintedStep paintedStep, int32_t runIn = RunInSteps)
    {
        for (int32_t i = 0; i < runIn; ++i) Step();
        for (int64_t i = runIn + 1; i <= T; ++i) paintedStep();
    }

private:
    TMapTable table_;
    TSelection select_;
};

// Pixel conversion: the nearest whole number, a half going to the even
// neighbour, of the unrounded extended value s*v (+ offset). The result is
// used as a 32-bit integer.
inline int64_t Pixel(double s, double v) { return RoundHalfEven(static_cast<long double>(s) * v); }
inline int64_t Pixel(double s, double v, long double offset)
{
    return RoundHalfEven(static_cast<long double>(s) * v + offset);
}

// The guard of Tree, Forrest and Galaxy: the scaled values are stored as
// doubles and only the upper bound is compared, strictly (NaN fails), before
// they are rounded. False when the point must not be painted.
inline bool GuardedPixel(double s, double x, double y, int64_t& X, int64_t& Y)
{
    const double px = static_cast<long double>(s) * x;
    const double py = static_cast<long double>(s) * y;
    if (!(px < 2147483647.0 && py < 2147483647.0)) return false;
    X = RoundHalfEven(px);
    Y = RoundHalfEven(py);
    return true;
}

// The coordinates SetPixel takes: the low 32 bits.
inline int32_t Coordinate(int64_t v) { return static_cast<int32_t>(v); }
