// The text form: a block per drive, the window's texts, labels padded so
// that the values stand in one column.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/report/report.h"

namespace {

const char kNoDrives[] = "No CD/DVD Devices Found";

typedef std::pair<std::string, std::string> Line;

std::string ProfileText(long number) {
  char hex[16];
  std::snprintf(hex, sizeof hex, " (0x%04lX)", static_cast<unsigned long>(number) & 0xFFFF);
  return ProfileName(static_cast<int>(number)) + hex;
}

// The detail lines of a drive, as label and value.
std::vector<Line> DetailLines(const DriveReport& drive) {
  std::vector<Line> lines;
  const MechanismDetail& m = drive.mechanism;
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

  const ProfilesResult& p = drive.profiles;
  if (!p.outcome.Good()) {
    lines.push_back(Line("Profiles", ConfigurationFailure(p.outcome)));
    return lines;
  }
  if (p.detail.currentProfile != kAbsent)
    lines.push_back(Line("Current profile", p.detail.currentProfile == 0 ? "none" : ProfileText(p.detail.currentProfile)));
  for (std::size_t i = 0; i < p.detail.profiles.size(); ++i)
    lines.push_back(Line("Profile", ProfileText(p.detail.profiles[i].number) +
                                        (p.detail.profiles[i].current ? ", current" : "")));
  for (std::size_t i = 0; i < p.detail.notes.size(); ++i) lines.push_back(Line("Note", "profiles: " + p.detail.notes[i]));
  return lines;
}

}  // namespace

std::string ConfigurationFailure(const CommandOutcome& outcome) {
  switch (outcome.kind) {
    case CommandOutcome::kCheckCondition:
      return std::string("GET CONFIGURATION refused: ") + SenseText(outcome.sense).GetString();
    case CommandOutcome::kOtherStatus:
      return "GET CONFIGURATION ended with status " + std::to_string(outcome.status);
    default:
      return "GET CONFIGURATION was not carried: " + outcome.Reason();
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
    out += "Drive " + std::to_string(drive.index) + ": " + drive.Name() + "\n";
    for (std::size_t r = 0; r < result.rows.size(); ++r) write(result.rows[r].label, result.rows[r].Text());
    for (std::size_t f = 0; f < result.failure.size(); ++f)
      out += std::string("  ") + result.failure[f].GetString() + "\n";
    if (result.outcome.kind == CommandOutcome::kNotCarried)
      out += "  Not carried: " + result.outcome.Reason() + "\n";
    if (!drive.detailed) continue;
    std::vector<Line> lines = DetailLines(drive);
    for (std::size_t l = 0; l < lines.size(); ++l) write(lines[l].first, lines[l].second);
  }
}
