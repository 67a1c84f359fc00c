#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "demo/clock.h"
#include "demo/main.h"
#include "demo/music.h"

namespace {
std::map<int, std::vector<double>> cueTimes;  // instrument → song seconds
void note(int instrument, double seconds) { cueTimes[instrument].push_back(seconds); }
}  // namespace

// The built song, played through the player on the show's virtual clock,
// drives the program-wide state from the first line to the end signal.
TEST(SongThroughPlayer, CarriesTheShowFromFirstLineToTheEnd) {
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(PLUPP_BUILD_DIR);
  ASSERT_TRUE(std::filesystem::exists("data/pluppa.xm"));
  cueTimes.clear();
  resetShowState();
  clockUseVirtual(60);
  playerUseOffline();
  playerCue = note;
  initMusic();
  std::filesystem::current_path(previous);
  ASSERT_NE(handle, nullptr);

  int greetingsSeen = 0;
  while (clockVirtualMs() < 250000) {
    clockPaceFrame();
    if (greetstart) ++greetingsSeen;
    // The end signal comes only once the closing scroller has passed.
    if (clockVirtualMs() < 241000) {
      ASSERT_EQ(slutfade, 0) << clockVirtualMs();
    }
  }
  playerCue = nullptr;
  clockAdvanced = nullptr;
  clockUseReal();

  EXPECT_EQ(slutfade, 1);
  ASSERT_EQ(cueTimes[53].size(), 1u);
  // Every one of the 28 song lines came up; the last one sits on row 30 or
  // has moved up past it.
  EXPECT_GE(currentrow, 30);
  EXPECT_LE(currentrow, 32);
  EXPECT_EQ(currentrow - 2, int(cueTimes[33].size()));
  // Lines are sung in the karaoke scene, between the intro fade and the switch.
  EXPECT_GT(cueTimes[33].front(), 21.5);
  EXPECT_LT(cueTimes[33].back(), 150.0);
  // One greetings section, on and off, long enough for its message (~15 s).
  ASSERT_EQ(cueTimes[35].size(), 2u);
  EXPECT_EQ(greetstart, 0);
  EXPECT_GE(cueTimes[35][1] - cueTimes[35][0], 15.0);
  EXPECT_GE(greetingsSeen, 15 * 60 - 2);
  // Never the scene step: it would break the show.
  EXPECT_TRUE(cueTimes[40].empty());
  for (int gesture : {49, 50, 51, 52}) EXPECT_FALSE(cueTimes[gesture].empty()) << gesture;
}
