#pragma once
// Computes the points of an escape-time picture on several threads and paints
// them on the calling thread in the order one thread would: column by column,
// each column's rows ascending. A floating-point fault stops the painting at
// the first faulting point in that order, with every earlier point painted,
// and raises it as the status-flag test of a single thread would.
//
// The caller waits for the whole picture. Status flags are per thread, so each
// thread tests its own, once per column; a column whose test fails is computed
// again point by point to find the faulting point.
//
// The painter waits for a chunk on a mutex and condition variable: MinGW's
// std::atomic::wait (and std::latch and std::barrier built on it) can lose a
// wake-up and hang the render.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "FloatingPoint.h"

// How many threads compute the points: 0 (the default) as many as the machine
// runs at once; 1 computes and paints each point in turn on the calling
// thread, the plain order the pictures are defined by.
void SetEscapeTimeThreads(int32_t threads);
int32_t EscapeTimeThreads();

// band(col, row) computes one point's result, a value from -128 to 127, on any
// thread; it reads only what stays constant during the run. Where band also
// has Column(col, rows, out), the threads compute whole columns with it, each
// out[row] being band(col, row). paint(col, row, band) and endColumn(col) run
// on the calling thread, in the plain order: every point of a column, then
// its end.
template <class TBand, class TPaint, class TEndColumn>
void ParallelColumns(int32_t columns, int32_t rows, TBand band, TPaint paint, TEndColumn endColumn)
{
    const int32_t threads = EscapeTimeThreads();
    constexpr int32_t ChunkColumns = 4;
    if (threads <= 1 || columns <= ChunkColumns || rows <= 0) {
        for (int32_t col = 0; col < columns; ++col) {
            for (int32_t row = 0; row < rows; ++row) {
                const int32_t k = band(col, row);
                CheckFloatingPoint();
                paint(col, row, k);
            }
            endColumn(col);
        }
        return;
    }

    // A fault left over from before the first point is the first point's.
    CheckFloatingPoint();

    struct TChunk {
        bool Done = false; // guarded by doneMutex
        int32_t FaultColumn = -1, FaultRow = -1;
        int FaultFlags = 0;
    };
    const int32_t chunks = (columns + ChunkColumns - 1) / ChunkColumns;
    std::vector<int8_t> bands(static_cast<size_t>(columns) * static_cast<size_t>(rows));
    std::unique_ptr<TChunk[]> chunk(new TChunk[chunks]);
    std::atomic<int32_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex doneMutex;
    std::condition_variable chunkDone;

    auto computeColumn = [&](int32_t col, int8_t* out) {
        if constexpr (requires { band.Column(col, rows, out); })
            band.Column(col, rows, out);
        else
            for (int32_t row = 0; row < rows; ++row) out[row] = static_cast<int8_t>(band(col, row));
    };
    auto compute = [&](int32_t c) {
        TChunk& state = chunk[c];
        const int32_t end = c * ChunkColumns + ChunkColumns < columns ? c * ChunkColumns + ChunkColumns : columns;
        for (int32_t col = c * ChunkColumns; col < end; ++col) {
            int8_t* out = bands.data() + static_cast<size_t>(col) * static_cast<size_t>(rows);
            computeColumn(col, out);
            if (int columnFlags = std::fetestexcept(FloatingPointFaults)) {
                ClearFloatingPointFaults();
                // Should the fault not repeat, it counts at the column's end.
                state.FaultColumn = col;
                state.FaultRow = rows;
                state.FaultFlags = columnFlags;
                for (int32_t row = 0; row < rows; ++row) {
                    band(col, row);
                    if (int flags = std::fetestexcept(FloatingPointFaults)) {
                        state.FaultRow = row;
                        state.FaultFlags = flags;
                        break;
                    }
                }
                ClearFloatingPointFaults();
                // Later chunks are never painted.
                stop.store(true, std::memory_order_relaxed);
                break;
            }
        }
        std::lock_guard<std::mutex> lock(doneMutex);
        state.Done = true;
        chunkDone.notify_all();
    };
    auto claimAndCompute = [&] {
        if (stop.load(std::memory_order_relaxed)) return false;
        const int32_t c = next.fetch_add(1, std::memory_order_relaxed);
        if (c >= chunks) return false;
        compute(c);
        return true;
    };

    struct TWorkers {
        std::atomic<bool>& stop;
        std::vector<std::thread> threads;
        ~TWorkers()
        {
            stop.store(true, std::memory_order_relaxed);
            for (std::thread& t : threads) t.join();
        }
    } workers{stop, {}};
    for (int32_t i = 1; i < threads && i < chunks; ++i) {
        try {
            workers.threads.emplace_back([&] {
                ClearFloatingPointFaults();
                while (claimAndCompute()) {
                }
            });
        } catch (const std::system_error&) {
            break; // fewer helpers: the calling thread computes the rest
        }
    }

    for (int32_t c = 0; c < chunks; ++c) {
        TChunk& state = chunk[c];
        // Help while the next chunk to paint is still being computed.
        auto done = [&] {
            std::lock_guard<std::mutex> lock(doneMutex);
            return state.Done;
        };
        while (!done()) {
            if (claimAndCompute()) continue;
            // Nothing left to claim: the chunk is on another thread.
            std::unique_lock<std::mutex> lock(doneMutex);
            chunkDone.wait(lock, [&] { return state.Done; });
        }
        const int32_t end = c * ChunkColumns + ChunkColumns < columns ? c * ChunkColumns + ChunkColumns : columns;
        for (int32_t col = c * ChunkColumns; col < end; ++col) {
            const int8_t* in = bands.data() + static_cast<size_t>(col) * static_cast<size_t>(rows);
            const int32_t last = col == state.FaultColumn ? state.FaultRow : rows;
            for (int32_t row = 0; row < last; ++row) paint(col, row, in[row]);
            if (col == state.FaultColumn) RaiseFloatingPointFault(state.FaultFlags);
            endColumn(col);
        }
    }
}
