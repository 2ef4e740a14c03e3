#include "app/report/report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifndef QUILLANOR_VERSION
#define QUILLANOR_VERSION "0"
#endif

namespace {

const char kProgram[] = "quillanor-report";
const char kNoDrives[] = "No CD/DVD Devices Found";

std::string Hex(const BYTE* bytes, std::size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 0x0F];
  }
  return text;
}

// The device list's problems, one line each, with what the seam adds.
void WriteProblems(std::string& err, const std::vector<DeviceProblem>& problems) {
  for (std::size_t i = 0; i < problems.size(); ++i) {
    err += std::string(kProgram) + ": " + problems[i].text.GetString() + "\n";
    if (!problems[i].advice.empty()) err += std::string(kProgram) + ": " + problems[i].advice + "\n";
  }
}

const char kUsage[] =
    "Usage: quillanor-report [--json] [--detail] [--device PATH | --drive N]\n"
    "Print, for every CD/DVD drive of this computer, its name and what it can do:\n"
    "the 24 capabilities that the drive reports in its MMC capabilities page\n"
    "(MODE SENSE page 2Ah), or why it could not report them.\n"
    "\n"
    "  --json          print one JSON document instead of text\n"
    "  --detail        also print the rest of the capabilities page (loading\n"
    "                  mechanism, lock, speeds, buffer, write speeds) and the\n"
    "                  drive's media profiles (GET CONFIGURATION)\n"
    "  --device PATH   report only the drive opened as PATH (Linux: /dev/srN)\n"
    "  --drive N       report only drive N, counted from 0 as the window lists them\n"
    "  -h, --help      show this help and exit\n"
    "  -V, --version   show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  every drive answered (also when there is no drive)\n"
    "  1  some drive failed the query; its failure lines say why\n"
    "  2  the command could not run: a bad option, no such drive, or no access\n"
    "     to the drives\n"
    "\n"
    "On Linux the drives are /dev/sr*, opened read-only when read-write is not\n"
    "allowed; their group (often 'cdrom') may open them without root.\n";

std::string Number(long value) { return std::to_string(value); }

std::string ProfileText(long number) {
  char hex[16];
  std::snprintf(hex, sizeof hex, " (0x%04lX)", static_cast<unsigned long>(number) & 0xFFFF);
  return ProfileName(static_cast<int>(number)) + hex;
}

// Why GET CONFIGURATION gave no profiles, when it did not answer.
std::string ConfigurationFailure(const CommandOutcome& outcome) {
  switch (outcome.kind) {
    case CommandOutcome::kCheckCondition:
      return std::string("GET CONFIGURATION refused: ") + SenseText(outcome.sense).GetString();
    case CommandOutcome::kOtherStatus:
      return "GET CONFIGURATION ended with status " + Number(outcome.status);
    default:
      return "GET CONFIGURATION was not carried";
  }
}

