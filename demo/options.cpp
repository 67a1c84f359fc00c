#include "demo/options.h"

#include <cstdlib>

const char* const kOptionsHelp =
    "usage: plupp [--window | --fullscreen] [--scale N] [--start SECONDS] [--stats] [--help]\n"
    "  --window      a window at the largest whole enlargement that fits the desktop\n"
    "                (the default)\n"
    "  --fullscreen  the desktop's own full screen, the 4:3 picture filling its height\n"
    "  --scale N     a window of 640x480 enlarged N times (each pixel an NxN block)\n"
    "  --start S     join the show S seconds in: what comes before runs unseen, as\n"
    "                fast as it can, so scenes and song stand where they would\n"
    "  --stats       frames, frame rate and CPU time on stderr at the end\n"
    "Keys: f toggles full screen, Escape quits.\n";

namespace {
constexpr int kMaxScale = 16;             // 10240 pixels wide: past any display there is
constexpr double kMaxStartSeconds = 600;  // the capture tool's limit too
}  // namespace

OptionsVerdict parseOptions(int argc, const char* const* argv, PresentOptions& out,
                            std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    if (opt == "--help" || opt == "-h") return OptionsVerdict::Help;
    if (opt == "--window") {
      out.mode = PresentMode::Window;
    } else if (opt == "--fullscreen") {
      out.mode = PresentMode::FullScreen;
    } else if (opt == "--stats") {
      out.stats = true;
    } else if (opt == "--start") {
      const char* value = i + 1 < argc ? argv[++i] : "";
      char* end = nullptr;
      const double s = std::strtod(value, &end);
      if (!*value || *end || !(s >= 0 && s <= kMaxStartSeconds)) {
        error = "--start wants seconds from 0 to 600";
        return OptionsVerdict::Bad;
      }
      out.startSeconds = s;
    } else if (opt == "--scale") {
      const char* value = i + 1 < argc ? argv[++i] : "";
      char* end = nullptr;
      const long n = std::strtol(value, &end, 10);
      if (!*value || *end || n < 1 || n > kMaxScale) {
        error = "--scale wants a whole number from 1 to " + std::to_string(kMaxScale);
        return OptionsVerdict::Bad;
      }
      out.scale = int(n);
      out.mode = PresentMode::Window;
    } else {
      error = "unknown option: " + opt;
      return OptionsVerdict::Bad;
    }
  }
  return OptionsVerdict::Run;
}
