// What the transports' scans hand to the device list: each drive they find
// and each problem on the way, through a sink the list gives them. They
// call nothing else of the list.
#pragma once

#include <string>

#include "framework/cstring.h"
#include "platform/drive_port.h"

// Something that kept discovery from reaching the drives. The list only
// reports it; whoever shows the list decides how to tell the user.
struct DeviceProblem {
  enum Kind {
    kAspiNotLoaded,     // the ASPI library could not be loaded
    kAspiStartFailed,   // the library's start-up value was not one we accept
    kAccessDenied       // a drive could not be opened for want of rights; the scan stopped
  };
  Kind kind;
  CString text;        // the message for the user, in the window's own words
  std::string advice;  // what the system adds about the refusal (which node, who may open it); often empty
};

// A drive a scan found, by what reaches it: an open drive of the port, or
// an ASPI address.
struct FoundDrive {
  DriveHandle handle = kNoDrive;  // the port's open drive, which the list then owns
  std::string path;               // what the port opened it by
  BYTE hostAdapter = 255;         // ASPI
  BYTE targetId = 255;
};

class DiscoverySink {
 public:
  // The list appends the drive and names it before this returns.
  virtual void Found(const FoundDrive& drive) = 0;
  virtual void Problem(const DeviceProblem& problem) = 0;

 protected:
  ~DiscoverySink() {}
};
