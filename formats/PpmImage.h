#pragma once
// xPPM: Portable Pixmap files: binary "P6" and plain-text "P3".

#include "Bitmap.h"

class TPPMBitmap : public TBitmap {
public:
    // True when the last file read was the text variant; new images write "P6".
    bool TextVariant() const { return text_; }

    void ReadFromStream(TStream& stream) override;
    void WritePicture(const TBitmap& picture, TStream& stream) const override;
    void ReadEmbedded(TStream& stream) override { ReadFromStream(stream); }
    void WriteEmbedded(TStream& stream) const override { WriteToStream(stream); }
    TPictureSize ReadSizeFromStream(TStream& stream) const override;

private:
    bool text_ = false;
};
