#include <gtest/gtest.h>

#include "app/os_gate.h"
#include "tests/support/standin.h"

namespace {

TEST(OsGateTest, RunsOnWindows98AndMeAndOnWindows2000AndLater) {
  struct Case {
    DWORD platform, major, minor;
    bool win98, win2000;
  } cases[] = {
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, false, false},   // Windows 95
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, false},   // Windows 98
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90, true, false},   // Windows Me
      {VER_PLATFORM_WIN32_WINDOWS, 5, 0, true, false},
      {VER_PLATFORM_WIN32_NT, 4, 0, false, false},        // NT 4.0
      {VER_PLATFORM_WIN32_NT, 5, 0, false, true},         // 2000
      {VER_PLATFORM_WIN32_NT, 5, 1, false, true},         // XP
      {VER_PLATFORM_WIN32_NT, 10, 0, false, true},
      {VER_PLATFORM_WIN32s, 3, 11, false, false},
  };
  for (const Case& c : cases) {
    StandInPlatform os;
    os.version.dwPlatformId = c.platform;
    os.version.dwMajorVersion = c.major;
    os.version.dwMinorVersion = c.minor;
    OsSupport support = EvaluateOsSupport();
    EXPECT_EQ(c.win98, support.win98OrLater != FALSE) << c.platform << " " << c.major << "." << c.minor;
    EXPECT_EQ(c.win2000, support.win2000OrLater != FALSE) << c.platform << " " << c.major << "." << c.minor;
  }
}

TEST(OsGateTest, AFailedVersionQuerySupportsNothing) {
  StandInPlatform os;
  os.versionCallFails = true;
  OsSupport support = EvaluateOsSupport();
  EXPECT_FALSE(support.win98OrLater);
  EXPECT_FALSE(support.win2000OrLater);
}

}  // namespace
