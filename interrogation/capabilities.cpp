#include "interrogation/capabilities.h"

#include <cstdio>
#include <cstring>

const CapabilityRow kCapabilityRows[kCapabilityRowCount] = {
    {"Can read CD-R discs", 2, 0},
    {"Can read CD-RW discs", 2, 1},
    {"Can read DVD-ROM discs", 2, 3},
    {"Can read DVD-R discs", 2, 4},
    {"Can read DVD-RAM discs", 2, 5},
    {"Can write CD-R discs", 3, 0},
    {"Can write CD-RW discs", 3, 1},
    {"Can write DVD-R discs", 3, 4},
    {"Can write DVD-RAM discs", 3, 5},
    {"Can handle Method 2 addressing", 2, 2},
    {"Can play audio CDs", 4, 0},
    {"Can read Red Book audio using Read CD command", 5, 0},
    {"Can read Red Book audio stream accurate", 5, 1},
    {"Can prevent ejection of media", 6, 0},
    {"Can eject media using Start/Stop Unit command", 6, 3},
    {"Can read multisession discs or Photo-CD discs", 4, 6},
    {"Can read sectors in Mode 2 Form 1 (XA) format", 4, 4},
    {"Can read sectors in Mode 2 Form 2 format", 4, 5},
    {"Can read R-W subcode in the Lead-in (e.g. CD Text)", 7, 5},
    {"Can return ISRC value", 5, 5},
    {"Can return media catalog number (UPC)", 5, 6},
    {"Can independently control each channel volume level", 7, 0},
    {"Can independently control each channel mute function", 7, 1},
    {"Device currently in prevent (locked) state", 6, 1},
};

const char kModeSenseFailure[] = "Mode Sense Command Failure";
const char kCommandNotSupported[] = "Command not supported by device.";

namespace {
const std::size_t kModePageOffset = 8;  // page byte n stands at answer byte 8 + n
}  // namespace

CString SenseText(const BYTE* sense) {
  const int key = sense[2] & 0x0F;
  if (key == 5) return CString(kCommandNotSupported);
  CString text;
  text.Format("Sense Data = %02X %02X %02X", key, sense[12], sense[13]);
  return text;
}

CapabilitiesResult InterpretCapabilities(const CommandOutcome& outcome, const BYTE* answer, std::size_t received) {
  CapabilitiesResult result;
  result.outcome = outcome;
  std::memset(result.page, 0, sizeof(result.page));
  if (!outcome.Good()) {
    result.failure.push_back(CString(kModeSenseFailure));
    // Fewer sense bytes than the fixed format holds read as 0, as the
    // zeroed sense area of the request would.
    if (outcome.kind() == CommandOutcome::kCheckCondition) result.failure.push_back(SenseText(outcome.sense));
    return result;
  }
  for (std::size_t n = 0; n < sizeof(result.page); ++n) {
    const std::size_t at = kModePageOffset + 2 + n;
    if (answer != nullptr && at < received) result.page[n] = answer[at];
  }
  result.rows.reserve(kCapabilityRowCount);
  for (int i = 0; i < kCapabilityRowCount; ++i) {
    const CapabilityRow& row = kCapabilityRows[i];
    CapabilityValue value = {row.label, ((result.page[row.pageByte - 2] >> row.bit) & 1) != 0};
    result.rows.push_back(value);
  }
  return result;
}

CapabilitiesResult InterpretCapabilities(const CommandAnswer& answer) {
  return InterpretCapabilities(answer.outcome, answer.data.empty() ? nullptr : &answer.data[0], answer.data.size());
}

std::vector<std::string> CapabilityRowNotes(const BYTE* answer, std::size_t received) {
  std::vector<std::string> notes;
  if (answer == nullptr) return notes;
  char note[160];
  const unsigned descriptors = received >= 8 ? (static_cast<unsigned>(answer[6]) << 8) | answer[7] : 0;
  if (descriptors != 0) {
    std::snprintf(note, sizeof note,
                  "the header declares %u bytes of block descriptors: the rows, read from bytes 10-15, may not "
                  "describe the capabilities page",
                  descriptors);
    notes.push_back(note);
  }
  const unsigned code = received > kModePageOffset ? answer[kModePageOffset] & 0x3F : 0x2A;
  if (code != 0x2A) {
    std::snprintf(note, sizeof note, "the page code is %02Xh, not 2Ah: the rows may not describe the capabilities page",
                  code);
    notes.push_back(note);
  }
  return notes;
}

CapabilitiesResult QueryCapabilities(DeviceList& devices, int index) {
  // The answer buffer lives for this one query.
  std::vector<BYTE> answer(kModeSenseAnswerLength);
  ScsiRequest request;
  BuildModeSenseRequest(&request, answer.data());
  const CommandOutcome outcome = devices.ExecuteRequest(index, &request);
  return InterpretCapabilities(outcome, answer.data(), request.Header.DataTransferLength);
}
