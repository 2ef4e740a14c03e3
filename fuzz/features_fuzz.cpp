// Decodes arbitrary bytes as a GET CONFIGURATION answer of every feature.
// The input is copied to a buffer of exactly its size, so AddressSanitizer
// sees any read past what came.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "interrogation/features.h"
#include "interrogation/protection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned char> bytes(data, data + size);
  const unsigned char* answer = bytes.empty() ? nullptr : bytes.data();

  FeatureList features = DecodeFeatures(answer, size);
  std::size_t held = 0;
  for (const Feature& feature : features.features) {
    held += 4 + feature.data.size();
    if (feature.data.size() > feature.length) std::abort();  // never more than the descriptor says
    for (const FeatureField& field : feature.fields)
      if (field.key == nullptr || *field.key == 0 || field.label == nullptr || *field.label == 0) std::abort();
  }
  if (held > size) std::abort();  // never more than came
  if (ConfigurationLength(answer, size) > kLargestConfiguration) std::abort();
  // The summary names only features that came, each once at most.
  const ContentProtection protection = DescribeProtection(features);
  if (protection.schemes.size() > features.features.size()) std::abort();
  ProtectionSchemesText(protection);

  return 0;
}
