#include "device/port_transport.h"

void ScanDrivePort(DrivePort& port, DiscoverySink& sink) {
  const std::vector<std::string> paths = port.ListDrives();
  for (std::size_t i = 0; i < paths.size(); ++i) {
    OpenedDrive opened = port.Open(paths[i]);
    if (opened.handle != kNoDrive) {
      FoundDrive drive;
      drive.handle = opened.handle;
      try {
        drive.path = paths[i];
      } catch (...) {
        port.Close(opened.handle);
        throw;
      }
      sink.Found(drive);
    } else if (opened.accessDenied) {
      DeviceProblem problem;
      problem.kind = DeviceProblem::kAccessDenied;
      problem.text = "Unable to access CD/DVD device.  Please make sure you have Administrator privileges.";
      problem.advice = opened.advice;
      sink.Problem(problem);
      break;
    }
    // Any other failure passes over that drive: it takes no index.
  }
}
