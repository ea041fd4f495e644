#pragma once
// Entering the image classes in the picture-format registry. Every main holds
// one TImageFormats for its whole run, through its set-up call
// (SetUpBatchProgram, SetUpWindowProgram); a static registrar in a static
// library would be dropped by the linker.

void RegisterImageFormats();
void UnregisterImageFormats();

struct TImageFormats {
    TImageFormats() { RegisterImageFormats(); }
    ~TImageFormats() { UnregisterImageFormats(); }
    TImageFormats(const TImageFormats&) = delete;
    TImageFormats& operator=(const TImageFormats&) = delete;
};
