#include "tools/driveemu/drive_model.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/scsi_command.h"

namespace driveemu {

DWORD DriveProfile::SupportInfo() const {
  if (supportInfoSet) return supportInfo;
  return 0x0100u | static_cast<DWORD>(AdapterCount() & 0xFF);
}

int DriveProfile::AdapterCount() const {
  int count = 0;
  for (const EmulatedUnit& unit : units) count = std::max(count, unit.adapter + 1);
  return count;
}

const EmulatedUnit* DriveProfile::Find(int adapter, int target, int lun) const {
  for (const EmulatedUnit& unit : units)
    if (unit.adapter == adapter && unit.target == target && unit.lun == lun) return &unit;
  return nullptr;
}

EmulatedAdapter DriveProfile::Adapter(int adapter) const {
  auto found = adapters.find(adapter);
  return found != adapters.end() ? found->second : EmulatedAdapter();
}

namespace {

const BYTE kInquiry = 0x12;
const BYTE kModeSense6 = 0x1A;
const BYTE kModeSense10 = 0x5A;
const BYTE kGetConfiguration = 0x46;
const BYTE kGetPerformance = 0xAC;
const BYTE kReadToc = 0x43;
const BYTE kReadDiscInformation = 0x51;
const BYTE kReadDiscStructure = 0xAD;
const BYTE kAllPages = 0x3F;

ScsiOutcome Check(BYTE key, BYTE asc, BYTE ascq) {
  ScsiOutcome outcome;
  outcome.status = kScsiStatusCheckCondition;
  outcome.sense = FixedSense(key, asc, ascq);
  return outcome;
}

// ILLEGAL REQUEST, INVALID FIELD IN CDB.
ScsiOutcome InvalidField() { return Check(0x05, 0x24, 0x00); }

// How many bytes the CDB allows back; the buffer's size where the command
// carries no allocation length that we know of.
DWORD AllocationLength(const BYTE* cdb, int cdbLength, DWORD bufferLength) {
  DWORD allowed = bufferLength;
  if (cdbLength >= 6 && cdb[0] == kInquiry) allowed = static_cast<DWORD>(cdb[3] << 8 | cdb[4]);
  if (cdbLength >= 6 && cdb[0] == kModeSense6) allowed = cdb[4];
  if (cdbLength >= 10 && (cdb[0] == kModeSense10 || cdb[0] == kGetConfiguration || cdb[0] == kReadToc ||
                           cdb[0] == kReadDiscInformation))
    allowed = static_cast<DWORD>(cdb[7] << 8 | cdb[8]);
  if (cdbLength >= 12 && cdb[0] == kReadDiscStructure) allowed = static_cast<DWORD>(cdb[8] << 8 | cdb[9]);
  return std::min(allowed, bufferLength);
}

ScsiOutcome Data(const std::vector<BYTE>& bytes, DWORD allowed) {
  ScsiOutcome outcome;
  outcome.data.assign(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), allowed));
  return outcome;
}

ScsiOutcome RespondInquiry(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength, DWORD allowed) {
  // EVPD asks for a vital product data page, which no unit here has; a page
  // code without EVPD is invalid.
  if (cdbLength < 6 || (cdb[1] & 0x01) != 0 || cdb[2] != 0) return InvalidField();
  return Data(unit.inquiry, allowed);
}

ScsiOutcome RespondModeSense10(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength, DWORD allowed) {
  if (cdbLength < 10) return InvalidField();
  const bool blockDescriptor = (cdb[1] & 0x08) == 0;
  const int pageControl = cdb[2] >> 6;
  const BYTE pageCode = cdb[2] & 0x3F;
  if (pageControl == 3) return Check(0x05, 0x39, 0x00);  // SAVING PARAMETERS NOT SUPPORTED
  if (cdb[3] != 0) return InvalidField();                 // no subpages
  if (pageCode != kAllPages && unit.modePages.count(pageCode) == 0) return InvalidField();

  std::vector<BYTE> answer(8, 0);  // the mode parameter header
  if (blockDescriptor) {
    answer[7] = 8;
    // Density code 0, number of blocks 0, block length 2048.
    const BYTE descriptor[8] = {0, 0, 0, 0, 0, 0x00, 0x08, 0x00};
    answer.insert(answer.end(), descriptor, descriptor + 8);
  }
  for (const auto& page : unit.modePages) {
    if (pageCode != kAllPages && page.first != pageCode) continue;
    std::vector<BYTE> bytes = page.second;
    // Changeable values: nothing here can be changed.
    if (pageControl == 1)
      for (size_t i = 2; i < bytes.size(); ++i) bytes[i] = 0;
    answer.insert(answer.end(), bytes.begin(), bytes.end());
  }
  const size_t dataLength = answer.size() - 2;
  answer[0] = static_cast<BYTE>(dataLength >> 8);
  answer[1] = static_cast<BYTE>(dataLength);
  return Data(answer, allowed);
}

}  // namespace

