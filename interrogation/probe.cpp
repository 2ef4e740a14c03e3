#include "interrogation/probe.h"

#include <cstdio>
#include <cstring>

#include "interrogation/answer_bytes.h"
#include "interrogation/sense_words.h"

namespace {

const unsigned char kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
// Physical address = LBA + 150: the two seconds before track 1.
const std::int32_t kPregapBlocks = 150;
const std::int32_t kProbeOffset = 16;

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lXh", static_cast<unsigned long>(value));
  return text;
}
std::string Hex16(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04Xh", value & 0xFFFFu);
  return text;
}
std::string HexBytes(const unsigned char* bytes, std::size_t count) {
  std::string text;
  char one[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(one, sizeof one, "%02X", bytes[i]);
    text += (i ? " " : "") + std::string(one);
  }
  return text;
}
std::string Signed(long long n) { return (n > 0 ? "+" : "") + std::to_string(n); }

ProbeFinding Finding(ProbeFinding::Kind kind, const std::string& why) {
  ProbeFinding finding;
  finding.kind = kind;
  finding.why = why;
  return finding;
}

// Wrong where a reason was found; works otherwise.
ProbeFinding Weighed(const std::vector<std::string>& reasons, const std::vector<std::string>& notes) {
  std::string why;
  for (const std::string& reason : reasons) why += (why.empty() ? "" : "; ") + reason;
  ProbeFinding finding = Finding(reasons.empty() ? ProbeFinding::kWorks : ProbeFinding::kWrong, why);
  finding.notes = notes;
  return finding;
}

std::int32_t LbaAsked(const CommandAnswer& answer) {
  const std::vector<BYTE>& cdb = answer.cdb;
  if (cdb.size() < 6) return 0;
  return static_cast<std::int32_t>(BigEndian(&cdb[2], 4));
}

std::string ShortText(std::size_t came, unsigned long long asked) {
  return std::to_string(came) + " bytes came, " + std::to_string(asked) + " asked";
}

// Where the transport does not tell how many bytes came, bytes past what
// the drive sent still hold what the buffer was filled with.
bool LeftAsSent(const CommandAnswer& answer, std::size_t from, std::size_t to) {
  if (answer.outcome.transferred != kTransferUnknown) return false;
  for (std::size_t i = from; i < to; ++i)
    if (answer.data[i] != kUnsentByte) return false;
  return true;
}

bool Bcd(unsigned char byte, int* value) {
  if ((byte >> 4) > 9 || (byte & 0x0F) > 9) return false;
  *value = (byte >> 4) * 10 + (byte & 0x0F);
  return true;
}
unsigned char ToBcd(int value) { return static_cast<unsigned char>((value / 10) << 4 | value % 10); }

// An address M S F in BCD as an LBA; false where a byte is not BCD.
bool BcdAddress(const unsigned char* msf, std::int32_t* lba) {
  int m = 0, s = 0, f = 0;
  if (!Bcd(msf[0], &m) || !Bcd(msf[1], &s) || !Bcd(msf[2], &f)) return false;
  *lba = static_cast<std::int32_t>(m) * 4500 + s * 75 + f - kPregapBlocks;
  return true;
}

// An LBA as the time M:S:F of its block; an LBA no CD time reaches as a number.
std::string MsfWords(std::int32_t lba) {
  const long long physical = static_cast<long long>(lba) + kPregapBlocks;
  if (physical < 0 || physical / 4500 > 99) return "LBA " + std::to_string(lba);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(physical / 4500),
                static_cast<int>(physical / 75 % 60), static_cast<int>(physical % 75));
  return text;
}

