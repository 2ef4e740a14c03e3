// The text form: a block per drive, the window's texts, labels padded so
// that the values stand in one column.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/report/report.h"
#include "interrogation/sense_words.h"

namespace {

const char kNoDrives[] = "No CD/DVD Devices Found";

typedef std::pair<std::string, std::string> Line;

std::string ProfileText(long number) {
  char hex[16];
  std::snprintf(hex, sizeof hex, " (0x%04lX)", static_cast<unsigned long>(number) & 0xFFFF);
  return ProfileName(static_cast<int>(number)) + hex;
}

std::string Hex(const std::vector<unsigned char>& bytes) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += pair;
  }
  return text;
}

std::string FieldText(const FeatureField& field) {
  switch (field.kind) {
    case FeatureField::kFlag:
      return field.number ? "yes" : "no";
    case FeatureField::kNumber:
      return std::to_string(field.number);
    case FeatureField::kText:
      return field.text;
    default: {
      std::string list;
      for (std::size_t i = 0; i < field.numbers.size(); ++i) list += (i == 0 ? "" : ", ") + std::to_string(field.numbers[i]);
      return list.empty() ? "none" : list;
    }
  }
}

void InquiryLines(const DriveReport& drive, std::vector<Line>& lines) {
  const InquiryDetail& inquiry = drive.inquiry;
  if (!inquiry.decoded) return;
  char text[64];
  std::snprintf(text, sizeof text, "%s (%02Xh)%s%s", DeviceTypeName(inquiry.deviceType).c_str(), inquiry.deviceType,
                inquiry.removable ? ", removable" : "", inquiry.qualifier != 0 ? ", not connected" : "");
  lines.push_back(Line("Peripheral device type", text));
  std::snprintf(text, sizeof text, "%02Xh", inquiry.version);
  lines.push_back(Line("INQUIRY version", text));
  lines.push_back(Line("Response data format", std::to_string(inquiry.responseFormat)));
  // Zero bytes only: the drive keeps nothing there.
  if (std::find_if(inquiry.vendorSpecific.begin(), inquiry.vendorSpecific.end(), [](unsigned char b) { return b != 0; }) !=
      inquiry.vendorSpecific.end())
    lines.push_back(Line("Vendor specific", "\"" + PrintableText(&inquiry.vendorSpecific[0], inquiry.vendorSpecific.size()) +
                                                "\" (" + Hex(inquiry.vendorSpecific) + ")"));
  for (std::size_t i = 0; i < inquiry.notes.size(); ++i) lines.push_back(Line("Note", "INQUIRY: " + inquiry.notes[i]));
}

void MechanismLines(const MechanismDetail& m, std::vector<Line>& lines) {
  if (m.loadingMechanism != kAbsent) lines.push_back(Line("Loading mechanism", LoadingMechanismName(m.loadingMechanism)));
  if (m.locked != kAbsent) lines.push_back(Line("Lock state", m.locked ? "locked" : "unlocked"));
  // The speed fields of older drives, obsolete since: shown where set.
  const struct {
    const char* label;
    long value;
  } speeds[] = {{"Maximum read speed", m.maxReadSpeed},
                {"Current read speed", m.currentReadSpeed},
                {"Maximum write speed", m.maxWriteSpeed},
                {"Current write speed", m.currentWriteSpeed}};
  for (std::size_t i = 0; i < sizeof speeds / sizeof speeds[0]; ++i)
    if (speeds[i].value > 0) lines.push_back(Line(speeds[i].label, SpeedText(speeds[i].value)));
  if (m.volumeLevels != kAbsent) lines.push_back(Line("Volume levels", std::to_string(m.volumeLevels)));
  if (m.bufferSize != kAbsent) lines.push_back(Line("Buffer size", std::to_string(m.bufferSize) + " KB"));
  if (m.rotationControl != kAbsent) lines.push_back(Line("Rotation control", RotationControlName(m.rotationControl)));
  if (m.selectedWriteSpeed > 0) lines.push_back(Line("Selected write speed", SpeedText(m.selectedWriteSpeed)));
  for (std::size_t i = 0; i < m.writeSpeeds.size(); ++i)
    lines.push_back(Line("Write speed", SpeedText(m.writeSpeeds[i].kbPerSecond) + ", " +
                                            RotationControlName(m.writeSpeeds[i].rotationControl)));
  for (std::size_t i = 0; i < m.notes.size(); ++i) lines.push_back(Line("Note", "capabilities page: " + m.notes[i]));
}

void ConfigurationLines(const DriveReport& drive, std::vector<Line>& lines) {
  const ProfilesResult& p = drive.profiles;
  if (!p.outcome.Good()) {
    lines.push_back(Line("Profiles", CommandFailure("GET CONFIGURATION", p.outcome)));
    return;
  }
  if (p.detail.currentProfile != kAbsent)
    lines.push_back(Line("Current profile", p.detail.currentProfile == 0 ? "none" : ProfileText(p.detail.currentProfile)));
  for (std::size_t i = 0; i < p.detail.profiles.size(); ++i)
    lines.push_back(Line("Profile", ProfileText(p.detail.profiles[i].number) +
                                        (p.detail.profiles[i].current ? ", current" : "")));
  for (std::size_t i = 0; i < p.detail.notes.size(); ++i) lines.push_back(Line("Note", "profiles: " + p.detail.notes[i]));
  for (std::size_t i = 0; i < drive.features.features.size(); ++i) {
    const Feature& feature = drive.features.features[i];
    char code[24];
    std::snprintf(code, sizeof code, "Feature %04Xh", static_cast<unsigned>(feature.code));
    lines.push_back(Line(code, std::string(feature.name) + ", version " + std::to_string(feature.version) +
                                   (feature.persistent ? ", persistent" : "") + (feature.current ? ", current" : "")));
    for (std::size_t f = 0; f < feature.fields.size(); ++f)
      lines.push_back(Line(std::string("  ") + feature.fields[f].label, FieldText(feature.fields[f])));
    if (feature.fields.empty() && !feature.data.empty() && feature.code != 0)
      lines.push_back(Line("  Bytes", Hex(feature.data)));
    for (std::size_t n = 0; n < feature.notes.size(); ++n) lines.push_back(Line("  Note", feature.notes[n]));
  }
  for (std::size_t i = 0; i < drive.features.notes.size(); ++i)
    lines.push_back(Line("Note", "features: " + drive.features.notes[i]));
}

