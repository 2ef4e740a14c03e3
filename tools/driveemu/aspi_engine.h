// ASPI for Win32, answered from a DriveProfile. The emulated WNASPI32.dll and
// the test stand-in both drive one of these; what differs between them (how
// an event is signalled, how later completion happens) is the AspiHost.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "tools/driveemu/drive_model.h"
#include "tools/driveemu/lock.h"

namespace driveemu {

class AspiHost {
 public:
  virtual ~AspiHost() {}
  // Signals the event of a finished request block.
  virtual void SignalEvent(void* event) = 0;
  // Runs work later: after the delay from another thread, or when someone
  // waits for the event.
  virtual void Defer(void* event, DWORD milliseconds, std::function<void()> work) = 0;
  // One line per command received.
  virtual void Log(const std::string& line) = 0;
};

class AspiEngine {
 public:
  AspiEngine(const DriveProfile& profile, AspiHost& host) : m_profile(profile), m_host(host) {}

  DWORD GetSupportInfo();
  DWORD SendCommand(void* srb);

  const DriveProfile& Profile() const { return m_profile; }

 private:
  DWORD AdapterInquiry(void* srb);
  DWORD GetDeviceType(void* srb);
  DWORD ExecScsi(void* srb);
  DWORD Abort(void* srb);
  // Fills in the outcome of an execute block; returns its SRB_Status.
  BYTE Complete(void* srb);

  DriveProfile m_profile;
  AspiHost& m_host;
  Lock m_lock;
  std::set<void*> m_pending;
};

}  // namespace driveemu
