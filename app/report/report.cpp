#include "app/report/report.h"

#ifndef QUILLANOR_VERSION
#define QUILLANOR_VERSION "0"
#endif

namespace {

// The device list's problems, one line each, with what the system adds.
// True when there was any: the drives could not all be reached (no
// access, no ASPI), and a report of what remains would look complete.
bool WriteProblems(std::string& err, const DeviceList& devices) {
  const std::vector<DeviceProblem>* lists[] = {&devices.StartProblems(), &devices.ScanProblems()};
  bool any = false;
  for (const std::vector<DeviceProblem>* problems : lists) {
    for (std::size_t i = 0; i < problems->size(); ++i) {
      err += std::string(kReportProgram) + ": " + (*problems)[i].text.GetString() + "\n";
      if (!(*problems)[i].advice.empty()) err += std::string(kReportProgram) + ": " + (*problems)[i].advice + "\n";
      any = true;
    }
  }
  return any;
}

// The drive the options name, or -1 with the reason in err.
int SelectedDrive(const DeviceList& devices, const ReportOptions& options, std::string* err) {
  int index = -1;
  if (!options.devicePath.empty())
    index = devices.FindPath(options.devicePath.c_str());
  else if (options.driveIndex < devices.GetCount())
    index = static_cast<int>(options.driveIndex);
  if (index < 0) {
    const int count = devices.GetCount();
    *err += std::string(kReportProgram) + ": no drive " +
            (!options.devicePath.empty() ? "opened as " + options.devicePath : std::to_string(options.driveIndex)) +
            " (" + std::to_string(count) + (count == 1 ? " drive" : " drives") + " found)\n";
  }
  return index;
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

  DeviceList devices;
  devices.Enumerate();
  if (WriteProblems(*err, devices)) return kReportCannotRun;

  std::vector<DriveReport> drives;
  if (options.OneDrive()) {
    int index = SelectedDrive(devices, options, err);
    if (index < 0) return kReportCannotRun;
    drives.push_back(CollectDrive(devices, index, options.detail));
  } else {
    drives = CollectReport(devices, options.detail);
  }
  if (options.json)
    WriteJsonReport(*out, drives, QUILLANOR_VERSION, options.detail);
  else
    WriteTextReport(*out, drives);
  for (std::size_t d = 0; d < drives.size(); ++d)
    if (!drives[d].capabilities.Answered()) return kReportSomeFailed;
  return kReportAllAnswered;
}
