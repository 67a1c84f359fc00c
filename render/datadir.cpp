#include "render/datadir.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {
// --- the data folder: "" is the working directory, else ends in '/' ---
std::string dataRoot;

bool isDir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Either folder makes the place the show's: one that lacks the other (or
// some of their files) is damaged, and each missing file is then named as it
// fails to load, rather than the show quietly playing from somewhere else.
bool holdsShowData(const std::string& dir) {
  const std::string base = dir.empty() ? "" : dir + "/";
  return isDir(base + "gfx") || isDir(base + "data");
}

std::string parentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

std::vector<std::string> dataCandidates(const std::string& exePath) {
  std::vector<std::string> dirs{""};
  if (exePath.empty()) return dirs;
  const std::string bin = parentOf(exePath);
  dirs.push_back(bin);
  dirs.push_back(parentOf(bin) + "/share/plupp");
  return dirs;
}

bool findShowData(const std::string& exePath, std::string* lookedIn) {
  const std::vector<std::string> dirs = dataCandidates(exePath);
  for (const std::string& dir : dirs) {
    if (!holdsShowData(dir)) continue;
    dataRoot = dir.empty() ? "" : dir + "/";
    return true;
  }
  if (lookedIn) {
    lookedIn->clear();
    for (size_t i = 0; i < dirs.size(); ++i) {
      if (i) *lookedIn += i + 1 == dirs.size() ? " and " : ", ";
      *lookedIn += dirs[i].empty() ? "the working directory" : dirs[i];
    }
  }
  return false;
}

std::string dataFile(const char* relative) { return dataRoot + relative; }

std::string executablePath() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  return std::string(buf, size_t(n));
}
