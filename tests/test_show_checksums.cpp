// A guard against change, not a proof of correctness: the whole show at 20
// frames a second through plupp-capture, every flipped screen hashed, against
// the hashes recorded for it in show_checksums_fps20.txt (every 10th flip and
// the last few, the end fade's white and grey steps). It says the frames are
// drawn as they were when recorded, whatever that was; the effects' own tests
// say whether they are right. Speed work and tidying must leave each pixel as
// it was; a frame that differs names the first place where it no longer does.
//
// The recorded file depends on the show's code, the pictures and song built
// from assets/, and the C library's rand(); a change meant to alter what the
// show draws records it again:
//   ./plupp-capture --fps 20 --checksums all.txt
//   awk 'NR%10==1 || NR>4890' all.txt > ../tests/show_checksums_fps20.txt
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/support.h"

namespace {
struct Hashed {
  long ms;
  std::string hash;
};

// Flip number → its clock and hash, from `FRAME MS HASH` lines.
std::map<long, Hashed> readChecksums(const std::string& path) {
  std::map<long, Hashed> frames;
  std::ifstream in(path);
  long frame, ms;
  std::string hash;
  while (in >> frame >> ms >> hash) frames[frame] = {ms, hash};
  return frames;
}
}  // namespace

TEST(ShowChecksums, GuardNoRecordedFrameChanged) {
  TempCwd cwd;
  const std::string out = cwd.dir + "/checksums.txt";
  const std::string cmd = "cd '" PLUPP_BUILD_DIR "' && ./plupp-capture --fps 20 --checksums '" +
                          out + "' > '" + cwd.dir + "/stdout.txt' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream log(cwd.dir + "/stdout.txt");
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_NE(text.str().find("status=1"), std::string::npos) << text.str();

  const auto want = readChecksums(PLUPP_SOURCE_DIR "/tests/show_checksums_fps20.txt");
  const auto got = readChecksums(out);
  ASSERT_GT(want.size(), 500u);
  EXPECT_EQ(got.size(), want.rbegin()->first + 1) << "flips in the run";
  int differing = 0;
  for (const auto& [frame, w] : want) {
    auto g = got.find(frame);
    ASSERT_NE(g, got.end()) << "flip " << frame << " at " << w.ms << " ms never came";
    EXPECT_EQ(g->second.ms, w.ms) << "flip " << frame;
    if (g->second.hash != w.hash && ++differing <= 5)
      ADD_FAILURE() << "flip " << frame << " at " << w.ms << " ms draws other pixels";
  }
  EXPECT_EQ(differing, 0) << "of " << want.size() << " recorded flips";
}
