#pragma once
// The fractal generators. Each is a TFractalProc: it receives the raster, finds
// it black with a black brush and a white pen, reads its size itself and draws
// through the canvas only. A generator that changes the pen colour puts back
// the colour it found.

#include "Bitmap.h"
#include "ProcessHook.h"

using TFractalProc = void (*)(TBitmap& raster);

// The custom Julia constant is program-wide state of the render control that
// owns the picture; the Custom Julia generator reads it through this accessor
// while it draws.
struct TCustomJuliaParameters {
    double CustomJuliaX = -0.39054;
    double CustomJuliaY = -0.58679;
};
// The parameters installed (nullptr: none).
using TJuliaParametersHook = TProcessHook<const TCustomJuliaParameters*, struct TJuliaParametersTag>;
using TJuliaParametersScope = TJuliaParametersHook::TScope;
// The installed parameters, or the start values when none are installed.
const TCustomJuliaParameters& ProgramJuliaParameters();

// Mandelbrot set.
void DrawSimpleMandel(TBitmap& raster);
void DrawMandel(TBitmap& raster);

// Quadratic Julia sets, z := z*z + c.
void DrawCustomJulia(TBitmap& raster);
void DrawAmeboa(TBitmap& raster);
void DrawDendrite(TBitmap& raster);
void DrawDragon(TBitmap& raster);
void DrawEKG(TBitmap& raster);
void DrawFlower(TBitmap& raster);
void DrawRabbit(TBitmap& raster);
void DrawSiegel(TBitmap& raster);
void DrawCloud(TBitmap& raster);

// Julia sets of the complex cosine and sine.
void DrawJuliaCos(TBitmap& raster);
void DrawJuliaSin(TBitmap& raster);

// Chaos games over tables of affine maps: one attractor each.
void DrawFern(TBitmap& raster);
void DrawTree(TBitmap& raster);
void DrawCastle(TBitmap& raster);
void DrawClouds(TBitmap& raster);
void DrawRock(TBitmap& raster);

// Chaos games whose maps lie on a three-by-three grid of the drawing square.
void DrawCarpet(TBitmap& raster);
void DrawMaze(TBitmap& raster);
void DrawSnowStar(TBitmap& raster);
void DrawMistClouds(TBitmap& raster);

// Twenty small copies of one attractor scattered over the picture.
void DrawForrest(TBitmap& raster);
void DrawGalaxy(TBitmap& raster);
void DrawFall(TBitmap& raster);

// The whole-number chaos game on a triangle and the quadratic map's
// bifurcation diagram.
void DrawTriangle(TBitmap& raster);
void DrawBifur(TBitmap& raster);
