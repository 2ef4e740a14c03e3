#include "platform/win_platform.h"

#include "platform/windows_drive_port.h"

WindowsApi* DefaultWindowsApi() {
  static SystemWindowsApi api;
  return &api;
}

DrivePort* DefaultDrivePort() {
  static WindowsDrivePort port;
  return &port;
}
