#pragma once
// The program-wide picture-format registry: file extension (any letter case)
// to image class and description. Image classes enter it at program start and
// leave it at program end through explicit calls from each program's main.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Bitmap.h"

using TImageFactory = std::unique_ptr<TBitmap> (*)();

struct TPictureFormat {
    std::string Extension;   // without the dot, upper case: "PPM"
    std::string Description; // "Portable Pixelmap"
    TImageFactory Create;
};

// A later registration of the same extension replaces the earlier one.
void RegisterPictureFormat(std::string_view extension, std::string_view description, TImageFactory create);
// Removes every extension that the class was registered under.
void UnregisterPictureFormat(TImageFactory create);

// The entry for an extension given with or without its dot, or nullptr.
const TPictureFormat* FindPictureFormat(std::string_view extension);
// The entry for a file name's extension, or nullptr.
const TPictureFormat* FindPictureFormatForFile(std::string_view fileName);

// The extension of a file name: from the last dot of its last path element,
// dot included ("my.pics/fern.PPM" gives ".PPM"); empty when that element
// has no dot ("my.pics/fern").
std::string_view ExtractFileExt(std::string_view fileName);
// Whether two extensions are equal in any letter case (".PPM" and ".ppm").
bool SameExtension(std::string_view a, std::string_view b);
// The entry for a file name's extension; throws Exception "Unknown picture
// file extension (.ext)" for any other extension.
const TPictureFormat& PictureFormatForFile(std::string_view fileName);
std::vector<TPictureFormat> PictureFormats();

// Loads a picture file through the image class its extension selects (see
// PictureFormatForFile). Saving: PictureFiles.h.
std::unique_ptr<TBitmap> LoadPicture(const std::string& fileName);
// The size of a picture file from its header alone (TBitmap::ReadSizeFromStream),
// through the same image class; fails as LoadPicture for other extensions.
TPictureSize LoadPictureSize(const std::string& fileName);

template <class TImage>
std::unique_ptr<TBitmap> CreateImage()
{
    return std::make_unique<TImage>();
}
