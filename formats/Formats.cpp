#include "Formats.h"

#include "PictureFormats.h"
#include "xPPM.h"

void RegisterImageFormats()
{
    RegisterPictureFormat("PPM", "Portable Pixelmap", CreateImage<TPPMBitmap>);
}

void UnregisterImageFormats()
{
    UnregisterPictureFormat(CreateImage<TPPMBitmap>);
}