void PutLength(std::vector<BYTE>& answer) {
  const DWORD length = static_cast<DWORD>(answer.size() - 4);
  for (int i = 0; i < 4; ++i) answer[static_cast<size_t>(i)] = static_cast<BYTE>(length >> (24 - 8 * i));
}

ScsiOutcome RespondConfiguration(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength, DWORD allowed) {
  if (cdbLength < 10 || (cdb[1] & 0x03) == 3) return Check(0x05, 0x24, 0x00);
  const int type = cdb[1] & 0x03;
  const WORD start = static_cast<WORD>(cdb[2] << 8 | cdb[3]);
  std::vector<BYTE> answer(8, 0);
  answer[6] = static_cast<BYTE>(unit.currentProfile >> 8);
  answer[7] = static_cast<BYTE>(unit.currentProfile);
  for (const std::vector<BYTE>& feature : unit.features) {
    const WORD code = static_cast<WORD>(feature[0] << 8 | feature[1]);
    const bool wanted = type == 2 ? code == start : code >= start && (type == 0 || (feature[2] & 1) != 0);
    if (wanted) answer.insert(answer.end(), feature.begin(), feature.end());
  }
  PutLength(answer);
  return Data(answer, allowed);
}

ScsiOutcome RespondPerformance(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength, DWORD allowed) {
  if (cdbLength < 12 || (cdb[10] != 0x00 && cdb[10] != 0x03)) return Check(0x05, 0x24, 0x00);
  const std::vector<std::vector<BYTE>>& descriptors =
      cdb[10] == 0x03 ? unit.writeSpeedDescriptors : unit.performanceDescriptors;
  const size_t most = static_cast<size_t>(cdb[8] << 8 | cdb[9]);
  std::vector<BYTE> answer(8, 0);
  if (cdb[10] == 0x00) answer[4] = static_cast<BYTE>((cdb[1] & 0x04) ? 0x02 : 0x00);  // write bit as asked
  for (size_t i = 0; i < descriptors.size() && i < most; ++i)
    answer.insert(answer.end(), descriptors[i].begin(), descriptors[i].end());
  PutLength(answer);
  return Data(answer, allowed);
}

WORD FormatKey(BYTE opcode, BYTE format) { return static_cast<WORD>(opcode << 8 | format); }

