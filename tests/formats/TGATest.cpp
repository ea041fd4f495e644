#include <gtest/gtest.h>

#include "FormatTesting.h"
#include "RasterTesting.h"
#include "TgaImage.h"

namespace {

constexpr TColor Red = RGB(255, 0, 0), Blue = RGB(0, 0, 255);

TBytes Header(int type, int colourMap, int width, int height, int bits, int descriptor = 0, int idLength = 0)
{
    TBytes h = {static_cast<uint8_t>(idLength), static_cast<uint8_t>(colourMap), static_cast<uint8_t>(type), 0, 0, 0, 0, 0,
                0, 0, 0, 0};
    Add16(h, static_cast<uint32_t>(width));
    Add16(h, static_cast<uint32_t>(height));
    AddBytes(h, {bits, descriptor});
    return h;
}

TBytes Concat(TBytes a, const TBytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::string OnlyTrueColour = "Couldn't load TGA Image. Only 24 and 32bit TGA Images supported.";
const std::string ColourMapped = "Couldn't load TGA Image. Colormapped TGA images not supported.";
const std::string OnlyStandard = "Couldn't load TGA Image. Only standard 24, 32 bit TGA Images supported.";

} // namespace

TEST(TGAWriteTest, TwoByTwoIsThirtyBytes)
{
    TTGABitmap image;
    PrepareRaster(image, 2, 2);
    image.Canvas().SetPixel(0, 0, RGB(1, 2, 3));
    image.Canvas().SetPixel(1, 0, RGB(4, 5, 6));
    image.Canvas().SetPixel(0, 1, RGB(7, 8, 9));
    EXPECT_EQ(WrittenBytes(image), (TBytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0x18, 0, // header
                                           9, 8, 7, 0, 0, 0,                                     // bottom row
                                           3, 2, 1, 6, 5, 4}));                                  // top row
}

TEST(TGAWriteTest, WidthsPixelFormatsAndLimits)
{
    TTGABitmap image;
    PrepareRaster(image, 300, 1);
    TBytes file = WrittenBytes(image);
    EXPECT_EQ(file[12], 0x2C);
    EXPECT_EQ(file[13], 0x01);
    EXPECT_EQ(file.size(), 18u + 900);

    // 32 bits stay 32 with descriptor 0 and the fourth byte as held.
    PrepareRaster(image, 1, 1);
    image.Canvas().SetPixel(0, 0, RGB(10, 20, 30));
    image.SetPixelFormat(TPixelFormat::pf32bit);
    image.ScanLine(0)[3] = 0x77;
    EXPECT_EQ(WrittenBytes(image), Concat(Header(2, 0, 1, 1, 32), {30, 20, 10, 0x77}));

    // Palettised images are written with the colours they show, at 24 bits.
    PrepareRaster(image, 2, 1);
    image.Canvas().SetPixel(0, 0, Red);
    image.Canvas().SetPixel(1, 0, Blue);
    image.SetPixelFormat(TPixelFormat::pf4bit);
    EXPECT_EQ(WrittenBytes(image), Concat(Header(2, 0, 2, 1, 24), {0, 0, 255, 255, 0, 0}));
    EXPECT_EQ(image.PixelFormat(), TPixelFormat::pf4bit) << "writing leaves the image alone";

    PrepareRaster(image, 65536, 1);
    EXPECT_THROW(WrittenBytes(image), Exception);
}

TEST(TGARoundTripTest, TwentyFourAndThirtyTwoBits)
{
    for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        TTGABitmap image;
        PrepareRaster(image, 5, 3);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) image.Canvas().SetPixel(x, y, RGB(x * 50, y * 100, 7));
        image.SetPixelFormat(format);
        TTGABitmap back;
        ReadBytes(back, WrittenBytes(image));
        EXPECT_EQ(back.PixelFormat(), format);
        EXPECT_TRUE(SamePixels(back, image));
    }
}

