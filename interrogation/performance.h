// GET PERFORMANCE (ACh) answers: the write speed descriptors of type 03h
// for the medium in the drive, and the read performance of type 00h; and
// the 1x of a medium, for the speeds' multiples. Pure functions over the
// bytes that came.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct WriteSpeedDescriptor {
  int wrc;                 // byte 0 bits 4-3: 0 default, 1 CAV
  bool rdd, exact, mrw;    // byte 0 bits 2, 1, 0
  std::uint32_t endLba;      // bytes 4-7
  std::uint32_t readSpeed;   // bytes 8-11, kB/s
  std::uint32_t writeSpeed;  // bytes 12-15, kB/s
};

struct PerformanceDescriptor {
  std::uint32_t startLba, startSpeed, endLba, endSpeed;  // speeds in kB/s
};

struct PerformanceAnswer {
  bool decoded;              // a whole header came
  unsigned long dataLength;  // header bytes 0-3: the bytes after themselves
  bool write;                // header byte 4 bit 1 (type 00h)
  bool except;               // header byte 4 bit 0 (type 00h)
  std::vector<WriteSpeedDescriptor> writeSpeeds;  // type 03h
  std::vector<PerformanceDescriptor> performance;  // type 00h
  std::vector<std::string> notes;
};

// A type 03h answer of which `received` bytes came.
PerformanceAnswer DecodeWriteSpeeds(const unsigned char* answer, std::size_t received);
// A type 00h answer of which `received` bytes came.
PerformanceAnswer DecodePerformance(const unsigned char* answer, std::size_t received);

// The medium of a profile ("CD", "DVD", "BD") and its 1x in kB/s (176.4,
// 1385, 4495); an empty name and 0 for none or another one.
struct Medium {
  std::string name;
  double oneX;
};
Medium MediumOf(long profile);
// kB/s with the multiple of the medium's 1x: "5540 kB/s (4.0x DVD)"; the
// bare kB/s where the medium is not known.
std::string MediumSpeedText(unsigned long kbPerSecond, const Medium& medium);
