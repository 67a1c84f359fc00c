// Where the show's data lives: the folder that holds gfx/ and data/.
// Looked for in the working directory first (as the show has always been
// run), then beside the executable, then in the installed place
// (PREFIX/share/plupp beside PREFIX/bin). Every file the show reads is named
// relative to that folder, as "gfx/kakbg.png".
#pragma once
#include <string>
#include <vector>

// The folders looked in, in order, for an executable at `exePath` (empty:
// the working directory only).
std::vector<std::string> dataCandidates(const std::string& exePath);
// Chooses the first candidate holding gfx/ or data/ and makes it the data
// folder. False when none does; `lookedIn` then lists them for the message.
bool findShowData(const std::string& exePath, std::string* lookedIn);
// `relative` inside the data folder; unchanged while that is the working
// directory, so messages keep naming "gfx/kakbg.png".
std::string dataFile(const char* relative);
// This process's executable (/proc/self/exe), or "" where it cannot be read.
std::string executablePath();
