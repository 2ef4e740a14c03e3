#include "interrogation/performance.h"

#include <cstdio>

#include "interrogation/answer_bytes.h"
#include "device/commands.h"

namespace {

const std::size_t kHeaderLength = kPerformanceHeaderLength;
const std::size_t kDescriptorLength = kPerformanceDescriptorLength;

// The header, and how many whole descriptors lie within both what came and
// what the data length says; notes for what does not fit.
PerformanceAnswer Walk(const unsigned char* answer, std::size_t received, std::size_t* descriptors) {
  PerformanceAnswer result;
  result.decoded = false;
  result.dataLength = 0;
  result.write = result.except = false;
  *descriptors = 0;
  if (answer == nullptr || received < kHeaderLength) {
    result.notes.push_back("the performance header did not come whole");
    return result;
  }
  result.decoded = true;
  result.dataLength = BigEndian(answer, 4);
  result.write = (answer[4] & 0x02) != 0;
  result.except = (answer[4] & 0x01) != 0;
  const unsigned long long whole = static_cast<unsigned long long>(result.dataLength) + 4;
  std::size_t available = whole < received ? static_cast<std::size_t>(whole) : received;
  if (whole > received) result.notes.push_back("the answer says " + DecimalText(whole) + " bytes, " + DecimalText(received) + " came");
  if (available < kHeaderLength) available = kHeaderLength;
  *descriptors = (available - kHeaderLength) / kDescriptorLength;
  const std::size_t rest = (available - kHeaderLength) % kDescriptorLength;
  if (rest != 0) result.notes.push_back(DecimalText(rest) + " bytes that make no whole descriptor");
  if (*descriptors == 0) result.notes.push_back("no descriptors");
  return result;
}

}  // namespace

PerformanceAnswer DecodeWriteSpeeds(const unsigned char* answer, std::size_t received) {
  std::size_t count = 0;
  PerformanceAnswer result = Walk(answer, received, &count);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* d = answer + kHeaderLength + i * kDescriptorLength;
    WriteSpeedDescriptor speed;
    speed.wrc = (d[0] >> 3) & 0x03;
    speed.rdd = (d[0] & 0x04) != 0;
    speed.exact = (d[0] & 0x02) != 0;
    speed.mrw = (d[0] & 0x01) != 0;
    speed.endLba = BigEndian(d + 4, 4);
    speed.readSpeed = BigEndian(d + 8, 4);
    speed.writeSpeed = BigEndian(d + 12, 4);
    result.writeSpeeds.push_back(speed);
  }
  return result;
}

PerformanceAnswer DecodePerformance(const unsigned char* answer, std::size_t received) {
  std::size_t count = 0;
  PerformanceAnswer result = Walk(answer, received, &count);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* d = answer + kHeaderLength + i * kDescriptorLength;
    PerformanceDescriptor performance = {BigEndian(d, 4), BigEndian(d + 4, 4), BigEndian(d + 8, 4),
                                         BigEndian(d + 12, 4)};
    result.performance.push_back(performance);
  }
  return result;
}

Medium MediumOf(long profile) {
  Medium medium = {"", 0.0};
  if (profile >= 0x08 && profile <= 0x0A) medium = {"CD", 176.4};
  else if ((profile >= 0x10 && profile <= 0x1B) || profile == 0x2A || profile == 0x2B) medium = {"DVD", 1385.0};
  else if (profile >= 0x40 && profile <= 0x43) medium = {"BD", 4495.0};
  return medium;
}

std::string MediumSpeedText(unsigned long kbPerSecond, const Medium& medium) {
  char text[64];
  if (medium.oneX > 0)
    std::snprintf(text, sizeof text, "%lu kB/s (%.1fx %s)", kbPerSecond, kbPerSecond / medium.oneX, medium.name.c_str());
  else
    std::snprintf(text, sizeof text, "%lu kB/s", kbPerSecond);
  return text;
}
