// The character sheet: a small text file that describes every sprite frame
// of the creature, the stage platform and the jet flames as parameters, so
// that the art is edited as text and redrawn identically on every build.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace chargen {

struct Colour {
  double r = 0, g = 0, b = 0;  // 0..1
};

struct Vec {
  double x = 0, y = 0;
};

struct Arm {
  Vec hand;            // relative to the body centre, before lean and squash
  bool front = false;  // drawn over the face instead of behind the body
};

enum class Eyes { Open, Closed, Wink, Happy };
enum class Mouth { Smile, Open, Oh, Grin };

struct Effect {
  std::string kind;  // burst, puff, spark, note, swish
  Vec at;
  double size = 1.0;  // for a swish: its direction, degrees clockwise from up
};

struct Pose {
  std::string name;   // output file name without extension
  Vec shift;          // body offset from its rest place
  double lean = 0;    // degrees, clockwise, around the hips
  double squash = 1;  // vertical scale of the body; width grows to match
  Arm arm[2];         // 0 = the creature's right (our left), 1 = our right
  Vec foot[2];        // offsets from the feet's rest spots
  Eyes eyes = Eyes::Open;
  Vec look;  // pupil offset
  Mouth mouth = Mouth::Smile;
  std::vector<Effect> effects;
};

struct Flame {
  std::string name;
  double length = 8;  // rows below the nozzle
  double width = 9;   // at the nozzle
  double tip = 0;     // sideways lean of the tip
  std::vector<Vec> embers;
};

struct Sheet {
  std::map<std::string, Colour> colours;
  int frameW = 0, frameH = 0;  // every character frame
  Vec body;                    // rest centre of the body
  double radius = 30;
  int platformW = 0, platformH = 0;
  std::string platformName = "platform";
  int flameW = 0, flameH = 0;
  // Where the show puts the platform and the two flames, relative to the
  // point a character frame is drawn at; the platform's nozzles and the
  // creature's stance are lined up with these.
  Vec platformAt;
  Vec flameAt[2];
  std::vector<Pose> poses;
  std::vector<Flame> flames;

  // Throws std::runtime_error for a colour the sheet does not define.
  const Colour& colour(const std::string& name) const;
};

// Parses the sheet text; throws std::runtime_error naming the line at fault.
Sheet parseSheet(const std::string& text);

}  // namespace chargen
