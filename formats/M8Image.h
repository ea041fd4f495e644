#pragma once
// xM8: Heretic 2 mipmapped textures: a 256-colour palette and one byte per pixel.
// The writer reduces true-colour pictures to the palette it builds.

#include <array>
#include <cstdint>
#include <vector>

#include "Bitmap.h"

class TM8Bitmap : public TBitmap {
public:
    void ReadFromStream(TStream& stream) override;
    void WritePicture(const TBitmap& picture, TStream& stream) const override;
    void ReadEmbedded(TStream& stream) override { ReadFromStream(stream); }
    void WriteEmbedded(TStream& stream) const override { WriteToStream(stream); }
    TPictureSize ReadSizeFromStream(TStream& stream) const override;
};

// The reduction of a true-colour picture to at most 256 colours: a palette index
// per pixel (rows from the top) and the colour table, black beyond its end.
struct TM8Reduction {
    std::vector<uint8_t> Indices;
    TPalette Palette; // 256 entries
    int Used = 0;     // entries the table filled
};

// The sixteen entries the colour table starts with.
const std::array<TPaletteEntry, 16>& M8StartColours();

// The reduction of a 24-bit picture, the writer's own.
TM8Reduction ReduceM8(const TBitmap& picture24);
// The same reduction pixel by pixel, each colour scanned through the table
// entry by entry: slow, plain to check, and the yardstick for the one above.
TM8Reduction ReduceM8PlainScan(const TBitmap& picture24);