TEST(TGAReadTest, MessagesInTheirCheckingOrder)
{
    const TBytes pixels(12, 0);
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(1, 1, 2, 2, 8), pixels)), OnlyTrueColour) << "type before map";
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(2, 1, 2, 2, 24), pixels)), ColourMapped);
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(10, 1, 2, 2, 24), pixels)), ColourMapped);
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(2, 0, 2, 2, 16), pixels)), OnlyTrueColour);
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(10, 0, 2, 2, 16), pixels)), OnlyTrueColour);
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(10, 0, 2, 2, 24), pixels)), OnlyStandard);
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(3, 0, 2, 2, 24), pixels)), OnlyTrueColour) << "grey";
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(2, 0, 2, 2, 24), pixels)), "(no error)");
}

TEST(TGAReadTest, ImageIdAndOrientation)
{
    // Bottom row blue, top row red as stored bottom-up; an image ID before them.
    const TBytes bottomUp = {255, 0, 0, 0, 0, 255};
    TTGABitmap image;
    ReadBytes(image, Concat(Concat(Header(2, 0, 1, 2, 24, 0, 5), {'h', 'e', 'l', 'l', 'o'}), bottomUp));
    EXPECT_EQ(PixelAt(image, 0, 0), Red);
    EXPECT_EQ(PixelAt(image, 0, 1), Blue);
    // The top-to-bottom descriptor bit: the first row stored is the top row.
    ReadBytes(image, Concat(Header(2, 0, 1, 2, 24, 0x20), bottomUp));
    EXPECT_EQ(PixelAt(image, 0, 0), Blue);
    EXPECT_EQ(PixelAt(image, 0, 1), Red);
    // Alpha bits in the descriptor change nothing.
    ReadBytes(image, Concat(Header(2, 0, 1, 1, 32, 0x08), {1, 2, 3, 4}));
    EXPECT_EQ(image.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(PixelAt(image, 0, 0), RGB(3, 2, 1));
    EXPECT_EQ(image.ScanLine(0)[3], 4);
}

TEST(TGAReadTest, SizeRuleAndShortFiles)
{
    EXPECT_EQ(ReadError<TTGABitmap>(TBytes(17, 0)), "Error reading TGA file: Header too short.");
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(2, 0, 65535, 65535, 24), TBytes(12, 0))),
              "Error reading TGA file: Image too large.");
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(2, 0, 16384, 16384, 24), TBytes(12, 0))),
              "Error reading TGA file: Pixel data missing.");
    EXPECT_EQ(ReadError<TTGABitmap>(Concat(Header(2, 0, 1, 1, 24, 0, 200), TBytes(12, 0))),
              "Error reading TGA file: Pixel data missing.") << "the ID runs past the end";

    // One row and a bit: the rest is black.
    TTGABitmap image;
    ReadBytes(image, Concat(Header(2, 0, 2, 3, 24), {255, 0, 0, 255, 0, 0, 9}));
    EXPECT_EQ(PixelAt(image, 0, 2), Blue);
    EXPECT_EQ(PixelAt(image, 1, 2), Blue);
    EXPECT_EQ(PixelAt(image, 0, 1), RGB(0, 0, 9));
    EXPECT_EQ(PixelAt(image, 1, 1), clBlack);
    EXPECT_EQ(PixelAt(image, 0, 0), clBlack);
}

TEST(TGAReadTest, AFailedReadLeavesTheImageAsItWas)
{
    TTGABitmap image;
    PrepareRaster(image, 2, 1);
    image.Canvas().SetPixel(1, 0, Red);
    for (const TBytes& bad : {Header(1, 0, 2, 2, 24), Concat(Header(2, 0, 9, 9, 32), {1, 2}), TBytes(3, 0)}) {
        TMemoryStream stream(bad);
        EXPECT_THROW(image.ReadFromStream(stream), Exception);
        EXPECT_EQ(image.Width(), 2);
        EXPECT_EQ(image.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(PixelAt(image, 1, 0), Red);
    }
}