// The header's address (bytes 12-14) against the LBA asked for.
void CheckHeader(const unsigned char* header, std::int32_t lba, std::vector<std::string>* reasons) {
  const long long physical = static_cast<long long>(lba) + kPregapBlocks;
  std::int32_t said = 0;
  if (physical < 0 || physical / 4500 > 99) {
    // No header can hold the block asked for.
    if (BcdAddress(header, &said)) reasons->push_back("header address " + MsfWords(said) + " for " + MsfWords(lba));
    return;
  }
  const int m = static_cast<int>(physical / 4500), s = static_cast<int>(physical / 75 % 60),
            f = static_cast<int>(physical % 75);
  const unsigned char bcd[3] = {ToBcd(m), ToBcd(s), ToBcd(f)};
  if (std::memcmp(header, bcd, 3) == 0) return;
  const unsigned char binary[3] = {static_cast<unsigned char>(m), static_cast<unsigned char>(s),
                                   static_cast<unsigned char>(f)};
  if (std::memcmp(header, binary, 3) == 0)
    reasons->push_back("header address " + HexBytes(header, 3) + " in binary, not BCD (" + HexBytes(bcd, 3) + ")");
  else if (BcdAddress(header, &said))
    reasons->push_back("header address " + MsfWords(said) + ", off by " + Signed(static_cast<long long>(said) - lba) + " from " +
                       MsfWords(lba));
  else
    reasons->push_back("header address " + HexBytes(header, 3) + " is not BCD");
}

// READ CD's blocks asked for (bytes 6-8), at least one.
std::size_t BlocksAsked(const CommandAnswer& answer) {
  const std::vector<BYTE>& cdb = answer.cdb;
  if (cdb.size() < 9) return 1;
  const std::size_t blocks = static_cast<std::size_t>(cdb[6]) << 16 | static_cast<std::size_t>(cdb[7]) << 8 | cdb[8];
  return blocks == 0 ? 1 : blocks;
}

// Whether each sector of a READ CD answer came followed by the `extra`
// bytes asked for (C2 pointers, sub-channel): all the bytes came, and the
// next block's sector starts after them. Where not, *finding says so: a
// drive that ignores the request sends the sectors one after the other, and
// some transports tell the whole allocation moved all the same.
bool Laid(const CommandAnswer& answer, std::size_t extra, const char* what, ProbeFinding* finding) {
  const std::vector<BYTE>& data = answer.data;
  const std::size_t blocks = BlocksAsked(answer), stride = kRawSectorLength + extra;
  const std::string none = std::string("no ") + what;
  if (data.size() / stride < blocks) {
    const bool sectorsOnly = data.size() % kRawSectorLength == 0 && data.size() / kRawSectorLength == blocks;
    *finding = Finding(ProbeFinding::kWrong, ShortText(data.size(), static_cast<unsigned long long>(blocks) * stride) +
                                                 (sectorsOnly ? ": " + none : std::string()));
    return false;
  }
  if (LeftAsSent(answer, kRawSectorLength, stride)) {
    *finding = Finding(ProbeFinding::kWrong, none + " came (the bytes after the sector were left as they were)");
    return false;
  }
  for (std::size_t b = 1; b < blocks; ++b) {
    if (std::memcmp(&data[b * stride], kSync, sizeof kSync) == 0) continue;
    const std::size_t plain = b * kRawSectorLength;
    *finding = Finding(ProbeFinding::kWrong,
                       std::memcmp(&data[plain], kSync, sizeof kSync) == 0
                           ? none + " came: the next block's sector starts at byte " + std::to_string(plain) +
                                 ", where they belong"
                           : "the next block's sector is not at byte " + std::to_string(b * stride));
    return false;
  }
  return true;
}

void CheckEdc(const unsigned char* sector, std::size_t from, std::size_t at, std::vector<std::string>* reasons) {
  const std::uint32_t read = static_cast<std::uint32_t>(sector[at]) | static_cast<std::uint32_t>(sector[at + 1]) << 8 |
                             static_cast<std::uint32_t>(sector[at + 2]) << 16 |
                             static_cast<std::uint32_t>(sector[at + 3]) << 24;
  const std::uint32_t computed = CdEdc(sector + from, at - from);
  if (read != computed)
    reasons->push_back("EDC " + Hex32(read) + (read == 0 ? " (none computed)" : "") + ", computed " + Hex32(computed));
}

}  // namespace

