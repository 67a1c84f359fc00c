// plupp-baddata: runs the whole show through plupp-capture once for each
// damaged data file and checks that it survives. Run from a build folder that
// holds gfx/, data/ and plupp-capture (built with the sanitizers, so that a
// memory fault or undefined behaviour fails the run).
//
//   plupp-baddata [--all] [--jobs N] [--fps N] [--only TEXT]
//
// Without --all a fixed sample runs: every kind of damage and every kind of
// file at least once. With --all every file meets every kind of damage.
// --only keeps the cases whose file name contains TEXT.
//
// A case passes when the capture exits 0 with no sanitizer report, its stderr
// names the damaged file, and the show runs to its end (or to the time limit
// when the damaged song no longer sends the end signal).
#include <SDL/SDL.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/xm_fixture.h"
#include "tools/capture/png_writer.h"

namespace {
// --- run settings ---
int fps = 10;
int jobs = 2;
std::string only;
constexpr int kSonglessUntil = 250;  // seconds: past the end of the intact show

enum Damage { kMissing, kEmpty, kHalf, kRandom, kTiny, kWrong, kDamages };
const char* const kDamageNames[kDamages] = {"missing", "empty", "half", "random", "tiny", "wrong"};

// Files whose loaders or users differ: each class is sampled on its own.
enum FileClass { kFont, kTunnel, kFlag, kBackground, kBall, kJpeg, kSong, kSprite, kClasses };

FileClass classOf(const std::string& path) {
  if (path == "gfx/tunnel.bmp") return kTunnel;
  if (path == "gfx/bg_flag.png") return kFlag;
  if (path == "gfx/kakbg.png") return kBackground;
  if (path.rfind("gfx/boll", 0) == 0) return kBall;
  if (path.size() > 4 && path.substr(path.size() - 4) == ".jpg") return kJpeg;
  if (path.size() > 3 && path.substr(path.size() - 3) == ".xm") return kSong;
  if (path.size() > 4 && path.substr(path.size() - 4) == ".bmp") return kFont;
  return kSprite;
}

struct Case {
  std::string file;  // relative to the run folder, e.g. gfx/kakbg.png
  Damage damage;
};

std::vector<std::string> listDir(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.push_back(dir + "/" + e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool writeFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), std::streamsize(data.size()));
  return bool(out);
}

// A plain picture of w×h in a colour that is no colour key.
bool writePicture(const std::string& path, int w, int h, bool bmp) {
  SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF, 0xFF00, 0xFF0000, 0);
  if (!s) return false;
  SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 40, 90, 160));
  bool ok = bmp ? SDL_SaveBMP(s, path.c_str()) == 0 : writePng(s, path.c_str());
  SDL_FreeSurface(s);
  return ok;
}

// The font as it is, with its top row (the glyph markers) painted over in
// the colour of the pixel below its first marker.
bool writeFontWithoutMarkers(const std::string& from, const std::string& to) {
  SDL_Surface* s = SDL_LoadBMP(from.c_str());
  if (!s) return false;
  bool ok = false;
  if (s->h > 1 && SDL_LockSurface(s) == 0) {
    const int bpp = s->format->BytesPerPixel;
    Uint8* row0 = static_cast<Uint8*>(s->pixels);
    for (int x = 0; x < s->w; ++x) std::memcpy(row0 + x * bpp, row0 + s->pitch, size_t(bpp));
    SDL_UnlockSurface(s);
    ok = SDL_SaveBMP(s, to.c_str()) == 0;
  }
  SDL_FreeSurface(s);
  return ok;
}

// A valid song that is far too short (one row) or far too long (256 orders
// of a full 32-channel pattern, over two hours); neither sends a cue.
bool writeOddSong(const std::string& path, bool huge) {
  if (!huge) return writeXm(path, 1, 1, {}, 1, 1);
  std::vector<XmNote> notes;
  for (int row = 0; row < 256; ++row)
    for (int ch = 0; ch < 32; ++ch) notes.push_back({row, ch, uint8_t(1 + (row + ch) % 96), 1});
  return writeXm(path, 32, 256, notes, 128, 256);
}

