#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Exceptions.h"
#include "RasterTesting.h"
#include "Streams.h"
#include "PpmImage.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// The 2 x 1 picture: pure red, then pure blue.
void MakeRedBlue(TBitmap& image)
{
    PrepareRaster(image, 2, 1);
    image.Canvas().SetPixel(0, 0, RGB(255, 0, 0));
    image.Canvas().SetPixel(1, 0, RGB(0, 0, 255));
}

std::unique_ptr<TPPMBitmap> Read(const std::string& file)
{
    auto image = std::make_unique<TPPMBitmap>();
    TMemoryStream stream(Bytes(file));
    image->ReadFromStream(stream);
    return image;
}

std::string ErrorOf(const std::string& file)
{
    try {
        Read(file);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

std::string Written(const TPPMBitmap& image)
{
    TMemoryStream stream;
    image.WriteToStream(stream);
    return Text(stream.Bytes());
}

const std::string WrongType = "Error reading PPM file: Wrong file type.";
const std::string OutOfRange = "Error reading PPM file: Sample out of range.";

} // namespace

TEST(PPMWriteTest, BinaryLayout)
{
    TPPMBitmap image;
    MakeRedBlue(image);
    std::string file = Written(image);
    ASSERT_EQ(file.substr(0, 5), "P6\n# ");
    size_t commentEnd = file.find('\n', 3);
    ASSERT_NE(commentEnd, std::string::npos);
    for (size_t i = 3; i < commentEnd; ++i) EXPECT_TRUE(file[i] >= 0x20 && file[i] < 0x7F);
    EXPECT_EQ(file.substr(commentEnd + 1), std::string("2 1\n255\n\xFF\x00\x00\x00\x00\xFF", 14));
}

TEST(PPMWriteTest, TextLayoutHasNoLineBreaksInThePixels)
{
    TPPMBitmap image;
    TMemoryStream text(Bytes("P3\n2 1\n255\n255 0 0 0 0 255\n"));
    image.ReadFromStream(text);
    ASSERT_TRUE(image.TextVariant());
    std::string file = Written(image);
    ASSERT_EQ(file.substr(0, 3), "P3\n");
    EXPECT_EQ(file.substr(file.find("2 1\n")), "2 1\n255\n255 0 0 0 0 255 ");
}

TEST(PPMWriteTest, PalettisedImagesAreWrittenWithTheirColours)
{
    TPPMBitmap image;
    MakeRedBlue(image);
    image.SetPixelFormat(TPixelFormat::pf4bit);
    std::string file = Written(image);
    EXPECT_EQ(file.substr(file.size() - 6), std::string("\xFF\x00\x00\x00\x00\xFF", 6));
    EXPECT_EQ(image.PixelFormat(), TPixelFormat::pf4bit) << "writing leaves the image alone";
}

TEST(PPMRoundTripTest, BothVariantsAndWideImages)
{
    for (int32_t width : {1, 3, 2731, 5000}) {
        TPPMBitmap image;
        PrepareRaster(image, width, 3);
        for (int32_t x = 0; x < width; ++x) image.Canvas().SetPixel(x, x % 3, RGB(x & 255, (x >> 8) & 255, 7));
        for (bool textVariant : {false, true}) {
            TMemoryStream stream;
            if (textVariant) {
                // Only a text file read in makes the image write text.
                TMemoryStream p3(Bytes("P3\n1 1\n255\n0 0 0"));
                TPPMBitmap seed;
                seed.ReadFromStream(p3);
                seed.Assign(image);
                seed.WriteToStream(stream);
            } else {
                image.WriteToStream(stream);
            }
            stream.SetPosition(0);
            TPPMBitmap back;
            back.ReadFromStream(stream);
            EXPECT_EQ(back.TextVariant(), textVariant);
            EXPECT_TRUE(SamePixels(back, image)) << width << (textVariant ? " text" : " binary");
            EXPECT_EQ(stream.Position(), stream.Size());
        }
    }
}

TEST(PPMReadTest, AcceptedHeaderLayouts)
{
    const std::string pixels("\xFF\x00\x00\x00\x00\xFF", 6);
    for (const std::string& header : {std::string("P6 2 1 255\n"), std::string("P6\n# one\n#two\n2 1\n255\n"),
                                      std::string("P6\n\n\n2 1\n\n255\n"), std::string("P6\n  2   1  255\n"),
                                      std::string("P6\n2 1\n255 ")}) {
        auto image = Read(header + pixels);
        ASSERT_EQ(image->Width(), 2) << header;
        EXPECT_EQ(PixelAt(*image, 0, 0), RGB(255, 0, 0)) << header;
        EXPECT_EQ(PixelAt(*image, 1, 0), RGB(0, 0, 255)) << header;
    }
}

TEST(PPMReadTest, TextSamplesAndTheirEnd)
{
    auto image = Read("P3\n1 2\n255\n1 2 3\n4 5 6");
    EXPECT_EQ(PixelAt(*image, 0, 0), RGB(1, 2, 3));
    EXPECT_EQ(PixelAt(*image, 0, 1), RGB(4, 5, 6));
    EXPECT_EQ(ErrorOf("P3\n1 2\n255\n1 2 3\n4 5"), "'' is not a valid integer value");
    EXPECT_EQ(ErrorOf("P3\n1 1\n255\n1 x 3"), "'x' is not a valid integer value");
    EXPECT_EQ(ErrorOf("P3\n1 1\n255\n1\t2 3"), "'1\t2' is not a valid integer value");
}

TEST(PPMReadTest, WrongFileTypes)
{
    EXPECT_EQ(ErrorOf("P6\r\n2 1\n255\n"), WrongType);
    EXPECT_EQ(ErrorOf("P5\n2 1\n255\n"), WrongType);
    EXPECT_EQ(ErrorOf(""), WrongType);
    EXPECT_EQ(ErrorOf("P"), WrongType);
    EXPECT_EQ(ErrorOf("BM"), WrongType);
}

TEST(PPMReadTest, TheFlagFollowsTheMagicEvenWhenTheNextByteIsWrong)
{
    TPPMBitmap image;
    TMemoryStream stream(Bytes("P3x"));
    EXPECT_THROW(image.ReadFromStream(stream), Exception);
    EXPECT_TRUE(image.TextVariant());
}

TEST(PPMReadTest, MaximumSampleValueIsHonoured)
{
    // 15 -> 255, 7 -> round(7 * 17) = 119, 8 -> 136.
    auto image = Read(std::string("P6\n1 1\n15\n\x0F\x07\x08", 13));
    EXPECT_EQ(PixelAt(*image, 0, 0), RGB(255, 119, 136));
    // Two bytes, big-endian, above 255.
    image = Read(std::string("P6\n1 1\n65535\n\xFF\xFF\x80\x00\x00\x80", 19));
    EXPECT_EQ(PixelAt(*image, 0, 0), RGB(255, 128, 0));
    image = Read("P3\n1 1\n1000\n1000 500 2");
    EXPECT_EQ(PixelAt(*image, 0, 0), RGB(255, 128, 1));
    // Halves go up: 1 * 255 / 2 = 127.5.
    image = Read("P3\n1 1\n2\n1 0 2");
    EXPECT_EQ(PixelAt(*image, 0, 0), RGB(128, 0, 255));
}

TEST(PPMReadTest, BadMaximumSampleValues)
{
    for (const char* maxval : {"0", "-1", "abc", "65536", "99999999999", "255x"})
        EXPECT_EQ(ErrorOf(std::string("P6\n1 1\n") + maxval + "\n\x01\x02\x03"), WrongType) << maxval;
    EXPECT_EQ(ErrorOf("P6\n1 1\n"), WrongType) << "missing";
}

TEST(PPMReadTest, SamplesAboveTheMaximumFail)
{
    EXPECT_EQ(ErrorOf("P3\n1 1\n255\n300 0 0"), OutOfRange);
    EXPECT_EQ(ErrorOf("P3\n1 1\n255\n-1 0 0"), OutOfRange);
    EXPECT_EQ(ErrorOf(std::string("P6\n1 1\n15\n\x10\x00\x00", 13)), OutOfRange);
}

TEST(PPMReadTest, SizeRule)
{
    EXPECT_EQ(ErrorOf("P6\n16385 16384\n255\n"), "Error reading PPM file: Image too large.");
    EXPECT_EQ(ErrorOf("P6\n2147483647 2147483647\n255\n"), "Error reading PPM file: Image too large.");
    EXPECT_EQ(ErrorOf("P3\n16385 16384\n255\n1 2 3"), "Error reading PPM file: Image too large.");
    EXPECT_EQ(ErrorOf("P6\n-2 1\n255\n"), "Error reading PPM file: Invalid image size.");
    EXPECT_EQ(ErrorOf("P6\n99999999999 1\n255\n"), "'99999999999' is not a valid integer value");
    // Less than one complete row of binary data, before anything is allocated.
    EXPECT_EQ(ErrorOf("P6\n16384 16384\n255\n\x01\x02"), "Error reading PPM file: Pixel data missing.");
    EXPECT_EQ(ErrorOf("P6\n2 1\n255\n\x01\x02\x03\x04\x05"), "Error reading PPM file: Pixel data missing.");
    // A size line that is missing or short.
    EXPECT_EQ(ErrorOf("P6\n# only a comment\n"), "Error reading PPM file: Image size missing.");
    EXPECT_EQ(ErrorOf("P6\n"), "Error reading PPM file: Image size missing.");
    EXPECT_EQ(ErrorOf("P6\n2\n1\n255\n"), "Error reading PPM file: Image size missing.");
}

TEST(PPMReadTest, DataThatEndsAfterTheFirstRowReadsWithBlackPixels)
{
    auto image = Read(std::string("P6\n2 2\n255\n\x01\x02\x03\x04\x05\x06\x07\x08", 19));
    EXPECT_EQ(PixelAt(*image, 0, 0), RGB(1, 2, 3));
    EXPECT_EQ(PixelAt(*image, 1, 0), RGB(4, 5, 6));
    EXPECT_EQ(PixelAt(*image, 0, 1), RGB(7, 8, 0));
    EXPECT_EQ(PixelAt(*image, 1, 1), clBlack);
}

TEST(PPMReadTest, EmptyPicturesRead)
{
    auto image = Read("P6\n0 5\n255\n");
    EXPECT_EQ(image->Width(), 0);
    EXPECT_EQ(image->Height(), 5);
}

TEST(PPMReadTest, AFailedReadLeavesTheImageAsItWas)
{
    TPPMBitmap image;
    MakeRedBlue(image);
    for (const std::string& bad : {std::string("P6\n3 3\n255\n\x01"), std::string("P3\n1 1\n255\n1 2"),
                                   std::string("P6\n1 1\n15\n\xFF\xFF\xFF"), std::string("P7")}) {
        TMemoryStream stream(Bytes(bad));
        EXPECT_THROW(image.ReadFromStream(stream), Exception);
        EXPECT_EQ(image.Width(), 2);
        EXPECT_EQ(image.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(PixelAt(image, 1, 0), RGB(0, 0, 255));
    }
}

TEST(PPMReadTest, TheStreamStandsAfterTheLastByteConsumed)
{
    TMemoryStream stream(Bytes(std::string("P6\n1 1\n255\n\x01\x02\x03TRAILER", 17)));
    TPPMBitmap image;
    image.ReadFromStream(stream);
    EXPECT_EQ(stream.Position(), 14);
}

TEST(PPMReadTest, SidesAreCappedEvenWithoutPixels)
{
    // No pixels, but a reader must not walk billions of empty rows either.
    auto image = Read("P6\n0 268435456\n255\n");
    EXPECT_EQ(image->Height(), 268435456);
    EXPECT_EQ(ErrorOf("P6\n0 268435457\n255\n"), "Error reading PPM file: Image too large.");
    EXPECT_EQ(ErrorOf("P3\n2147483647 0\n255\n"), "Error reading PPM file: Image too large.");
}
