// Reading a picture's size from its header alone: the size the full read
// gives, and never the pixels' memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include "AllocationProbe.h"
#include "FormatTesting.h"
#include "PictureFiles.h"
#include "PictureFormats.h"
#include "RasterTesting.h"
#include "M8Image.h"
#include "PpmImage.h"
#include "TgaImage.h"

namespace fs = std::filesystem;

namespace {

struct TFormatCase {
    const char* Folder;
    std::unique_ptr<TBitmap> (*Create)();
};

const TFormatCase Formats[] = {
    {"bmp", CreateImage<TBitmap>},
    {"ppm", CreateImage<TPPMBitmap>},
    {"tga", CreateImage<TTGABitmap>},
    {"m8", CreateImage<TM8Bitmap>},
};

std::optional<TPictureSize> FullReadSize(const TFormatCase& format, const TBytes& bytes)
{
    std::unique_ptr<TBitmap> image = format.Create();
    try {
        ReadBytes(*image, bytes);
    } catch (const Exception&) {
        return std::nullopt;
    }
    return TPictureSize{image->Width(), image->Height()};
}

std::optional<TPictureSize> HeaderSize(const TFormatCase& format, const TBytes& bytes)
{
    std::unique_ptr<TBitmap> image = format.Create();
    TMemoryStream stream(bytes);
    try {
        return image->ReadSizeFromStream(stream);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

TBytes FileBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> SampleFiles(const char* folder)
{
    std::vector<fs::path> files;
    for (const fs::path& dir : {fs::path(PELORIX_SOURCE_DIR) / "formats/fuzz/corpus" / folder,
                                fs::path(PELORIX_SOURCE_DIR) / "tests/formats/fuzz-regressions" / folder}) {
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

// Every sample file, every prefix of it and every one-byte change in its first
// bytes: where the full read succeeds, the header read gives the same size.
TEST(HeaderReadTest, AgreesWithTheFullReadWhereverItSucceeds)
{
    for (const TFormatCase& format : Formats) {
        const std::vector<fs::path> files = SampleFiles(format.Folder);
        ASSERT_FALSE(files.empty()) << format.Folder;
        int fullReads = 0;
        for (const fs::path& file : files) {
            const TBytes whole = FileBytes(file);
            ASSERT_TRUE(FullReadSize(format, whole).has_value()) << file;
            std::vector<TBytes> variants;
            for (size_t length = 0; length <= whole.size(); length += std::max<size_t>(1, whole.size() / 97))
                variants.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            variants.push_back(whole);
            for (size_t at = 0; at < std::min<size_t>(whole.size(), 64); ++at)
                for (uint8_t value : {0x00, 0x01, 0x7F, 0xFF}) {
                    TBytes changed = whole;
                    changed[at] = value;
                    variants.push_back(std::move(changed));
                }
            for (const TBytes& bytes : variants) {
                const std::optional<TPictureSize> header = HeaderSize(format, bytes);
                // A changed size byte may claim a picture too large to read here.
                if (header && int64_t{header->Width} * header->Height > (1 << 20)) continue;
                const std::optional<TPictureSize> full = FullReadSize(format, bytes);
                if (!full) continue;
                ++fullReads;
                ASSERT_TRUE(header.has_value()) << file << ", " << bytes.size() << " bytes";
                EXPECT_EQ(header->Width, full->Width) << file;
                EXPECT_EQ(header->Height, full->Height) << file;
            }
        }
        EXPECT_GT(fullReads, static_cast<int>(files.size())) << format.Folder;
    }
}

TEST(HeaderReadTest, WrittenPicturesReadBackTheirSize)
{
    for (const TFormatCase& format : Formats) {
        for (TPictureSize size : {TPictureSize{7, 3}, TPictureSize{1, 9}, TPictureSize{0, 4}}) {
            std::unique_ptr<TBitmap> image = format.Create();
            PrepareRaster(*image, size.Width, size.Height);
            TMemoryStream stream;
            image->WriteToStream(stream);
            const std::optional<TPictureSize> header = HeaderSize(format, stream.Bytes());
            ASSERT_TRUE(header.has_value()) << format.Folder;
            EXPECT_EQ(*header, size) << format.Folder;
        }
    }
}

// A picture of a quarter of a billion pixels whose file holds one row: the
// header read names its size without claiming the gigabyte the pixels need.
TEST(HeaderReadTest, AHugePictureIsSizedWithoutItsPixels)
{
    const int32_t side = 16384;
    TBytes bmp = {'B', 'M'};
    Add32(bmp, 0);
    Add32(bmp, 0);
    Add32(bmp, 54);
    Add32(bmp, 40);
    Add32(bmp, side);
    Add32(bmp, side);
    Add16(bmp, 1);
    Add16(bmp, 24);
    bmp.resize(54 + side * 3, 0);

    const std::string ppmHeader = "P6\n16384 16384\n255\n";
    TBytes ppm(ppmHeader.begin(), ppmHeader.end());
    ppm.resize(ppm.size() + side * 3, 0);

    TBytes tga(18, 0);
    tga[2] = 2;
    tga[12] = tga[13] = 0xFF; // 65535 x 4096
    tga[15] = 0x10;
    tga[16] = 24;
    tga.resize(18 + 65535 * 3, 0);

    TBytes m8(1040, 0);
    for (size_t at : {36, 100}) m8[at + 1] = 0x40; // 16384
    m8[164] = 0x10;                                // pixel data at 1040
    m8[165] = 0x04;
    m8.resize(1040 + side, 0);

    const std::pair<const TFormatCase*, const TBytes*> cases[] = {
        {&Formats[0], &bmp}, {&Formats[1], &ppm}, {&Formats[2], &tga}, {&Formats[3], &m8}};
    const TPictureSize expected[] = {{side, side}, {side, side}, {65535, 4096}, {side, side}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::unique_ptr<TBitmap> image = cases[i].first->Create();
        TMemoryStream stream(*cases[i].second);
        TAllocationProbe probe;
        const TPictureSize size = image->ReadSizeFromStream(stream);
        const size_t largest = probe.Largest();
        EXPECT_EQ(size, expected[i]) << cases[i].first->Folder;
        EXPECT_LT(largest, size_t{1} << 20) << cases[i].first->Folder;
        EXPECT_EQ(image->Width(), 0);
    }
}

TEST(HeaderReadTest, ByFileNameThroughTheRegistry)
{
    const fs::path dir = fs::temp_directory_path() / ("pelorix-header-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    TTGABitmap picture;
    PrepareRaster(picture, 5, 2);
    picture.SaveToFile((dir / "wide.TgA").string());

    EXPECT_EQ(LoadPictureSize((dir / "wide.TgA").string()), (TPictureSize{5, 2}));
    // The extension picks the reader, as for a full load.
    fs::copy_file(dir / "wide.TgA", dir / "wide.bmp");
    EXPECT_THROW(LoadPictureSize((dir / "wide.bmp").string()), Exception);
    try {
        LoadPictureSize((dir / "wide.gif").string());
        ADD_FAILURE() << "an unknown extension was read";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.gif)");
    }
    EXPECT_THROW(LoadPictureSize((dir / "missing.ppm").string()), EStreamError);
    fs::remove_all(dir);
}

#ifndef _WIN32
// A picture file that is a pipe no one writes is read at once as an empty one;
// a small file that claims a large picture (the rows it lacks stay black)
// costs that picture once when read, and nothing like it again when saved in
// another format: the writers stream its rows.
TEST(HeaderReadTest, PipesNeverBlockAndLargeClaimsAreNotCopied)
{
    const fs::path dir = fs::temp_directory_path() / ("pelorix-claims-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    constexpr int32_t width = 2048, height = 1024;
    TBitmap picture;
    PrepareRaster(picture, width, height);
    const struct {
        const TFormatCase& format;
        const char* name;
        size_t fileRowBytes;
    } cases[] = {{Formats[0], "claim.bmp", width * 3}, {Formats[1], "claim.ppm", width * 3},
                 {Formats[2], "claim.tga", width * 3}, {Formats[3], "claim.m8", width}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::string fifo = (dir / ("pipe" + std::string(ExtractFileExt(cases[i].name)))).string();
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        EXPECT_THROW(LoadPicture(fifo), Exception);
        EXPECT_THROW(LoadPictureSize(fifo), Exception);

        // The header and one row of the picture.
        TMemoryStream full;
        cases[i].format.Create()->WritePicture(picture, full);
        TBytes bytes = full.Bytes();
        bytes.resize(bytes.size() - (height - 1) * cases[i].fileRowBytes);
        const fs::path claim = dir / cases[i].name;
        std::ofstream(claim, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
        const std::unique_ptr<TBitmap> read = LoadPicture(claim.string());
        ASSERT_EQ(read->Width(), width);

        const auto& next = cases[(i + 1) % std::size(cases)];
        {
            TAllocationProbe probe;
            SavePicture(*read, TPictureFormat{"", "", next.format.Create}, (dir / ("saved-" + std::string(next.name))).string());
            EXPECT_LE(probe.Largest(), size_t{1} << 20) << "the write buffer, and no picture";
        }
        EXPECT_EQ(LoadPicture((dir / ("saved-" + std::string(next.name))).string())->Height(), height);
    }
    fs::remove_all(dir);
}
#endif
