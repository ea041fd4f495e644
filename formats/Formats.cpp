#include "Formats.h"

#include "PictureFormats.h"
#include "M8Image.h"
#include "PpmImage.h"
#include "TgaImage.h"

void RegisterImageFormats()
{
    RegisterPictureFormat("BMP", "Bitmaps", CreateImage<TBitmap>);
    RegisterPictureFormat("PPM", "Portable Pixelmap", CreateImage<TPPMBitmap>);
    RegisterPictureFormat("TGA", "TGA Image", CreateImage<TTGABitmap>);
    RegisterPictureFormat("M8", "M8 (Heretic 2) Mipmap bitmap", CreateImage<TM8Bitmap>);
}

void UnregisterImageFormats()
{
    UnregisterPictureFormat(CreateImage<TM8Bitmap>);
    UnregisterPictureFormat(CreateImage<TTGABitmap>);
    UnregisterPictureFormat(CreateImage<TPPMBitmap>);
    UnregisterPictureFormat(CreateImage<TBitmap>);
}
