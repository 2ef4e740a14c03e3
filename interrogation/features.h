// The features of a GET CONFIGURATION answer (request type 0: every feature
// the drive has): each descriptor walked by its own length, in ascending
// order of code (a code not above the one before ends the walk), its code,
// MMC name, version, persistent and current bits, and the fields MMC gives it,
// decoded as far as the descriptor holds them, by length and never by
// version alone. Pure functions over the bytes that came.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One decoded field of a feature descriptor.
struct FeatureField {
  enum Kind {
    kFlag,     // a bit: number is 0 or 1
    kNumber,   // an unsigned number
    kText,     // a named value or printable text
    kNumbers   // a list of numbers (link sizes, version bitmaps)
  };
  const char* key;    // the JSON member's name
  const char* label;  // the text form's label
  Kind kind;
  long long number;  // wide enough for 32 unsigned bits where a long has 32
  std::string text;
  std::vector<long long> numbers;
};

struct Feature {
  int code;
  const char* name;           // MMC's name; "vendor specific" or "unknown" otherwise
  int version;                // byte 2 bits 5-2
  bool persistent;            // byte 2 bit 1
  bool current;               // byte 2 bit 0
  std::size_t length;         // the additional length, n, as the descriptor says
  std::vector<unsigned char> data;  // the bytes after the 4-byte header that came, at most n
  std::vector<FeatureField> fields;
  std::vector<std::string> notes;
};

struct FeatureList {
  bool decoded;                // a whole header came
  unsigned long dataLength;    // header bytes 0-3: the bytes after themselves
  long currentProfile;         // header bytes 6-7
  std::vector<Feature> features;
  std::vector<std::string> notes;
};

// GET CONFIGURATION answer of which `received` bytes came back.
FeatureList DecodeFeatures(const unsigned char* answer, std::size_t received);
// The feature's name as MMC gives it.
const char* FeatureName(int code);
// The length a whole GET CONFIGURATION answer takes, from its header's data
// length (which does not count itself), no more than the largest allocation
// we ask for.
std::size_t ConfigurationLength(const unsigned char* header, std::size_t received);
const std::size_t kLargestConfiguration = 65532;
