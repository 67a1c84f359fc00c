#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "demo/clock.h"
#include "demo/main.h"
#include "demo/music.h"
#include "tests/support.h"
#include "tests/xm_fixture.h"

namespace {
class Cues : public ::testing::Test {
 protected:
  void SetUp() override { resetShowState(); }
  void send(int instrument) { instcallback(nullptr, static_cast<unsigned char>(instrument)); }
};
}  // namespace

TEST_F(Cues, LineChangeAndLighting) {
  send(32);
  send(32);
  EXPECT_EQ(currentpos, 8);
  currentactionactive = 1;
  send(33);
  EXPECT_EQ(currentrow, 3);
  EXPECT_EQ(currentpos, 0);
  EXPECT_EQ(currentactionactive, 0);
  send(34);  // registered, does nothing
  send(7);   // not a marker
  EXPECT_EQ(currentrow, 3);
  EXPECT_EQ(currentpos, 0);
}

TEST_F(Cues, GesturesAddByLine) {
  struct Case {
    int instrument, row, step, action;
  } cases[] = {{49, 23, 5, 1}, {49, 24, 5, 1}, {49, 30, 5, 1}, {50, 23, 5, 2},
               {50, 24, 6, 2}, {50, 26, 6, 2}, {51, 23, 8, 3}, {51, 24, 6, 3},
               {51, 30, 6, 3}, {52, 25, 4, 4}, {52, 26, 5, 4}, {52, 30, 5, 4}};
  for (const Case& c : cases) {
    resetShowState();
    currentrow = c.row;
    currentpos = 10;
    send(c.instrument);
    EXPECT_EQ(currentpos, 10 + c.step) << c.instrument << " on row " << c.row;
    EXPECT_EQ(currentaction, c.action);
    EXPECT_EQ(currentactionactive, 1);
  }
}

TEST_F(Cues, LineChangeEndsTheGestureButKeepsItsKind) {
  send(51);
  send(33);
  EXPECT_EQ(currentactionactive, 0);
  EXPECT_EQ(currentaction, 3);
}

TEST_F(Cues, GreetingsToggle) {
  currentpos = 7;
  send(35);
  EXPECT_EQ(greetstart, 1);
  EXPECT_EQ(currentpos, 0);
  currentpos = 9;
  send(35);  // leaving keeps the position
  EXPECT_EQ(greetstart, 0);
  EXPECT_EQ(currentpos, 9);
}

TEST_F(Cues, SceneFlashAndEnd) {
  clockUseVirtual(60);
  clockSetVirtual(81234);
  currentScene = 2;
  send(40);
  EXPECT_EQ(currentScene, 3);
  send(48);
  EXPECT_EQ(demoinvert, 1);
  EXPECT_EQ(demoinvertstart, 81234u);
  currentScene = 1;
  send(53);  // the end waits for the greetings scene
  EXPECT_EQ(slutfade, 1);
  EXPECT_EQ(currentScene, 1);
  clockUseReal();
}

namespace {
struct Heard {
  int instrument;
  double seconds;
};
std::vector<Heard> heard;
void listen(FMUSIC_MODULE*, unsigned char instrument) { heard.push_back({instrument, 0}); }
uint64_t framesOut = 0;
int16_t loudest = 0;
void countSamples(const int16_t* stereo, size_t frames) {
  framesOut += frames;
  for (size_t i = 0; i < 2 * frames; ++i)
    if (stereo[i] > loudest) loudest = stereo[i];
}

// Advances the virtual clock frame by frame up to `seconds`.
void playUntil(double seconds) {
  while (clockVirtualMs() < seconds * 1000.0) clockPaceFrame();
}

class Player : public ::testing::Test {
 protected:
  void SetUp() override {
    heard.clear();
    framesOut = 0;
    loudest = 0;
    clockUseVirtual(60);
    playerUseOffline();
    playerSamples = countSamples;
    // The time of a cue is told just before the callback: keep it with the
    // instrument that follows.
    playerCue = [](int instrument, double seconds) {
      heard.push_back({instrument, seconds});
      heard.back().instrument = -instrument;
    };
  }
  void TearDown() override {
    clockAdvanced = nullptr;
    playerSamples = nullptr;
    playerCue = nullptr;
    clockUseReal();
  }
  TempCwd cwd;
};
}  // namespace

TEST_F(Player, FiresEachRegisteredNoteStartOnceAtItsRow) {
  // Rows last 0.12 s. Channel 0 claps, then plays a note with no instrument
  // (still the clap's), a note-off and a slide (neither starts a note);
  // channel 1 carries a marker, then an unregistered instrument that the
  // bare note of row 10 belongs to, then the end signal.
  ASSERT_TRUE(writeXm("song.xm", 2, 32,
                      {{0, 0, 49, 49},
                       {4, 0, 50, 0},
                       {6, 0, 97, 0},
                       {8, 0, 52, 0, 3, 0x20},
                       {2, 1, 40, 32},
                       {3, 1, 40, 2},
                       {10, 1, 40, 0},
                       {20, 1, 40, 53}}));
  FMUSIC_MODULE* song = FMUSIC_LoadSong("song.xm");
  ASSERT_NE(song, nullptr);
  FMUSIC_PlaySong(song);
  for (int i : {32, 49, 53}) FMUSIC_SetInstCallback(song, listen, i);
  playUntil(5.0);

  std::vector<std::pair<int, int>> got;  // instrument, row
  int pending = 0;
  double when = 0;
  for (const Heard& h : heard) {
    if (h.instrument < 0) {
      pending = -h.instrument;
      when = h.seconds;
      continue;
    }
    EXPECT_EQ(h.instrument, pending);  // the callback got what was announced
    int row = int(when / 0.12);
    // Each cue arrives within one mixing step after its row starts.
    EXPECT_LT(when - row * 0.12, 0.0059) << h.instrument;
    got.push_back({h.instrument, row});
  }
  std::vector<std::pair<int, int>> want = {{49, 0}, {32, 2}, {49, 4}, {53, 20}};
  EXPECT_EQ(got, want);
  // Played once: 32 rows of song, then silence as long as the clock runs on.
  EXPECT_GE(playerFramesRendered(), uint64_t(32 * 0.12 * 44100));
  EXPECT_LT(playerFramesRendered(), uint64_t(33 * 0.12 * 44100));
  EXPECT_GE(framesOut, uint64_t(5.0 * 44100));
}

