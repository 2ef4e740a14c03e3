// The transport of every system but the Windows 95/98 family: the system's
// drive port (platform/drive_port.h), which lists the drives, opens each
// and carries every command. The scan hands each drive it opens to a sink;
// it calls nothing of the list.
#pragma once

#include "device/discovery.h"

// Opens every drive the port lists, in its order, and hands each opened
// one to the sink; a drive refused for want of rights is told to the sink
// and ends the scan; any other failure passes over that drive.
void ScanDrivePort(DrivePort& port, DiscoverySink& sink);
