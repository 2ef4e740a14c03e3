#include "tools/driveemu/drive_model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

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

ScsiOutcome Respond(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength, DWORD bufferLength) {
  ScsiOutcome outcome;
  BYTE opcode = cdbLength > 0 ? cdb[0] : 0;
  auto found = unit.replies.find(opcode);
  if (found == unit.replies.end()) {
    outcome.status = 2;
    outcome.sense = FixedSense(0x05, 0x20, 0x00);
    return outcome;
  }
  const CommandReply& reply = found->second;
  switch (reply.kind) {
    case CommandReply::kData:
      outcome.data.assign(reply.data.begin(),
                          reply.data.begin() + std::min<size_t>(reply.data.size(), bufferLength));
      break;
    case CommandReply::kCheckCondition:
      outcome.status = 2;
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

std::vector<BYTE> CapabilitiesAnswer(const BYTE pageBytes2to7[6]) {
  std::vector<BYTE> answer(8 + 28, 0);
  answer[1] = static_cast<BYTE>(answer.size() - 2);  // mode data length
  answer[8] = 0x2A;
  answer[9] = 26;  // page length
  std::memcpy(&answer[10], pageBytes2to7, 6);
  return answer;
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

bool ParseBytes(const std::vector<std::string>& words, size_t first, std::vector<BYTE>* bytes) {
  for (size_t i = first; i < words.size(); ++i) {
    BYTE b = 0;
    if (!ParseByte(words[i], &b)) return false;
    bytes->push_back(b);
  }
  return true;
}

}  // namespace

bool ParseProfile(const std::string& text, DriveProfile* profile, std::string* error) {
  DriveProfile result;
  std::istringstream input(text);
  std::string line;
  int lineNumber = 0;
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };
  while (std::getline(input, line)) {
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
    BYTE opcode = 0;
    if (key == "inquiry") {
      if (w.size() != 4) return fail("inquiry takes \"vendor\" \"product\" \"revision\"");
      unit.replies[0x12].data = InquiryAnswer(w[1], w[2], w[3], unit.deviceType);
    } else if (key == "inquiry-hex" || key == "modesense-hex") {
      CommandReply reply;
      if (!ParseBytes(w, 1, &reply.data)) return fail("bytes are written in hex");
      unit.replies[key == "inquiry-hex" ? 0x12 : 0x5A] = reply;
    } else if (key == "capabilities") {
      std::vector<BYTE> bytes;
      if (w.size() != 7 || !ParseBytes(w, 1, &bytes)) return fail("capabilities takes page bytes 2 to 7 in hex");
      CommandReply reply;
      reply.data = CapabilitiesAnswer(bytes.data());
      unit.replies[0x5A] = reply;
    } else if (key == "reply-hex") {
      CommandReply reply;
      if (w.size() < 2 || !ParseByte(w[1], &opcode) || !ParseBytes(w, 2, &reply.data))
        return fail("reply-hex takes an operation code and bytes in hex");
      unit.replies[opcode] = reply;
    } else if (key == "check") {
      BYTE k = 0, asc = 0, ascq = 0;
      if (w.size() != 5 || !ParseByte(w[1], &opcode) || !ParseByte(w[2], &k) || !ParseByte(w[3], &asc) ||
          !ParseByte(w[4], &ascq))
        return fail("check takes operation code, sense key, ASC and ASCQ in hex");
      CommandReply reply;
      reply.kind = CommandReply::kCheckCondition;
      reply.sense = FixedSense(k, asc, ascq);
      unit.replies[opcode] = reply;
    } else if (key == "check-hex") {
      CommandReply reply;
      reply.kind = CommandReply::kCheckCondition;
      if (w.size() < 3 || !ParseByte(w[1], &opcode) || !ParseBytes(w, 2, &reply.sense))
        return fail("check-hex takes an operation code and sense bytes in hex");
      unit.replies[opcode] = reply;
    } else if (key == "status") {
      CommandReply reply;
      reply.kind = CommandReply::kStatus;
      if (w.size() != 3 || !ParseByte(w[1], &opcode) || !ParseByte(w[2], &reply.status))
        return fail("status takes an operation code and a target status in hex");
      unit.replies[opcode] = reply;
    } else if (key == "fail") {
      CommandReply reply;
      reply.kind = CommandReply::kTransportFailure;
      if (w.size() != 2 || !ParseByte(w[1], &opcode)) return fail("fail takes an operation code in hex");
      unit.replies[opcode] = reply;
    } else if (key == "delay") {
      if (w.size() != 2 || !ParseNumber(w[1], 10, 600000, &n)) return fail("delay takes milliseconds");
      unit.delayMilliseconds = static_cast<DWORD>(n);
    } else if (key == "open-error") {
      if (w.size() != 2 || !ParseNumber(w[1], 10, 0xFFFFFFFFul, &n)) return fail("open-error takes an error code");
      unit.openError = static_cast<DWORD>(n);
    } else {
      return fail("unknown word '" + key + "'");
    }
  }
  *profile = result;
  return true;
}

}  // namespace driveemu