namespace {

const CommandReply* FixedReply(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength) {
  const BYTE opcode = cdbLength > 0 ? cdb[0] : 0;
  int format = -1;
  if (opcode == kReadToc && cdbLength > 2) format = cdb[2] & 0x0F;
  if (opcode == kReadDiscStructure && cdbLength > 7) format = cdb[7];
  if (format >= 0) {
    auto found = unit.formatReplies.find(FormatKey(opcode, static_cast<BYTE>(format)));
    if (found != unit.formatReplies.end()) return &found->second;
  }
  auto found = unit.replies.find(opcode);
  return found == unit.replies.end() ? nullptr : &found->second;
}

// --- Sectors: READ(10) and READ CD --------------------------------------

const BYTE kRead10 = 0x28;
const BYTE kReadCd = 0xBE;

DWORD BigEndian32(const BYTE* bytes) {
  return static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 |
         static_cast<DWORD>(bytes[2]) << 8 | bytes[3];
}

// Where a kind of sector keeps its parts within the 2352 bytes. Every data
// sector has the sync at 0-11 and the header at 12-15; an audio sector is
// all user data.
struct SectorLayout {
  size_t subheaderEnd;  // the subheader (twice) from 16 on; 16: none
  size_t userStart, userEnd;
  // EDC and ECC (with Mode 1's zero bytes) follow the user data to the end.
};

SectorLayout LayoutOf(EmulatedSector::Kind kind) {
  switch (kind) {
    case EmulatedSector::kMode1: return {16, 16, 2064};
    case EmulatedSector::kMode2Form1: return {24, 24, 2072};
    case EmulatedSector::kMode2Form2: return {24, 24, 2348};
    case EmulatedSector::kMode2Formless: return {16, 16, 2352};
    case EmulatedSector::kAudio: break;
  }
  return {0, 0, 2352};
}

// READ CD's expected sector types 001b to 101b (byte 1 bits 4-2).
const EmulatedSector::Kind kExpectedSectorType[] = {EmulatedSector::kAudio, EmulatedSector::kMode1,
                                                    EmulatedSector::kMode2Formless, EmulatedSector::kMode2Form1,
                                                    EmulatedSector::kMode2Form2};

// The sectors of a transfer, or the refusal of the first one missing.
bool FindSectors(const EmulatedUnit& unit, DWORD lba, DWORD count, std::vector<const EmulatedSector*>* found,
                 ScsiOutcome* refusal) {
  for (DWORD i = 0; i < count; ++i) {
    auto sector = unit.sectors.find(lba + i);
    if (sector == unit.sectors.end()) {
      *refusal = Check(0x05, 0x21, 0x00);  // LOGICAL BLOCK ADDRESS OUT OF RANGE
      return false;
    }
    found->push_back(&sector->second);
  }
  return true;
}

// ILLEGAL MODE FOR THIS TRACK: the sector is not of a kind the command reads.
ScsiOutcome WrongKind() { return Check(0x05, 0x64, 0x00); }

void Append(std::vector<BYTE>& out, const std::vector<BYTE>& bytes, size_t from, size_t to) {
  out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

// READ(10): the 2048 user bytes of each Mode 1 or Mode 2 Form 1 sector.
ScsiOutcome RespondRead10(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength, DWORD bufferLength) {
  if (cdbLength < 10) return InvalidField();
  std::vector<const EmulatedSector*> sectors;
  ScsiOutcome outcome;
  if (!FindSectors(unit, BigEndian32(cdb + 2), static_cast<DWORD>(cdb[7] << 8 | cdb[8]), &sectors, &outcome))
    return outcome;
  for (const EmulatedSector* sector : sectors)
    if (sector->kind != EmulatedSector::kMode1 && sector->kind != EmulatedSector::kMode2Form1) return WrongKind();
  for (const EmulatedSector* sector : sectors) {
    if (outcome.data.size() >= bufferLength) break;
    const size_t start = LayoutOf(sector->kind).userStart;
    Append(outcome.data, sector->main, start, start + 2048);
  }
  if (outcome.data.size() > bufferLength) outcome.data.resize(bufferLength);
  return outcome;
}

// READ CD: each block made of the parts byte 9 and byte 10 ask for, in the
// order sync, header, subheader, user data, EDC/ECC, C2, sub-channel. Every
// sector of the transfer is checked before any data comes.
ScsiOutcome RespondReadCd(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength, DWORD bufferLength) {
  if (cdbLength < 12) return InvalidField();
  const int expected = (cdb[1] >> 2) & 0x07;
  const BYTE parts = cdb[9];
  const int c2 = (parts >> 1) & 0x03;
  const int subchannel = cdb[10] & 0x07;
  if (expected > 5 || c2 == 3 || (subchannel != 0 && subchannel != 1 && subchannel != 2 && subchannel != 4))
    return InvalidField();
  if (c2 != 0 && unit.c2Refused) return InvalidField();
  std::vector<const EmulatedSector*> sectors;
  ScsiOutcome outcome;
  const DWORD count = static_cast<DWORD>(cdb[6]) << 16 | static_cast<DWORD>(cdb[7]) << 8 | cdb[8];
  if (!FindSectors(unit, BigEndian32(cdb + 2), count, &sectors, &outcome)) return outcome;
  for (const EmulatedSector* sector : sectors)
    if (expected != 0 && sector->kind != kExpectedSectorType[expected - 1]) return WrongKind();

  // C2 error pointers, one bit per main-channel byte: none on a clean read,
  // or a run of sixteen bytes flagged by a unit that flags them anyway.
  std::vector<BYTE> pointers(294, 0);
  if (unit.c2Flagged) pointers[2] = pointers[3] = 0xFF;
  BYTE blockError = 0;
  for (BYTE b : pointers) blockError = static_cast<BYTE>(blockError | b);

  std::vector<BYTE>& out = outcome.data;
  for (const EmulatedSector* sector : sectors) {
    if (out.size() >= bufferLength) break;
    const std::vector<BYTE>& main = sector->main;
    if (sector->kind == EmulatedSector::kAudio) {
      if ((parts & 0xF8) != 0) {
        Append(out, main, 0, main.size());
        if (unit.audioVaries) {
          const DWORD read = ++unit.audioReads;
          BYTE& sample = out[out.size() - main.size()];
          sample = static_cast<BYTE>(sample + 1 + read % 255);
        }
      }
    } else {
      const SectorLayout layout = LayoutOf(sector->kind);
      if (parts & 0x80) Append(out, main, 0, 12);
      if (parts & 0x20) Append(out, main, 12, 16);
      if (parts & 0x40) Append(out, main, 16, layout.subheaderEnd);
      if (parts & 0x10) Append(out, main, layout.userStart, layout.userEnd);
      if (parts & 0x08) Append(out, main, layout.userEnd, main.size());
    }
    if (c2 != 0) out.insert(out.end(), pointers.begin(), pointers.end());
    if (c2 == 2) out.insert(out.end(), {blockError, 0});
    if (subchannel == 1) Append(out, sector->subchannel, 0, sector->subchannel.size());
    if (subchannel == 2) Append(out, sector->q, 0, sector->q.size());
    // R-W: the six low bits of each raw byte, as they come; the model does
    // not de-interleave packs or correct them.
    if (subchannel == 4)
      for (BYTE b : sector->subchannel) out.push_back(static_cast<BYTE>(b & 0x3F));
  }
  if (out.size() > bufferLength) out.resize(bufferLength);
  return outcome;
}

}  // namespace

ScsiOutcome Respond(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength, DWORD bufferLength) {
  BYTE opcode = cdbLength > 0 ? cdb[0] : 0;
  const DWORD allowed = AllocationLength(cdb, cdbLength, bufferLength);
  const CommandReply* fixed = FixedReply(unit, cdb, cdbLength);
  if (fixed == nullptr) {
    if (opcode == kInquiry && !unit.inquiry.empty()) return RespondInquiry(unit, cdb, cdbLength, allowed);
    if (opcode == kModeSense10 && !unit.modePages.empty()) return RespondModeSense10(unit, cdb, cdbLength, allowed);
    if (opcode == kGetConfiguration && !unit.features.empty())
      return RespondConfiguration(unit, cdb, cdbLength, allowed);
    if (opcode == kGetPerformance && unit.answersPerformance) return RespondPerformance(unit, cdb, cdbLength, allowed);
    if (opcode == kRead10 && !unit.sectors.empty()) return RespondRead10(unit, cdb, cdbLength, bufferLength);
    if (opcode == kReadCd && !unit.sectors.empty()) return RespondReadCd(unit, cdb, cdbLength, bufferLength);
    return Check(0x05, 0x20, 0x00);
  }
  ScsiOutcome outcome;
  const CommandReply& reply = *fixed;
  switch (reply.kind) {
    case CommandReply::kData:
      outcome = Data(reply.data, allowed);
      break;
    case CommandReply::kCheckCondition:
      outcome.status = kScsiStatusCheckCondition;
      outcome.sense = reply.sense;
      break;
    case CommandReply::kStatus:
      outcome.status = reply.status;
      break;
    case CommandReply::kTransportFailure:
      outcome.transportOk = false;
      break;
  }
  return outcome;
}

namespace {
void PutText(std::vector<BYTE>& answer, size_t offset, size_t width, const std::string& text) {
  for (size_t i = 0; i < width; ++i) answer[offset + i] = i < text.size() ? static_cast<BYTE>(text[i]) : ' ';
}
}  // namespace

std::vector<BYTE> InquiryAnswer(const std::string& vendor, const std::string& product, const std::string& revision,
                                BYTE deviceType) {
  std::vector<BYTE> answer(96, 0);
  answer[0] = deviceType;
  answer[1] = 0x80;  // removable medium
  answer[2] = 0x05;
  answer[3] = 0x32;
  answer[4] = 91;  // additional length: 96 - 5
  PutText(answer, 8, 8, vendor);
  PutText(answer, 16, 16, product);
  PutText(answer, 32, 4, revision);
  return answer;
}

std::vector<BYTE> CapabilitiesPage(const BYTE pageBytes2to7[6]) {
  std::vector<BYTE> page(28, 0);
  page[0] = 0x2A;
  page[1] = static_cast<BYTE>(page.size() - 2);  // page length
  std::memcpy(&page[2], pageBytes2to7, 6);
  return page;
}

std::vector<BYTE> FeatureDescriptor(WORD code, BYTE flags, const std::vector<BYTE>& data) {
  std::vector<BYTE> descriptor = {static_cast<BYTE>(code >> 8), static_cast<BYTE>(code), flags,
                                  static_cast<BYTE>(data.size())};
  descriptor.insert(descriptor.end(), data.begin(), data.end());
  return descriptor;
}

std::vector<BYTE> FixedSense(BYTE key, BYTE asc, BYTE ascq) {
  std::vector<BYTE> sense(18, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}

std::string HexBytes(const BYTE* bytes, size_t count) {
  std::string text;
  char buffer[4];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(buffer, sizeof(buffer), i == 0 ? "%02X" : " %02X", bytes[i]);
    text += buffer;
  }
  return text;
}

// --- Profile text ---------------------------------------------------------

namespace {

// Splits a line into words; "quoted text" is one word (without the quotes).
bool SplitWords(const std::string& line, std::vector<std::string>* words) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    std::string word;
    if (c == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string::npos) return false;
      word = line.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
    }
    words->push_back(word);
  }
  return true;
}

