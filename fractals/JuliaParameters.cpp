#include "Generators.h"

const TCustomJuliaParameters& ProgramJuliaParameters()
{
    static const TCustomJuliaParameters startValues;
    const TCustomJuliaParameters* installed = TJuliaParametersHook::Installed();
    return installed ? *installed : startValues;
}
