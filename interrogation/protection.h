// The drive's content protection in words, from the features it declares
// (no command of its own): which schemes it supports and what its AACS
// feature says of bus encryption.
#pragma once

#include <string>
#include <vector>

#include "interrogation/features.h"

struct ProtectionScheme {
  int code;           // the feature's code
  std::string name;   // "CSS", "CPRM", "AACS", ...
  long long version;  // the scheme's own version where the feature gives one; -1 else
  bool current;       // the feature's current bit: usable with the disc in the drive
};

struct ContentProtection {
  std::vector<ProtectionScheme> schemes;  // in the order of their features
  // The AACS feature's bits, where it came with them.
  bool aacs = false;
  bool busEncryption = false;        // BEC: the drive can encrypt what crosses the bus
  bool writeBusEncryption = false;   // WBE: also what it is sent to write
  // What the summary could not tell, as notes (a descriptor cut short).
  std::vector<std::string> notes;
};

ContentProtection DescribeProtection(const FeatureList& features);
// The schemes in one line: "CSS 1, CPRM 1, AACS 2 (current)"; "none".
std::string ProtectionSchemesText(const ContentProtection& protection);
// What bus encryption means for copies of protected discs, in a sentence.
extern const char kBusEncryptionMeaning[];
// Why the report cannot say whether the drive requires bus encryption.
extern const char kBusEncryptionRequired[];
