#include "app/report/report.h"

#include <cstdio>

#include "app/report/replay.h"
#include "quillanor_version.h"

namespace {

// A saved report larger than this is no report of ours.
const long kLargestCapture = 64L * 1024 * 1024;

std::string Program() { return std::string(kReportProgram) + ": "; }

// The device list's problems, one line each, with what the system adds.
// True when there was any: the drives could not all be reached (no
// access, no ASPI), and a report of what remains would look complete.
bool WriteProblems(std::string& err, const DeviceList& devices) {
  const std::vector<DeviceProblem>* lists[] = {&devices.StartProblems(), &devices.ScanProblems()};
  bool any = false;
  for (const std::vector<DeviceProblem>* problems : lists) {
    for (std::size_t i = 0; i < problems->size(); ++i) {
      err += Program() + (*problems)[i].text.GetString() + "\n";
      if (!(*problems)[i].advice.empty()) err += Program() + (*problems)[i].advice + "\n";
      any = true;
    }
  }
  return any;
}

// The position among `drives` of the one the options name, or -1 with the
// reason in err.
int SelectedDrive(const std::vector<DriveAnswers>& drives, const ReportOptions& options,
                  const std::string& canonicalPath, std::string* err) {
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const bool match = !options.devicePath.empty()
                           ? !drives[i].path.empty() && (drives[i].path == options.devicePath || drives[i].path == canonicalPath)
                           : drives[i].index == options.driveIndex;
    if (match) return static_cast<int>(i);
  }
  const std::size_t count = drives.size();
  *err += Program() + "no drive " +
          (!options.devicePath.empty() ? "opened as " + options.devicePath : std::to_string(options.driveIndex)) +
          " (" + std::to_string(count) + (count == 1 ? " drive" : " drives") + " found)\n";
  return -1;
}

bool ReadFile(const std::string& path, std::string* text, std::string* err) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *err += Program() + "cannot open " + path + "\n";
    return false;
  }
  char buffer[65536];
  std::size_t got;
  bool tooLarge = false;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text->append(buffer, got);
    if (static_cast<long>(text->size()) > kLargestCapture) {
      tooLarge = true;
      break;
    }
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed || tooLarge) {
    *err += Program() + "cannot read " + path + (tooLarge ? ": it is larger than any report" : "") + "\n";
    return false;
  }
  return true;
}

int Print(const std::vector<DriveReport>& drives, const ReportOptions& options, bool redacted, std::string* out) {
  if (options.json) {
    JsonReportOptions json;
    json.version = QUILLANOR_VERSION;
    json.detail = options.detail;
    json.redacted = redacted;
    WriteJsonReport(*out, drives, json);
  } else {
    WriteTextReport(*out, drives);
  }
  for (std::size_t d = 0; d < drives.size(); ++d)
    if (!drives[d].capabilities.Answered()) return kReportSomeFailed;
  return kReportAllAnswered;
}

// What a saved report holds, as the report that wrote it.
int Replay(const ReportOptions& options, std::string* out, std::string* err) {
  std::string text;
  if (!ReadFile(options.replay, &text, err)) return kReportCannotRun;
  Capture capture;
  std::string problem;
  if (!ReadCapture(text, &capture, &problem)) {
    *err += Program() + options.replay + ": " + problem + "\n";
    return kReportCannotRun;
  }
  std::vector<DriveAnswers> chosen = capture.drives;
  if (options.OneDrive()) {
    const int position = SelectedDrive(capture.drives, options, options.devicePath, err);
    if (position < 0) return kReportCannotRun;
    chosen.assign(1, capture.drives[static_cast<std::size_t>(position)]);
  }
  std::vector<DriveReport> drives;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (options.redact) Redact(chosen[i]);
    drives.push_back(InterpretDrive(chosen[i], options.detail));
  }
  return Print(drives, options, capture.redacted || options.redact, out);
}

}  // namespace

int RunReport(int argc, const char* const* argv, std::string* out, std::string* err) {
  ReportOptions options;
  if (!ParseReportOptions(argc, argv, &options, err)) return kReportCannotRun;
  if (options.help) {
    *out += kReportUsage;
    return kReportAllAnswered;
  }
  if (options.version) {
    *out += std::string(kReportProgram) + " " + QUILLANOR_VERSION + "\n";
    return kReportAllAnswered;
  }
  if (!options.replay.empty()) return Replay(options, out, err);

  DeviceList devices;
  devices.Enumerate();
  if (WriteProblems(*err, devices)) return kReportCannotRun;
  if (devices.GetCount() == 0) err->append(Program() + devices.NoDrivesAdvice() + "\n");

  std::vector<int> indices;
  if (options.OneDrive()) {
    std::vector<DriveAnswers> listed(static_cast<std::size_t>(devices.GetCount()));
    for (int i = 0; i < devices.GetCount(); ++i) {
      listed[static_cast<std::size_t>(i)].index = i;
      listed[static_cast<std::size_t>(i)].path = devices.Device(i).m_strPath.GetString();
    }
    const std::string canonical = options.devicePath.empty() || devices.UsesAspi()
                                      ? options.devicePath
                                      : Drives().CanonicalPath(options.devicePath);
    const int position = SelectedDrive(listed, options, canonical, err);
    if (position < 0) return kReportCannotRun;
    indices.push_back(position);
  } else {
    for (int i = 0; i < devices.GetCount(); ++i) indices.push_back(i);
  }
  std::vector<DriveReport> drives;
  for (std::size_t i = 0; i < indices.size(); ++i) {
    DriveAnswers answers = CollectAnswers(devices, indices[i], options.detail);
    if (options.redact) Redact(answers);
    drives.push_back(InterpretDrive(answers, options.detail));
  }
  return Print(drives, options, options.redact, out);
}
