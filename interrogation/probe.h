// The probe: what a drive does when it reads the CD in it, against what it
// declares. Pure functions over the answers of READ(10) and READ CD (BEh):
// each check reads the LBA it asked for from the CDB it sent, so that a
// saved report gives the same findings when replayed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/commands.h"
#include "interrogation/medium.h"

// A CD's EDC (CRC-32, polynomial 8001801Bh, bytes least significant bit
// first, initial value 0, no final XOR) over `length` bytes.
std::uint32_t CdEdc(const unsigned char* bytes, std::size_t length);
// The Q sub-channel's CRC (CRC-16, polynomial 1021h, most significant bit
// first, initial value 0) over the 10 bytes of a Q frame, inverted, as a
// disc stores it in bytes 10-11.
std::uint16_t QCrc(const unsigned char* q10);
// The Q channel's 12 bytes out of 96 raw P-W bytes (bit 6 of each).
std::vector<unsigned char> QOfRawSubChannel(const unsigned char* raw96);

// What a probe found for one capability.
struct ProbeFinding {
  enum Kind {
    kWorks,     // answered, and every check of the answer held
    kRefused,   // the drive refused the command
    kWrong,     // answered, but a check failed
    kNotTried   // not sent, or not carried
  };
  Kind kind = kNotTried;
  std::string why;                 // for kRefused, kWrong, kNotTried
  std::vector<std::string> notes;  // what the checks could not weigh
  // "works (verified)", "refused (why)", "answers but wrong: why", "not tried: why".
  std::string Text() const;
};
// "works", "refused", "wrong", "not_tried".
const char* ProbeKindName(ProbeFinding::Kind kind);
ProbeFinding NotTried(const std::string& why);
// A command that was not carried is not tried, with the reason; one that
// was refused is refused, in the sense's words. False where it answered
// GOOD, and the caller weighs the answer.
bool Unanswered(const char* command, const CommandAnswer& answer, ProbeFinding* finding);

// The sectors the probe reads, chosen from the TOC: in the first data
// track (control bit 2 set) and in the first audio track, each the track's
// 17th sector (past a data track's system area, which is often all zero),
// or its last but one where it is shorter (the C2 and sub-channel reads
// take the next block too).
struct ProbeSectors {
  bool data = false, audio = false;
  int dataTrack = 0, audioTrack = 0;
  std::int32_t dataLba = 0, audioLba = 0;
  std::string whyNoData, whyNoAudio;
};
ProbeSectors ChooseProbeSectors(const Toc& toc);

// The checks. Each takes the answer of the command it weighs (GOOD, or it
// says why not) and finds it right or wrong.
// READ CD's user data against READ(10)'s of the same block.
ProbeFinding CheckUserData(const CommandAnswer& readCd, const CommandAnswer& read10);
// A whole 2352-byte sector: sync, the header's address and mode, the EDC.
ProbeFinding CheckRawSector(const CommandAnswer& raw);
// C2 error pointers (294 bytes, or 296 with the block error byte) after
// each sector: all there (the next block's sector where it belongs), and
// the first block's clear, as it read without error.
ProbeFinding CheckC2(const CommandAnswer& answer, bool blockError);
// The sub-channel after each sector: the formatted Q (16 bytes) or the raw
// P-W (96), all there as the C2 pointers; the first block's Q: its CRC and
// its absolute address against the LBA.
ProbeFinding CheckSubChannel(const CommandAnswer& answer, bool raw);
// Two reads of one CD-DA block: the same 2352 bytes.
ProbeFinding CheckAudioRepeat(const CommandAnswer& first, const CommandAnswer& second);

// What the drive declares of a capability: by the capabilities page and by
// the features; each kYes, kNo, or kSilent where it says nothing of it (or
// did not answer).
enum ProbeDeclared { kDeclaresNothing = -1, kDeclaresNo = 0, kDeclaresYes = 1 };

// The capabilities the probe weighs, in the order it reports them.
enum ProbeCheckId { kProbeUserData, kProbeRawSector, kProbeC2, kProbeC2BlockError, kProbeFormattedQ,
                    kProbeRawPw, kProbeAudioRepeat, kProbeCheckCount };
struct ProbeCheckName {
  const char* key;         // JSON
  const char* capability;  // text
};
extern const ProbeCheckName kProbeChecks[kProbeCheckCount];

struct ProbeCheck {
  ProbeCheckId id;
  ProbeDeclared page = kDeclaresNothing;
  ProbeDeclared features = kDeclaresNothing;
  ProbeFinding found;
};

struct ProbeReport {
  bool asked = false;  // --probe
  std::string whyNotTried;  // why no block was read: no CD, no TOC; empty when it was
  ProbeSectors sectors;
  std::vector<ProbeCheck> checks;  // kProbeCheckCount, in order
};
