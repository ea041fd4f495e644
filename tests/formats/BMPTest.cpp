#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "Bitmap.h"
#include "FormatTesting.h"
#include "RasterTesting.h"

namespace {

constexpr TColor Red = RGB(255, 0, 0), Green = RGB(0, 255, 0), Blue = RGB(0, 0, 255), White = clWhite;

void Set32(TBytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A BMP file: file header, an info header of headerSize bytes (the fields past
// the first 40 zero), then extra (masks, palette) and the pixel data.
TBytes Bmp(int32_t width, int32_t height, int bits, uint32_t compression, const TBytes& extra, const TBytes& data,
           uint32_t headerSize = 40, uint32_t colours = 0)
{
    TBytes b = {'B', 'M'};
    const uint32_t offset = 14 + headerSize + static_cast<uint32_t>(extra.size());
    Add32(b, offset + static_cast<uint32_t>(data.size()));
    Add32(b, 0);
    Add32(b, offset);
    Add32(b, headerSize);
    Add32(b, static_cast<uint32_t>(width));
    Add32(b, static_cast<uint32_t>(height));
    Add16(b, 1);
    Add16(b, static_cast<uint32_t>(bits));
    Add32(b, compression);
    Add32(b, static_cast<uint32_t>(data.size()));
    Add32(b, 0);
    Add32(b, 0);
    Add32(b, colours);
    Add32(b, 0);
    b.resize(14 + headerSize, 0);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

TBytes Quads(std::initializer_list<TColor> colours)
{
    TBytes b;
    for (TColor c : colours) AddBytes(b, {GetBlue(c), GetGreen(c), GetRed(c), 0});
    return b;
}

std::unique_ptr<TBitmap> Read(const TBytes& bytes)
{
    auto image = std::make_unique<TBitmap>();
    ReadBytes(*image, bytes);
    return image;
}

std::vector<TColor> Row(const TBitmap& image, int32_t y)
{
    std::vector<TColor> row;
    for (int32_t x = 0; x < image.Width(); ++x) row.push_back(PixelAt(image, x, y));
    return row;
}

// A picture with a different colour in nearly every pixel, in the given format.
void MakeTestPicture(TBitmap& image, int32_t width, int32_t height, TPixelFormat format)
{
    PrepareRaster(image, width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) image.Canvas().SetPixel(x, y, PaletteColor(static_cast<uint8_t>((x * 7 + y * 3) % 16)));
    image.SetPixelFormat(format);
}

const std::string Missing = "Error reading BMP file: Pixel data missing.";

} // namespace

TEST(BMPWriteTest, TwentyFourBitLayout)
{
    TBitmap image;
    PrepareRaster(image, 2, 2);
    image.Canvas().SetPixel(0, 0, Red);   // top left
    image.Canvas().SetPixel(1, 1, Blue);  // bottom right
    TBytes file = WrittenBytes(image);
    ASSERT_EQ(file.size(), 54u + 2 * 8);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Get32At(file, 2), file.size());
    EXPECT_EQ(Get32At(file, 10), 54u);
    EXPECT_EQ(Get32At(file, 14), 40u);
    EXPECT_EQ(Get32At(file, 18), 2u);
    EXPECT_EQ(Get32At(file, 22), 2u) << "positive height: rows bottom-up";
    EXPECT_EQ(file[26] | (file[27] << 8), 1);
    EXPECT_EQ(file[28] | (file[29] << 8), 24);
    EXPECT_EQ(Get32At(file, 30), 0u) << "BI_RGB";
    EXPECT_EQ(Get32At(file, 34), 16u);
    // Bottom row first, each padded from 6 to 8 bytes.
    EXPECT_EQ(TBytes(file.begin() + 54, file.end()),
              (TBytes{0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0}));
}

TEST(BMPWriteTest, PalettisedLayoutAndIndicesBeyondThePalette)
{
    TBitmap image;
    PrepareRaster(image, 10, 1);
    image.Canvas().SetPixel(0, 0, White);
    image.Canvas().SetPixel(9, 0, White);
    image.SetPixelFormat(TPixelFormat::pf1bit);
    TBytes file = WrittenBytes(image);
    EXPECT_EQ(file[28], 1);
    EXPECT_EQ(Get32At(file, 46), 2u) << "colours used";
    EXPECT_EQ(Get32At(file, 10), 54u + 2 * 4);
    // Pixels from the high bit; the unused bits of the last byte are 0.
    const TBytes pixels(file.begin() + 62, file.end());
    const uint8_t white = image.Palette()[1].Color() == White ? 1 : 0;
    EXPECT_EQ(pixels.size(), 4u);
    EXPECT_EQ(pixels[0], white ? 0x80 : 0x7F);
    EXPECT_EQ(pixels[1], white ? 0x40 : 0x80);

    // A palette shorter than the indices the pixels use gets black entries.
    TBitmap eight;
    eight.SetPixelFormat(TPixelFormat::pf8bit);
    eight.SetPalette({TPaletteEntry::Of(Red)});
    eight.SetSize(2, 1);
    eight.ScanLine(0)[0] = 0;
    eight.ScanLine(0)[1] = 5;
    file = WrittenBytes(eight);
    EXPECT_EQ(Get32At(file, 46), 6u);
    auto back = Read(file);
    EXPECT_EQ(Row(*back, 0), (std::vector<TColor>{Red, clBlack}));
}

TEST(BMPRoundTripTest, EveryPixelFormat)
{
    for (TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit,
                                TPixelFormat::pf32bit}) {
        for (int32_t width : {1, 3, 5, 33}) {
            TBitmap image;
            MakeTestPicture(image, width, 3, format);
            if (format == TPixelFormat::pf32bit) image.ScanLine(1)[3] = 0x5A; // the fourth byte as held
            TMemoryStream stream;
            stream.Write("xyz", 3); // the file need not start the stream
            image.WriteToStream(stream);
            stream.SetPosition(3);
            TBitmap back;
            back.ReadFromStream(stream);
            EXPECT_EQ(stream.Position(), stream.Size());
            EXPECT_EQ(back.PixelFormat(), format) << BitsPerPixel(format) << " bits, width " << width;
            EXPECT_EQ(back.Palette(), image.Palette());
            EXPECT_TRUE(SamePixels(back, image)) << BitsPerPixel(format) << " bits, width " << width;
            if (format == TPixelFormat::pf32bit) {
                EXPECT_EQ(back.ScanLine(1)[3], 0x5A);
            }
        }
    }
}

TEST(BMPReadTest, SixteenBitsBecomeTwentyFour)
{
    // 5-5-5 by default: 0x7FFF white, 0x7C00 red, 0x0010 a half blue (16 * 255 / 31).
    TBytes data;
    Add16(data, 0x7FFF);
    Add16(data, 0x7C00);
    Add16(data, 0x0010);
    Add16(data, 0);
    auto image = Read(Bmp(3, 1, 16, 0, {}, data));
    EXPECT_EQ(image->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Row(*image, 0), (std::vector<TColor>{White, Red, RGB(0, 0, 132)}));

    // 5-6-5 through BI_BITFIELDS masks after the header.
    TBytes masks;
    Add32(masks, 0xF800);
    Add32(masks, 0x07E0);
    Add32(masks, 0x001F);
    data.clear();
    Add16(data, 0x07E0);
    Add16(data, 0x0020);
    image = Read(Bmp(2, 1, 16, 3, masks, data));
    EXPECT_EQ(Row(*image, 0), (std::vector<TColor>{Green, RGB(0, 4, 0)}));
}

TEST(BMPReadTest, BitfieldsInV4AndV5Headers)
{
    // 32 bits with red in the low byte and an alpha mask, masks in a V5 header.
    for (uint32_t headerSize : {108u, 124u}) {
        TBytes data;
        Add32(data, 0x80FF0010); // alpha 0x80, blue 0xFF, green 0x00, red 0x10
        TBytes file = Bmp(1, 1, 32, 3, {}, data, headerSize);
        Set32(file, 14 + 40, 0x000000FF);
        Set32(file, 14 + 44, 0x0000FF00);
        Set32(file, 14 + 48, 0x00FF0000);
        Set32(file, 14 + 52, 0xFF000000);
        auto image = Read(file);
        EXPECT_EQ(image->PixelFormat(), TPixelFormat::pf32bit);
        EXPECT_EQ(PixelAt(*image, 0, 0), RGB(0x10, 0, 0xFF)) << headerSize;
        EXPECT_EQ(image->ScanLine(0)[3], 0x80);
        // BI_RGB ignores the masks in the header.
        Set32(file, 30, 0);
        EXPECT_EQ(PixelAt(*Read(file), 0, 0), RGB(0xFF, 0, 0x10)) << headerSize;
    }
}

TEST(BMPReadTest, TopDownAndTheOldCoreHeader)
{
    TBytes data = {0, 0, 0xFF, 0, 0xFF, 0, 0, 0}; // red row, then blue row (3 bytes + 1 padding)
    auto image = Read(Bmp(1, -2, 24, 0, {}, data));
    EXPECT_EQ(PixelAt(*image, 0, 0), Red);
    EXPECT_EQ(PixelAt(*image, 0, 1), Blue);
    image = Read(Bmp(1, 2, 24, 0, {}, data));
    EXPECT_EQ(PixelAt(*image, 0, 0), Blue);

    // The 12-byte header: 16-bit sizes and three-byte palette entries.
    TBytes core = {'B', 'M'};
    Add32(core, 0);
    Add32(core, 0);
    Add32(core, 14 + 12 + 6);
    Add32(core, 12);
    Add16(core, 2);
    Add16(core, 1);
    Add16(core, 1);
    Add16(core, 1);
    AddBytes(core, {0, 0, 0xFF, 0xFF, 0, 0}); // red, blue
    AddBytes(core, {0x40, 0, 0, 0});          // pixels 0, 1
    image = Read(core);
    EXPECT_EQ(image->PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(Row(*image, 0), (std::vector<TColor>{Red, Blue}));
}

TEST(BMPReadTest, RunLengthEncodedEightBits)
{
    // Bottom row: a run of 3 of index 1, absolute 3 indices (padded), end of
    // line; a delta of (1, 1) skips to the top row; a run past the width is
    // clipped; end of bitmap.
    TBytes data = {3, 1, 0, 3, 2, 0, 1, 0, 0, 0, 0, 2, 1, 1, 9, 2, 0, 1};
    auto image = Read(Bmp(6, 3, 8, 1, Quads({clBlack, Red, Blue}), data));
    EXPECT_EQ(image->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(Row(*image, 2), (std::vector<TColor>{Red, Red, Red, Blue, clBlack, Red}));
    EXPECT_EQ(Row(*image, 1), std::vector<TColor>(6, clBlack));
    EXPECT_EQ(Row(*image, 0), (std::vector<TColor>{clBlack, Blue, Blue, Blue, Blue, Blue}));
}

TEST(BMPReadTest, RunLengthEncodedFourBits)
{
    // A run of 5 alternating 1 and 2; absolute 3 nibbles 2, 1, 2 in two bytes; end.
    TBytes data = {5, 0x12, 0, 3, 0x21, 0x20, 0, 1};
    auto image = Read(Bmp(8, 1, 4, 2, Quads({clBlack, Red, Blue}), data));
    EXPECT_EQ(image->PixelFormat(), TPixelFormat::pf4bit);
    EXPECT_EQ(Row(*image, 0), (std::vector<TColor>{Red, Blue, Red, Blue, Red, Blue, Red, Blue}));
}

TEST(BMPReadTest, PaletteSizes)
{
    // A full table declared (0 colours) but only two entries before the pixels.
    TBytes file = Bmp(2, 1, 8, 0, Quads({Red, Blue}), {1, 0, 0, 0});
    auto image = Read(file);
    EXPECT_EQ(image->Palette().size(), 2u);
    EXPECT_EQ(Row(*image, 0), (std::vector<TColor>{Blue, Red}));
    // More colours declared than the bit count allows: the table is capped.
    file = Bmp(1, 1, 1, 0, Quads({Red, Blue, Green}), {0x80, 0, 0, 0}, 40, 3);
    EXPECT_EQ(Read(file)->Palette().size(), 2u);
}

TEST(BMPReadTest, Errors)
{
    const TBytes good = Bmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    EXPECT_EQ(ReadError<TBitmap>({}), "Error reading BMP file: Wrong file type.");
    EXPECT_EQ(ReadError<TBitmap>({'P', '6'}), "Error reading BMP file: Wrong file type.");
    EXPECT_EQ(ReadError<TBitmap>(TBytes(good.begin(), good.begin() + 10)), "Error reading BMP file: Header too short.");
    EXPECT_EQ(ReadError<TBitmap>(TBytes(good.begin(), good.begin() + 40)), "Error reading BMP file: Header too short.");

    auto changed = [&](size_t at, uint32_t value, int bytes = 4) {
        TBytes b = good;
        for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
        return ReadError<TBitmap>(b);
    };
    EXPECT_EQ(changed(14, 20), "Error reading BMP file: Unsupported header.");
    EXPECT_EQ(changed(28, 7, 2), "Error reading BMP file: Unsupported bit count.");
    EXPECT_EQ(changed(30, 4), "Error reading BMP file: Unsupported compression.") << "JPEG";
    EXPECT_EQ(changed(30, 1), "Error reading BMP file: Unsupported compression.") << "RLE8 at 24 bits";
    EXPECT_EQ(changed(30, 3), "Error reading BMP file: Unsupported compression.") << "bitfields at 24 bits";
    EXPECT_EQ(changed(18, static_cast<uint32_t>(-1)), "Error reading BMP file: Invalid image size.");
    EXPECT_EQ(changed(22, static_cast<uint32_t>(INT32_MIN)), "Error reading BMP file: Image too large.");
    EXPECT_EQ(changed(18, 16385), Missing);
    EXPECT_EQ(ReadError<TBitmap>(Bmp(16385, 16384, 24, 0, {}, {})), "Error reading BMP file: Image too large.");
    EXPECT_EQ(changed(10, 53), "Error reading BMP file: Invalid pixel data offset.") << "inside the header";
    EXPECT_EQ(changed(10, 59), "Error reading BMP file: Invalid pixel data offset.") << "past the end";
    EXPECT_EQ(changed(10, 58), Missing) << "at the end";
    // Bitfield masks that the file does not hold.
    EXPECT_EQ(ReadError<TBitmap>(Bmp(1, 1, 32, 3, {}, {})), "Error reading BMP file: Header too short.");
}

TEST(BMPReadTest, SizeRuleAndDataThatEndsEarly)
{
    // Less than one complete row fails before the picture is allocated.
    EXPECT_EQ(ReadError<TBitmap>(Bmp(16384, 16384, 24, 0, {}, TBytes(100))), Missing);
    EXPECT_EQ(ReadError<TBitmap>(Bmp(2, 2, 24, 0, {}, TBytes(5))), Missing);
    EXPECT_EQ(ReadError<TBitmap>(Bmp(600, 2, 8, 1, Quads({Red}), {0, 1})), Missing) << "RLE: 600 pixels need 3 runs";

    // One row and a bit: the rest is black.
    auto image = Read(Bmp(2, 3, 24, 0, {}, {0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xFF}));
    EXPECT_EQ(Row(*image, 2), (std::vector<TColor>{Blue, Blue}));
    EXPECT_EQ(Row(*image, 1), (std::vector<TColor>{Green, clBlack})) << "a partial pixel keeps the bytes it has";
    EXPECT_EQ(Row(*image, 0), (std::vector<TColor>{clBlack, clBlack}));
    // A palettised file shows missing pixels in its entry nearest to black.
    image = Read(Bmp(4, 2, 8, 0, Quads({White, RGB(10, 10, 10), Red}), {2, 2, 2, 2}));
    EXPECT_EQ(Row(*image, 1), (std::vector<TColor>{Red, Red, Red, Red}));
    EXPECT_EQ(Row(*image, 0), std::vector<TColor>(4, RGB(10, 10, 10)));
    // Empty pictures read.
    EXPECT_EQ(Read(Bmp(0, 5, 24, 0, {}, {}))->Height(), 5);
}

TEST(BMPReadTest, AFailedReadLeavesTheImageAsItWas)
{
    TBitmap image;
    MakeTestPicture(image, 3, 2, TPixelFormat::pf4bit);
    TBitmap before;
    before.Assign(image);
    for (const TBytes& bad : {Bmp(2, 2, 24, 0, {}, TBytes(5)), Bmp(1, 1, 7, 0, {}, TBytes(4)), TBytes{'B', 'M', 1}}) {
        TMemoryStream stream(bad);
        EXPECT_THROW(image.ReadFromStream(stream), Exception);
        EXPECT_EQ(image.PixelFormat(), TPixelFormat::pf4bit);
        EXPECT_EQ(image.Palette(), before.Palette());
        EXPECT_TRUE(SamePixels(image, before));
    }
}
