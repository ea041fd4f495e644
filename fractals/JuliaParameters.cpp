#include "Generators.h"

#include <utility>

namespace {
const TCustomJuliaParameters* programParameters = nullptr;
}

const TCustomJuliaParameters* SetProgramJuliaParameters(const TCustomJuliaParameters* parameters)
{
    return std::exchange(programParameters, parameters);
}

const TCustomJuliaParameters& ProgramJuliaParameters()
{
    static const TCustomJuliaParameters startValues;
    return programParameters ? *programParameters : startValues;
}
