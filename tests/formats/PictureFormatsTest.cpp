#include <gtest/gtest.h>

#include <filesystem>
#include <typeinfo>

#include <unistd.h>

#include "Exceptions.h"
#include "PictureFormats.h"
#include "RasterTesting.h"
#include "M8Image.h"
#include "PpmImage.h"
#include "TgaImage.h"

namespace fs = std::filesystem;

TEST(PictureFormatRegistryTest, TheFourFormatsByExtension)
{
    struct Expected {
        const char* extension;
        const char* description;
        bool (*isClass)(const TBitmap*);
    };
    const Expected expected[] = {
        {"bmp", "Bitmaps", [](const TBitmap* b) { return typeid(*b) == typeid(TBitmap); }},
        {".PPM", "Portable Pixelmap", [](const TBitmap* b) { return typeid(*b) == typeid(TPPMBitmap); }},
        {"Tga", "TGA Image", [](const TBitmap* b) { return typeid(*b) == typeid(TTGABitmap); }},
        {".m8", "M8 (Heretic 2) Mipmap bitmap", [](const TBitmap* b) { return typeid(*b) == typeid(TM8Bitmap); }},
    };
    for (const Expected& e : expected) {
        const TPictureFormat* format = FindPictureFormat(e.extension);
        ASSERT_NE(format, nullptr) << e.extension;
        EXPECT_EQ(format->Description, e.description);
        std::unique_ptr<TBitmap> image = format->Create();
        EXPECT_TRUE(e.isClass(image.get())) << e.extension;
    }
    EXPECT_EQ(FindPictureFormat("gif"), nullptr);
    EXPECT_EQ(PictureFormats().size(), 4u);
}

TEST(PictureFormatRegistryTest, LoadPictureGoesByExtension)
{
    const fs::path dir = fs::temp_directory_path() / ("pelorix-registry-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    TBitmap picture;
    PrepareRaster(picture, 3, 2);
    picture.Canvas().SetPixel(2, 1, RGB(9, 99, 199));
    for (const char* name : {"a.bmp", "b.PPM", "c.tga", "d.M8"}) {
        const fs::path file = dir / name;
        std::unique_ptr<TBitmap> writer = FindPictureFormatForFile(name)->Create();
        writer->Assign(picture);
        writer->SaveToFile(file.string());
        std::unique_ptr<TBitmap> back = LoadPicture(file.string());
        EXPECT_EQ(back->Width(), 3) << name;
        EXPECT_EQ(PixelAt(*back, 2, 1), RGB(9, 99, 199)) << name;
    }
    // A TGA file named .bmp is read as a bitmap and fails as one.
    fs::copy_file(dir / "c.tga", dir / "e.bmp");
    EXPECT_THROW(LoadPicture((dir / "e.bmp").string()), Exception);
    EXPECT_THROW(LoadPicture((dir / "f.gif").string()), Exception);
    fs::remove_all(dir);
}