std::uint32_t CdEdc(const unsigned char* bytes, std::size_t length) {
  static std::uint32_t table[256];
  static bool made = false;
  if (!made) {
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t r = n;
      for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ 0xD8018001u : r >> 1;
      table[n] = r;
    }
    made = true;
  }
  std::uint32_t edc = 0;
  for (std::size_t i = 0; i < length; ++i) edc = (edc >> 8) ^ table[(edc ^ bytes[i]) & 0xFF];
  return edc;
}

std::uint16_t QCrc(const unsigned char* q10) {
  unsigned crc = 0;
  for (int i = 0; i < 10; ++i) {
    crc ^= static_cast<unsigned>(q10[i]) << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
  }
  return static_cast<std::uint16_t>(~crc & 0xFFFF);
}

std::vector<unsigned char> QOfRawSubChannel(const unsigned char* raw96) {
  std::vector<unsigned char> q(12, 0);
  for (int i = 0; i < 96; ++i)
    if (raw96[i] & 0x40) q[i / 8] |= static_cast<unsigned char>(0x80 >> (i % 8));
  return q;
}

std::string ProbeFinding::Text() const {
  switch (kind) {
    case kWorks: return "works (verified)";
    case kRefused: return "refused (" + why + ")";
    case kWrong: return "answers but wrong: " + why;
    default: return "not tried: " + why;
  }
}

const char* ProbeKindName(ProbeFinding::Kind kind) {
  switch (kind) {
    case ProbeFinding::kWorks: return "works";
    case ProbeFinding::kRefused: return "refused";
    case ProbeFinding::kWrong: return "wrong";
    default: return "not_tried";
  }
}

ProbeFinding NotTried(const std::string& why) { return Finding(ProbeFinding::kNotTried, why); }

bool Unanswered(const char* command, const CommandAnswer& answer, ProbeFinding* finding) {
  const CommandOutcome& outcome = answer.outcome;
  switch (answer.sent ? outcome.kind() : CommandOutcome::kNotCarried) {
    case CommandOutcome::kGood:
      return false;
    case CommandOutcome::kCheckCondition:
      *finding = Finding(ProbeFinding::kRefused, outcome.senseLength ? SenseWords(outcome.sense, outcome.senseLength)
                                                                     : "no sense data");
      return true;
    case CommandOutcome::kOtherStatus:
      *finding = Finding(ProbeFinding::kRefused, "status " + StatusText(outcome.status));
      return true;
    default:
      *finding = NotTried(std::string(command) + " was not carried" +
                          (outcome.Reason().empty() ? std::string() : ": " + outcome.Reason()));
      return true;
  }
}

ProbeSectors ChooseProbeSectors(const Toc& toc) {
  ProbeSectors sectors;
  const std::vector<TocEntry>& entries = toc.entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].track == kLeadOutTrack) continue;
    const bool data = (entries[i].control & 0x04) != 0;
    bool& found = data ? sectors.data : sectors.audio;
    if (found) continue;
    std::int32_t lba = entries[i].lba;
    if (i + 1 < entries.size()) {
      const long long length = static_cast<long long>(entries[i + 1].lba) - entries[i].lba;
      if (length <= 0) continue;  // no block of its own to read
      // Two blocks are read from there where the second tells whether the
      // bytes after the first came: both in the track.
      lba += static_cast<std::int32_t>(length > kProbeOffset + 1 ? kProbeOffset : length > 1 ? length - 2 : 0);
    }
    found = true;
    (data ? sectors.dataTrack : sectors.audioTrack) = entries[i].track;
    (data ? sectors.dataLba : sectors.audioLba) = lba;
  }
  if (!sectors.data) sectors.whyNoData = "no data track on the disc";
  if (!sectors.audio) sectors.whyNoAudio = "no audio track on the disc";
  return sectors;
}

