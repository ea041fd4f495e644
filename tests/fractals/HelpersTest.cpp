#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>

#include "Colors.h"
#include "Exceptions.h"
#include "FloatingPoint.h"
#include "Numeric.h"
#include "Random.h"
#include "Complex.h"

TEST(RandomTest, SequenceFromSeedZero)
{
    RandomSeed = 0;
    const uint32_t seeds[] = {1, 134775814, 3698175007u, 870078620};
    const int32_t values[] = {0, 3, 86, 20};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Random(100), values[i]) << "call " << i;
        EXPECT_EQ(RandomSeed, seeds[i]) << "call " << i;
    }
}

TEST(RandomTest, RandomOfOneIsZeroAndStillAdvances)
{
    RandomSeed = 12345;
    for (int i = 0; i < 100; ++i) {
        uint32_t before = RandomSeed;
        EXPECT_EQ(Random(1), 0);
        EXPECT_EQ(RandomSeed, before * 134775813u + 1u);
    }
}

TEST(RandomTest, StaysInRangeForLargeN)
{
    RandomSeed = 7;
    for (int i = 0; i < 10000; ++i) {
        int32_t r = Random(2147483647);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 2147483647);
    }
}

TEST(RandomTest, SeedIsTimeOfDayInMilliseconds)
{
    SeedRandom();
    EXPECT_LT(RandomSeed, 86400000u);
}

TEST(RoundingTest, HalvesGoToEven)
{
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(3.5L), 4);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(-3.5L), -4);
    EXPECT_EQ(RoundHalfEven(0.5L), 0);
    EXPECT_EQ(RoundHalfEven(2.4999999L), 2);
    EXPECT_EQ(RoundHalfEven(-0.7L), -1);
}

TEST(RoundingTest, UsesTheUnroundedExtendedValue)
{
    // 0.5 + 2^-60 is above the tie in long double but rounds to exactly 0.5 in double.
    long double justAboveHalf = 0.5L + std::ldexp(1.0L, -60);
    EXPECT_EQ(RoundHalfEven(justAboveHalf), 1);
    EXPECT_EQ(RoundHalfEven(static_cast<double>(justAboveHalf)), 0);
}

TEST(RoundingTest, TruncateGoesTowardZero)
{
    EXPECT_EQ(Truncate(2.7L), 2);
    EXPECT_EQ(Truncate(-2.7L), -2);
    EXPECT_EQ(Truncate(37.999L), 37);
}

TEST(RoundingTest, OutOfRangeIsAnInvalidOperation)
{
    const long double huge = 1e19L, nan = std::numeric_limits<long double>::quiet_NaN();
    for (long double x : {huge, -huge, nan, std::numeric_limits<long double>::infinity()}) {
        EXPECT_THROW(RoundHalfEven(x), EInvalidOp);
        EXPECT_THROW(Truncate(x), EInvalidOp);
    }
    EXPECT_EQ(Truncate(-9223372036854775808.0L), std::numeric_limits<int64_t>::min());
    try {
        RoundHalfEven(huge);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid floating point operation");
    }
}

TEST(RoundingTest, CallersWrapToThirtyTwoBits)
{
    int32_t wrapped = static_cast<int32_t>(RoundHalfEven(4294967296.0L + 5));
    EXPECT_EQ(wrapped, 5);
}

// Each channel comes back whatever the other two hold, and the top byte stays
// clear: a shift or mask wrong by one channel shows up here.
TEST(ColourTest, ChannelsComeBackIndependently)
{
    for (int v = 0; v < 256; ++v) {
        const auto r = static_cast<uint8_t>(v), g = static_cast<uint8_t>(255 - v), b = static_cast<uint8_t>(v ^ 0x5A);
        const TColor c = RGB(r, g, b);
        ASSERT_EQ(GetRed(c), r) << v;
        ASSERT_EQ(GetGreen(c), g) << v;
        ASSERT_EQ(GetBlue(c), b) << v;
        ASSERT_EQ(c >> 24, 0u) << v;
    }
}

