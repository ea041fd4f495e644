#include <gtest/gtest.h>

#include <cstdint>

#include "Exceptions.h"
#include "Format.h"

TEST(FormatTest, FillsPlaceholdersAndRejectsWhatDoesNotFit)
{
    EXPECT_EQ(Format("%s:%s@%s?%s=%s", {"mailto", "me", "example.org", "subject", "Pelorix"}),
              "mailto:me@example.org?subject=Pelorix");
    EXPECT_EQ(Format("%d%% of %u, %x %X", {-5, 7u, 255, uint64_t{48879}}), "-5% of 7, ff BEEF");
    EXPECT_EQ(Format("[%5d|%-4s|%04d|%.2s|%ld]", {42, "ab", 7, "xyz", 9L}), "[   42|ab  |0007|xy|9]");
    EXPECT_EQ(Format("%.3f %g", {1.0 / 3, 0.5}), "0.333 0.5");
    EXPECT_EQ(Format("%s and no more", {"one", "two"}), "one and no more");
    EXPECT_EQ(Format("no placeholders", {}), "no placeholders");

    EXPECT_THROW(Format("%d", {}), EConvertError);
    EXPECT_THROW(Format("%s", {1}), EConvertError);
    EXPECT_THROW(Format("%d", {"1"}), EConvertError);
    EXPECT_THROW(Format("%f", {1}), EConvertError);
    EXPECT_THROW(Format("%n", {1}), EConvertError);
    EXPECT_THROW(Format("50%", {}), EConvertError);
    EXPECT_THROW(Format("%99999999d", {1}), EConvertError);
}
