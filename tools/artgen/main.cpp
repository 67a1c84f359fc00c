// artgen OUTDIR: writes every picture and font of the show into OUTDIR.
#include <cairo.h>

#include <cstdio>
#include <exception>
#include <filesystem>

#include "artgen.h"

#ifndef ARTGEN_ASSET_DIR
#error "ARTGEN_ASSET_DIR must name the assets/art folder"
#endif

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  art::Context ctx{argv[1], ARTGEN_ASSET_DIR, ARTGEN_ROUND_FONT, ARTGEN_PLAIN_FONT};
  try {
    std::filesystem::create_directories(ctx.outDir);
    art::buildFonts(ctx);
    art::buildSprites(ctx);
    art::buildScenery(ctx);
    art::buildCards(ctx);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "artgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
