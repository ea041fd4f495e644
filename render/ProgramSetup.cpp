#include "ProgramSetup.h"

TBatchSetup SetUpBatchProgram()
{
    return TBatchSetup();
}
