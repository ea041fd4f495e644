#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "FloatText.h"

namespace {

using V = TFloatView;

const TNumberSymbols English{".", "-", "+"};
const TNumberSymbols German{",", "-", "+"};
// Swedish writes U+2212 MINUS SIGN.
const TNumberSymbols Swedish{",", "\xE2\x88\x92", "+"};

struct TCase {
    long double Value;
    V View;
    int Digits;
    int Precision;
    const char* English;
    const char* German;
};

// Each case in two locales: the German text differs only in its separator.
const TCase Table[] = {
    // The edit's own examples.
    {3.14159L, V::fvGeneral, 3, 2, "3.14", "3,14"},
    {0.5L, V::fvFixed, 10, 2, "0.50", "0,50"},
    {0.1L, V::fvGeneral, 10, 2, "0.1", "0,1"},
    {-0.39054, V::fvGeneral, 10, 2, "-0.39054", "-0,39054"}, // the double, as the dialog gets it
    {-0.58679, V::fvGeneral, 10, 2, "-0.58679", "-0,58679"},
    {0.0L, V::fvGeneral, 10, 2, "0", "0"},

    // General: plain while the integer part fits the digits and the magnitude
    // is at least 0.00001; trailing zeros and a bare separator go.
    {123456.0L, V::fvGeneral, 10, 2, "123456", "123456"},
    {-2.5L, V::fvGeneral, 10, 2, "-2.5", "-2,5"},
    {1234567890.0L, V::fvGeneral, 10, 2, "1234567890", "1234567890"},
    {12345678901.0L, V::fvGeneral, 10, 2, "1.23456789E10", "1,23456789E10"},
    {9999999999.5L, V::fvGeneral, 10, 2, "1E10", "1E10"}, // the rounding decides
    {100.0L, V::fvGeneral, 2, 2, "1E02", "1E02"},
    {99.0L, V::fvGeneral, 2, 2, "99", "99"},
    {0.00001L, V::fvGeneral, 10, 2, "0.00001", "0,00001"},
    {0.0000123L, V::fvGeneral, 10, 2, "0.0000123", "0,0000123"},
    {0.000009L, V::fvGeneral, 10, 2, "9E-06", "9E-06"},
    {-0.0000095L, V::fvGeneral, 10, 2, "-9.5E-06", "-9,5E-06"},
    {0.0000099999999999L, V::fvGeneral, 10, 2, "0.00001", "0,00001"},
    // Exponent digits: at least Precision of them, 0 to 4, sign only when negative.
    {0.000009L, V::fvGeneral, 10, 0, "9E-6", "9E-6"},
    {0.000009L, V::fvGeneral, 10, 4, "9E-0006", "9E-0006"},
    {0.000009L, V::fvGeneral, 10, 9, "9E-0006", "9E-0006"},
    {0.000009L, V::fvGeneral, 10, -3, "9E-6", "9E-6"},
    {1e20L, V::fvGeneral, 10, 2, "1E20", "1E20"},
    {1e20L, V::fvGeneral, 10, 3, "1E020", "1E020"},
    {-1.5e300L, V::fvGeneral, 10, 2, "-1.5E300", "-1,5E300"},
    {1e4000L, V::fvGeneral, 10, 2, "1E4000", "1E4000"},
    {1e-4000L, V::fvGeneral, 10, 2, "1E-4000", "1E-4000"},
    // Digits below 2 count as 2, above 18 as 18.
    {3.14159L, V::fvGeneral, 1, 2, "3.1", "3,1"},
    {3.14159L, V::fvGeneral, -5, 2, "3.1", "3,1"},
    {1.0L / 3, V::fvGeneral, 18, 2, "0.333333333333333333", "0,333333333333333333"},
    {1.0L / 3, V::fvGeneral, 40, 2, "0.333333333333333333", "0,333333333333333333"},
    {0.1, V::fvGeneral, 18, 2, "0.100000000000000006", "0,100000000000000006"}, // the double 0.1
    {0.1, V::fvGeneral, 16, 2, "0.1", "0,1"},
    {123456789012345678.0L, V::fvGeneral, 18, 2, "123456789012345678", "123456789012345678"},
    {1234567890123456789.0L, V::fvGeneral, 18, 2, "1.23456789012345679E18", "1,23456789012345679E18"},
    {-2.0L / 3, V::fvGeneral, 18, 2, "-0.666666666666666667", "-0,666666666666666667"},

    // Exponent: one digit before the separator, Digits in all, signed exponent.
    {1234.5L, V::fvExponent, 10, 2, "1.234500000E+03", "1,234500000E+03"},
    {0.0L, V::fvExponent, 10, 2, "0.000000000E+00", "0,000000000E+00"},
    {-0.0L, V::fvExponent, 10, 2, "0.000000000E+00", "0,000000000E+00"},
    {1.5L, V::fvExponent, 10, 0, "1.500000000E+0", "1,500000000E+0"},
    {1.5L, V::fvExponent, 10, 4, "1.500000000E+0000", "1,500000000E+0000"},
    {-0.00025L, V::fvExponent, 2, 2, "-2.5E-04", "-2,5E-04"},
    {9.96L, V::fvExponent, 2, 2, "1.0E+01", "1,0E+01"},
    {1e-300L, V::fvExponent, 3, 1, "1.00E-300", "1,00E-300"},
    {1.0L / 3, V::fvExponent, 18, 2, "3.33333333333333333E-01", "3,33333333333333333E-01"},
    {1.0L / 3, V::fvExponent, 30, 2, "3.33333333333333333E-01", "3,33333333333333333E-01"},

    // Fixed: exactly Precision decimals, no more than Digits significant ones.
    {123.456L, V::fvFixed, 10, 2, "123.46", "123,46"},
    {-123.456L, V::fvFixed, 10, 0, "-123", "-123"},
    {7.0L, V::fvFixed, 10, 3, "7.000", "7,000"},
    {3.14159L, V::fvFixed, 3, 4, "3.1400", "3,1400"},
    {9.999L, V::fvFixed, 3, 1, "10.0", "10,0"},
    {0.0L, V::fvFixed, 10, 2, "0.00", "0,00"},
    {-0.001L, V::fvFixed, 10, 2, "0.00", "0,00"}, // no minus on a shown zero
    {-0.006L, V::fvFixed, 10, 2, "-0.01", "-0,01"},
    {1.0L / 3, V::fvFixed, 18, 18, "0.333333333333333333", "0,333333333333333333"},
    {1.0L / 3, V::fvFixed, 18, 25, "0.333333333333333333", "0,333333333333333333"},
    {2.0L, V::fvFixed, 10, -1, "2", "2"},
    // More integer digits than Digits: as General.
    {12345678901.0L, V::fvFixed, 10, 2, "1.23456789E10", "1,23456789E10"},
    {123456.0L, V::fvFixed, 5, 2, "1.2346E05", "1,2346E05"},
    {12345.0L, V::fvFixed, 5, 2, "12345.00", "12345,00"},
};

} // namespace