ProbeFinding CheckUserData(const CommandAnswer& readCd, const CommandAnswer& read10) {
  ProbeFinding finding;
  if (Unanswered("READ CD", readCd, &finding)) return finding;
  const std::vector<BYTE>& ours = readCd.data;
  if (ours.size() < kUserDataLength) return Finding(ProbeFinding::kWrong, ShortText(ours.size(), kUserDataLength));
  if (LeftAsSent(readCd, 0, kUserDataLength)) return Finding(ProbeFinding::kWrong, "no bytes came");
  ProbeFinding other;
  if (Unanswered("READ(10)", read10, &other)) return NotTried("no READ(10) answer to compare with: " + other.Text());
  const std::vector<BYTE>& theirs = read10.data;
  if (theirs.size() < kUserDataLength)
    return NotTried("READ(10) answered short (" + ShortText(theirs.size(), kUserDataLength) + ")");
  std::size_t differing = 0, first = 0;
  for (std::size_t i = 0; i < kUserDataLength; ++i)
    if (ours[i] != theirs[i] && differing++ == 0) first = i;
  if (differing == 0) return Finding(ProbeFinding::kWorks, std::string());
  return Finding(ProbeFinding::kWrong, "differs from READ(10) in " + std::to_string(differing) +
                                           " bytes, the first at byte " + std::to_string(first));
}

ProbeFinding CheckRawSector(const CommandAnswer& raw) {
  ProbeFinding finding;
  if (Unanswered("READ CD", raw, &finding)) return finding;
  const std::vector<BYTE>& sector = raw.data;
  if (sector.size() < kRawSectorLength) return Finding(ProbeFinding::kWrong, ShortText(sector.size(), kRawSectorLength));
  if (LeftAsSent(raw, 0, kRawSectorLength)) return Finding(ProbeFinding::kWrong, "no bytes came");
  std::vector<std::string> reasons, notes;
  const unsigned char* s = sector.data();
  if (std::memcmp(s, kSync, sizeof kSync) != 0) reasons.push_back("no sync pattern (" + HexBytes(s, 12) + ")");
  CheckHeader(s + 12, LbaAsked(raw), &reasons);
  switch (s[15]) {
    case 0x00:
      notes.push_back("a Mode 0 sector, which has no EDC");
      break;
    case 0x01:
      CheckEdc(s, 0, 2064, &reasons);
      break;
    case 0x02:
      if (std::memcmp(s + 16, s + 20, 4) != 0) reasons.push_back("the two copies of the subheader differ");
      if (s[18] & 0x20) {
        // Form 2's EDC is optional: 0 says it was not computed.
        if (s[2348] || s[2349] || s[2350] || s[2351])
          CheckEdc(s, 16, 2348, &reasons);
        else
          notes.push_back("a Mode 2 Form 2 sector without its optional EDC");
      } else {
        CheckEdc(s, 16, 2072, &reasons);
      }
      break;
    default:
      reasons.push_back("mode byte " + HexBytes(s + 15, 1) + "h");
  }
  return Weighed(reasons, notes);
}

ProbeFinding CheckC2(const CommandAnswer& answer, bool blockError) {
  ProbeFinding finding;
  if (Unanswered("READ CD", answer, &finding)) return finding;
  if (!Laid(answer, blockError ? kC2BlockErrorLength : kC2PointersLength, "C2 pointers", &finding)) return finding;
  const std::vector<BYTE>& data = answer.data;
  std::vector<std::string> reasons;
  std::size_t flagged = 0;
  for (std::size_t i = kRawSectorLength; i < kRawSectorLength + kC2PointersLength; ++i)
    for (unsigned bit = 0x80; bit != 0; bit >>= 1) flagged += (data[i] & bit) != 0;
  if (flagged)
    reasons.push_back("C2 pointers flag " + std::to_string(flagged) + " of 2352 bytes of a block that read without error");
  if (blockError && data[kRawSectorLength + kC2PointersLength] != 0)
    reasons.push_back("the block error byte is " + HexBytes(&data[kRawSectorLength + kC2PointersLength], 1) +
                      "h on a block that read without error");
  return Weighed(reasons, std::vector<std::string>());
}

