#include "sheet.h"

#include <cctype>
#include <sstream>
#include <stdexcept>

namespace chargen {

const Colour& Sheet::colour(const std::string& name) const {
  auto it = colours.find(name);
  if (it == colours.end()) throw std::runtime_error("sheet defines no colour '" + name + "'");
  return it->second;
}

namespace {

struct LineReader {
  std::istringstream in;
  int number;

  LineReader(const std::string& line, int n) : in(line), number(n) {}

  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error("sheet line " + std::to_string(number) + ": " + what);
  }
  std::string word() {
    std::string w;
    if (!(in >> w)) fail("missing value");
    return w;
  }
  double real() {
    double v;
    if (!(in >> v)) fail("expected a number");
    return v;
  }
  int integer() {
    double v = real();
    if (v != static_cast<int>(v) || v <= 0) fail("expected a positive whole number");
    return static_cast<int>(v);
  }
  Vec vec() {
    Vec v;
    v.x = real();
    v.y = real();
    return v;
  }
  bool more() {
    in >> std::ws;
    return !in.eof();
  }
  void end() {
    if (more()) fail("unexpected '" + word() + "'");
  }
};

Colour parseColour(LineReader& r) {
  std::string hex = r.word();
  if (hex.size() != 7 || hex[0] != '#') r.fail("colours are written #rrggbb");
  unsigned v = 0;
  for (size_t i = 1; i < 7; ++i) {
    char c = hex[i];
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (d < 0) r.fail("colours are written #rrggbb");
    v = v * 16 + static_cast<unsigned>(d);
  }
  return {((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0};
}

// '#' starts a comment, except where it starts a #rrggbb colour.
std::string stripComment(const std::string& line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '#') continue;
    size_t digits = 0;
    while (i + 1 + digits < line.size() &&
           std::isxdigit(static_cast<unsigned char>(line[i + 1 + digits])))
      ++digits;
    size_t after = i + 1 + digits;
    bool colour = digits == 6 &&
                  (after == line.size() || std::isspace(static_cast<unsigned char>(line[after])));
    if (!colour) return line.substr(0, i);
  }
  return line;
}

int side(LineReader& r) {
  std::string s = r.word();
  if (s == "L") return 0;
  if (s == "R") return 1;
  r.fail("side is L or R, not '" + s + "'");
}

}  // namespace

Sheet parseSheet(const std::string& text) {
  Sheet sheet;
  std::istringstream lines(text);
  std::string raw;
  int number = 0;
  Pose* pose = nullptr;
  Flame* flame = nullptr;

  while (std::getline(lines, raw)) {
    ++number;
    raw = stripComment(raw);
    LineReader r(raw, number);
    if (!r.more()) continue;
    std::string key = r.word();

    if (key == "colour") {
      std::string name = r.word();
      sheet.colours[name] = parseColour(r);
      pose = nullptr;
      flame = nullptr;
    } else if (key == "frame-size") {
      sheet.frameW = r.integer();
      sheet.frameH = r.integer();
    } else if (key == "body") {
      sheet.body = r.vec();
      sheet.radius = r.real();
    } else if (key == "platform") {
      sheet.platformName = r.word();
      sheet.platformW = r.integer();
      sheet.platformH = r.integer();
    } else if (key == "platform-at") {
      sheet.platformAt = r.vec();
    } else if (key == "flames-at") {
      sheet.flameAt[0] = r.vec();
      sheet.flameAt[1] = r.vec();
    } else if (key == "flame-size") {
      sheet.flameW = r.integer();
      sheet.flameH = r.integer();
    } else if (key == "frame") {
      Pose p;
      std::string name = r.word();
      if (r.more()) {
        // A frame may start as a copy of an earlier one, so that the frames
        // of a pose differ only where they must.
        if (r.word() != "like") r.fail("expected 'like FRAME'");
        std::string base = r.word();
        bool found = false;
        for (const Pose& q : sheet.poses)
          if (q.name == base) {
            p = q;
            found = true;
          }
        if (!found) r.fail("no earlier frame '" + base + "'");
      }
      p.name = name;
      for (const Pose& q : sheet.poses)
        if (q.name == p.name) r.fail("frame '" + p.name + "' given twice");
      sheet.poses.push_back(p);
      pose = &sheet.poses.back();
      flame = nullptr;
    } else if (key == "flame") {
      Flame f;
      f.name = r.word();
      sheet.flames.push_back(f);
      flame = &sheet.flames.back();
      pose = nullptr;
    } else if (pose) {
      if (key == "shift") {
        pose->shift = r.vec();
      } else if (key == "lean") {
        pose->lean = r.real();
      } else if (key == "squash") {
        pose->squash = r.real();
      } else if (key == "arm") {
        Arm& a = pose->arm[side(r)];
        a.hand = r.vec();
        std::string layer = r.word();
        if (layer != "front" && layer != "back") r.fail("an arm is 'front' or 'back'");
        a.front = layer == "front";
      } else if (key == "foot") {
        int s = side(r);
        pose->foot[s] = r.vec();
      } else if (key == "eyes") {
        std::string e = r.word();
        if (e == "open")
          pose->eyes = Eyes::Open;
        else if (e == "closed")
          pose->eyes = Eyes::Closed;
        else if (e == "wink")
          pose->eyes = Eyes::Wink;
        else if (e == "happy")
          pose->eyes = Eyes::Happy;
        else
          r.fail("eyes are open, closed, wink or happy");
        pose->look = r.more() ? r.vec() : Vec{};
      } else if (key == "mouth") {
        std::string m = r.word();
        if (m == "smile")
          pose->mouth = Mouth::Smile;
        else if (m == "open")
          pose->mouth = Mouth::Open;
        else if (m == "oh")
          pose->mouth = Mouth::Oh;
        else if (m == "grin")
          pose->mouth = Mouth::Grin;
        else
          r.fail("mouth is smile, open, oh or grin");
      } else if (key == "fx") {
        Effect e;
        e.kind = r.word();
        if (e.kind != "burst" && e.kind != "puff" && e.kind != "spark" && e.kind != "note" &&
            e.kind != "swish")
          r.fail("unknown effect '" + e.kind + "'");
        e.at = r.vec();
        if (r.more()) e.size = r.real();
        pose->effects.push_back(e);
      } else if (key == "nofx") {
        pose->effects.clear();
      } else {
        r.fail("unknown frame setting '" + key + "'");
      }
    } else if (flame) {
      if (key == "length")
        flame->length = r.real();
      else if (key == "width")
        flame->width = r.real();
      else if (key == "tip")
        flame->tip = r.real();
      else if (key == "ember")
        flame->embers.push_back(r.vec());
      else
        r.fail("unknown flame setting '" + key + "'");
    } else {
      r.fail("unknown setting '" + key + "'");
    }
    r.end();
  }

  if (sheet.frameW <= 0 || sheet.platformW <= 0 || sheet.flameW <= 0)
    throw std::runtime_error("sheet needs frame-size, platform and flame-size");
  return sheet;
}

}  // namespace chargen
