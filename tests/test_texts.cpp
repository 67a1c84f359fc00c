#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "effects/texts.h"

namespace {

std::string line(int i) { return std::string(songtext[i]); }

bool lyricChar(char c) {
  return (c >= 'A' && c <= 'Z') || c == ' ' || c == '!' || c == '<' || c == '=' || c == '>';
}

// The doubled sound word that follows "! " on an action line.
std::string soundWords(const std::string& s) {
  size_t bang = s.find('!');
  return bang == std::string::npos ? std::string() : s.substr(bang + 2);
}

}  // namespace

TEST(SongText, EmptyLinesAroundTheSong) {
  for (int i : {0, 1, 2, 31, 32, 33, 34, 35, 36, 37, 38, 39})
    EXPECT_EQ(songtext[i][0], '\0') << "line " << i;
  for (int i = 3; i <= 30; ++i) {
    size_t n = line(i).size();
    EXPECT_GE(n, 25u) << "line " << i;
    EXPECT_LE(n, 55u) << "line " << i;
    EXPECT_NE(line(i).front(), ' ') << "line " << i;
    EXPECT_NE(line(i).back(), ' ') << "line " << i;
    for (char c : line(i)) EXPECT_TRUE(lyricChar(c)) << "line " << i << " has '" << c << "'";
    EXPECT_EQ(line(i).find("  "), std::string::npos) << "double space in line " << i;
  }
}

TEST(SongText, VersesRepeatTheirActionLineAroundTheRefrain) {
  const size_t bangs[4] = {38, 38, 42, 37};
  const size_t lengths[4] = {51, 51, 55, 46};
  for (int v = 0; v < 4; ++v) {
    int first = 3 + 5 * v;
    SCOPED_TRACE("verse " + std::to_string(v + 1));
    std::string action = line(first);
    EXPECT_EQ(line(first + 1), action);
    EXPECT_EQ(line(first + 4), action);
    EXPECT_EQ(action.size(), lengths[v]);
    EXPECT_EQ(action.find('!'), bangs[v]);
    EXPECT_EQ(action.rfind('!'), bangs[v]) << "only one sentence end per line";
    ASSERT_GT(action.size(), bangs[v] + 2);
    EXPECT_EQ(action[bangs[v] + 1], ' ');

    // The sound word is said twice: "KLAPP KLAPP".
    std::string sound = soundWords(action);
    size_t mid = sound.find(' ');
    ASSERT_NE(mid, std::string::npos);
    EXPECT_EQ(sound.substr(0, mid), sound.substr(mid + 1));

    EXPECT_EQ(line(first + 2), line(5));
    EXPECT_EQ(line(first + 3), line(6));
  }
  EXPECT_EQ(line(5).size(), 25u);
  EXPECT_EQ(line(6).size(), 26u);
  EXPECT_EQ(line(5).find('!'), std::string::npos);
  EXPECT_EQ(line(6).find('!'), std::string::npos);
}

TEST(SongText, ClosingBlockJoinsAllFourActions) {
  std::string together = line(23), sounds = line(24);
  EXPECT_EQ(together.size(), 39u);
  EXPECT_EQ(together.find('!'), 38u);
  EXPECT_EQ(sounds.size(), 43u);
  EXPECT_EQ(sounds.find('!'), std::string::npos);
  EXPECT_EQ(sounds, soundWords(line(3)) + " " + soundWords(line(8)) + " " + soundWords(line(13)) +
                        " " + soundWords(line(18)));
  EXPECT_EQ(line(25), together);
  EXPECT_EQ(line(26), sounds);
  EXPECT_EQ(line(27), line(5));
  EXPECT_EQ(line(28), line(6));
  EXPECT_EQ(line(29), together);
  EXPECT_EQ(line(30), sounds);
}

TEST(Greeting, FiveBlanksASentenceAndABlankTail) {
  std::string g(greet);
  ASSERT_EQ(g.size(), 104u);
  EXPECT_EQ(g.substr(0, 5), "     ");
  std::string message = g.substr(5, 37);
  EXPECT_NE(message.front(), ' ');
  EXPECT_EQ(message.back(), '!');
  EXPECT_EQ(message.find('!'), 36u);
  for (char c : message) EXPECT_TRUE((c >= 'A' && c <= 'Z') || c == ' ' || c == '!') << c;
  EXPECT_EQ(g.substr(42), std::string(62, ' '));
}

TEST(Scrollers, IntroTextIsTheGreetingToTheHall) {
  EXPECT_STREQ(text_scroller,
               "     HEJ ALLIHOPA! SJUNG NU TILL VAR SLETNA KARAOKE... PLUPPA NU MED SA DET BLIR "
               "TRYCK I SALEN!     ");
  EXPECT_EQ(strlen(text_scroller), 100u);
}

TEST(Scrollers, OutroLayout) {
  std::string o(text_scroller_outro);
  ASSERT_EQ(o.size(), 460u);
  EXPECT_EQ(o.substr(0, 3), "   ");
  EXPECT_NE(o[3], ' ');
  EXPECT_EQ(o.substr(330), std::string(130, ' '));
  EXPECT_NE(o[329], ' ');

  std::string body = o.substr(3, 327);
  for (char c : body) {
    bool ok = (c >= 'A' && c <= 'Z' && c != 'Q' && c != 'W' && c != 'X' && c != 'Z') || c == ' ' ||
              c == '!' || c == '-' || c == '.';
    EXPECT_TRUE(ok) << "outro has '" << c << "'";
  }
  // Parts are separated by runs of 1 to 18 spaces.
  std::vector<size_t> runs;
  size_t run = 0;
  for (char c : body) {
    if (c == ' ') {
      ++run;
    } else if (run) {
      runs.push_back(run);
      run = 0;
    }
  }
  ASSERT_FALSE(runs.empty());
  for (size_t r : runs) {
    EXPECT_GE(r, 1u);
    EXPECT_LE(r, 18u);
  }
}
