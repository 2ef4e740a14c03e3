// What a drive says about itself beyond the window's 24 rows: the rest of
// the capabilities page (loading mechanism, lock, speeds, buffer, write
// speed descriptors) and the media profiles of GET CONFIGURATION. Pure
// decoders over the bytes that came back: they read only those bytes,
// decode what is whole, and say in notes what was cut short or malformed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A field that the answer did not hold.
const long kAbsent = -1;

struct WriteSpeed {
  int rotationControl;  // 0 CLV, 1 CAV (bits 0-2 of the descriptor's byte 1)
  long kbPerSecond;
};

// The page's one-bit fields beyond the 24 rows, in page order: each with its
// JSON key and its label in the text.
struct PageFlag {
  const char* key;
  const char* label;
  int byte;  // page byte
  int bit;
};
extern const PageFlag kPageFlags[];
extern const std::size_t kPageFlagCount;

struct MechanismDetail {
  bool decoded;               // a page 2Ah was found in the answer
  long loadingMechanism;      // byte 6 bits 5-7
  long locked;                // byte 6 bit 1 (1 or 0)
  long preventJumper;         // byte 6 bit 2
  long maxReadSpeed;          // bytes 8-9, kB/s (obsolete in later drives)
  long volumeLevels;          // bytes 10-11
  long bufferSize;            // bytes 12-13, KB
  long currentReadSpeed;      // bytes 14-15, kB/s (obsolete)
  long maxWriteSpeed;         // bytes 18-19, kB/s (obsolete)
  long currentWriteSpeed;     // bytes 20-21, kB/s (obsolete)
  long digitalAudioLength;    // byte 17 bits 4-5: bit clocks per sample of the digital audio port
  long copyManagementRevision;  // bytes 22-23
  long rotationControl;       // byte 27 bits 0-1: the selected rotation control
  long selectedWriteSpeed;    // bytes 28-29, kB/s
  long writeSpeedCount;       // bytes 30-31: descriptors the page announces
  std::vector<WriteSpeed> writeSpeeds;  // those that came whole
  std::vector<long> flags;    // by kPageFlags: 1, 0, or kAbsent where its byte did not come
  std::vector<std::string> notes;
};

struct MediaProfile {
  int number;
  bool current;
};

struct ProfileDetail {
  bool decoded;          // a configuration header came
  long currentProfile;   // header bytes 6-7
  bool listFound;        // the Profile List feature (0000h) came, first
  std::vector<MediaProfile> profiles;
  std::vector<std::string> notes;
};

// MODE SENSE(10) answer (header, block descriptors, page) of which
// `received` bytes came back.
MechanismDetail DecodeMechanism(const unsigned char* answer, std::size_t received);
// GET CONFIGURATION answer of which `received` bytes came back.
ProfileDetail DecodeProfiles(const unsigned char* answer, std::size_t received);

// "tray", "caddy/slot", ...; "reserved (3)" for the codes without a meaning.
std::string LoadingMechanismName(long code);
// The digital audio port's bit clocks per sample: "32 BCKs", ..., "24 BCKs, I2S".
std::string DigitalAudioLengthName(long code);
// "CLV" or "CAV"; "reserved (n)" otherwise.
std::string RotationControlName(long code);
// The profile's name as MMC gives it ("DVD+R DL"); its number as "0099h"
// when it has none.
std::string ProfileName(int number);
// kB/s as text with the CD multiple: "7056 kB/s (40x CD)".
std::string SpeedText(long kbPerSecond);
