// Decodes arbitrary bytes both as a MODE SENSE(10) answer and as a GET
// CONFIGURATION answer. The input is copied to a buffer of exactly its size,
// so AddressSanitizer sees any read past what came; the text helpers run on
// every decoded value.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "interrogation/drive_detail.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned char> bytes(data, data + size);
  const unsigned char* answer = bytes.empty() ? nullptr : bytes.data();

  MechanismDetail mechanism = DecodeMechanism(answer, size);
  if (mechanism.decoded) {
    LoadingMechanismName(mechanism.loadingMechanism);
    RotationControlName(mechanism.rotationControl);
    SpeedText(mechanism.maxReadSpeed);
    // Never more descriptors than the answer could hold.
    if (mechanism.writeSpeeds.size() * 4 > size) std::abort();
    for (const WriteSpeed& speed : mechanism.writeSpeeds) {
      RotationControlName(speed.rotationControl);
      SpeedText(speed.kbPerSecond);
    }
  }

  ProfileDetail profiles = DecodeProfiles(answer, size);
  if (profiles.profiles.size() * 4 > size) std::abort();
  for (const MediaProfile& profile : profiles.profiles) ProfileName(profile.number);
  return 0;
}
