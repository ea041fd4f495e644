#include "Generators.h"

namespace {
const TCustomJuliaParameters* programParameters = nullptr;
}

void SetProgramJuliaParameters(const TCustomJuliaParameters* parameters) { programParameters = parameters; }

const TCustomJuliaParameters& ProgramJuliaParameters()
{
    static const TCustomJuliaParameters startValues;
    return programParameters ? *programParameters : startValues;
}
