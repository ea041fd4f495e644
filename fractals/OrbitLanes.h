#pragma once
// Escape-time orbits several at a time. One orbit is a long chain of dependent
// extended-precision operations, each waiting for the one before; running a
// few independent orbits side by side lets the processor overlap their chains.
// Every orbit still makes exactly the operations it makes alone, in the same
// order, so its result is the same to the bit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

// TIteration describes one kind of orbit:
//   TIteration::TOrbit    the state of one orbit;
//   Iterate(orbit)        one step of the map;
//   Decided(orbit, band)  after a step: true with the orbit's band stored
//                         when the orbit is decided, else false (the orbit is
//                         then ready for its next step).
// The band of one orbit, computed alone.
template <class TIteration>
int8_t OrbitBand(const TIteration& iteration, typename TIteration::TOrbit orbit)
{
    int8_t band;
    do iteration.Iterate(orbit);
    while (!iteration.Decided(orbit, band));
    return band;
}

// bands[i] := the band of the orbit start(i), for i = 0 .. count - 1, Lanes
// orbits at a time: a lane whose orbit is decided takes the next start.
template <int32_t Lanes, class TIteration, class TStart>
void OrbitBands(const TIteration& iteration, int32_t count, TStart start, int8_t* bands)
{
    using TOrbit = typename TIteration::TOrbit;
    if (count < Lanes) {
        for (int32_t i = 0; i < count; ++i) bands[i] = OrbitBand(iteration, start(i));
        return;
    }
    std::array<TOrbit, Lanes> lane;
    std::array<int32_t, Lanes> index;
    int32_t next = 0;
    for (int32_t j = 0; j < Lanes; ++j) {
        lane[j] = start(next);
        index[j] = next++;
    }
    auto finish = [&](int32_t j) {
        do iteration.Iterate(lane[j]);
        while (!iteration.Decided(lane[j], bands[index[j]]));
    };
    for (;;) {
        // One step of every lane as straight-line code, then the tests.
        [&]<std::size_t... J>(std::index_sequence<J...>) {
            (iteration.Iterate(lane[J]), ...);
        }(std::make_index_sequence<Lanes>());
        for (int32_t j = 0; j < Lanes; ++j) {
            if (!iteration.Decided(lane[j], bands[index[j]])) continue;
            if (next < count) {
                lane[j] = start(next);
                index[j] = next++;
                continue;
            }
            // No start left: the other lanes finish one by one. Those after j
            // have not been tested on this step yet.
            for (int32_t q = j + 1; q < Lanes; ++q)
                if (!iteration.Decided(lane[q], bands[index[q]])) finish(q);
            for (int32_t q = 0; q < j; ++q) finish(q);
            return;
        }
    }
}
