// Points computed on several threads are painted in the plain order, and a
// fault stops the painting where one thread would have stopped it.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "Exceptions.h"
#include "GeneratorTesting.h"
#include "OrbitLanes.h"
#include "ParallelColumns.h"

namespace {

struct TThreads {
    explicit TThreads(int32_t n) { SetEscapeTimeThreads(n); }
    ~TThreads() { SetEscapeTimeThreads(0); }
};

struct TFault {
    int32_t Col, Row;
    int Kind; // 0 invalid, 1 division by zero, 2 overflow
};

volatile double zero = 0.0, huge = 1e300;

// Paint and column-end calls as one list; the band of a point is a function of
// its place, and the listed points fault.
struct TRun {
    std::vector<std::tuple<int32_t, int32_t, int32_t>> Calls;
    std::string Raised;
};

TRun RunColumns(int32_t threads, int32_t columns, int32_t rows, std::vector<TFault> faults)
{
    TThreads setting(threads);
    TRun run;
    auto band = [&](int32_t col, int32_t row) {
        for (const TFault& f : faults)
            if (f.Col == col && f.Row == row) {
                volatile double r = f.Kind == 0 ? zero / zero : f.Kind == 1 ? 1.0 / zero : huge * huge;
                (void)r;
            }
        return (col * 7 + row * 3) % 17 - 1;
    };
    ClearFloatingPointFaults(); // as the render control does before every picture
    try {
        ParallelColumns(
            columns, rows, band, [&](int32_t col, int32_t row, int32_t k) { run.Calls.emplace_back(col, row, k); },
            [&](int32_t col) { run.Calls.emplace_back(col, -1, 0); });
    } catch (const EMathError& e) {
        run.Raised = e.Message();
    }
    ClearFloatingPointFaults();
    return run;
}

} // namespace

TEST(ParallelColumnsTest, PaintsInThePlainOrder)
{
    const TRun plain = RunColumns(1, 203, 37, {});
    ASSERT_EQ(plain.Calls.size(), 203u * 38u);
    EXPECT_EQ(plain.Calls[37], std::make_tuple(0, -1, 0));
    EXPECT_EQ(plain.Calls[38], std::make_tuple(1, 0, 6));
    for (int32_t threads : {2, 3, 8}) {
        const TRun threaded = RunColumns(threads, 203, 37, {});
        EXPECT_EQ(threaded.Calls, plain.Calls) << threads;
        EXPECT_EQ(threaded.Raised, "");
    }
}

TEST(ParallelColumnsTest, AFaultStopsAtTheFirstFaultingPointInPlainOrder)
{
    const std::vector<std::vector<TFault>> cases = {
        {{0, 0, 2}},
        {{150, 20, 1}},
        {{150, 20, 1}, {30, 36, 0}},   // the earlier column wins, computed on whichever thread
        {{99, 5, 2}, {99, 4, 1}},      // the earlier row of one column wins
        {{202, 36, 0}},
    };
    for (const auto& faults : cases) {
        const TRun plain = RunColumns(1, 203, 37, faults);
        // The plain run paints every point before the fault, then stops.
        const TFault first = *std::min_element(faults.begin(), faults.end(), [](const TFault& a, const TFault& b) {
            return std::tie(a.Col, a.Row) < std::tie(b.Col, b.Row);
        });
        EXPECT_EQ(plain.Calls.size(), static_cast<size_t>(first.Col) * 38 + first.Row);
        EXPECT_EQ(plain.Raised, first.Kind == 0 ? "Invalid floating point operation"
                                : first.Kind == 1 ? "Floating point division by zero"
                                                  : "Floating point overflow");
        for (int32_t threads : {2, 3, 8}) {
            const TRun threaded = RunColumns(threads, 203, 37, faults);
            EXPECT_EQ(threaded.Calls, plain.Calls) << threads << " threads, fault at " << first.Col << "," << first.Row;
            EXPECT_EQ(threaded.Raised, plain.Raised);
        }
    }
}

