#include "RenderControl.h"

#include "FloatingPoint.h"

TRenderControl::TRenderControl()
{
    raster_.Canvas().Brush.Color = clBlack;
    raster_.SetSize(2, 2);
}

void TRenderControl::SetFractalSize(int32_t width, int32_t height)
{
    raster_.SetWidth(width);
    raster_.SetHeight(height);
    if (OnResized) OnResized(raster_.Width(), raster_.Height());
    if (CurrentFractal) DrawFractal(CurrentFractal);
}

void TRenderControl::FillFractal(TColor colour)
{
    TCanvas& canvas = raster_.Canvas();
    canvas.Brush.Color = colour;
    canvas.FillRect(0, 0, raster_.Width(), raster_.Height());
}

void TRenderControl::ClearFractal()
{
    FillFractal(clBlack);
    raster_.Canvas().Pen.Color = clWhite;
}

void TRenderControl::DrawFractal(TFractalProc generator)
{
    struct BusyCursor {
        const std::function<void(bool)>& hook;
        explicit BusyCursor(const std::function<void(bool)>& h) : hook(h) { if (hook) hook(true); }
        ~BusyCursor() { if (hook) hook(false); }
    } busy(OnBusy);

    FillFractal(clBlack);
    if (generator) {
        ClearFloatingPointFaults();
        generator(raster_);
    }
    CurrentFractal = generator;
}

void TRenderControl::Clear()
{
    ClearFractal();
    CurrentFractal = nullptr;
}
