// What the decoders read answers with: big-endian numbers of up to four
// bytes, and counts as decimal text, alike on every build (a long has 32
// bits on Windows, so neither goes through one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

inline std::uint32_t BigEndian(const unsigned char* bytes, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = (value << 8) | bytes[i];
  return value;
}

inline std::string DecimalText(unsigned long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llu", value);
  return text;
}
