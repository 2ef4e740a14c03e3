// Reading a saved report back: a document that quillanor-report --json
// --detail wrote holds every command's raw answer and outcome, from which
// the same decoders make the same report again, without any drive.
#pragma once

#include <string>
#include <vector>

#include "app/report/collect.h"

struct Capture {
  bool redacted = false;
  std::vector<DriveAnswers> drives;
};

// False, with the reason, for a document of another shape or a damaged one.
bool ReadCapture(const std::string& text, Capture* capture, std::string* error);