bool ParseNumber(const std::string& word, int base, unsigned long limit, unsigned long* value) {
  if (word.empty()) return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(word.c_str(), &end, base);
  if (end == nullptr || *end != '\0' || v > limit) return false;
  *value = v;
  return true;
}

bool ParseByte(const std::string& word, BYTE* value) {
  unsigned long v = 0;
  if (!ParseNumber(word, 16, 0xFF, &v)) return false;
  *value = static_cast<BYTE>(v);
  return true;
}

// An operation code, or a code and a format as 43/4 (hex both).
bool ParseOperation(const std::string& word, WORD* key, bool* formatted) {
  const std::size_t slash = word.find('/');
  BYTE opcode = 0, format = 0;
  *formatted = slash != std::string::npos;
  if (!ParseByte(word.substr(0, slash), &opcode)) return false;
  if (*formatted && ((opcode != kReadToc && opcode != kReadDiscStructure) || !ParseByte(word.substr(slash + 1), &format)))
    return false;
  *key = FormatKey(opcode, format);
  return true;
}

bool ParseBytes(const std::vector<std::string>& words, size_t first, std::vector<BYTE>* bytes) {
  for (size_t i = first; i < words.size(); ++i) {
    BYTE b = 0;
    if (!ParseByte(words[i], &b)) return false;
    bytes->push_back(b);
  }
  return true;
}