TEST(ParallelColumnsTest, AFaultPendingAtEntryIsTheFirstPointsFault)
{
    for (int32_t threads : {1, 2}) {
        TThreads setting(threads);
        volatile double r = 1.0 / zero;
        (void)r;
        int32_t painted = 0;
        EXPECT_THROW(ParallelColumns(
                         50, 10, [](int32_t, int32_t) { return 0; }, [&](int32_t, int32_t, int32_t) { ++painted; },
                         [](int32_t) {}),
                     EZeroDivide);
        EXPECT_EQ(painted, 0);
    }
}

TEST(ParallelColumnsTest, EscapeTimePicturesAreTheSameOnOneThreadAndOnMany)
{
    const TFractalProc generators[] = {DrawMandel, DrawCustomJulia, DrawAmeboa, DrawDendrite, DrawDragon, DrawEKG,
                                       DrawFlower, DrawRabbit,      DrawSiegel, DrawCloud,    DrawJuliaCos, DrawJuliaSin};
    // Columns longer and shorter than the interleaved orbits.
    for (auto [w, h] : {std::pair{1024, 1024}, std::pair{320, 240}, std::pair{33, 17}, std::pair{20, 9},
                        std::pair{9, 4}}) {
        for (size_t g = 0; g < std::size(generators); ++g) {
            const TFractalProc proc = generators[g];
            TBitmap plain, threaded;
            {
                TThreads setting(1);
                RenderWith(plain, proc, w, h);
            }
            {
                TThreads setting(5);
                RenderWith(threaded, proc, w, h);
            }
            EXPECT_TRUE(SamePixels(plain, threaded)) << w << "x" << h << " generator " << g;
        }
    }
}

// Many short chunks, run after run: a painter that misses a chunk's wake-up
// hangs here (ctest's timeout reports it) instead of in a user's render.
TEST(ParallelColumnsTest, RepeatedLargeRunsNeverMissAChunk)
{
    constexpr int32_t columns = 1024, rows = 12;
    // An order-sensitive digest of the paint and column-end calls.
    auto digest = [&] {
        uint64_t h = 0;
        ParallelColumns(
            columns, rows, [](int32_t col, int32_t row) { return (col * 3 + row) % 11; },
            [&](int32_t col, int32_t row, int32_t k) { h = h * 1000003 + uint64_t(col) * 977 + uint64_t(row) * 31 + k; },
            [&](int32_t col) { h = h * 1000003 + uint64_t(col) + 5; });
        return h;
    };
    uint64_t plain;
    {
        TThreads setting(1);
        plain = digest();
    }
    for (int32_t threads : {2, 4, 8}) {
        TThreads setting(threads);
        for (int run = 0; run < 300; ++run) ASSERT_EQ(digest(), plain) << threads << " threads, run " << run;
    }
}

namespace {

// A toy orbit: halve or triple-plus-one until 1, the band being the number of
// steps (capped); orbits of very different lengths share the lanes.
struct TCollatzIteration {
    struct TOrbit {
        int64_t v;
        int32_t n;
    };
    void Iterate(TOrbit& o) const { o.v = o.v % 2 ? 3 * o.v + 1 : o.v / 2; }
    bool Decided(TOrbit& o, int8_t& band) const
    {
        if (o.v != 1 && ++o.n < 120) return false;
        band = static_cast<int8_t>(o.n);
        return true;
    }
};

} // namespace

TEST(OrbitLanesTest, EveryOrbitGetsItsOwnBandWhateverTheCount)
{
    for (int32_t count = 0; count <= 40; ++count) {
        auto start = [](int32_t i) { return TCollatzIteration::TOrbit{7 + 13 * i, 0}; };
        std::vector<int8_t> bands(static_cast<size_t>(count) + 1, -7);
        OrbitBands<6>(TCollatzIteration{}, count, start, bands.data());
        for (int32_t i = 0; i < count; ++i)
            EXPECT_EQ(bands[i], OrbitBand(TCollatzIteration{}, start(i))) << count << " orbits, orbit " << i;
        EXPECT_EQ(bands[count], -7) << "written past the end";
    }
}
