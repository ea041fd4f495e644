#include <gtest/gtest.h>

#include <limits>

#include "Exceptions.h"
#include "Variant.h"

namespace {

std::string ConversionError(const TVariant& value)
{
    try {
        return "converted to " + std::to_string(VariantToInteger(value));
    } catch (const EConvertError& e) {
        return e.what();
    }
}

} // namespace

TEST(VariantToIntegerTest, IntegerKindsAndBooleansAsTheyAre)
{
    EXPECT_EQ(VariantToInteger(TVariant(int32_t(640))), 640);
    EXPECT_EQ(VariantToInteger(TVariant(std::numeric_limits<int32_t>::min())), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(VariantToInteger(TVariant(int16_t(-480))), -480);
    EXPECT_EQ(VariantToInteger(TVariant(uint8_t(255))), 255);
    EXPECT_EQ(VariantToInteger(TVariant(true)), -1);
    EXPECT_EQ(VariantToInteger(TVariant(false)), 0);
}

TEST(VariantToIntegerTest, RealsRoundToNearestWithTiesToEven)
{
    EXPECT_EQ(VariantToInteger(TVariant(2.5)), 2);
    EXPECT_EQ(VariantToInteger(TVariant(3.5)), 4);
    EXPECT_EQ(VariantToInteger(TVariant(-2.5)), -2);
    EXPECT_EQ(VariantToInteger(TVariant(-3.5)), -4);
    EXPECT_EQ(VariantToInteger(TVariant(639.51)), 640);
    EXPECT_EQ(VariantToInteger(TVariant(-0.49)), 0);
    EXPECT_EQ(VariantToInteger(TVariant(0.5f)), 0);
    EXPECT_EQ(VariantToInteger(TVariant(1.5f)), 2);
    EXPECT_EQ(VariantToInteger(TVariant::Date(44000.5)), 44000);
    EXPECT_EQ(VariantToInteger(TVariant(2147483647.4)), 2147483647);
    EXPECT_EQ(VariantToInteger(TVariant(-2147483648.5)), std::numeric_limits<int32_t>::min());

    // Currency counts ten-thousandths, exactly.
    EXPECT_EQ(VariantToInteger(TVariant::Currency(25000)), 2);
    EXPECT_EQ(VariantToInteger(TVariant::Currency(35000)), 4);
    EXPECT_EQ(VariantToInteger(TVariant::Currency(-25000)), -2);
    EXPECT_EQ(VariantToInteger(TVariant::Currency(-35000)), -4);
    EXPECT_EQ(VariantToInteger(TVariant::Currency(15001)), 2);
    EXPECT_EQ(VariantToInteger(TVariant::Currency(-14999)), -1);
    EXPECT_EQ(VariantToInteger(TVariant::Currency(6400000)), 640);
}

TEST(VariantToIntegerTest, TextIsReadAsADecimalInteger)
{
    EXPECT_EQ(VariantToInteger(TVariant("640")), 640);
    EXPECT_EQ(VariantToInteger(TVariant("-12")), -12);
    EXPECT_EQ(VariantToInteger(TVariant("+7")), 7);
    EXPECT_EQ(VariantToInteger(TVariant("-2147483648")), std::numeric_limits<int32_t>::min());

    EXPECT_EQ(ConversionError(TVariant("abc")), "'abc' is not a valid integer value");
    for (const char* text : {"", " 640", "640 ", "6.4", "0x20", "+-1", "+", "12abc"})
        EXPECT_EQ(ConversionError(TVariant(text)), "'" + std::string(text) + "' is not a valid integer value");
}

TEST(VariantToIntegerTest, EmptyAndOutOfRangeValuesFail)
{
    EXPECT_EQ(ConversionError(TVariant()), "Could not convert variant of type (Empty) into type (Integer)");
    for (const TVariant& value :
         {TVariant(2147483647.5), TVariant(-2147483649.0), TVariant(std::numeric_limits<double>::infinity()),
          TVariant(std::numeric_limits<double>::quiet_NaN()), TVariant(1e30f), TVariant::Date(-3e9),
          TVariant::Currency(std::numeric_limits<int64_t>::max()), TVariant("2147483648"),
          TVariant("-99999999999999999999999")})
        EXPECT_NE(ConversionError(value).find("out of the range of type (Integer)"), std::string::npos)
            << value.VarType() << ": " << ConversionError(value);
}
