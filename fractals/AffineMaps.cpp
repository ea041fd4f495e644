#include "AffineMaps.h"

namespace {

double GridValue(TGridLine line, int32_t m)
{
    switch (line) {
    case TGridLine::Zero: return 0;
    case TGridLine::One: return 1;
    case TGridLine::Half: return m / 2;
    case TGridLine::Side: return m;
    }
    return 0;
}

} // namespace

TMapTable GridTable(std::span<const TGridMap> maps, int32_t m)
{
    TMapTable table;
    for (const TGridMap& map : maps)
        table.Maps[table.Count++] = {map.A, map.B, map.C, map.D, GridValue(map.E, m), GridValue(map.F, m)};
    return table;
}
