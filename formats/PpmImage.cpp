#include "PpmImage.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <utility>
#include <vector>

#include "ByteReader.h"
#include "ReadErrors.h"
#include "Streams.h"

namespace {

constexpr const char* Format = "PPM";
constexpr const char* Identification = "Created by Pelorix";

// A token runs from the first byte that is not a delimiter to the next
// delimiter (consumed, not kept) or the end of the stream; empty at the end.
std::string ReadToken(TByteReader& in, bool wordSet)
{
    auto delimiter = [wordSet](int c) { return c == 0x0A || (wordSet && c == 0x20); };
    int c;
    do {
        c = in.Get();
        if (c < 0) return {};
    } while (delimiter(c));
    std::string token(1, static_cast<char>(c));
    while ((c = in.Get()) >= 0 && !delimiter(c)) token += static_cast<char>(c);
    return token;
}

// A decimal 32-bit integer with an optional sign, as the whole text.
int32_t StrToInt(const std::string& text)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    int32_t value = 0;
    auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last)
        throw EConvertError("'" + text + "' is not a valid integer value");
    return value;
}

std::vector<std::string> SplitWords(const std::string& line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

int32_t ReadMaxSampleValue(const std::string& text)
{
    int32_t maxval = 0;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(text.data(), last, maxval);
    if (text.empty() || error != std::errc() || end != last || maxval < 1 || maxval > 65535)
        ThrowReadError(Format, "Wrong file type");
    return maxval;
}

// round(v * 255 / maxval), halves up.
uint8_t ScaleSample(uint32_t v, uint32_t maxval) { return static_cast<uint8_t>((v * 510 + maxval) / (2 * maxval)); }

uint8_t CheckedSample(int64_t v, uint32_t maxval)
{
    if (v < 0 || v > maxval) ThrowReadError(Format, "Sample out of range");
    return maxval == 255 ? static_cast<uint8_t>(v) : ScaleSample(static_cast<uint32_t>(v), maxval);
}

// Binary pixel data: rows from the top, red, green, blue per pixel, one or two
// bytes (big-endian) per sample. Pixels past the end of the data stay black.
void ReadBinaryPixels(TByteReader& in, TBitmap& image, uint32_t maxval)
{
    const int32_t width = image.Width(), height = image.Height();
    const size_t sampleBytes = maxval > 255 ? 2 : 1;
    const size_t rowBytes = static_cast<size_t>(width) * 3 * sampleBytes;

    std::vector<uint8_t> buffer(rowBytes);
    // Rows without pixels hold nothing to read (and may be many).
    for (int32_t y = 0; y < height && rowBytes > 0; ++y) {
        size_t got = in.Read(buffer.data(), rowBytes);
        uint8_t* row = image.ScanLine(y);
        size_t samples = got / sampleBytes;
        for (size_t s = 0; s < samples; ++s) {
            uint32_t v = sampleBytes == 2 ? (buffer[2 * s] << 8) | buffer[2 * s + 1] : buffer[s];
            // Samples are stored red, green, blue; the raster holds blue, green, red.
            size_t pixel = s / 3, channel = 2 - s % 3;
            row[pixel * 3 + channel] = CheckedSample(v, maxval);
        }
        if (got < rowBytes) break;
    }
}

// Text pixel data: three decimal samples per pixel. The samples are gathered
// before the picture is allocated, so a file cannot claim more memory than its
// own length accounts for.
void ReadTextPixels(TByteReader& in, TBitmap& image, int32_t width, int32_t height, uint32_t maxval)
{
    const size_t count = static_cast<size_t>(width) * height * 3;
    std::vector<uint8_t> samples;
    for (size_t i = 0; i < count; ++i) samples.push_back(CheckedSample(StrToInt(ReadToken(in, true)), maxval));

    image.SetSize(width, height);
    for (int32_t y = 0; y < height && width > 0; ++y) {
        uint8_t* row = image.ScanLine(y);
        const uint8_t* rgb = samples.data() + static_cast<size_t>(y) * width * 3;
        for (int32_t x = 0; x < width; ++x) {
            row[x * 3] = rgb[x * 3 + 2];
            row[x * 3 + 1] = rgb[x * 3 + 1];
            row[x * 3 + 2] = rgb[x * 3];
        }
    }
}

struct THeader {
    int32_t Width = 0, Height = 0;
    uint32_t MaxValue = 0;
};

// The magic number, size and largest sample value, checked; for the binary
// variant also that the data holds at least one row. The variant is set as
// soon as the magic number is known, also when the rest fails.
THeader ReadHeader(TByteReader& in, bool& text)
{
    THeader header;
    char magic[2] = {};
    for (char& c : magic) c = static_cast<char>(in.Get());
    if (magic[0] != 'P' || (magic[1] != '6' && magic[1] != '3')) ThrowReadError(Format, "Wrong file type");
    text = magic[1] == '3';
    int separator = in.Get();
    if (separator != 0x0A && separator != 0x20) ThrowReadError(Format, "Wrong file type");

    std::string line;
    do {
        line = ReadToken(in, false);
        if (line.empty()) ThrowReadError(Format, "Image size missing");
    } while (line[0] == '#');

    std::vector<std::string> words = SplitWords(line);
    if (words.size() < 2) ThrowReadError(Format, "Image size missing");
    header.Width = StrToInt(words[0]);
    header.Height = StrToInt(words[1]);
    header.MaxValue = ReadMaxSampleValue(words.size() > 2 ? words[2] : ReadToken(in, true));
    CheckImageSize(Format, header.Width, header.Height);
    if (!text)
        CheckFirstRow(Format, header.Width, header.Height,
                      int64_t{header.Width} * 3 * (header.MaxValue > 255 ? 2 : 1), in.Remaining());
    return header;
}

} // namespace

void TPPMBitmap::ReadFromStream(TStream& stream)
{
    TByteReader in(stream);
    const THeader header = ReadHeader(in, text_);

    TBitmap picture;
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    if (text_) {
        ReadTextPixels(in, picture, header.Width, header.Height, header.MaxValue);
    } else {
        picture.Canvas().Brush.Color = clBlack;
        picture.SetSize(header.Width, header.Height);
        ReadBinaryPixels(in, picture, header.MaxValue);
    }
    TakeOver(picture);
}

TPictureSize TPPMBitmap::ReadSizeFromStream(TStream& stream) const
{
    TByteReader in(stream);
    bool text = false;
    const THeader header = ReadHeader(in, text);
    return {header.Width, header.Height};
}

void TPPMBitmap::WritePicture(const TBitmap& picture, TStream& stream) const
{
    const int32_t width = picture.Width(), height = picture.Height();
    std::string header = std::string(text_ ? "P3" : "P6") + "\n# " + Identification + "\n" + std::to_string(width) +
                         " " + std::to_string(height) + "\n255\n";
    stream.WriteBuffer(header.data(), header.size());

    std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3);
    std::string text;
    for (int32_t y = 0; y < height; ++y) {
        // Blue, green, red as the raster holds them, then swapped in place.
        picture.CopyRowAs24Bit(y, rgb.data());
        for (size_t i = 0; i < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
        if (!text_) {
            stream.WriteBuffer(rgb.data(), rgb.size());
            continue;
        }
        text.clear();
        for (uint8_t sample : rgb) {
            text += std::to_string(sample);
            text += ' ';
        }
        stream.WriteBuffer(text.data(), text.size());
    }
}
