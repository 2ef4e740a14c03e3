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
    "Usage: quillanor-report [--json]\n"
    "Print, for every CD/DVD drive of this computer, its name and what it can do:\n"
    "the 24 capabilities that the drive reports in its MMC capabilities page\n"
    "(MODE SENSE page 2Ah), or why it could not report them.\n"
    "\n"
    "  --json         print one JSON document instead of text\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  every drive answered (also when there is no drive)\n"
    "  1  some drive failed the query; its failure lines say why\n"
    "  2  the command could not run: a bad option, or no access to the drives\n"
    "\n"
    "On Linux the drives are /dev/sr*, opened read-only when read-write is not\n"
    "allowed; their group (often 'cdrom') may open them without root.\n";

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

std::vector<DriveReport> CollectReport(DeviceList& devices) {
  std::vector<DriveReport> drives;
  for (int i = 0; i < devices.GetCount(); ++i) {
    DriveReport drive;
    drive.index = i;
    CString vendor, product;
    devices.GetDeviceNames(i, vendor, product);
    drive.vendor = vendor.GetString();
    drive.product = product.GetString();
    drive.capabilities = QueryCapabilities(devices, i);
    drives.push_back(drive);
  }
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
  }
}

void WriteJsonReport(std::string& out, const std::vector<DriveReport>& drives, const char* version) {
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
    out += "]\n    }";
  }
  out += drives.empty() ? "]\n}\n" : "\n  ]\n}\n";
}

int RunReport(int argc, const char* const* argv, std::string* out, std::string* err) {
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    const char* option = argv[i];
    if (std::strcmp(option, "--json") == 0) {
      json = true;
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

  std::vector<DriveReport> drives = CollectReport(devices);
  if (json)
    WriteJsonReport(*out, drives, QUILLANOR_VERSION);
  else
    WriteTextReport(*out, drives);
  for (std::size_t d = 0; d < drives.size(); ++d)
    if (!drives[d].capabilities.Answered()) return kReportSomeFailed;
  return kReportAllAnswered;
}
