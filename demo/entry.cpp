#include <cstdio>
#include <string>

#include "demo/main.h"
#include "demo/options.h"

int main(int argc, char** argv) {
  std::string error;
  switch (parseOptions(argc, argv, presentOptions, error)) {
    case OptionsVerdict::Help: std::fputs(kOptionsHelp, stdout); return 0;
    case OptionsVerdict::Bad: std::fprintf(stderr, "plupp: %s\n%s", error.c_str(), kOptionsHelp); return 2;
    case OptionsVerdict::Run: break;
  }
  return SDL_main(argc, argv);
}