bool damage(const std::string& original, const std::string& target, const Case& c) {
  const std::string data = readFile(original);
  const FileClass cls = classOf(c.file);
  switch (c.damage) {
    case kMissing: return std::remove(target.c_str()) == 0;
    case kEmpty: return writeFile(target, "");
    case kHalf: return writeFile(target, data.substr(0, data.size() / 2));
    case kRandom: {
      // Seeded by the name: a failing case is the same on every run.
      std::mt19937 gen(static_cast<unsigned>(std::hash<std::string>{}(c.file)));
      std::string noise(data.size(), '\0');
      for (char& ch : noise) ch = static_cast<char>(gen() & 0xFF);
      return writeFile(target, noise);
    }
    case kTiny:
      if (cls == kSong) return writeOddSong(target, false);
      if (cls == kTunnel) return writePicture(target, 16, 16, true);
      return writePicture(target, 7, 5, cls == kFont);
    case kWrong:
      if (cls == kSong) return writeOddSong(target, true);
      if (cls == kFont) return writeFontWithoutMarkers(original, target);
      return writePicture(target, 3000, 3000, cls == kTunnel);
    default: return false;
  }
}

bool copyTree(const std::string& from, const std::string& to) {
  mkdir(to.c_str(), 0755);
  for (const char* dir : {"gfx", "data"}) {
    mkdir((to + "/" + dir).c_str(), 0755);
    for (const std::string& f : listDir(from + "/" + dir))
      if (!writeFile(to + "/" + f.substr(from.size() + 1), readFile(f))) return false;
  }
  return true;
}

std::string lastLine(const std::string& text) {
  std::istringstream in(text);
  std::string line, last;
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  return last;
}

struct Outcome {
  bool pass;
  std::string why;
};

// The capture's last line for the intact show, against which each run with
// an intact song is checked.
std::string intactEnd;

Outcome runCase(const std::string& build, const std::string& scratch, const Case& c) {
  std::string name = c.file + "-" + kDamageNames[c.damage];
  std::replace(name.begin(), name.end(), '/', '_');
  const std::string dir = scratch + "/" + name;
  if (!copyTree(build, dir)) return {false, "cannot copy the data into " + dir};
  if (!damage(build + "/" + c.file, dir + "/" + c.file, c))
    return {false, "cannot damage the copy"};

  const bool song = classOf(c.file) == kSong;
  std::ostringstream cmd;
  cmd << "cd '" << dir << "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "
      << "timeout 600 '" << build << "/plupp-capture' --fps " << fps;
  if (song) cmd << " --until " << kSonglessUntil;
  cmd << " >out.txt 2>err.txt";
  const int rc = std::system(cmd.str().c_str());
  const std::string out = readFile(dir + "/out.txt");
  const std::string err = readFile(dir + "/err.txt");

  Outcome o{true, ""};
  auto fail = [&](const std::string& why) {
    if (o.pass) o = {false, why};
  };
  for (const char* report : {"Sanitizer", "runtime error:"})
    if (err.find(report) != std::string::npos) fail(std::string("sanitizer report"));
  if (rc != 0) fail("capture exited with " + std::to_string(rc));
  if (err.find(c.file) == std::string::npos) fail("no warning names " + c.file);
  const std::string end = lastLine(out);
  if (song && end != intactEnd) {
    // A song whose patterns survive still ends the show as the intact one does.
    if (end.find("status=-") == std::string::npos) fail("show did not run to the limit: " + end);
  } else if (!song && end != intactEnd) {
    fail("show ended as '" + end + "', intact: '" + intactEnd + "'");
  }
  if (o.pass) {
    std::string cleanup = "rm -rf '" + dir + "'";
    if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", dir.c_str());
  } else {
    o.why += " (kept in " + dir + ", stderr:\n" + err.substr(0, 2000) + ")";
  }
  return o;
}

