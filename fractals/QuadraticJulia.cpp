// The quadratic Julia generators: filled Julia sets of z := z*z + c, one
// template over a table of members that differ only in their constants and
// choices. Half of the square frame is computed (a quarter where c is real)
// and the rest painted by symmetry.
//
// Every named real is a stored double; each right-hand side is evaluated in
// long double and rounded once when stored.

#include "FloatingPoint.h"
#include "Generators.h"
#include "JuliaIteration.h"
#include "Numeric.h"
#include "ParallelColumns.h"

namespace {

enum class TJuliaLayout {
    PointReflection, // columns 0 .. S, rows 0 .. S div 2, mirrored through the centre
    Fourfold,        // columns and rows 0 .. S div 2, mirrored through the centre and both axes
    LeftHalf,        // columns 0 .. S div 2, rows 0 .. S, mirrored through the centre
};

enum class TJuliaColours {
    Bands,            // band k in palette entry k, the top band white; band 0 painted black
    BandsButZero,     // the same, but band 0 is not painted
    TwoTone,          // band 15 in the pen colour, band 14 darker, the others not painted
};

struct TQuadraticJulia {
    double R;    // half-extent of the window in the plane
    double CRe;  // the added constant
    double CIm;
    bool RealConstant; // c is real: added to the real part only, and the picture has fourfold symmetry
    bool DepthBySize;  // colour depth 5, 8 or 15 by the frame side, else 15
    TJuliaLayout Layout;
    TJuliaColours Colours;
};

constexpr TQuadraticJulia Ameboa{2.0, 0.3, -0.4, false, true, TJuliaLayout::PointReflection, TJuliaColours::BandsButZero};
constexpr TQuadraticJulia Dendrite{2.0, 0, 1, false, true, TJuliaLayout::PointReflection, TJuliaColours::BandsButZero};
constexpr TQuadraticJulia Dragon{2.0, 0.360284, 0.100376, false, true, TJuliaLayout::PointReflection, TJuliaColours::Bands};
constexpr TQuadraticJulia EKG{2.5, -1.5, 0, true, true, TJuliaLayout::Fourfold, TJuliaColours::Bands};
constexpr TQuadraticJulia Flower{2.0, 0.384, 0, true, true, TJuliaLayout::Fourfold, TJuliaColours::Bands};
constexpr TQuadraticJulia Rabbit{2.0, -0.122, 0.745, false, false, TJuliaLayout::PointReflection, TJuliaColours::Bands};
constexpr TQuadraticJulia Siegel{2.0, -0.39054, -0.58679, false, false, TJuliaLayout::PointReflection, TJuliaColours::Bands};
// Its constant comes from the custom Julia parameters when it draws.
constexpr TQuadraticJulia Custom{2.0, 0, 0, false, false, TJuliaLayout::PointReflection, TJuliaColours::Bands};
constexpr TQuadraticJulia Cloud{1.5, -0.194, 0.6557, false, false, TJuliaLayout::LeftHalf, TJuliaColours::TwoTone};

int32_t ColourDepth(const TQuadraticJulia& member, int32_t S)
{
    if (!member.DepthBySize || S >= 200) return 15;
    return S < 100 ? 5 : 8;
}

template <class TMap>
void DrawQuadraticJulia(TBitmap& raster, const TQuadraticJulia& member, TMap map)
{
    const int32_t W = raster.Width(), H = raster.Height();
    if (W == 0 || H == 0) return;
    TCanvas& canvas = raster.Canvas();

    const int32_t S = Max(W, H);
    const int32_t half = S / 2;
    const double R = member.R;
    const double step = 2 * static_cast<long double>(R) / S;
    const int32_t maxc = ColourDepth(member, S);
    const int32_t L = 2 * maxc;

    const int32_t lastColumn = member.Layout == TJuliaLayout::PointReflection ? S : half;
    const int32_t lastRow = member.Layout == TJuliaLayout::LeftHalf ? S : half;

    // Cloud's two tones: the pen colour, and the pen darkened by 64 a channel.
    const TColor A = canvas.Pen.Color;
    const TColor B = RGB(static_cast<uint8_t>(Max(GetRed(A) - 64, 0)), static_cast<uint8_t>(Max(GetGreen(A) - 64, 0)),
                         static_cast<uint8_t>(Max(GetBlue(A) - 64, 0)));

    // The starting points grow by repeated addition of step, not by multiplication.
    const std::vector<double> xs = RunningSums(lastColumn + 1, step);
    const std::vector<double> ys = RunningSums(lastRow + 1, step);

    const TJuliaBands<TMap> band{xs, ys, R, {L, map}};
    auto paint = [&](int32_t col, int32_t row, int32_t k) {
        if (k < 0) return; // the orbit came near 0
        TColor colour;
        if (member.Colours == TJuliaColours::TwoTone) {
            if (k == 15) colour = A;
            else if (k == 14) colour = B;
            else return;
        } else {
            if (k == 0 && member.Colours == TJuliaColours::BandsButZero) return;
            colour = k == maxc ? clWhite : PaletteColor(static_cast<uint8_t>(k));
        }
        canvas.SetPixel(col, row, colour);
        canvas.SetPixel(S - col, S - row, colour);
        if (member.Layout == TJuliaLayout::Fourfold) {
            canvas.SetPixel(S - col, row, colour);
            canvas.SetPixel(col, S - row, colour);
        }
    };
    ParallelColumns(lastColumn + 1, lastRow + 1, band, paint, [](int32_t) {});
}

void Draw(TBitmap& raster, const TQuadraticJulia& member)
{
    if (member.RealConstant)
        DrawQuadraticJulia(raster, member, TQuadraticRealMap{member.CRe});
    else
        DrawQuadraticJulia(raster, member, TQuadraticMap{member.CRe, member.CIm});
}

} // namespace

void DrawCustomJulia(TBitmap& raster)
{
    const TCustomJuliaParameters& parameters = ProgramJuliaParameters();
    DrawQuadraticJulia(raster, Custom, TQuadraticMap{parameters.CustomJuliaX, parameters.CustomJuliaY});
}

void DrawAmeboa(TBitmap& raster) { Draw(raster, Ameboa); }
void DrawDendrite(TBitmap& raster) { Draw(raster, Dendrite); }
void DrawDragon(TBitmap& raster) { Draw(raster, Dragon); }
void DrawEKG(TBitmap& raster) { Draw(raster, EKG); }
void DrawFlower(TBitmap& raster) { Draw(raster, Flower); }
void DrawRabbit(TBitmap& raster) { Draw(raster, Rabbit); }
void DrawSiegel(TBitmap& raster) { Draw(raster, Siegel); }
void DrawCloud(TBitmap& raster) { Draw(raster, Cloud); }
