// Decodes arbitrary bytes as GET PERFORMANCE answers of both types. The
// input is copied to a buffer of exactly its size, so AddressSanitizer sees
// any read past what came.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "interrogation/performance.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned char> bytes(data, data + size);
  const unsigned char* answer = bytes.empty() ? nullptr : bytes.data();
  PerformanceAnswer speeds = DecodeWriteSpeeds(answer, size);
  PerformanceAnswer reading = DecodePerformance(answer, size);
  if (speeds.writeSpeeds.size() * 16 > size || reading.performance.size() * 16 > size) std::abort();
  const Medium medium = MediumOf(size > 1 ? static_cast<long>(bytes[0] << 8 | bytes[1]) : 0);
  for (const WriteSpeedDescriptor& d : speeds.writeSpeeds) MediumSpeedText(d.writeSpeed, medium);
  for (const PerformanceDescriptor& d : reading.performance) MediumSpeedText(d.endSpeed, medium);
  return 0;
}
