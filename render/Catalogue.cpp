#include "Catalogue.h"

#include <array>
#include <cctype>

namespace {

constexpr const char* MandelSet = "Mandel set";
constexpr const char* JuliaSet = "Julia set";

const std::array<TFractalEntry, 27> Fractals = {{
    {"Mandel1", "Simple Mandel", MandelSet, "Draw simple mandel", DrawSimpleMandel},
    {"Mandel21", "Mandel", MandelSet, "Draw mandel", DrawMandel},
    {"CustomJulia1", "Custom..", JuliaSet, "Draw custom julia", DrawCustomJulia, true},
    {"Ameboa1", "Ameboa", JuliaSet, "Draw ameboa", DrawAmeboa},
    {"Dendrite1", "Dendrite", JuliaSet, "Draw dentrite", DrawDendrite},
    {"Dragon1", "Dragon", JuliaSet, "Draw dragon", DrawDragon},
    {"EKG1", "EKG", JuliaSet, "Draw EGK", DrawEKG},
    {"Flower1", "Flower", JuliaSet, "Draw flower", DrawFlower},
    {"Rabbit1", "Rabbit", JuliaSet, "Draw rabbit", DrawRabbit},
    {"Siegel1", "Siegel", JuliaSet, "Draw siegel", DrawSiegel},
    {"JuliaCos1", "Julia Cos", JuliaSet, "Draw julia cos", DrawJuliaCos},
    {"JuliaSin1", "Julia Sin", JuliaSet, "Draw julia sin", DrawJuliaSin},
    {"Fern1", "Fern", "", "Draw fern", DrawFern},
    {"Bifur1", "Bifur", "", "Draw bifur", DrawBifur},
    {"Carpet1", "Carpet", "", "Draw carpet", DrawCarpet},
    {"Castle1", "Castle", "", "Draw castle", DrawCastle},
    {"Cloud1", "Cloud", "", "Draw cloud", DrawCloud},
    {"Clouds1", "Clouds", "", "Draw clouds", DrawClouds},
    {"Fall1", "Fall", "", "Draw fall", DrawFall},
    {"SnowStar1", "SnowStar", "", "Draw snowstar", DrawSnowStar},
    {"Forrest1", "Forrest", "", "Draw forrest", DrawForrest},
    {"Tree1", "Tree", "", "Draw tree", DrawTree},
    {"Galaxy1", "Galaxy", "", "Draw galaxy", DrawGalaxy},
    {"Triangle1", "Triangle", "", "Draw triangle", DrawTriangle},
    {"Maze1", "Maze", "", "Draw maze", DrawMaze},
    {"MistClouds1", "Mist Clouds", "", "Draw mist clouds", DrawMistClouds},
    {"Rock1", "Rock", "", "Draw rock", DrawRock},
}};

const std::array<TDrawingSize, 8> Sizes = {{
    {"N320x2401", "320x240", "Set drawing area to 320x240", 320, 240},
    {"N640x4801", "640x480", "Set drawing area to 640x480", 640, 480},
    {"N800x6001", "800x600", "Set drawing area to 800x600", 800, 600},
    {"N1024x7681", "1024x768", "Set drawing area to 1024x768", 1024, 768},
    {"N320x3201", "320x320", "Set drawing area to 320x320", 320, 320, true},
    {"N640x6401", "640x640", "640x640", 640, 640},
    {"N800x8001", "800x800", "Set drawing area to 800x800", 800, 800},
    {"N1024x10241", "1024x1024", "Set drawing area to 1024x1024", 1024, 1024},
}};

std::string Folded(std::string_view text)
{
    std::string folded;
    for (char c : text)
        if (c != ' ' && c != '.') folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

} // namespace

std::span<const TFractalEntry> FractalCatalogue() { return Fractals; }
std::span<const TDrawingSize> DrawingSizes() { return Sizes; }

const TFractalEntry* FindFractal(std::string_view name)
{
    std::string wanted = Folded(name);
    if (wanted.empty()) return nullptr;
    for (const TFractalEntry& entry : Fractals)
        if (Folded(entry.Caption) == wanted) return &entry;
    return nullptr;
}

std::string CompactCaption(std::string_view caption)
{
    std::string compact;
    for (char c : caption)
        if (c != ' ' && c != '.') compact += c;
    return compact;
}
