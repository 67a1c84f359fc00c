// The demo's start options. Without any it opens the largest window that fits.
#pragma once
#include <string>

#include "demo/present.h"

enum class OptionsVerdict { Run, Help, Bad };
// Reads argv[1..argc-1] into `out`; a Bad verdict says why in `error`.
OptionsVerdict parseOptions(int argc, const char* const* argv, PresentOptions& out,
                            std::string& error);
// The text --help prints.
extern const char* const kOptionsHelp;
