#pragma once
// The batch renderer's command line, kept apart from main() so tests can run it.

#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses of pelorix-render.
enum RenderToolStatus {
    rtsSuccess = 0,
    rtsFailure = 1,         // bad arguments, unknown generator, a file not read or written
    rtsUnknownFileType = 2, // "Can not determine file type!"
};

// Runs pelorix-render with the arguments after the program name. The image
// formats must be registered by the caller.
int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
