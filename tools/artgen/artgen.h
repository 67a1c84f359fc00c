// The picture and font builders; each writes its files into the output folder.
#pragma once

#include <string>

namespace art {

struct Context {
  std::string outDir;     // build/gfx
  std::string assetDir;   // assets/art: texts and parameters that are not code
  std::string roundFont;  // the bold rounded face of every lettering
  std::string plainFont;  // a sturdier face for the smallest lettering
};

void buildFonts(const Context& ctx);
void buildScenery(const Context& ctx);  // kakbg, bg_flag, nyruta, the two frame lines
void buildSprites(const Context& ctx);  // balls, snowflakes, bars, tunnel texture
void buildCards(const Context& ctx);    // the colour-cycling picture and the greeting cards

// The characters every font holds: SFont order, '!' up to 'Z', with the letters
// Å, Ä, Ö drawn in the slots of '<', '=', '>'.
constexpr char kFirstChar = '!';
constexpr char kLastChar = 'Z';

}  // namespace art