TEST(FormatFloatTest, TheTableInTwoLocales)
{
    for (const TCase& c : Table) {
        SCOPED_TRACE(std::string("expected ") + c.English);
        EXPECT_EQ(FormatFloat(c.Value, c.View, c.Digits, c.Precision, English), c.English);
        EXPECT_EQ(FormatFloat(c.Value, c.View, c.Digits, c.Precision, German), c.German);
    }
}

TEST(FormatFloatTest, UsesTheLocalesMinusSign)
{
    EXPECT_EQ(FormatFloat(-0.5L, V::fvGeneral, 10, 2, Swedish), "\xE2\x88\x92" "0,5");
    EXPECT_EQ(FormatFloat(-1e-20L, V::fvExponent, 10, 2, Swedish), "\xE2\x88\x92" "1,000000000E-20");
}

TEST(FormatFloatTest, EveryShownTextReadsBackToItself)
{
    const long double values[] = {0.1L,       -0.39054,   1.0L / 3, 6.02214076e23L, -1.602176634e-19L, 1e-5L,
                                  123456789.125L, 0.000009L, 1e4000L, -7.0L};
    for (long double v : values)
        for (V view : {V::fvGeneral, V::fvExponent, V::fvFixed})
            for (int digits : {2, 10, 18}) {
                const std::string shown = FormatFloat(v, view, digits, 2, German);
                SCOPED_TRACE(shown);
                const auto read = ParseFloat(shown, German);
                ASSERT_TRUE(read.has_value());
                EXPECT_EQ(FormatFloat(*read, view, digits, 2, German), shown);
                if (view != V::fvFixed && digits == 18) {
                    // 18 digits carry all but the last bits of the 64-bit mantissa.
                    EXPECT_LT(static_cast<double>(std::fabs(*read / v - 1)), 1e-17);
                }
            }
}

TEST(ParseFloatTest, ReadsTheLocalesNotation)
{
    EXPECT_EQ(ParseFloat("1e-1", English), 0.1L);
    EXPECT_EQ(ParseFloat("1E-1", German), 0.1L);
    EXPECT_EQ(ParseFloat("-0.39054", English), -0.39054L);
    EXPECT_EQ(ParseFloat("-0,39054", German), -0.39054L);
    EXPECT_EQ(ParseFloat("+2,5e+3", German), 2500.0L);
    EXPECT_EQ(ParseFloat("1.", English), 1.0L);
    EXPECT_EQ(ParseFloat(".5", English), 0.5L);
    EXPECT_EQ(ParseFloat("  42\t", English), 42.0L); // blanks around it
    EXPECT_EQ(ParseFloat("0000000000000000000000000001", English), 1.0L);
    EXPECT_EQ(ParseFloat("0.333333333333333333333333333333", English), 1.0L / 3);
    EXPECT_EQ(ParseFloat("1e-4000", English), 1e-4000L);
    // The locale's minus sign and the ASCII one alike, in the exponent too.
    EXPECT_EQ(ParseFloat("\xE2\x88\x92" "0,5", Swedish), -0.5L);
    EXPECT_EQ(ParseFloat("-0,5", Swedish), -0.5L);
    EXPECT_EQ(ParseFloat("1e\xE2\x88\x92" "2", Swedish), 0.01L);
    EXPECT_TRUE(std::signbit(*ParseFloat("-0", English)));
}

TEST(ParseFloatTest, RefusesEverythingElse)
{
    const char* englishInvalid[] = {"",      " ",     "abc",  "1,5",  "1,234.5", "1 234", "12a", "a12",
                                    ".",     "-",     "+",    "e5",   "1e",      "1e+",   "1e 2", "--1",
                                    "+-1",   "1e--1", "1.2.3", "0x10", "inf",    "-inf",  "nan",  "infinity",
                                    "1e5000", "-1e5000", "1e-5000", "1_000", "\xE2\x88\x92" "1", "1\xC2\xA0" "000"};
    for (const char* text : englishInvalid) EXPECT_FALSE(ParseFloat(text, English).has_value()) << text;
    // German: the point is a group separator there, never a decimal one.
    for (const char* text : {"1.5", "1.234,5", "1.000", "0.1e1"})
        EXPECT_FALSE(ParseFloat(text, German).has_value()) << text;
    EXPECT_FALSE(ParseFloat("\xE2\x88\x92\xE2\x88\x92" "1", Swedish).has_value());
}