// The detail lines of a drive, as label and value.
std::vector<std::pair<std::string, std::string> > DetailLines(const DriveReport& drive) {
  std::vector<std::pair<std::string, std::string> > lines;
  const MechanismDetail& m = drive.mechanism;
  typedef std::pair<std::string, std::string> Line;
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
  if (m.volumeLevels != kAbsent) lines.push_back(Line("Volume levels", Number(m.volumeLevels)));
  if (m.bufferSize != kAbsent) lines.push_back(Line("Buffer size", Number(m.bufferSize) + " KB"));
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

std::string JsonNumber(long value) { return value == kAbsent ? "null" : Number(value); }

std::string JsonNotes(const std::vector<std::string>& notes) {
  std::string out = "[";
  for (std::size_t i = 0; i < notes.size(); ++i) out += (i == 0 ? "" : ", ") + JsonString(notes[i]);
  return out + "]";
}

// The "mechanism" and "configuration" members of a drive, with --detail.
std::string JsonDetail(const DriveReport& drive) {
  if (!drive.detailed) return "      \"mechanism\": null,\n      \"configuration\": null";
  const MechanismDetail& m = drive.mechanism;
  std::string out = "      \"mechanism\": {\n";
  out += "        \"loading_mechanism\": " +
         (m.loadingMechanism == kAbsent ? std::string("null") : JsonString(LoadingMechanismName(m.loadingMechanism))) +
         ",\n";
  out += "        \"locked\": " + (m.locked == kAbsent ? std::string("null") : m.locked ? "true" : "false") + ",\n";
  out += "        \"prevent_jumper\": " +
         (m.preventJumper == kAbsent ? std::string("null") : m.preventJumper ? "true" : "false") + ",\n";
  out += "        \"max_read_speed\": " + JsonNumber(m.maxReadSpeed) + ",\n";
  out += "        \"current_read_speed\": " + JsonNumber(m.currentReadSpeed) + ",\n";
  out += "        \"max_write_speed\": " + JsonNumber(m.maxWriteSpeed) + ",\n";
  out += "        \"current_write_speed\": " + JsonNumber(m.currentWriteSpeed) + ",\n";
  out += "        \"volume_levels\": " + JsonNumber(m.volumeLevels) + ",\n";
  out += "        \"buffer_size\": " + JsonNumber(m.bufferSize) + ",\n";
  out += "        \"rotation_control\": " +
         (m.rotationControl == kAbsent ? std::string("null") : JsonString(RotationControlName(m.rotationControl))) +
         ",\n";
  out += "        \"selected_write_speed\": " + JsonNumber(m.selectedWriteSpeed) + ",\n";
  out += "        \"write_speed_count\": " + JsonNumber(m.writeSpeedCount) + ",\n";
  out += "        \"write_speeds\": [";
  for (std::size_t i = 0; i < m.writeSpeeds.size(); ++i)
    out += (i == 0 ? "" : ", ") + std::string("{\"speed\": ") + Number(m.writeSpeeds[i].kbPerSecond) +
           ", \"rotation_control\": " + JsonString(RotationControlName(m.writeSpeeds[i].rotationControl)) + "}";
  out += "],\n        \"notes\": " + JsonNotes(m.notes) + "\n      },\n";

  const ProfilesResult& p = drive.profiles;
  const CommandOutcome& outcome = p.outcome;
  out += "      \"configuration\": {\n";
  out += std::string("        \"answered\": ") + (outcome.Good() ? "true" : "false") + ",\n";
  out += "        \"scsi_status\": " +
         (outcome.kind == CommandOutcome::kNotCarried ? std::string("null") : Number(outcome.status)) + ",\n";
  out += "        \"sense\": " +
         (outcome.senseLength == 0 ? std::string("null") : JsonString(Hex(outcome.sense, outcome.senseLength))) + ",\n";
  out += "        \"current_profile\": ";
  if (p.detail.currentProfile == kAbsent || p.detail.currentProfile == 0)
    out += "null";
  else
    out += "{\"number\": " + Number(p.detail.currentProfile) +
           ", \"name\": " + JsonString(ProfileName(static_cast<int>(p.detail.currentProfile))) + "}";
  out += ",\n        \"profiles\": [";
  for (std::size_t i = 0; i < p.detail.profiles.size(); ++i)
    out += (i == 0 ? "" : ", ") + std::string("{\"number\": ") + Number(p.detail.profiles[i].number) +
           ", \"name\": " + JsonString(ProfileName(p.detail.profiles[i].number)) +
           ", \"current\": " + (p.detail.profiles[i].current ? "true" : "false") + "}";
  std::vector<std::string> notes = p.detail.notes;
  if (!outcome.Good()) notes.insert(notes.begin(), ConfigurationFailure(outcome));
  out += "],\n        \"notes\": " + JsonNotes(notes) + "\n      }";
  return out;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      // Bytes above ASCII are taken as Latin-1: always valid, never lost.
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

DriveReport CollectDrive(DeviceList& devices, int index, bool detail) {
  DriveReport drive;
  drive.index = index;
  CString vendor, product;
  devices.GetDeviceNames(index, vendor, product);
  drive.vendor = vendor.GetString();
  drive.product = product.GetString();
  drive.capabilities = QueryCapabilities(devices, index);
  drive.detailed = detail && drive.capabilities.Answered();
  if (drive.detailed) {
    const std::vector<BYTE>& answer = drive.capabilities.answer;
    drive.mechanism = DecodeMechanism(answer.empty() ? nullptr : &answer[0], answer.size());
    drive.profiles = QueryProfiles(devices, index);
  }
  return drive;
}

std::vector<DriveReport> CollectReport(DeviceList& devices, bool detail) {
  std::vector<DriveReport> drives;
  for (int i = 0; i < devices.GetCount(); ++i) drives.push_back(CollectDrive(devices, i, detail));
  return drives;
}

void WriteTextReport(std::string& out, const std::vector<DriveReport>& drives) {
  if (drives.empty()) {
    out += std::string(kNoDrives) + "\n";
    return;
  }
  std::size_t width = 0;
  for (int i = 0; i < kCapabilityRowCount; ++i) width = std::max(width, std::strlen(kCapabilityRows[i].label));
  for (std::size_t d = 0; d < drives.size(); ++d) {
    const DriveReport& drive = drives[d];
    if (d != 0) out += "\n";
    const CapabilitiesResult& result = drive.capabilities;
    out += "Drive " + std::to_string(drive.index) + ": " + drive.Name() + "\n";
    for (std::size_t r = 0; r < result.rows.size(); ++r) {
      const std::string label = result.rows[r].label;
      out += "  " + label + std::string(width - std::min(width, label.size()), ' ') + "  " + result.rows[r].Text() +
             "\n";
    }
    for (std::size_t f = 0; f < result.failure.size(); ++f)
      out += std::string("  ") + result.failure[f].GetString() + "\n";
    if (!drive.detailed) continue;
    std::vector<std::pair<std::string, std::string> > lines = DetailLines(drive);
    for (std::size_t l = 0; l < lines.size(); ++l)
      out += "  " + lines[l].first + std::string(width - std::min(width, lines[l].first.size()), ' ') + "  " +
             lines[l].second + "\n";
  }
}

void WriteJsonReport(std::string& out, const std::vector<DriveReport>& drives, const char* version, bool detail) {
  out += "{\n  \"program\": " + JsonString(kProgram) + ",\n  \"version\": " + JsonString(version) +
         ",\n  \"drives\": [";
  for (std::size_t d = 0; d < drives.size(); ++d) {
    const DriveReport& drive = drives[d];
    const CapabilitiesResult& result = drive.capabilities;
    const CommandOutcome& outcome = result.outcome;
    out += d == 0 ? "\n    {\n" : ",\n    {\n";
    out += "      \"index\": " + std::to_string(drive.index) + ",\n";
    out += "      \"name\": " + JsonString(drive.Name()) + ",\n";
    out += "      \"vendor\": " + JsonString(drive.vendor) + ",\n";
    out += "      \"product\": " + JsonString(drive.product) + ",\n";
    out += std::string("      \"answered\": ") + (result.Answered() ? "true" : "false") + ",\n";
    out += "      \"scsi_status\": " +
           (outcome.kind == CommandOutcome::kNotCarried ? std::string("null") : std::to_string(outcome.status));
    out += ",\n      \"capabilities\": " +
           (result.Answered() ? JsonString(Hex(result.page, sizeof(result.page))) : "null") + ",\n";
    out += "      \"sense\": " +
           (outcome.senseLength == 0 ? std::string("null") : JsonString(Hex(outcome.sense, outcome.senseLength))) +
           ",\n";
    out += "      \"rows\": [";
    for (std::size_t r = 0; r < result.rows.size(); ++r)
      out += (r == 0 ? "\n" : ",\n") + std::string("        {\"label\": ") + JsonString(result.rows[r].label) +
             ", \"value\": " + JsonString(result.rows[r].Text()) + "}";
    out += result.rows.empty() ? "],\n" : "\n      ],\n";
    out += "      \"failure\": [";
    for (std::size_t f = 0; f < result.failure.size(); ++f)
      out += (f == 0 ? "" : ", ") + JsonString(result.failure[f].GetString());
    out += "]";
    if (detail) out += ",\n" + JsonDetail(drive);
    out += "\n    }";
  }
  out += drives.empty() ? "]\n}\n" : "\n  ]\n}\n";
}

int RunReport(int argc, const char* const* argv, std::string* out, std::string* err) {
  bool json = false;
  bool detail = false;
  const char* devicePath = nullptr;
  long driveIndex = -1;
  for (int i = 1; i < argc; ++i) {
    const char* option = argv[i];
    if (std::strcmp(option, "--json") == 0) {
      json = true;
    } else if (std::strcmp(option, "--detail") == 0) {
      detail = true;
    } else if (std::strcmp(option, "--device") == 0 || std::strcmp(option, "--drive") == 0) {
      if (i + 1 >= argc) {
        *err += std::string(kProgram) + ": option '" + option + "' needs a value\nTry '" + kProgram +
                " --help' for more information.\n";
        return kReportCannotRun;
      }
      if (devicePath != nullptr || driveIndex >= 0) {
        *err += std::string(kProgram) + ": give one --device or --drive\n";
        return kReportCannotRun;
      }
      const char* value = argv[++i];
      if (option[2] == 'd' && option[3] == 'e' && option[4] == 'v') {
        devicePath = value;
      } else {
        // Digits only, by hand: the 32-bit command imports nothing that
        // Windows 98's runtime may lack.
        driveIndex = *value == '\0' ? -1 : 0;
        for (const char* digit = value; *digit != '\0' && driveIndex >= 0; ++digit)
          driveIndex = *digit >= '0' && *digit <= '9' && driveIndex < 10000 ? driveIndex * 10 + (*digit - '0') : -1;
        if (driveIndex < 0 || driveIndex > 9999) {
          *err += std::string(kProgram) + ": '" + value + "' is no drive number\n";
          return kReportCannotRun;
        }
      }
    } else if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
      *out += kUsage;
      return kReportAllAnswered;
    } else if (std::strcmp(option, "--version") == 0 || std::strcmp(option, "-V") == 0) {
      *out += std::string(kProgram) + " " + QUILLANOR_VERSION + "\n";
      return kReportAllAnswered;
    } else {
      *err += std::string(kProgram) + ": " + (option[0] == '-' ? "unrecognized option '" : "unexpected argument '") +
              option + "'\nTry '" + kProgram + " --help' for more information.\n";
      return kReportCannotRun;
    }
  }

  DeviceList devices;
  devices.Enumerate();
  WriteProblems(*err, devices.StartProblems());
  WriteProblems(*err, devices.ScanProblems());
  // Such a problem means the drives could not be reached (no access, no
  // ASPI): a report of what remains would look complete but is not.
  if (!devices.StartProblems().empty() || !devices.ScanProblems().empty()) return kReportCannotRun;

  std::vector<DriveReport> drives;
  if (devicePath != nullptr || driveIndex >= 0) {
    int index = -1;
    for (int i = 0; i < devices.GetCount(); ++i) {
      const CdDevice* device = devices.m_devices[i];
      if (devicePath != nullptr ? device->m_strPath == devicePath : i == driveIndex) index = i;
    }
    if (index < 0) {
      *err += std::string(kProgram) + ": no drive " +
              (devicePath != nullptr ? std::string("opened as ") + devicePath : Number(driveIndex)) + " (" +
              Number(devices.GetCount()) + (devices.GetCount() == 1 ? " drive" : " drives") + " found)\n";
      return kReportCannotRun;
    }
    drives.push_back(CollectDrive(devices, index, detail));
  } else {
    drives = CollectReport(devices, detail);
  }
  if (json)
    WriteJsonReport(*out, drives, QUILLANOR_VERSION, detail);
  else
    WriteTextReport(*out, drives);
  for (std::size_t d = 0; d < drives.size(); ++d)
    if (!drives[d].capabilities.Answered()) return kReportSomeFailed;
  return kReportAllAnswered;
}
