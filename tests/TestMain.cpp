#include <gtest/gtest.h>

#include "ProgramSetup.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    auto setup = SetUpBatchProgram();
    return RUN_ALL_TESTS();
}
