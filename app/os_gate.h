// Which systems the program runs on: the Windows 98 family after 4.0, and
// the NT family from Windows 2000 on.
#pragma once

#include "platform/wintypes.h"

struct OsSupport {
  BOOL win98OrLater;
  BOOL win2000OrLater;
};

// Asks the system for its version; a failed query supports nothing.
OsSupport EvaluateOsSupport();

extern const char kUnsupportedSystemMessage[];
