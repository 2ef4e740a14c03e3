// The drive port of Windows 2000 and later: the CD-ROM device interfaces
// that the Setup API lists, each opened with CreateFileA, and every command
// one IOCTL_SCSI_PASS_THROUGH_DIRECT. It makes its calls through the
// Windows calls in force (windows_api.h), so the test stand-in sees each
// of them, in order.
#pragma once

#include <map>

#include "platform/drive_port.h"

class WindowsDrivePort : public DrivePort {
 public:
  std::vector<std::string> ListDrives() override;
  OpenedDrive Open(const std::string& path) override;
  CommandOutcome Execute(DriveHandle drive, const DriveCommand& command) override;
  void Close(DriveHandle drive) override;
  std::string NoDrivesAdvice() const override;
  bool NamesDrivesByLetter() const override { return true; }
  // The CD-ROM letter whose device number is the drive's.
  std::string DriveLetter(DriveHandle drive) override;
  // The storage property queries' device and adapter descriptors; the
  // adapter's is the one Open asked.
  DriveConnection Connection(DriveHandle drive, const std::string& path) override;

 private:
  // What the adapter descriptor told of each open handle, asked once when
  // it was opened: Execute keeps to its alignment mask without asking again.
  std::map<DriveHandle, DriveConnection> m_adapters;
  const DriveConnection& Adapter(DriveHandle drive);
};
