#include <gtest/gtest.h>

#include "AllocationProbe.h"
#include "Exceptions.h"
#include "FormatTesting.h"
#include "PictureFormats.h"
#include "RasterTesting.h"
#include "PngImage.h"

namespace {

// Every pixel a colour of its own, as far as 24 bits go.
void FillManyColours(TBitmap& picture, int32_t width, int32_t height)
{
    PrepareRaster(picture, width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            picture.Canvas().SetPixel(x, y, RGB(x * 7 + y, y * 13 + x * 3, (x * y) ^ 0x5A));
}

uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

uint32_t GetBig32(const TBytes& b, size_t at) { return b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]; }
void PutBig32(TBytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// A written file with its header claiming another size (the CRC made to fit).
TBytes WithSize(TBytes png, uint32_t width, uint32_t height)
{
    PutBig32(png, 16, width);
    PutBig32(png, 20, height);
    PutBig32(png, 29, Crc32(png.data() + 12, 17));
    return png;
}

// A TPNGBitmap that holds a 3 x 2 red picture, to see that failed reads keep it.
struct TRedPicture : TPNGBitmap {
    TRedPicture()
    {
        Canvas().Brush.Color = RGB(255, 0, 0);
        SetSize(3, 2);
    }
    bool Unchanged() const
    {
        return Width() == 3 && Height() == 2 && CountPixels(*this, [](TColor c) { return c == RGB(255, 0, 0); }) == 6;
    }
};

// A stream that takes nothing.
class TFullStream : public TMemoryStream {
public:
    size_t Write(const void*, size_t) override { return 0; }
};

} // namespace

TEST(PngTest, WrittenAsEightBitRgbAndReadBack)
{
    TPNGBitmap picture;
    FillManyColours(picture, 61, 17);
    const TBytes file = WrittenBytes(picture);
    ASSERT_GT(file.size(), 33u);
    EXPECT_EQ(TBytes(file.begin(), file.begin() + 8), (TBytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    EXPECT_EQ(std::string(file.begin() + 12, file.begin() + 16), "IHDR");
    EXPECT_EQ(GetBig32(file, 16), 61u);
    EXPECT_EQ(GetBig32(file, 20), 17u);
    EXPECT_EQ(TBytes(file.begin() + 24, file.begin() + 29), (TBytes{8, 2, 0, 0, 0})) << "8-bit RGB, not interlaced";
    EXPECT_EQ(std::string(file.end() - 8, file.end() - 4), "IEND");

    TRedPicture back;
    TMemoryStream header(file);
    EXPECT_EQ(back.ReadSizeFromStream(header), (TPictureSize{61, 17})) << "the header alone";
    EXPECT_TRUE(back.Unchanged());
    ReadBytes(back, file);
    EXPECT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_TRUE(SamePixels(back, picture));
}

TEST(PngTest, PalettisedPicturesAreWidened)
{
    for (TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit}) {
        TPNGBitmap picture;
        picture.SetPixelFormat(format);
        picture.SetPalette({TPaletteEntry::Of(RGB(10, 20, 30)), TPaletteEntry::Of(RGB(200, 100, 50))});
        picture.Canvas().Brush.Color = RGB(10, 20, 30);
        picture.SetSize(9, 3);
        picture.Canvas().Pen.Color = RGB(200, 100, 50);
        picture.Canvas().MovePenTo(0, 1);
        picture.Canvas().LineTo(9, 1);
        const TBytes file = WrittenBytes(picture);
        EXPECT_EQ(file[25], 2) << "colour type RGB";
        EXPECT_EQ(picture.PixelFormat(), format) << "writing leaves the picture as it was";
        TPNGBitmap back;
        ReadBytes(back, file);
        EXPECT_TRUE(SamePixels(back, picture)) << BitsPerPixel(format);
        EXPECT_EQ(PixelAt(back, 4, 1), RGB(200, 100, 50));
        EXPECT_EQ(PixelAt(back, 4, 2), RGB(10, 20, 30));
    }
}

TEST(PngTest, WriteFailuresAreReported)
{
    TPNGBitmap empty;
    TMemoryStream stream;
    try {
        empty.WriteToStream(stream);
        ADD_FAILURE() << "an empty picture was written";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Error writing PNG file: Empty picture.");
    }
    TPNGBitmap picture;
    FillManyColours(picture, 20, 20);
    TFullStream full;
    EXPECT_THROW(picture.WriteToStream(full), EStreamError) << "the stream's own error comes through";
}

TEST(PngTest, LimitsAreKeptBeforeThePictureIsMade)
{
    TPNGBitmap small;
    FillManyColours(small, 4, 1);
    const TBytes file = WrittenBytes(small);
    // Larger than the other readers take, by pixels and by a side.
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{16385, 16384}, {(1u << 28) + 1, 1}, {1, (1u << 28) + 1},
                        {0x7FFFFFFF, 0x7FFFFFFF}}) {
        TRedPicture image;
        TAllocationProbe probe;
        EXPECT_EQ(ReadError<TPNGBitmap>(WithSize(file, w, h)), "Error reading PNG file: Image too large.") << w << "x" << h;
        TMemoryStream header(WithSize(file, w, h));
        EXPECT_THROW(image.ReadSizeFromStream(header), Exception) << "the header read checks as much";
        EXPECT_LT(probe.Largest(), size_t{1} << 20);
    }
    // Allowed sizes whose data falls far short: refused before the picture's
    // room (768 MB and 48 MB) is taken.
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{16384, 16384}, {16384 * 16384, 1}, {1, 16384 * 1024}}) {
        TRedPicture image;
        TAllocationProbe probe;
        try {
            ReadBytes(image, WithSize(file, w, h));
            ADD_FAILURE() << w << "x" << h << " read";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Error reading PNG file: Pixel data missing.");
        }
        EXPECT_TRUE(image.Unchanged());
        EXPECT_LT(probe.Largest(), size_t{1} << 20) << w << "x" << h;
    }
    // Size 0 is no PNG.
    EXPECT_EQ(ReadError<TPNGBitmap>(WithSize(file, 0, 1)), "Error reading PNG file: Invalid image width.");
}

