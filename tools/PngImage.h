#pragma once
// xPNG: PNG pictures for the batch renderer, through libspng. Written as 8-bit RGB;
// read from any PNG libspng decodes, with transparency laid onto black. Not a
// picture format of the window: it is kept out of the picture-format registry.

#include "Bitmap.h"

class TPNGBitmap : public TBitmap {
public:
    void ReadFromStream(TStream& stream) override;
    void WritePicture(const TBitmap& picture, TStream& stream) const override;
    void ReadEmbedded(TStream& stream) override { ReadFromStream(stream); }
    void WriteEmbedded(TStream& stream) const override { WriteToStream(stream); }
    TPictureSize ReadSizeFromStream(TStream& stream) const override;
};
