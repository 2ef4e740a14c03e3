// The real device list over the real Setup API, under Wine in its default
// (NT family) mode.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "device/device_list.h"
#include "windows_seam.h"

namespace {

// How many drive letters Wine maps to a CD-ROM.
int OpticalDriveLetters() {
  int count = 0;
  DWORD drives = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) continue;
    std::string root = std::string(1, letter) + ":\\";
    if (GetDriveTypeA(root.c_str()) == DRIVE_CDROM) ++count;
  }
  return count;
}

TEST(PassThroughOnWine, EnumerateOverTheRealSetupApi) {
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(GetVersionExA(&version));
  ASSERT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), version.dwPlatformId);

  WindowsSeamWithoutBoxes seam;
  DeviceList list;
  EXPECT_FALSE(list.UsesAspi());
  EXPECT_EQ(nullptr, list.AspiLibrary());
  int found = list.Enumerate();
  EXPECT_EQ(found, list.GetCount());
  // Whatever was found was opened; a second scan closes and reopens it.
  for (int i = 0; i < found; ++i) EXPECT_NE(INVALID_HANDLE_VALUE, list.Device(i).m_hDevice);
  EXPECT_EQ(found, list.Enumerate());
  if (OpticalDriveLetters() == 0) {
    EXPECT_EQ(0, found);
    EXPECT_TRUE(list.ScanProblems().empty());
    EXPECT_TRUE(seam.messages.empty());
  }
}

}  // namespace
