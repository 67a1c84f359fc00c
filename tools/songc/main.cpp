// songc: compiles a score into an Extended Module.
//   songc SCORE OUT.xm [--cues]

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "score.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: songc SCORE OUT.xm [--cues]\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "songc: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  try {
    songc::Compiled c = songc::compileScore(songc::parseScore(text.str()));
    std::vector<uint8_t> bytes = songc::writeXm(c.module);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
      std::cerr << "songc: cannot write " << argv[2] << "\n";
      return 1;
    }
    if (argc > 3 && std::string(argv[3]) == "--cues") {
      for (const auto& cue : c.cues) std::printf("%8.3f  inst %d\n", cue.seconds, cue.instrument);
      std::printf("length %.3f s, %zu lyric lines\n", c.seconds, c.lines.size());
    }
  } catch (const std::exception& e) {
    std::cerr << argv[1] << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
