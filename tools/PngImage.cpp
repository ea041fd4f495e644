#include "PngImage.h"

#include <spng.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Exceptions.h"
#include "ReadErrors.h"
#include "Streams.h"

namespace {

constexpr const char* Format = "PNG";

// Ancillary chunks (text, profiles) are of no use here; these caps keep a file
// from making libspng hold much memory for them.
constexpr size_t ChunkLimit = size_t{8} << 20, ChunkCacheLimit = size_t{32} << 20;

struct TContextDeleter {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using TContext = std::unique_ptr<spng_ctx, TContextDeleter>;

// The stream behind libspng's reads and writes. libspng is C: an exception must
// not pass through it, so a failing stream's exception waits here until
// libspng has returned.
struct TStreamLink {
    TStream& Stream;
    std::exception_ptr Failure;
};

int ReadFromLink(spng_ctx*, void* user, void* to, size_t length)
{
    TStreamLink& link = *static_cast<TStreamLink*>(user);
    try {
        for (size_t got = 0; got < length;) {
            const size_t n = link.Stream.Read(static_cast<uint8_t*>(to) + got, length - got);
            if (n == 0) return SPNG_IO_EOF;
            got += n;
        }
        return 0;
    } catch (...) {
        link.Failure = std::current_exception();
        return SPNG_IO_ERROR;
    }
}

int WriteToLink(spng_ctx*, void* user, void* from, size_t length)
{
    TStreamLink& link = *static_cast<TStreamLink*>(user);
    try {
        link.Stream.WriteBuffer(from, length);
        return 0;
    } catch (...) {
        link.Failure = std::current_exception();
        return SPNG_IO_ERROR;
    }
}

// libspng's answer as our error: the stream's own exception, else the reader's
// or writer's message with libspng's reason.
void Check(int result, const TStreamLink& link, const char* action)
{
    if (result == 0) return;
    if (link.Failure) std::rethrow_exception(link.Failure);
    // The side limit the other readers keep, in their words.
    if (result == SPNG_EUSER_WIDTH || result == SPNG_EUSER_HEIGHT) ThrowReadError(Format, "Image too large");
    std::string reason = result == SPNG_IO_EOF ? "unexpected end of file" : spng_strerror(result);
    if (!reason.empty()) reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
    throw Exception(std::string("Error ") + action + " PNG file: " + reason + ".");
}

// round(v * a / max): a sample laid onto black by its opacity.
uint32_t OntoBlack(uint32_t v, uint32_t alpha, uint32_t max)
{
    return static_cast<uint32_t>((uint64_t{v} * alpha + max / 2) / max);
}

// round(v * 255 / 65535), halves up, as the PPM reader scales 16-bit samples.
uint8_t Scale16(uint32_t v) { return static_cast<uint8_t>((v * 510 + 65535) / (2 * 65535)); }

// Where the pixels of a scanline go: interlaced pictures come in seven passes,
// each a sub-picture of every xStep-th pixel from xStart.
constexpr int32_t PassXStart[7] = {0, 4, 0, 2, 0, 1, 0}, PassXStep[7] = {8, 8, 4, 4, 2, 2, 1};

// A decoder on the stream, its header read and checked as the other readers
// check theirs: the size first, then that the file is long enough for the
// pixels, all before anything of the picture's size is made.
struct TDecoder {
    TContext Ctx;
    TStreamLink Link;
    spng_ihdr Header{};
    int32_t Width = 0, Height = 0;