ProbeFinding CheckSubChannel(const CommandAnswer& answer, bool raw) {
  ProbeFinding finding;
  if (Unanswered("READ CD", answer, &finding)) return finding;
  if (!Laid(answer, raw ? kRawSubChannelLength : kFormattedQLength, "sub-channel", &finding)) return finding;
  const std::vector<BYTE>& data = answer.data;
  const std::vector<unsigned char> q =
      raw ? QOfRawSubChannel(&data[kRawSectorLength])
          : std::vector<unsigned char>(data.begin() + kRawSectorLength, data.begin() + kRawSectorLength + 12);
  std::vector<std::string> reasons, notes;
  const unsigned stored = static_cast<unsigned>(q[10]) << 8 | q[11];
  const unsigned computed = QCrc(q.data());
  if (stored != computed) {
    // The formatted Q's bytes 10-11 are not always filled.
    if (!raw && stored == 0)
      notes.push_back("the formatted Q gives no CRC");
    else
      reasons.push_back("Q CRC " + Hex16(stored) + ", computed " + Hex16(computed));
  }
  const int adr = q[0] & 0x0F;
  std::int32_t said = 0;
  if (adr == 1) {
    if (!BcdAddress(&q[7], &said))
      reasons.push_back("Q address " + HexBytes(&q[7], 3) + " is not BCD");
    else if (said != LbaAsked(answer))
      reasons.push_back("Q address " + MsfWords(said) + ", off by " + Signed(static_cast<long long>(said) - LbaAsked(answer)) + " from " +
                        MsfWords(LbaAsked(answer)));
  } else if (adr == 2 || adr == 3) {
    notes.push_back(std::string("the Q frame holds the ") + (adr == 2 ? "media catalogue number" : "ISRC") +
                    ", not its address");
  } else {
    reasons.push_back("Q mode (ADR) " + std::to_string(adr) + ", which gives no position");
  }
  return Weighed(reasons, notes);
}

ProbeFinding CheckAudioRepeat(const CommandAnswer& first, const CommandAnswer& second) {
  ProbeFinding finding;
  if (Unanswered("READ CD", first, &finding) || Unanswered("READ CD", second, &finding)) return finding;
  for (const CommandAnswer* read : {&first, &second}) {
    if (read->data.size() < kRawSectorLength)
      return Finding(ProbeFinding::kWrong, ShortText(read->data.size(), kRawSectorLength));
    if (LeftAsSent(*read, 0, kRawSectorLength)) return Finding(ProbeFinding::kWrong, "no bytes came");
  }
  std::size_t differing = 0, at = 0;
  for (std::size_t i = 0; i < kRawSectorLength; ++i)
    if (first.data[i] != second.data[i] && differing++ == 0) at = i;
  if (differing == 0) return Finding(ProbeFinding::kWorks, std::string());
  return Finding(ProbeFinding::kWrong, "the two reads differ in " + std::to_string(differing) +
                                           " of 2352 bytes, the first at byte " + std::to_string(at));
}

const ProbeCheckName kProbeChecks[kProbeCheckCount] = {
    {"read_cd_user_data", "READ CD, user data"},
    {"raw_sector", "Raw sector (2352)"},
    {"c2_pointers", "C2 pointers (294)"},
    {"c2_block_error", "C2 and block error (296)"},
    {"formatted_q", "Formatted Q (16)"},
    {"raw_pw", "Raw P-W sub-channel (96)"},
    {"audio_repeat", "Audio read twice"},
};
