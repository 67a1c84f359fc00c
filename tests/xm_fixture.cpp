#include "tests/xm_fixture.h"

#include <cstdio>
#include <cstring>

namespace {
void put16(std::vector<uint8_t>& b, int v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, int(v & 0xFFFF));
  put16(b, int(v >> 16));
}
void putText(std::vector<uint8_t>& b, const char* s, size_t n) {
  for (size_t i = 0; i < n; ++i) b.push_back(i < std::strlen(s) ? uint8_t(s[i]) : 0);
}
}  // namespace

bool writeXm(const std::string& path, int channels, int rows, const std::vector<XmNote>& notes,
             int instruments, int orders) {
  std::vector<uint8_t> b;
  putText(b, "Extended Module: ", 17);
  putText(b, "test", 20);
  b.push_back(0x1A);
  putText(b, "fixture", 20);
  put16(b, 0x0104);
  put32(b, 276);
  put16(b, orders);
  put16(b, 0);  // restart
  put16(b, channels);
  put16(b, 1);  // patterns
  put16(b, instruments);
  put16(b, 1);  // linear frequencies
  put16(b, 6);
  put16(b, 125);
  for (int i = 0; i < 256; ++i) b.push_back(0);

  std::vector<uint8_t> cells(size_t(rows) * channels * 5, 0);
  for (const XmNote& n : notes) {
    uint8_t* c = &cells[(size_t(n.row) * channels + n.channel) * 5];
    c[0] = n.note;
    c[1] = n.instrument;
    c[3] = n.effect;
    c[4] = n.param;
  }
  put32(b, 9);
  b.push_back(0);
  put16(b, rows);
  put16(b, int(cells.size()));
  b.insert(b.end(), cells.begin(), cells.end());

  for (int i = 0; i < instruments; ++i) {
    put32(b, 29);
    putText(b, "", 22);
    b.push_back(0);
    put16(b, 0);  // no samples
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  return std::fclose(f) == 0 && ok;
}