    explicit TDecoder(TStream& stream) : Ctx(spng_ctx_new(0)), Link{stream, nullptr}
    {
        if (!Ctx) throw std::bad_alloc();
        const int64_t available = stream.Remaining();
        constexpr int64_t sideLimit = std::min<int64_t>(MaxImagePixels, std::numeric_limits<int32_t>::max());
        Check(spng_set_image_limits(Ctx.get(), sideLimit, sideLimit), Link, "reading");
        Check(spng_set_chunk_limits(Ctx.get(), ChunkLimit, ChunkCacheLimit), Link, "reading");
        Check(spng_set_png_stream(Ctx.get(), ReadFromLink, &Link), Link, "reading");
#ifdef PELORIX_PNG_SKIP_CHECKSUMS
        Check(spng_set_crc_action(Ctx.get(), SPNG_CRC_USE, SPNG_CRC_USE), Link, "reading");
#endif
        Check(spng_get_ihdr(Ctx.get(), &Header), Link, "reading");
        Width = static_cast<int32_t>(Header.width);
        Height = static_cast<int32_t>(Header.height);
        CheckImageSize(Format, Width, Height);
        // Deflate packs at best 1032 bytes into one: a file too short to hold
        // the pixels even so cannot be whole.
        const int channels[7] = {1, 0, 3, 1, 2, 0, 4};
        const int64_t pixelBits = int64_t{channels[std::min<int>(Header.color_type, 6)]} * Header.bit_depth;
        if (int64_t{Width} * Height / 8 * pixelBits / 1033 > available) ThrowReadError(Format, "Pixel data missing");
    }
};

} // namespace

TPictureSize TPNGBitmap::ReadSizeFromStream(TStream& stream) const
{
    const TDecoder decoder(stream);
    return {decoder.Width, decoder.Height};
}

void TPNGBitmap::ReadFromStream(TStream& stream)
{
    TDecoder decoder(stream);
    spng_ctx* ctx = decoder.Ctx.get();
    const TStreamLink& link = decoder.Link;
    const spng_ihdr& ihdr = decoder.Header;
    const int32_t width = decoder.Width, height = decoder.Height;
    const bool wide = ihdr.bit_depth == 16;
    const int outFormat = wide ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
    Check(spng_decode_image(ctx, nullptr, 0, outFormat, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE), link,
          "reading");

    // One scanline at a time; the picture is made only once the first has been
    // decoded, so a header alone cannot claim a large picture.
    std::vector<uint8_t> scanline(static_cast<size_t>(width) * (wide ? 8 : 4));
    TBitmap picture;
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    for (bool first = true;; first = false) {
        spng_row_info row{};
        Check(spng_get_row_info(ctx, &row), link, "reading");
        const int result = spng_decode_scanline(ctx, scanline.data(), scanline.size());
        if (result != SPNG_EOI) Check(result, link, "reading");
        if (first) picture.SetSize(width, height);
        if (row.row_num >= ihdr.height || row.pass > 6) ThrowReadError(Format, "Invalid row"); // never from libspng

        const int pass = ihdr.interlace_method ? row.pass : 6; // pass 6 covers every pixel
        const int32_t step = PassXStep[pass];
        uint8_t* out = picture.ScanLine(static_cast<int32_t>(row.row_num));
        for (int32_t x = PassXStart[pass], i = 0; x < width; x += step, ++i) {
            uint8_t* p = out + 3 * static_cast<size_t>(x);
            if (wide) {
                const uint16_t* s = reinterpret_cast<const uint16_t*>(scanline.data()) + 4 * static_cast<size_t>(i);
                for (int c = 0; c < 3; ++c) p[2 - c] = Scale16(OntoBlack(s[c], s[3], 65535));
            } else {
                const uint8_t* s = scanline.data() + 4 * static_cast<size_t>(i);
                for (int c = 0; c < 3; ++c) p[2 - c] = static_cast<uint8_t>(OntoBlack(s[c], s[3], 255));
            }
        }
        if (result == SPNG_EOI) break;
    }
    TakeOver(picture);
}

void TPNGBitmap::WritePicture(const TBitmap& picture, TStream& stream) const
{
    const int32_t width = picture.Width(), height = picture.Height();
    if (width == 0 || height == 0) throw Exception("Error writing PNG file: Empty picture.");

    TContext encoder(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!encoder) throw std::bad_alloc();
    spng_ctx* ctx = encoder.get();
    TStreamLink link{stream, nullptr};
    Check(spng_set_png_stream(ctx, WriteToLink, &link), link, "writing");
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(width);
    ihdr.height = static_cast<uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    Check(spng_set_ihdr(ctx, &ihdr), link, "writing");
    Check(spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE), link,
          "writing");

    // The raster holds blue, green, red; PNG red, green, blue.
    std::vector<uint8_t> rgb(3 * static_cast<size_t>(width));
    for (int32_t y = 0; y < height; ++y) {
        picture.CopyRowAs24Bit(y, rgb.data());
        for (size_t i = 0; i < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
        const int result = spng_encode_row(ctx, rgb.data(), rgb.size());
        if (result != SPNG_EOI || y + 1 < height) Check(result, link, "writing");
    }
}
