#pragma once
// xTGA: TrueVision Targa files, uncompressed true colour at 24 or 32 bits per pixel.

#include "Bitmap.h"

class TTGABitmap : public TBitmap {
public:
    void ReadFromStream(TStream& stream) override;
    void WritePicture(const TBitmap& picture, TStream& stream) const override;
    void ReadEmbedded(TStream& stream) override { ReadFromStream(stream); }
    void WriteEmbedded(TStream& stream) const override { WriteToStream(stream); }
    TPictureSize ReadSizeFromStream(TStream& stream) const override;
};
