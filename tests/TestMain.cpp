#include <gtest/gtest.h>

#include "Formats.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    TImageFormats formats;
    return RUN_ALL_TESTS();
}