// Every kind of file meets two kinds of damage, the pairs so chosen that every
// kind of damage occurs; the file of a class shifts with the damage so that
// different files of a class are tried.
std::vector<Case> sample(const std::vector<std::string>& files) {
  std::map<FileClass, std::vector<std::string>> byClass;
  for (const std::string& f : files) byClass[classOf(f)].push_back(f);
  std::vector<Case> cases;
  for (const auto& [cls, members] : byClass)
    for (int d : {cls % kDamages, (cls + 3) % kDamages})
      cases.push_back({members[size_t(d * 7 + cls) % members.size()], Damage(d)});
  return cases;
}
}  // namespace

int main(int argc, char** argv) {
  bool all = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--all")) {
      all = true;
    } else if (!std::strcmp(argv[i], "--jobs") && i + 1 < argc) {
      jobs = std::max(1, std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "--fps") && i + 1 < argc) {
      fps = std::max(1, std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "--only") && i + 1 < argc) {
      only = argv[++i];
    } else {
      std::fprintf(stderr, "usage: plupp-baddata [--all] [--jobs N] [--fps N] [--only TEXT]\n");
      return 2;
    }
  }
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return 2;
  const std::string build = cwd;
  const std::vector<std::string> gfx = listDir("gfx"), data = listDir("data");
  std::vector<std::string> files(gfx);
  files.insert(files.end(), data.begin(), data.end());
  if (files.empty() || access("plupp-capture", X_OK) != 0) {
    std::fprintf(stderr,
                 "plupp-baddata: run from a build folder with gfx/, data/ and plupp-capture\n");
    return 2;
  }
  // The surfaces for the damaged pictures are made without a display.
  if (SDL_Init(0) < 0) return 2;

  char scratchTemplate[] = "/tmp/plupp-baddata-XXXXXX";
  if (!mkdtemp(scratchTemplate)) return 2;
  const std::string scratch = scratchTemplate;

  std::ostringstream intact;
  intact << "cd '" << build << "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "
         << "./plupp-capture --fps " << fps << " 2>/dev/null > '" << scratch << "/intact.txt'";
  if (std::system(intact.str().c_str()) != 0) {
    std::fprintf(stderr, "plupp-baddata: the intact show fails\n");
    return 1;
  }
  intactEnd = lastLine(readFile(scratch + "/intact.txt"));

  std::vector<Case> cases;
  if (all) {
    for (const std::string& f : files)
      for (int d = 0; d < kDamages; ++d) cases.push_back({f, Damage(d)});
  } else {
    cases = sample(files);
  }
  cases.erase(std::remove_if(cases.begin(), cases.end(),
                             [](const Case& c) { return c.file.find(only) == std::string::npos; }),
              cases.end());
  std::printf("plupp-baddata: %zu cases, %d at a time, %d fps\n", cases.size(), jobs, fps);
  std::fflush(stdout);

  std::atomic<size_t> next{0};
  std::atomic<int> failed{0};
  std::mutex print;
  auto worker = [&] {
    for (size_t i; (i = next++) < cases.size();) {
      const Outcome o = runCase(build, scratch, cases[i]);
      std::lock_guard<std::mutex> lock(print);
      std::printf("%s %s %s%s%s\n", o.pass ? "ok  " : "FAIL", cases[i].file.c_str(),
                  kDamageNames[cases[i].damage], o.pass ? "" : ": ", o.why.c_str());
      std::fflush(stdout);
      if (!o.pass) ++failed;
    }
  };
  std::vector<std::thread> pool;
  for (int j = 0; j < jobs; ++j) pool.emplace_back(worker);
  for (std::thread& t : pool) t.join();
  std::remove((scratch + "/intact.txt").c_str());
  rmdir(scratch.c_str());  // stays if a failed case is kept there

  std::printf("cases=%zu failed=%d\n", cases.size(), int(failed));
  SDL_Quit();
  return failed ? 1 : 0;
}