TEST(PngTest, FailedReadsKeepThePicture)
{
    TPNGBitmap picture;
    FillManyColours(picture, 40, 30);
    const TBytes file = WrittenBytes(picture);
    TBytes damaged = file;
    damaged[40] ^= 0xFF; // inside the image data: its checksum no longer fits
    TBytes noSignature = file;
    noSignature[1] = 'p';
    const std::vector<std::pair<TBytes, std::string>> cases = {
        {TBytes(), "Error reading PNG file: Unexpected end of file."},
        {noSignature, "Error reading PNG file: Invalid signature."},
        {TBytes(file.begin(), file.begin() + 33), "Error reading PNG file: Unexpected end of file."},
        {TBytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2)),
         "Error reading PNG file: Unexpected end of file."},
        {damaged, ""},
    };
    for (const auto& [bytes, message] : cases) {
        TRedPicture image;
        try {
            ReadBytes(image, bytes);
            ADD_FAILURE() << "read " << bytes.size() << " bytes";
        } catch (const Exception& e) {
            if (!message.empty()) {
                EXPECT_EQ(e.Message(), message);
            }
            EXPECT_EQ(e.Message().rfind("Error reading PNG file: ", 0), 0u) << e.Message();
        }
        EXPECT_TRUE(image.Unchanged()) << bytes.size();
    }
}

TEST(PngTest, NotAPictureFormatOfTheWindow)
{
    // Save As and its preview offer the registry's formats: these four alone.
    std::vector<std::string> extensions;
    for (const TPictureFormat& format : PictureFormats()) extensions.push_back(format.Extension);
    EXPECT_EQ(extensions, (std::vector<std::string>{"BMP", "PPM", "TGA", "M8"}));
    EXPECT_EQ(FindPictureFormatForFile("fern.png"), nullptr);
    try {
        LoadPicture("fern.png");
        ADD_FAILURE() << "fern.png loaded";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.png)");
    }
}
