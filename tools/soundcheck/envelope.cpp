#include "tools/soundcheck/envelope.h"

#include <cmath>
#include <limits>

std::vector<double> blockEnvelope(const std::vector<int16_t>& s) {
  std::vector<double> env(s.size() / 2 / kBlock);
  for (size_t b = 0; b < env.size(); ++b) {
    double sum = 0;
    for (size_t i = b * kBlock * 2; i < (b + 1) * kBlock * 2; ++i) sum += double(s[i]) * s[i];
    env[b] = std::sqrt(sum / (kBlock * 2)) / 32768.0;
  }
  return env;
}

long bestOffset(const std::vector<double>& whole, const std::vector<double>& part) {
  // Mean absolute difference over the overlap, which must hold at least half
  // of `part`, so a shift that leaves a sliver in common cannot win.
  const long n = long(whole.size()), m = long(part.size());
  long best = 0;
  double bestCost = std::numeric_limits<double>::infinity();
  for (long shift = -m / 2; shift <= n - m / 2; ++shift) {
    double cost = 0;
    long overlap = 0;
    for (long i = std::max(0L, -shift); i < m && i + shift < n; ++i, ++overlap)
      cost += std::fabs(part[size_t(i)] - whole[size_t(i + shift)]);
    if (overlap < (m + 1) / 2) continue;
    cost /= double(overlap);
    if (cost < bestCost) {
      bestCost = cost;
      best = shift;
    }
  }
  return best;
}

std::vector<SilentRun> silentRuns(const std::vector<int16_t>& s, size_t minFrames) {
  std::vector<SilentRun> runs;
  const size_t frames = s.size() / 2;
  size_t start = 0;
  for (size_t f = 0; f <= frames; ++f) {
    const bool silent = f < frames && s[2 * f] == 0 && s[2 * f + 1] == 0;
    if (silent) continue;
    if (f - start >= minFrames && minFrames > 0) runs.push_back({start, f - start});
    start = f + 1;
  }
  return runs;
}