// A run of hex digits without blanks, two to a byte.
bool ParseHexRun(const std::string& word, std::vector<BYTE>* bytes) {
  if (word.size() % 2 != 0) return false;
  for (size_t i = 0; i < word.size(); i += 2) {
    BYTE b = 0;
    if (!std::isxdigit(static_cast<unsigned char>(word[i])) || !std::isxdigit(static_cast<unsigned char>(word[i + 1])) ||
        !ParseByte(word.substr(i, 2), &b))
      return false;
    bytes->push_back(b);
  }
  return true;
}

const struct {
  const char* word;
  EmulatedSector::Kind kind;
} kSectorKinds[] = {{"mode1", EmulatedSector::kMode1},
                    {"mode2-form1", EmulatedSector::kMode2Form1},
                    {"mode2-form2", EmulatedSector::kMode2Form2},
                    {"mode2-formless", EmulatedSector::kMode2Formless},
                    {"audio", EmulatedSector::kAudio}};

bool ParseSector(const std::vector<std::string>& w, DWORD* lba, EmulatedSector* sector) {
  unsigned long n = 0;
  if (w.size() != 6 || !ParseNumber(w[1], 10, 0xFFFFFFFFul, &n)) return false;
  *lba = static_cast<DWORD>(n);
  bool known = false;
  for (const auto& kind : kSectorKinds)
    if (w[2] == kind.word) sector->kind = kind.kind, known = true;
  return known && ParseHexRun(w[3], &sector->main) && sector->main.size() == EmulatedSector::kMainBytes &&
         ParseHexRun(w[4], &sector->q) && sector->q.size() == EmulatedSector::kQBytes &&
         ParseHexRun(w[5], &sector->subchannel) && sector->subchannel.size() == EmulatedSector::kSubchannelBytes;
}

}  // namespace

