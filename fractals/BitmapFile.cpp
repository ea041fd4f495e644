// The raster class's own file format, BMP.
#include "Bitmap.h"
#include "Exceptions.h"
#include "Streams.h"

void TBitmap::ReadFromStream(TStream&) { throw Exception("Error reading BMP file: not supported yet."); }
void TBitmap::WriteToStream(TStream&) const { throw Exception("Error writing BMP file: not supported yet."); }
