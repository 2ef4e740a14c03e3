// The seam of drive access, at the level of one SCSI command: list the
// drives, open one, execute one command on it, close it. One
// implementation per system, each in its own file: windows_drive_port.cpp
// (Setup API, CreateFileA, IOCTL_SCSI_PASS_THROUGH_DIRECT) and
// linux_drive_port.cpp (sysfs, /dev/srN, SG_IO). Callers never see which
// one runs. ASPI, the Windows 95/98 transport, lies above it in the device
// list.
#pragma once

#include <string>
#include <vector>

#include "platform/connection.h"
#include "platform/scsi_command.h"

typedef void* DriveHandle;
// What Open gives when it could not open the drive.
extern const DriveHandle kNoDrive;

struct OpenedDrive {
  DriveHandle handle;  // kNoDrive when the drive could not be opened
  CommandOutcome::Failure failure;  // kCarried when it was; else why not
  bool accessDenied;   // refused for want of rights
  long systemError;    // the system's code for the failure
  // After a refusal for want of rights: what the system knows of it that
  // the refusal does not say (which node, who may open it). Often empty.
  std::string advice;
};

class DrivePort {
 public:
  virtual ~DrivePort() {}
  // The drives of this system by the path each opens by, in discovery order.
  virtual std::vector<std::string> ListDrives() = 0;
  // Opens a drive for commands, for reading and writing where allowed.
  virtual OpenedDrive Open(const std::string& path) = 0;
  // Carries one command to an open drive and returns once it ended, at the
  // latest when its time-out is up.
  virtual CommandOutcome Execute(DriveHandle drive, const DriveCommand& command) = 0;
  // Closes what Open gave; a handle it did not give, or closed, is left alone.
  virtual void Close(DriveHandle drive) = 0;
  // The path as ListDrives would give it, where the system has other names
  // for a drive (a symbolic link such as /dev/cdrom); the path itself else.
  virtual std::string CanonicalPath(const std::string& path) { return path; }
  // Why `path`, which no listed drive opens by, names no drive: in a few
  // words that follow the path ("does not exist").
  virtual std::string UnlistedReason(const std::string& path) {
    (void)path;
    return "is not the path of a CD/DVD drive";
  }
  // Whether the system's users know drives by letters (Windows).
  virtual bool NamesDrivesByLetter() const { return false; }
  // The letter ("D:") of an open drive, where the system has one for it;
  // empty otherwise.
  virtual std::string DriveLetter(DriveHandle drive) {
    (void)drive;
    return std::string();
  }
  // What the system tells of how an open drive is reached, without a
  // command to it; nothing (an untold connection) by default.
  virtual DriveConnection Connection(DriveHandle drive, const std::string& path) {
    (void)drive;
    (void)path;
    return DriveConnection();
  }
  // With no drive listed: where the port looked and what commonly hides
  // drives there, in one line.
  virtual std::string NoDrivesAdvice() const = 0;
};

// The port in force: this system's, unless a test installed another.
DrivePort& Drives();
// Installs another port (or the default, with null); returns the previous.
DrivePort* SetDrivePort(DrivePort* port);
// This system's own port; null where the build has none.
DrivePort* DefaultDrivePort();

// Whether a command asks for something no system can carry: no CDB or one
// over 16 bytes, a sense room over 32, data without a buffer or a direction.
// Each port refuses such a command before it reaches the system.
bool MalformedCommand(const DriveCommand& command);
