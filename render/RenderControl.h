#pragma once
// The state the main window keeps about its picture and the four operations
// that change it: size, fill, clear and draw with a generator. No Qt here: the
// window, the batch renderer and the benchmarks share it.

#include <functional>

#include "Bitmap.h"
#include "Generators.h"

class TRenderControl : public TCustomJuliaParameters {
public:
    // A 2 x 2 black true-colour raster and no current generator.
    TRenderControl();

    TBitmap& Raster() { return raster_; }
    const TBitmap& Raster() const { return raster_; }

    // The generator that last ran to completion, or nullptr.
    TFractalProc CurrentFractal = nullptr;

    // Busy-cursor hook: called with true when a render starts and with false
    // when it ends, also when it ends by an exception.
    std::function<void(bool busy)> OnBusy;
    // Called after the raster took a new size, before it is redrawn (the window
    // sizes its image control here).
    std::function<void(int32_t width, int32_t height)> OnResized;

    // Applies any size unchanged; redraws with CurrentFractal when there is one,
    // otherwise keeps the shared pixels and paints the new area with the brush.
    void SetFractalSize(int32_t width, int32_t height);
    void FillFractal(TColor colour);
    // Black raster, white pen.
    void ClearFractal();
    // The render: fill black, run the generator, record it as current. When the
    // generator throws, CurrentFractal stays as it was and the exception passes on.
    void DrawFractal(TFractalProc generator);
    // The Clear command: ClearFractal, and no current generator.
    void Clear();

private:
    TBitmap raster_;
};
