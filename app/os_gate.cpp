#include "app/os_gate.h"

#include <cstring>

#include "platform/windows_api.h"

const char kUnsupportedSystemMessage[] =
    "Unsupported Operating System!!!\nWe only run on Windows 98 (or later) and Windows 2000 (or later)";

OsSupport EvaluateOsSupport() {
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
  Win().GetVersionExA(&version);  // on failure the record stays zero: platform 0
  OsSupport support;
  support.win98OrLater = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS &&
                         (version.dwMajorVersion > 4 || (version.dwMajorVersion == 4 && version.dwMinorVersion > 0));
  support.win2000OrLater = version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
  return support;
}