bool ParseProfile(const std::string& text, DriveProfile* profile, std::string* error) {
  DriveProfile result;
  std::string line;
  int lineNumber = 0;
  std::size_t next = 0;
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };
  // Line by line, without iostreams, which the emulated library would carry.
  while (next < text.size()) {
    const std::size_t end = text.find('\n', next);
    line = text.substr(next, end == std::string::npos ? std::string::npos : end - next);
    next = end == std::string::npos ? text.size() : end + 1;
    ++lineNumber;
    std::vector<std::string> w;
    if (!SplitWords(line, &w)) return fail("unterminated quoted text");
    if (w.empty()) continue;
    const std::string& key = w[0];
    unsigned long n = 0;

    if (key == "support") {
      if (w.size() != 2 || !ParseNumber(w[1], 16, 0xFFFFFFFFul, &n)) return fail("support takes one hex value");
      result.supportInfoSet = true;
      result.supportInfo = static_cast<DWORD>(n);
      continue;
    }
    if (key == "missing") {
      if (w.size() != 2) return fail("missing takes an entry point name");
      if (w[1] == "GetASPI32SupportInfo")
        result.hasGetSupportInfo = false;
      else if (w[1] == "SendASPI32Command")
        result.hasSendCommand = false;
      else
        return fail("unknown entry point " + w[1]);
      continue;
    }
    if (key == "host-adapter") {
      // host-adapter A "manager" "identifier" MASK MAX-TRANSFER (mask in hex, bytes in decimal)
      unsigned long a = 0, mask = 0, most = 0;
      if (w.size() != 6 || !ParseNumber(w[1], 10, 255, &a) || w[2].size() > 16 || w[3].size() > 16 ||
          !ParseNumber(w[4], 16, 0xFFFF, &mask) || !ParseNumber(w[5], 10, 0xFFFFFFFFul, &most))
        return fail("host-adapter takes adapter, \"manager\" and \"identifier\" (16 characters at most), "
                    "alignment mask in hex and largest transfer in bytes");
      EmulatedAdapter& adapter = result.adapters[static_cast<int>(a)];
      adapter.manager = w[2];
      adapter.identifier = w[3];
      adapter.alignmentMask = static_cast<WORD>(mask);
      adapter.maxTransfer = static_cast<DWORD>(most);
      continue;
    }
    if (key == "device") {
      unsigned long a = 0, t = 0, l = 0;
      if ((w.size() != 4 && w.size() != 6) || !ParseNumber(w[1], 10, 255, &a) || !ParseNumber(w[2], 10, 255, &t) ||
          !ParseNumber(w[3], 10, 255, &l))
        return fail("device takes adapter, target and lun, then optionally: type XX");
      EmulatedUnit unit;
      unit.adapter = static_cast<int>(a);
      unit.target = static_cast<int>(t);
      unit.lun = static_cast<int>(l);
      if (w.size() == 6 && (w[4] != "type" || !ParseByte(w[5], &unit.deviceType)))
        return fail("device type is written: type XX (hex)");
      if (result.Find(unit.adapter, unit.target, unit.lun) != nullptr) return fail("device listed twice");
      result.units.push_back(unit);
      continue;
    }

    if (result.units.empty()) return fail("'" + key + "' before the first device line");
    EmulatedUnit& unit = result.units.back();
    if (key == "inquiry") {
      if (w.size() != 4) return fail("inquiry takes \"vendor\" \"product\" \"revision\"");
      unit.inquiry = InquiryAnswer(w[1], w[2], w[3], unit.deviceType);
    } else if (key == "inquiry-hex") {
      std::vector<BYTE> bytes;
      if (w.size() < 2 || !ParseBytes(w, 1, &bytes)) return fail("inquiry-hex takes bytes in hex");
      unit.inquiry = bytes;
    } else if (key == "modesense-hex") {
      CommandReply reply;
      if (w.size() < 2 || !ParseBytes(w, 1, &reply.data)) return fail("modesense-hex takes bytes in hex");
      unit.replies[0x5A] = reply;
    } else if (key == "capabilities") {
      std::vector<BYTE> bytes;
      if (w.size() != 7 || !ParseBytes(w, 1, &bytes)) return fail("capabilities takes page bytes 2 to 7 in hex");
      unit.modePages[0x2A] = CapabilitiesPage(bytes.data());
    } else if (key == "mode-page") {
      std::vector<BYTE> bytes;
      if (w.size() < 3 || !ParseBytes(w, 1, &bytes)) return fail("mode-page takes the page's bytes in hex");
      if (static_cast<size_t>(bytes[1]) != bytes.size() - 2)
        return fail("mode-page: the page length (second byte) counts the bytes after it");
      const BYTE code = bytes[0] & 0x3F;
      if (code == 0x3F) return fail("mode-page: 3F names every page, not one");
      unit.modePages[code] = bytes;
    } else if (key == "reply-hex" || key == "check" || key == "check-hex" || key == "status" || key == "fail") {
      // The operation: a code, or for READ TOC/PMA/ATIP and READ DISC
      // STRUCTURE a code and a format (43/4).
      WORD operation = 0;
      bool formatted = false;
      if (w.size() < 2 || !ParseOperation(w[1], &operation, &formatted))
        return fail(key + " takes an operation code in hex (43/F or AD/F with a format) first");
      CommandReply reply;
      if (key == "reply-hex") {
        if (!ParseBytes(w, 2, &reply.data)) return fail("reply-hex takes an operation code and bytes in hex");
      } else if (key == "check") {
        BYTE k = 0, asc = 0, ascq = 0;
        if (w.size() != 5 || !ParseByte(w[2], &k) || !ParseByte(w[3], &asc) || !ParseByte(w[4], &ascq))
          return fail("check takes operation code, sense key, ASC and ASCQ in hex");
        reply.kind = CommandReply::kCheckCondition;
        reply.sense = FixedSense(k, asc, ascq);
      } else if (key == "check-hex") {
        reply.kind = CommandReply::kCheckCondition;
        if (w.size() < 3 || !ParseBytes(w, 2, &reply.sense))
          return fail("check-hex takes an operation code and sense bytes in hex");
      } else if (key == "status") {
        reply.kind = CommandReply::kStatus;
        if (w.size() != 3 || !ParseByte(w[2], &reply.status))
          return fail("status takes an operation code and a target status in hex");
      } else {
        reply.kind = CommandReply::kTransportFailure;
        if (w.size() != 2) return fail("fail takes an operation code in hex");
      }
      if (formatted)
        unit.formatReplies[operation] = reply;
      else
        unit.replies[static_cast<BYTE>(operation >> 8)] = reply;
    } else if (key == "feature") {
      std::vector<BYTE> bytes;
      if (w.size() < 3 || !ParseNumber(w[1], 16, 0xFFFF, &n) || !ParseBytes(w, 2, &bytes))
        return fail("feature takes its code, the byte of version, persistent and current, then its data, in hex");
      const BYTE flags = bytes[0];
      bytes.erase(bytes.begin());
      if (bytes.size() > 0xFF) return fail("feature: at most 255 data bytes");
      unit.features.push_back(FeatureDescriptor(static_cast<WORD>(n), flags, bytes));
    } else if (key == "current-profile") {
      if (w.size() != 2 || !ParseNumber(w[1], 16, 0xFFFF, &n)) return fail("current-profile takes a profile number in hex");
      unit.currentProfile = static_cast<WORD>(n);
    } else if (key == "performance") {
      // GET PERFORMANCE is known; its descriptors follow as write-speed and read-speed lines, if any.
      if (w.size() != 1) return fail("performance takes nothing");
      unit.answersPerformance = true;
    } else if (key == "write-speed" || key == "read-speed") {
      // write-speed END-LBA READ WRITE [FLAGS]; read-speed START SPEED END SPEED (hex, kB/s).
      std::vector<unsigned long> v;
      for (size_t i = 1; i < w.size(); ++i) {
        if (!ParseNumber(w[i], 16, 0xFFFFFFFFul, &n)) return fail(key + " takes numbers in hex");
        v.push_back(n);
      }
      const bool write = key == "write-speed";
      if ((write && v.size() != 3 && v.size() != 4) || (!write && v.size() != 4))
        return fail(write ? "write-speed takes end LBA, read and write speed, then optionally its flags"
                          : "read-speed takes start LBA and speed, end LBA and speed");
      std::vector<BYTE> d(16, 0);
      const unsigned long words[4] = {write ? (v.size() == 4 ? v[3] << 24 : 0) : v[0], write ? v[0] : v[1],
                                      write ? v[1] : v[2], write ? v[2] : v[3]};
      for (size_t i = 0; i < 16; ++i) d[i] = static_cast<BYTE>(words[i / 4] >> (24 - 8 * (i % 4)));
      unit.answersPerformance = true;
      (write ? unit.writeSpeedDescriptors : unit.performanceDescriptors).push_back(d);
    } else if (key == "sector") {
      DWORD lba = 0;
      EmulatedSector sector;
      if (!ParseSector(w, &lba, &sector))
        return fail("sector takes the LBA (decimal), mode1, mode2-form1, mode2-form2, mode2-formless or audio, "
                    "then 2352 main-channel bytes, 16 bytes of formatted Q and 96 of raw P-W, each a run of hex "
                    "digits");
      unit.sectors[lba] = sector;
    } else if (key == "c2") {
      if (w.size() != 2 || (w[1] != "refused" && w[1] != "flagged")) return fail("c2 takes refused or flagged");
      (w[1] == "refused" ? unit.c2Refused : unit.c2Flagged) = true;
    } else if (key == "audio-varies") {
      if (w.size() != 1) return fail("audio-varies takes nothing");
      unit.audioVaries = true;
    } else if (key == "delay") {
      if (w.size() != 2 || !ParseNumber(w[1], 10, 600000, &n)) return fail("delay takes milliseconds");
      unit.delayMilliseconds = static_cast<DWORD>(n);
    } else if (key == "open-error") {
      if (w.size() != 2 || !ParseNumber(w[1], 10, 0xFFFFFFFFul, &n)) return fail("open-error takes an error code");
      unit.openError = static_cast<DWORD>(n);
    } else if (key == "storage-bus") {
      // storage-bus DEVICE ADAPTER: the descriptors' STORAGE_BUS_TYPE values, in hex.
      BYTE adapterBus = 0;
      if (w.size() != 3 || !ParseNumber(w[1], 16, 0xFFFFFFFFul, &n) || !ParseByte(w[2], &adapterBus))
        return fail("storage-bus takes the device's and the adapter's bus type in hex");
      unit.storageBus = static_cast<DWORD>(n);
      unit.adapterBus = adapterBus;
    } else if (key == "alignment-mask") {
      if (w.size() != 2 || !ParseNumber(w[1], 16, 0xFFFFFFFFul, &n)) return fail("alignment-mask takes a mask in hex");
      unit.alignmentMask = static_cast<DWORD>(n);
    } else if (key == "max-transfer") {
      if (w.size() != 2 || !ParseNumber(w[1], 10, 0xFFFFFFFFul, &n)) return fail("max-transfer takes bytes");
      unit.maxTransfer = static_cast<DWORD>(n);
    } else if (key == "storage-strings") {
      if (w.size() != 5) return fail("storage-strings takes \"vendor\" \"product\" \"revision\" \"serial\"");
      unit.storageStringsSet = true;
      unit.storageVendor = w[1];
      unit.storageProduct = w[2];
      unit.storageRevision = w[3];
      unit.storageSerial = w[4];
    } else if (key == "storage-fails") {
      if (w.size() != 2 || (w[1] != "device" && w[1] != "adapter")) return fail("storage-fails takes device or adapter");
      (w[1] == "device" ? unit.deviceQueryFails : unit.adapterQueryFails) = true;
    } else if (key == "storage-device-hex" || key == "storage-adapter-hex") {
      std::vector<BYTE>& bytes = key == "storage-device-hex" ? unit.deviceDescriptor : unit.adapterDescriptor;
      bytes.clear();
      if (w.size() < 2 || !ParseBytes(w, 1, &bytes)) return fail(key + " takes the descriptor's bytes in hex");
    } else {
      return fail("unknown word '" + key + "'");
    }
  }
  *profile = result;
  return true;
}

}  // namespace driveemu
