// The report's command line.
#pragma once

#include <string>

struct ReportOptions {
  bool json = false;
  bool detail = false;
  bool help = false;
  bool version = false;
  bool redact = false;
  bool list = false;       // --list: one line per drive
  bool probe = false;      // --probe: read the CD to check what the drive declares (implies detail)
  std::string replay;      // --replay: the saved report to read instead of the drives
  std::string devicePath;  // --device: the drive opened by this path; empty for none
  long driveIndex = -1;    // --drive: the drive of this index; -1 for none
  bool OneDrive() const { return !devicePath.empty() || driveIndex >= 0; }
};

// Reads the options; false, with the message for the error stream in *err,
// when they are wrong.
bool ParseReportOptions(int argc, const char* const* argv, ReportOptions* options, std::string* err);

// Drive indices run from 0 to this.
const long kLastDriveIndex = 9999;

extern const char kReportProgram[];
extern const char kReportUsage[];
