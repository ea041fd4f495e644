// pelorix-render: the fractal pictures for scripts, checks and benchmarks.
#include <iostream>

#include "ProgramSetup.h"
#include "RenderTool.h"

int main(int argc, char** argv)
{
    auto setup = SetUpBatchProgram();
    return RunRenderTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
