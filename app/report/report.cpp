#include "app/report/report.h"

#include <cstdio>

#include "app/report/replay.h"
#include "quillanor_version.h"

namespace {

std::string Program() { return std::string(kReportProgram) + ": "; }

// The device list's problems, one line each. Where the system gave its own
// advice (Linux: which node, who may open it), that is said instead of the
// window's text, which speaks of Windows. True when there was any: the
// drives could not all be reached (no access, no ASPI), and a report of
// what remains would look complete.
bool WriteProblems(std::string& err, const DeviceList& devices) {
  const std::vector<DeviceProblem>* lists[] = {&devices.StartProblems(), &devices.ScanProblems()};
  bool any = false;
  for (const std::vector<DeviceProblem>* problems : lists) {
    for (std::size_t i = 0; i < problems->size(); ++i) {
      const DeviceProblem& problem = (*problems)[i];
      err += Program() + (problem.advice.empty() ? std::string(problem.text.GetString()) : problem.advice) + "\n";
      any = true;
    }
  }
  return any;
}

// Whether `path` names the drive letter `letter` ("D:"): d:, D: or D:\.
bool SameLetter(const std::string& letter, const std::string& path) {
  if (letter.empty() || path.size() < 2 || path.size() > 3 || path[1] != ':') return false;
  if (path.size() == 3 && path[2] != '\\') return false;
  const char upper = path[0] >= 'a' && path[0] <= 'z' ? static_cast<char>(path[0] - 'a' + 'A') : path[0];
  return upper == letter[0];
}

// The position among `drives` of the one the options name, or -1.
int SelectedDrive(const std::vector<DriveAnswers>& drives, const ReportOptions& options,
                  const std::string& canonicalPath) {
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const bool match = !options.devicePath.empty()
                           ? (!drives[i].path.empty() && (drives[i].path == options.devicePath || drives[i].path == canonicalPath)) ||
                                 SameLetter(drives[i].driveLetter, options.devicePath)
                           : drives[i].index == options.driveIndex;
    if (match) return static_cast<int>(i);
  }
  return -1;
}

// Why the options name none of `drives`; `unlisted` says why of a path.
int NoSuchDrive(const std::vector<DriveAnswers>& drives, const ReportOptions& options, const std::string& unlisted,
                std::string* err) {
  const std::size_t count = drives.size();
  std::string found = std::to_string(count) + (count == 1 ? " drive" : " drives") + " found";
  for (std::size_t i = 0; i < drives.size() && !options.devicePath.empty(); ++i)
    if (!drives[i].path.empty())
      found += (i == 0 ? ": " : ", ") + (drives[i].driveLetter.empty() ? drives[i].path : drives[i].driveLetter);
  *err += Program() +
          (!options.devicePath.empty() ? options.devicePath + " " + unlisted
                                       : "no drive " + std::to_string(options.driveIndex)) +
          " (" + found + ")\n";
  return kReportCannotRun;
}

bool ReadFile(const std::string& path, std::string* text, std::string* err) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *err += Program() + "cannot open " + path + "\n";
    return false;
  }
  // The reading stops within a buffer past the largest report, whatever
  // the file (or pipe) holds.
  bool tooLarge = false;
  char buffer[65536];
  std::size_t got;
  while (!tooLarge && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text->append(buffer, got);
    tooLarge = text->size() > kLargestReport;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (tooLarge) {
    *err += Program() + path + ": larger than any report (at most " + std::to_string(kLargestReport) + " bytes)\n";
    return false;
  }
  if (failed) {
    *err += Program() + "cannot read " + path + "\n";
    return false;
  }
  return true;
}

int Print(const std::vector<DriveReport>& drives, const ReportOptions& options, bool redacted, std::string* out) {
  // The list asks nothing of the drives, so nothing of it can fail.
  if (options.list) {
    WriteDriveList(*out, drives, options.json);
    return kReportAllAnswered;
  }
  if (options.json) {
    JsonReportOptions json;
    json.version = QUILLANOR_VERSION;
    json.detail = options.detail;
    json.probe = options.probe;
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
    const int position = SelectedDrive(capture.drives, options, options.devicePath);
    if (position < 0) return NoSuchDrive(capture.drives, options, "is no drive of the saved report", err);
    chosen.assign(1, capture.drives[static_cast<std::size_t>(position)]);
  }
  std::vector<DriveReport> drives;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (options.redact) Redact(chosen[i]);
    if (!options.probe) ForgetProbe(chosen[i]);
    drives.push_back(InterpretDrive(chosen[i], options.detail, options.probe));
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

  // Each drive as the system names it: its path, and its letter where
  // the system has letters.
  std::vector<DriveAnswers> listed(static_cast<std::size_t>(devices.GetCount()));
  const bool lettered = !devices.UsesAspi() && Drives().NamesDrivesByLetter();
  for (int i = 0; i < devices.GetCount(); ++i) {
    DriveAnswers& drive = listed[static_cast<std::size_t>(i)];
    drive.index = i;
    drive.path = devices.Device(i).m_strPath.GetString();
    drive.lettered = lettered;
    if (lettered) drive.driveLetter = Drives().DriveLetter(devices.Device(i).m_hDevice);
  }
  std::vector<int> indices;
  if (options.OneDrive()) {
    const bool byPath = !options.devicePath.empty() && !devices.UsesAspi();
    const std::string canonical = byPath ? Drives().CanonicalPath(options.devicePath) : options.devicePath;
    const int position = SelectedDrive(listed, options, canonical);
    if (position < 0)
      return NoSuchDrive(listed, options,
                         byPath ? Drives().UnlistedReason(options.devicePath) : "names no drive: ASPI drives have no path",
                         err);
    indices.push_back(position);
  } else {
    for (int i = 0; i < devices.GetCount(); ++i) indices.push_back(i);
  }
  std::vector<DriveReport> drives;
  for (std::size_t i = 0; i < indices.size(); ++i) {
    DriveAnswers answers =
        options.list ? DiscoveryAnswers(devices, indices[i])
                     : CollectAnswers(devices, indices[i], options.detail, options.probe);
    answers.lettered = listed[static_cast<std::size_t>(indices[i])].lettered;
    answers.driveLetter = listed[static_cast<std::size_t>(indices[i])].driveLetter;
    if (options.redact) Redact(answers);
    drives.push_back(InterpretDrive(answers, options.detail, options.probe));
  }
  return Print(drives, options, options.redact, out);
}
