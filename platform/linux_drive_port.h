// The drive port of Linux: the optical drives that sysfs lists (block
// devices sr* of SCSI peripheral type 5, in SCSI address order), each
// /dev/srN opened non-blocking, and every command one SG_IO ioctl.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/drive_port.h"

// The few system calls the port makes, so tests can stand in for the kernel.
// Each returns what the system call returns, or -errno on failure.
class LinuxSystem {
 public:
  virtual ~LinuxSystem() {}
  virtual int Open(const char* path, int flags) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
  virtual int Close(int fd) = 0;
  virtual int Stat(const char* path, struct stat* info) = 0;
  // realpath(3); the path with every link resolved, or empty.
  virtual std::string RealPath(const char* path) = 0;
};

// The kernel itself.
LinuxSystem& RealLinuxSystem();

// Where the port looks; tests point them at a tree of their own.
struct LinuxPaths {
  std::string sysfs = "/sys";
  std::string dev = "/dev";
  std::string groupFile = "/etc/group";
};

class LinuxDrivePort : public DrivePort {
 public:
  LinuxDrivePort();
  LinuxDrivePort(const LinuxPaths& paths, LinuxSystem& system);
  ~LinuxDrivePort() override;

  std::vector<std::string> ListDrives() override;
  OpenedDrive Open(const std::string& path) override;
  CommandOutcome Execute(DriveHandle drive, const DriveCommand& command) override;
  void Close(DriveHandle drive) override;
  std::string CanonicalPath(const std::string& path) override;
  std::string UnlistedReason(const std::string& path) override;
  std::string NoDrivesAdvice() const override;
  // From sysfs alone: the SCSI host's driver, the bus it lies on, a USB
  // device on the way, the strings the kernel read of the drive.
  DriveConnection Connection(DriveHandle drive, const std::string& path) override;

  // SG_IO calls made so far.
  unsigned long SgIoCount() const { return m_sgIoCount; }

 private:
  LinuxDrivePort(const LinuxDrivePort&);
  LinuxDrivePort& operator=(const LinuxDrivePort&);

  std::string AccessAdvice(const std::string& path) const;
  std::string GroupName(unsigned gid) const;

  LinuxPaths m_paths;
  LinuxSystem& m_system;
  unsigned long m_sgIoCount;
  // Handles are small numbers of our own, so a stale or foreign handle is
  // refused instead of reaching somebody else's descriptor.
  std::map<std::uintptr_t, int> m_files;
  std::uintptr_t m_nextHandle;
};
