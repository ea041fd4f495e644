// libFuzzer target for one picture reader, chosen by PELORIX_FUZZ_IMAGE at
// compile time. Any input must end in a clear error (an Exception, with the
// image left as it was) or in a whole, consistent picture whose size the
// header read alone gives too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Exceptions.h"
#include "ReadErrors.h"
#include "Streams.h"
#include "xM8.h"
#include "xPPM.h"
#include "xTGA.h"

namespace {

void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// The bytes of every row (of a large picture, each row's ends), so that a
// short buffer shows up under ASan.
uint32_t Checksum(const TBitmap& image)
{
    const size_t rowBytes = image.RowBytes();
    const bool whole = rowBytes * static_cast<size_t>(image.Height()) <= 65536;
    uint32_t sum = 0;
    for (int32_t y = 0; y < image.Height() && rowBytes > 0; ++y) {
        const uint8_t* row = image.ScanLine(y);
        if (!whole) {
            sum = sum * 31 + row[0] + row[rowBytes - 1];
            continue;
        }
        for (size_t i = 0; i < rowBytes; ++i) sum = sum * 31 + row[i];
    }
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PELORIX_FUZZ_IMAGE image;
    image.Canvas().Brush.Color = RGB(255, 0, 0);
    image.SetSize(3, 2);
    const uint32_t before = Checksum(image);

    // The header read alone, which must agree with any full read that succeeds.
    TPictureSize headerSize;
    bool headerRead = true;
    try {
        TMemoryStream header(std::vector<uint8_t>(data, data + size));
        headerSize = image.ReadSizeFromStream(header);
    } catch (const Exception&) {
        headerRead = false;
    }

    TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    try {
        image.ReadFromStream(stream);
    } catch (const Exception&) {
        if (image.Width() != 3 || image.Height() != 2 || image.PixelFormat() != TPixelFormat::pf24bit ||
            Checksum(image) != before)
            Fail("a failed read changed the image");
        return 0;
    }

    if (image.Width() < 0 || image.Height() < 0 || int64_t{image.Width()} * image.Height() > MaxImagePixels)
        Fail("size out of range");
    if (stream.Position() > static_cast<int64_t>(size)) Fail("stream past its end");
    if (!headerRead || headerSize != TPictureSize{image.Width(), image.Height()})
        Fail("the header read disagrees with the full read");
    volatile uint32_t sink = Checksum(image);
    (void)sink;
    for (int32_t y = 0; y < image.Height(); y += 7)
        for (int32_t x = 0; x < image.Width(); x += 7) (void)image.Canvas().GetPixel(x, y);

    // What was read writes and reads back at the same size (small pictures only,
    // to keep the fuzzer fast).
    if (int64_t{image.Width()} * image.Height() <= 65536) {
        TMemoryStream copy;
        image.WriteToStream(copy);
        copy.SetPosition(0);
        PELORIX_FUZZ_IMAGE back;
        back.ReadFromStream(copy);
        if (back.Width() != image.Width() || back.Height() != image.Height()) Fail("round trip changed the size");
    }
    return 0;
}
