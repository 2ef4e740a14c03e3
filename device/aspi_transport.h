// The transport of the Windows 95/98 family: the ASPI library WNASPI32,
// loaded at run time. Its start-up gives back what it loaded and what went
// wrong; its scan hands each drive to a sink; it calls nothing of the list.
#pragma once

#include <vector>

#include "device/discovery.h"
#include "platform/windows_api.h"

// How long an ASPI command may run before it is aborted, in milliseconds.
const DWORD kAspiWaitMilliseconds = 30000;

// What ASPI's start-up came to. The library, once loaded, is the caller's
// to free, whatever else went wrong.
struct AspiStart {
  HMODULE library = nullptr;
  PFN_GetASPI32SupportInfo getSupportInfo = nullptr;
  PFN_SendASPI32Command sendCommand = nullptr;
  int adapterCount = 0;  // stays 0 unless the library started cleanly
  std::vector<DeviceProblem> problems;
};

// Loads the library and asks it for its host adapters.
AspiStart StartAspi();
// Asks every target of every adapter for its device type; each CD/DVD unit
// at logical unit 0 goes to the sink, adapter by adapter, by ascending target.
void ScanAspiBus(PFN_SendASPI32Command send, int adapterCount, DiscoverySink& sink);
// What the library's host adapter inquiry (SC_HA_INQUIRY) tells of an
// adapter; nothing when it refuses or the library is not there.
DriveConnection AspiConnection(PFN_SendASPI32Command send, BYTE hostAdapter);
// Carries one command to the unit at an address and waits for its end,
// aborting it after kAspiWaitMilliseconds.
CommandOutcome ExecuteAspi(PFN_SendASPI32Command send, BYTE hostAdapter, BYTE targetId, const DriveCommand& command);
