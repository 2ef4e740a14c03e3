// Reads arbitrary text as a saved report (--replay): the JSON reader and
// the capture's shape must refuse what is not one without reading past the
// text; what they take must make a report in both forms, and the JSON form
// must read back as the same capture.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/report/replay.h"
#include "app/report/report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Capture capture;
  std::string error;
  if (!ReadCapture(text, &capture, &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  std::vector<DriveReport> drives;
  for (DriveAnswers& answers : capture.drives) {
    Redact(answers);
    drives.push_back(InterpretDrive(answers, true));
  }
  std::string out;
  WriteTextReport(out, drives);
  JsonReportOptions options;
  options.detail = true;
  std::string json;
  WriteJsonReport(json, drives, options);
  // What we write we read back, as the same drives and commands.
  Capture again;
  if (!ReadCapture(json, &again, &error) || again.drives.size() != capture.drives.size()) std::abort();
  std::vector<DriveReport> redrawn;
  for (const DriveAnswers& answers : again.drives) redrawn.push_back(InterpretDrive(answers, true));
  std::string json2;
  WriteJsonReport(json2, redrawn, options);
  if (json2 != json) std::abort();
  return 0;
}
