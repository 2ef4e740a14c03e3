// A build for a system without a seam of its own: tests install the stand-in.
#include "platform/drive_port.h"
#include "platform/windows_api.h"

WindowsApi* DefaultWindowsApi() { return nullptr; }
DrivePort* DefaultDrivePort() { return nullptr; }
