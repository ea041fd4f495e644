#pragma once
// The process-wide hooks a program without a window needs, installed in one
// call at the top of main and taken back when the result goes:
//
//     int main() { auto setup = SetUpBatchProgram(); ... }
//
// It enters the image classes in the picture-format registry. The custom
// Julia parameters belong to a render control: install them beside it with
// TJuliaParametersScope (Generators.h).

#include "Formats.h"

class TBatchSetup {
public:
    TBatchSetup() = default;
    TBatchSetup(const TBatchSetup&) = delete;
    TBatchSetup& operator=(const TBatchSetup&) = delete;

private:
    TImageFormats formats_;
};

[[nodiscard]] TBatchSetup SetUpBatchProgram();
