#include "support/HeardFrames.h"

#include <cmath>
#include <cstring>

std::string NumberedFrames(uint32_t frames) {
  std::string pcm(size_t(frames) * 4, '\0');
  for (uint32_t k = 0; k < frames; ++k) {
    uint32_t n = k + 1;
    int16_t side[2] = {int16_t(n & 0x7FFF), int16_t((n >> 15) & 0x7FFF)};
    std::memcpy(&pcm[size_t(k) * 4], side, 4);
  }
  return pcm;
}

uint32_t Heard(const Capture& c, size_t i) {
  return uint32_t(std::lround(c.left[i] * 32768)) | uint32_t(std::lround(c.right[i] * 32768)) << 15;
}

size_t FirstSound(const Capture& c, size_t from) {
  while (from < c.left.size() && c.left[from] == 0 && c.right[from] == 0) ++from;
  return from;
}

size_t FirstSilence(const Capture& c, size_t from, size_t frames) {
  for (size_t quiet = 0; from < c.left.size(); ++from) {
    quiet = c.left[from] == 0 && c.right[from] == 0 ? quiet + 1 : 0;
    if (quiet == frames) return from + 1 - frames;
  }
  return from;
}

size_t RunLength(const Capture& c, size_t i) {
  size_t n = 1;
  while (i + n < c.left.size() && Heard(c, i + n) == Heard(c, i) + n) ++n;
  return n;
}

size_t RunFromFirstFrame(const Capture& c) {
  const size_t first = FirstSound(c);
  return first < c.left.size() && Heard(c, first) == 1 ? RunLength(c, first) : 0;
}
