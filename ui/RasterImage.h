#pragma once
// The raster as a Qt image, for showing, copying and previewing pictures.

#include <QImage>

#include "Bitmap.h"

// An opaque 32-bit image with the raster's size and the colours its pixels
// show, whatever the raster's pixel format (a palettised raster through its
// colour table).
QImage RasterToImage(const TBitmap& raster);
