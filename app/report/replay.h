// Reading a saved report back: a document that quillanor-report --json
// --detail wrote holds every command's raw answer and outcome, from which
// the same decoders make the same report again, without any drive.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/report/collect.h"

// The largest saved report read: one of kLargestReportDrives drives, each
// with the largest answers that the report asks for and all it decodes
// from them (a GET CONFIGURATION answer of 64 KB in the most features),
// with room to spare. Anything larger is refused before it is read whole.
const std::size_t kLargestDriveReport = 4u * 1024 * 1024;
const std::size_t kLargestReportDrives = 16;
const std::size_t kLargestReport = kLargestReportDrives * kLargestDriveReport;

struct Capture {
  bool redacted = false;
  std::vector<DriveAnswers> drives;
};

// False, with the reason, for a document of another shape or a damaged one.
bool ReadCapture(const std::string& text, Capture* capture, std::string* error);
