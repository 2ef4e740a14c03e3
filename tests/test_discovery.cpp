#include <gtest/gtest.h>

#include "tests/support/helpers.h"

using namespace testing_helpers;

namespace {

std::vector<std::string> Texts(const std::vector<DeviceProblem>& problems) {
  std::vector<std::string> texts;
  for (const DeviceProblem& problem : problems) texts.push_back(problem.text.GetString());
  return texts;
}

std::vector<std::string> Vendors(const DeviceList& list) {
  std::vector<std::string> vendors;
  for (int i = 0; i < list.GetCount(); ++i) {
    CString vendor, product;
    list.GetDeviceNames(i, vendor, product);
    vendors.push_back(vendor.GetString());
  }
  return vendors;
}

TEST(DiscoveryTest, TransportIsChosenByPlatformFamily) {
  StandInPlatform nt;
  DeviceList ntList;
  EXPECT_FALSE(ntList.UsesAspi());
  EXPECT_EQ(0, nt.CountCalls("LoadLibraryA"));

  StandInPlatform win98;
  UseWindows98(win98);
  DeviceList aspiList;
  EXPECT_TRUE(aspiList.UsesAspi());
  EXPECT_EQ(1, win98.CountCalls("LoadLibraryA"));
  // The error mode is set around the load and put back.
  std::vector<std::string> modes;
  for (const StandInPlatform::Call& call : win98.calls)
    if (call.name == "SetErrorMode") modes.push_back(call.detail);
  EXPECT_EQ((std::vector<std::string>{"8000", "0"}), modes);

  StandInPlatform failed;
  failed.versionCallFails = true;
  DeviceList failedList;
  EXPECT_FALSE(failedList.UsesAspi());
}

TEST(DiscoveryTest, AspiStartUpValues) {
  struct Case {
    DWORD support;
    int adapters;
    std::vector<std::string> problems;
  } cases[] = {
      {0x00000102, 2, {}},
      {0x0000E800, 0, {}},
      {0x0000E400, 0, {"Unexpected ASPI Failure - 0000E400h"}},
      {0x12340401, 0, {"Unexpected ASPI Failure - 12340401h"}},
  };
  for (const Case& c : cases) {
    driveemu::DriveProfile profile = Profile({Drive(0, 0, "ABC", "ONE")});
    profile.supportInfoSet = true;
    profile.supportInfo = c.support;
    StandInPlatform os(profile);
    UseWindows98(os);
    {
      DeviceList list;
      EXPECT_EQ(c.adapters, list.AdapterCount()) << std::hex << c.support;
      EXPECT_EQ(c.problems, Texts(list.StartProblems()));
      for (const DeviceProblem& problem : list.StartProblems()) EXPECT_EQ(DeviceProblem::kAspiStartFailed, problem.kind);
      EXPECT_TRUE(os.messages.empty());  // reported, never shown from here
      int found = list.Enumerate();
      EXPECT_TRUE(list.ScanProblems().empty());
      EXPECT_EQ(16 * c.adapters, os.CountAspiLog("GDEV"));
      EXPECT_EQ(c.adapters > 0 ? 1 : 0, found);
    }
    // The library stays loaded whatever the start-up said, until the end.
    EXPECT_EQ(1, os.CountCalls("FreeLibrary"));
  }
}

TEST(DiscoveryTest, MissingLibraryOrEntryPoints) {
  {
    StandInPlatform os(Profile({Drive(0, 0, "ABC", "ONE")}));
    UseWindows98(os);
    os.aspiLibraryPresent = false;
    DeviceList list;
    EXPECT_EQ(std::vector<std::string>{"Unable to load ASPI!"}, Texts(list.StartProblems()));
    EXPECT_EQ(DeviceProblem::kAspiNotLoaded, list.StartProblems()[0].kind);
    EXPECT_TRUE(os.messages.empty());
    EXPECT_EQ(0, list.Enumerate());
    EXPECT_EQ(0, list.Enumerate());
    EXPECT_EQ(0, os.CountCalls("GetProcAddress"));
  }
  {
    driveemu::DriveProfile profile = Profile({Drive(0, 0, "ABC", "ONE")});
    profile.hasGetSupportInfo = false;
    StandInPlatform os(profile);
    UseWindows98(os);
    DeviceList list;
    EXPECT_EQ(0, list.AdapterCount());
    EXPECT_EQ(0, list.Enumerate());
    EXPECT_TRUE(list.StartProblems().empty());
  }
  {
    driveemu::DriveProfile profile = Profile({Drive(0, 0, "ABC", "ONE")});
    profile.hasSendCommand = false;
    StandInPlatform os(profile);
    UseWindows98(os);
    DeviceList list;
    EXPECT_EQ(1, list.AdapterCount());
    EXPECT_EQ(0, list.Enumerate());
  }
}

TEST(DiscoveryTest, AspiScanFindsCdDvdUnitsAtLunZeroInAdapterAndTargetOrder) {
  driveemu::EmulatedUnit disk = Drive(0, 0, "DISK", "HDD");
  disk.deviceType = 0;
  driveemu::EmulatedUnit atLun1 = Drive(0, 4, "LUN1", "CD");
  atLun1.lun = 1;
  StandInPlatform os(Profile({Drive(1, 2, "THIRD", "CD"), disk, Drive(0, 15, "SECOND", "CD"), atLun1,
                              Drive(0, 3, "FIRST", "CD")}));
  UseWindows98(os);
  DeviceList list;
  EXPECT_EQ(3, list.Enumerate());
  EXPECT_EQ((std::vector<std::string>{"FIRST", "SECOND", "THIRD"}), Vendors(list));
  EXPECT_EQ(0, list.Device(0).m_nHostAdapter);
  EXPECT_EQ(3, list.Device(0).m_nTargetId);
  EXPECT_EQ(1, list.Device(2).m_nHostAdapter);
  EXPECT_EQ(INVALID_HANDLE_VALUE, list.Device(2).m_hDevice);
  EXPECT_EQ(32, os.CountAspiLog("GDEV"));
  EXPECT_EQ(3, os.CountAspiLog("EXEC"));  // one INQUIRY per drive
  EXPECT_EQ(0, os.CountAspiLog("GDEV ha=0 target=4 lun=1"));
}

TEST(DiscoveryTest, InterfacesAreOpenedForReadAndWriteAndNamedInOrder) {
  StandInPlatform os(Profile({Drive(0, 0, "ONE", "A"), Drive(0, 1, "TWO", "B")}));
  DeviceList list;
  EXPECT_EQ(2, list.Enumerate());
  EXPECT_EQ((std::vector<std::string>{"ONE", "TWO"}), Vendors(list));
  EXPECT_EQ(1, os.CountCalls("SetupDiGetClassDevsA"));
  int opens = 0;
  for (const StandInPlatform::Call& call : os.calls) {
    if (call.name != "CreateFileA") continue;
    EXPECT_EQ(StandInPlatform::InterfacePath(static_cast<size_t>(opens)) +
                  " access=C0000000 share=3 disposition=3 flags=0",
              call.detail);
    ++opens;
  }
  EXPECT_EQ(2, opens);
  EXPECT_EQ(255, list.Device(1).m_nHostAdapter);
  EXPECT_EQ(1, os.CountCalls("SetupDiDestroyDeviceInfoList"));
}

TEST(DiscoveryTest, AccessDeniedEndsTheScanWithOneProblemPerScan) {
  driveemu::EmulatedUnit denied = Drive(0, 1, "TWO", "B");
  denied.openError = ERROR_ACCESS_DENIED;
  StandInPlatform os(Profile({Drive(0, 0, "ONE", "A"), denied, Drive(0, 2, "THREE", "C")}));
  DeviceList list;
  EXPECT_EQ(1, list.Enumerate());
  const std::vector<std::string> denial = {
      "Unable to access CD/DVD device.  Please make sure you have Administrator privileges."};
  EXPECT_EQ(denial, Texts(list.ScanProblems()));
  EXPECT_EQ(DeviceProblem::kAccessDenied, list.ScanProblems()[0].kind);
  EXPECT_EQ("", list.ScanProblems()[0].advice);  // this seam has nothing to add
  EXPECT_TRUE(list.StartProblems().empty());
  EXPECT_TRUE(os.messages.empty());
  EXPECT_EQ(2, os.CountCalls("CreateFileA"));
  EXPECT_EQ(1, os.CountCalls("SetupDiDestroyDeviceInfoList"));
  // Each scan reports its own problem once.
  EXPECT_EQ(1, list.Enumerate());
  EXPECT_EQ(denial, Texts(list.ScanProblems()));
}

TEST(DiscoveryTest, OtherOpenErrorsAndBadDetailSizesAreSkippedWithoutGaps) {
  driveemu::EmulatedUnit busy = Drive(0, 1, "TWO", "B");
  busy.openError = 32;  // sharing violation
  StandInPlatform os(
      Profile({Drive(0, 0, "ONE", "A"), busy, Drive(0, 2, "THREE", "C"), Drive(0, 3, "FOUR", "D")}));
  os.detailSizeOverride[3] = 4;  // smaller than the record's fixed part
  DeviceList list;
  EXPECT_EQ(2, list.Enumerate());
  EXPECT_EQ((std::vector<std::string>{"ONE", "THREE"}), Vendors(list));
  EXPECT_TRUE(list.ScanProblems().empty());
  EXPECT_EQ(3, os.CountCalls("CreateFileA"));
}

TEST(DiscoveryTest, NoInterfacesOrNoSetMeansNoDrivesAndNoProblem) {
  {
    StandInPlatform os;
    DeviceList list;
    EXPECT_EQ(0, list.Enumerate());
    EXPECT_TRUE(list.ScanProblems().empty());
  }
  {
    StandInPlatform os(Profile({Drive(0, 0, "ONE", "A")}));
    os.classDevsFail = true;
    DeviceList list;
    EXPECT_EQ(0, list.Enumerate());
    EXPECT_TRUE(list.ScanProblems().empty());
    EXPECT_EQ(0, os.CountCalls("SetupDiDestroyDeviceInfoList"));
  }
}

TEST(DiscoveryTest, EveryHandleIsClosedExactlyOnce) {
  StandInPlatform os(Profile({Drive(0, 0, "ONE", "A"), Drive(0, 1, "TWO", "B")}));
  {
    DeviceList list;
    list.Enumerate();
    HANDLE first = os.DriveHandle(0);
    HANDLE second = os.DriveHandle(1);
    EXPECT_EQ(2, list.Enumerate());  // closes the earlier handles, opens anew
    EXPECT_EQ(1, os.closeCounts[first]);
    EXPECT_EQ(1, os.closeCounts[second]);
    EXPECT_EQ((std::vector<std::string>{"ONE", "TWO"}), Vendors(list));
    list.Clear();
    list.Clear();
    EXPECT_EQ(0, list.GetCount());
  }
  for (const auto& entry : os.closeCounts) EXPECT_EQ(1, entry.second);
  EXPECT_EQ(0u, os.OpenHandleCount());
  EXPECT_EQ(0, os.CountCalls("FreeLibrary"));

  // ASPI drives hold no handle, so none is closed.
  StandInPlatform win98(Profile({Drive(0, 0, "ONE", "A")}));
  UseWindows98(win98);
  {
    DeviceList list;
    list.Enumerate();
    win98.closeCounts.clear();
  }
  EXPECT_TRUE(win98.closeCounts.empty());
  EXPECT_EQ(1, win98.CountCalls("FreeLibrary"));
}

TEST(DiscoveryTest, GetDeviceNamesLeavesTheStringsAloneOutsideTheList) {
  StandInPlatform os(Profile({Drive(0, 0, "ONE", "A")}));
  DeviceList list;
  list.Enumerate();
  CString vendor("keep"), product("these");
  list.GetDeviceNames(1, vendor, product);
  EXPECT_STREQ("keep", vendor);
  EXPECT_STREQ("these", product);
  EXPECT_THROW(list.GetDeviceNames(-1, vendor, product), CInvalidArgException);
}

}  // namespace