TEST_F(Player, OfflineRenderingGivesExactlyTheSamplesOfEachFrame) {
  ASSERT_TRUE(writeXm("song.xm", 1, 16, {{0, 0, 49, 49}}));
  FMUSIC_MODULE* song = FMUSIC_LoadSong("song.xm");
  FMUSIC_PlaySong(song);
  for (int frame = 1; frame <= 600; ++frame) {
    clockPaceFrame();
    ASSERT_EQ(framesOut, uint64_t(frame) * 735) << frame;  // 44100 / 60
  }
  clockDelay(1000);  // a pause in the show is a second of sound too
  EXPECT_EQ(framesOut, 600u * 735 + 44100);
}

TEST_F(Player, SongLoopsNeverAndCuesRepeatOnlyAsWritten) {
  ASSERT_TRUE(writeXm("song.xm", 1, 8, {{0, 0, 49, 33}}, 60, 3));
  FMUSIC_MODULE* song = FMUSIC_LoadSong("song.xm");
  FMUSIC_PlaySong(song);
  FMUSIC_SetInstCallback(song, listen, 33);
  playUntil(10.0);
  int count = 0;
  for (const Heard& h : heard) count += h.instrument == 33;
  EXPECT_EQ(count, 3);  // three orders of the pattern, then the song is over
}

TEST_F(Player, ASongWithoutTheEndSignalIsReported) {
  mkdir("data", 0755);
  struct Case {
    int instrument;
    bool reported;
  } cases[] = {{49, true}, {53, false}};
  for (const Case& c : cases) {
    ASSERT_TRUE(writeXm("data/pluppa.xm", 1, 4, {{2, 0, 49, uint8_t(c.instrument)}}));
    resetShowState();
    testing::internal::CaptureStderr();
    initMusic();
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(err.find("data/pluppa.xm") != std::string::npos, c.reported) << err;
    EXPECT_EQ(playerSongNames(handle, c.instrument), true);
    EXPECT_EQ(playerSongNames(handle, 99), false);
    // Songs are never freed; silenced, they stay out of the following tests.
    // Kept where the leak checker sees them, and with no destructor to run.
    FMUSIC_StopSong(handle);
    [[maybe_unused]] static FMUSIC_MODULE* kept[2];
    kept[&c - cases] = handle;
  }
  EXPECT_FALSE(playerSongNames(nullptr, 53));
}

TEST_F(Player, ASongCutShortIsReported) {
  ASSERT_TRUE(writeXm("whole.xm", 4, 16, {{0, 0, 49, 49}, {15, 3, 49, 53}}));
  std::ifstream in("whole.xm", std::ios::binary);
  const std::string whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  // One byte short of its pattern data: the decoder still takes it.
  std::ofstream("cut.xm", std::ios::binary) << whole.substr(0, whole.size() - 1);
  testing::internal::CaptureStderr();
  FMUSIC_MODULE* intact = FMUSIC_LoadSong("whole.xm");
  FMUSIC_MODULE* cut = FMUSIC_LoadSong("cut.xm");
  std::string err = testing::internal::GetCapturedStderr();
  [[maybe_unused]] static FMUSIC_MODULE* kept[2] = {intact, cut};  // songs live on
  ASSERT_NE(intact, nullptr);
  ASSERT_NE(cut, nullptr);
  EXPECT_NE(err.find("cut.xm is cut short"), std::string::npos) << err;
  EXPECT_EQ(err.find("whole.xm"), std::string::npos) << err;
}

TEST_F(Player, AMissingOrBrokenSongIsAnEmptyHandle) {
  testing::internal::CaptureStderr();
  FMUSIC_MODULE* missing = FMUSIC_LoadSong("data/pluppa.xm");
  std::FILE* f = std::fopen("junk.xm", "wb");
  std::fputs("this is no tracker song at all", f);
  std::fclose(f);
  FMUSIC_MODULE* junk = FMUSIC_LoadSong("junk.xm");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(junk, nullptr);
  EXPECT_NE(err.find("data/pluppa.xm"), std::string::npos);
  EXPECT_NE(err.find("junk.xm"), std::string::npos);
  EXPECT_EQ(FMUSIC_PlaySong(nullptr), 0);
  EXPECT_EQ(FMUSIC_StopSong(nullptr), 0);
  EXPECT_EQ(FMUSIC_SetInstCallback(nullptr, listen, 33), 0);

  // The show then runs on the clock alone: nothing the song would change moves.
  resetShowState();
  testing::internal::CaptureStderr();
  initMusic();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(handle, nullptr);
  playUntil(3.0);
  EXPECT_EQ(currentrow, 2);
  EXPECT_TRUE(heard.empty());
}