void PerformanceLines(const DriveReport& drive, std::vector<Line>& lines) {
  const char* kWrite = "Write speed (GET PERFORMANCE)";
  const char* kRead = "Read speed (GET PERFORMANCE)";
  if (!drive.writeSpeedsOutcome.Good()) {
    lines.push_back(Line(kWrite, CommandFailure("GET PERFORMANCE", drive.writeSpeedsOutcome)));
  } else {
    for (std::size_t i = 0; i < drive.writeSpeeds.writeSpeeds.size(); ++i) {
      const WriteSpeedDescriptor& d = drive.writeSpeeds.writeSpeeds[i];
      lines.push_back(Line(kWrite, MediumSpeedText(d.writeSpeed, drive.medium) + ", reading " +
                                       MediumSpeedText(d.readSpeed, drive.medium) + ", to LBA " +
                                       std::to_string(d.endLba) + (d.wrc == 1 ? ", CAV" : "") +
                                       (d.exact ? ", exact" : "") + (d.rdd ? ", RDD" : "") + (d.mrw ? ", MRW" : "")));
    }
    if (drive.writeSpeeds.writeSpeeds.empty()) lines.push_back(Line(kWrite, "none for the medium in the drive"));
    for (std::size_t i = 0; i < drive.writeSpeeds.notes.size(); ++i)
      if (drive.writeSpeeds.notes[i] != "no descriptors")
        lines.push_back(Line("Note", "write speeds: " + drive.writeSpeeds.notes[i]));
  }
  if (!drive.performanceOutcome.Good()) {
    lines.push_back(Line(kRead, CommandFailure("GET PERFORMANCE", drive.performanceOutcome)));
    return;
  }
  for (std::size_t i = 0; i < drive.performance.performance.size(); ++i) {
    const PerformanceDescriptor& d = drive.performance.performance[i];
    lines.push_back(Line(kRead, MediumSpeedText(d.startSpeed, drive.medium) + " at LBA " + std::to_string(d.startLba) +
                                    " to " + MediumSpeedText(d.endSpeed, drive.medium) + " at LBA " +
                                    std::to_string(d.endLba)));
  }
  if (drive.performance.performance.empty()) lines.push_back(Line(kRead, "none for the medium in the drive"));
  for (std::size_t i = 0; i < drive.performance.notes.size(); ++i)
    if (drive.performance.notes[i] != "no descriptors")
      lines.push_back(Line("Note", "read speeds: " + drive.performance.notes[i]));
}

// The detail lines of a drive, as label and value.
std::vector<Line> DetailLines(const DriveReport& drive) {
  std::vector<Line> lines;
  if (drive.revisionKnown) lines.push_back(Line("Firmware revision", drive.revision));
  InquiryLines(drive, lines);
  MechanismLines(drive.mechanism, lines);
  ConfigurationLines(drive, lines);
  PerformanceLines(drive, lines);
  return lines;
}

}  // namespace

std::string CommandFailure(const char* command, const CommandOutcome& outcome) {
  switch (outcome.kind) {
    case CommandOutcome::kCheckCondition:
      return std::string(command) + " refused: " + SenseText(outcome.sense).GetString() + " (" +
             SenseWords(outcome.sense) + ")";
    case CommandOutcome::kOtherStatus:
      return std::string(command) + " ended with status " + std::to_string(outcome.status);
    default:
      return std::string(command) + " was not carried: " + outcome.Reason();
  }
}

void WriteTextReport(std::string& out, const std::vector<DriveReport>& drives) {
  if (drives.empty()) {
    out += std::string(kNoDrives) + "\n";
    return;
  }
  std::size_t width = 0;
  for (int i = 0; i < kCapabilityRowCount; ++i) width = std::max(width, std::strlen(kCapabilityRows[i].label));
  const auto write = [&](const std::string& label, const std::string& value) {
    out += "  " + label + std::string(width - std::min(width, label.size()), ' ') + "  " + value + "\n";
  };
  for (std::size_t d = 0; d < drives.size(); ++d) {
    const DriveReport& drive = drives[d];
    if (d != 0) out += "\n";
    const CapabilitiesResult& result = drive.capabilities;
    out += "Drive " + std::to_string(drive.index) + (drive.path.empty() ? "" : " (" + drive.path + ")") + ": " +
           drive.Name() + "\n";
    for (std::size_t r = 0; r < result.rows.size(); ++r) write(result.rows[r].label, result.rows[r].Text());
    for (std::size_t f = 0; f < result.failure.size(); ++f)
      out += std::string("  ") + result.failure[f].GetString() + "\n";
    if (result.outcome.kind == CommandOutcome::kCheckCondition)
      out += "  Sense: " + SenseWords(result.outcome.sense) + "\n";
    if (result.outcome.kind == CommandOutcome::kNotCarried)
      out += "  Not carried: " + result.outcome.Reason() + "\n";
    if (!drive.detailed) continue;
    std::vector<Line> lines = DetailLines(drive);
    for (std::size_t l = 0; l < lines.size(); ++l) write(lines[l].first, lines[l].second);
  }
}