TEST(ColourTest, PaletteQuirks)
{
    EXPECT_EQ(PaletteColor(3), 0xFFFF00u);
    EXPECT_EQ(PaletteColor(11), 0xFFFF00u);
    EXPECT_EQ(PaletteColor(9), 0xFF0000u);
    for (int i = 16; i < 256; ++i) EXPECT_EQ(PaletteColor(static_cast<uint8_t>(i)), 0xFF0000u) << i;
    EXPECT_EQ(PaletteColor(0), clBlack);
    EXPECT_EQ(PaletteColor(14), 0x00FFFFu);
    EXPECT_EQ(PaletteColor(15), clWhite);
    EXPECT_EQ(PaletteColor(7), RGB(192, 192, 192));
}

TEST(ComplexTest, Operations)
{
    double re, im;
    ComplexMul(0, 1, 0, 1, re, im);
    EXPECT_EQ(re, -1.0);
    EXPECT_EQ(im, 0.0);
    ComplexCos(0, 0, re, im);
    EXPECT_EQ(re, 1.0);
    EXPECT_EQ(im, 0.0);
    ComplexSin(0, 0, re, im);
    EXPECT_EQ(re, 0.0);
    EXPECT_EQ(im, 0.0);
    ComplexAdd(1.5, -2, 0.25, 3, re, im);
    EXPECT_EQ(re, 1.75);
    EXPECT_EQ(im, 1.0);
}

TEST(ComplexTest, OutputMayBeAnInput)
{
    double re = 3, im = 4;
    ComplexMul(re, im, re, im, re, im);
    EXPECT_EQ(re, -7.0);
    EXPECT_EQ(im, 24.0);
    ComplexCos(re = 1.0, im = 2.0, re, im);
    EXPECT_NEAR(re, std::cos(1.0) * std::cosh(2.0), 1e-12);
    EXPECT_NEAR(im, -std::sin(1.0) * std::sinh(2.0), 1e-12);
    re = 1.0, im = 2.0;
    ComplexSin(re, im, re, im);
    EXPECT_NEAR(re, std::sin(1.0) * std::cosh(2.0), 1e-12);
    EXPECT_NEAR(im, std::cos(1.0) * std::sinh(2.0), 1e-12);
}

TEST(ComplexTest, ProductIsRoundedOnceFromExtendedPrecision)
{
    // a*a - b*b with a = 1 + 2^-30, b = 1: in double the square loses 2^-60,
    // in extended precision it is kept and the difference rounds differently.
    const double a = 1.0 + std::ldexp(1.0, -30), b = 1.0;
    double re, im;
    ComplexMul(a, b, a, b, re, im);
    EXPECT_EQ(re, std::ldexp(1.0, -29) + std::ldexp(1.0, -60));
}

TEST(FloatingPointTest, FaultsBecomeExceptionsWithTheirMessages)
{
    struct Case {
        int flag;
        const char* message;
    } cases[] = {{FE_INVALID, "Invalid floating point operation"},
                 {FE_DIVBYZERO, "Floating point division by zero"},
                 {FE_OVERFLOW, "Floating point overflow"}};
    for (const Case& c : cases) {
        ClearFloatingPointFaults();
        std::feraiseexcept(c.flag);
        try {
            CheckFloatingPoint();
            ADD_FAILURE() << "no exception for " << c.message;
        } catch (const EMathError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(std::fetestexcept(FloatingPointFaults), 0) << "flags cleared after raising";
    }
}

TEST(FloatingPointTest, UnderflowAndInexactAreNotFaults)
{
    ClearFloatingPointFaults();
    std::feraiseexcept(FE_UNDERFLOW | FE_INEXACT);
    EXPECT_NO_THROW(CheckFloatingPoint());
    volatile double tiny = 1e-300;
    volatile double product = tiny * tiny;
    (void)product;
    EXPECT_NO_THROW(CheckFloatingPoint());
}

TEST(FloatingPointTest, RealOverflowIsDetected)
{
    ClearFloatingPointFaults();
    volatile double big = 1e200;
    volatile double square = static_cast<long double>(big) * big; // the store overflows
    (void)square;
    EXPECT_THROW(CheckFloatingPoint(), EOverflow);
}
