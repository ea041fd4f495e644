#pragma once
// The fractal generators. Each is a TFractalProc: it receives the raster, finds
// it black with a black brush and a white pen, reads its size itself and draws
// through the canvas only. A generator that changes the pen colour puts back
// the colour it found.

#include "Bitmap.h"

using TFractalProc = void (*)(TBitmap& raster);

// The custom Julia constant is program-wide state of the render control that
// owns the picture; the Custom Julia generator reads it through this accessor
// while it draws.
struct TCustomJuliaParameters {
    double CustomJuliaX = -0.39054;
    double CustomJuliaY = -0.58679;
};
void SetProgramJuliaParameters(const TCustomJuliaParameters* parameters);
// The registered parameters, or the start values when none are registered.
const TCustomJuliaParameters& ProgramJuliaParameters();

// Mandelbrot set.
void DrawSimpleMandel(TBitmap& raster);
void DrawMandel(TBitmap& raster);
