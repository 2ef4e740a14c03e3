#include <gtest/gtest.h>

#include "helpers.h"
#include "interrogation/capabilities.h"

using namespace testing_helpers;

namespace {

const char* const kLabels[kCapabilityRowCount] = {
    "Can read CD-R discs",
    "Can read CD-RW discs",
    "Can read DVD-ROM discs",
    "Can read DVD-R discs",
    "Can read DVD-RAM discs",
    "Can write CD-R discs",
    "Can write CD-RW discs",
    "Can write DVD-R discs",
    "Can write DVD-RAM discs",
    "Can handle Method 2 addressing",
    "Can play audio CDs",
    "Can read Red Book audio using Read CD command",
    "Can read Red Book audio stream accurate",
    "Can prevent ejection of media",
    "Can eject media using Start/Stop Unit command",
    "Can read multisession discs or Photo-CD discs",
    "Can read sectors in Mode 2 Form 1 (XA) format",
    "Can read sectors in Mode 2 Form 2 format",
    "Can read R-W subcode in the Lead-in (e.g. CD Text)",
    "Can return ISRC value",
    "Can return media catalog number (UPC)",
    "Can independently control each channel volume level",
    "Can independently control each channel mute function",
    "Device currently in prevent (locked) state",
};

// Page byte and bit of each row, written out independently of the table.
const int kWhere[kCapabilityRowCount][2] = {{2, 0}, {2, 1}, {2, 3}, {2, 4}, {2, 5}, {3, 0}, {3, 1}, {3, 4},
                                            {3, 5}, {2, 2}, {4, 0}, {5, 0}, {5, 1}, {6, 0}, {6, 3}, {4, 6},
                                            {4, 4}, {4, 5}, {7, 5}, {5, 5}, {5, 6}, {7, 0}, {7, 1}, {6, 1}};

class CapabilitiesTest : public ::testing::Test {
 protected:
  void SetUpDrives(std::vector<driveemu::EmulatedUnit> units, bool aspi) {
    devices.reset();  // the old list goes while its seam is still there
    os.reset();
    os.reset(new StandInPlatform(Profile(units)));
    if (aspi) UseWindows98(*os);
    devices.reset(new DeviceList);
    devices->Enumerate();
  }
  void SetUpPage(std::vector<BYTE> page, bool aspi = false) { SetUpDrives({Drive(0, 0, "ABC", "X", page)}, aspi); }

  std::vector<std::string> YesRows() const {
    std::vector<std::string> yes;
    for (const RecordingList::Row& row : list.rows)
      if (row.result == "YES") yes.push_back(row.label);
    return yes;
  }

  std::unique_ptr<StandInPlatform> os;
  std::unique_ptr<DeviceList> devices;
  RecordingList list;
};

TEST_F(CapabilitiesTest, EverySingleBitLightsExactlyItsOwnRow) {
  for (int row = 0; row < kCapabilityRowCount; ++row) {
    std::vector<BYTE> page(6, 0);
    page[static_cast<size_t>(kWhere[row][0] - 2)] = static_cast<BYTE>(1 << kWhere[row][1]);
    SetUpPage(page);
    ShowCapabilities(list, *devices, 0);
    ASSERT_EQ(24u, list.rows.size());
    EXPECT_EQ(std::vector<std::string>{kLabels[row]}, YesRows()) << "row " << row + 1;
  }
}

TEST_F(CapabilitiesTest, AllBitsSetAndClearInTheFixedOrder) {
  SetUpPage({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  ShowCapabilities(list, *devices, 0);
  EXPECT_EQ(std::vector<std::string>(kLabels, kLabels + 24), list.Labels());
  EXPECT_EQ(std::vector<std::string>(24, "YES"), list.Results());

  SetUpPage({0, 0, 0, 0, 0, 0}, true);
  ShowCapabilities(list, *devices, 0);
  EXPECT_EQ(std::vector<std::string>(kLabels, kLabels + 24), list.Labels());
  EXPECT_EQ(std::vector<std::string>(24, "NO"), list.Results());
  EXPECT_EQ(static_cast<UINT>(LVIF_TEXT), list.lastMask);
}

TEST_F(CapabilitiesTest, Method2AndLockStateStandApartFromTheirBytes) {
  SetUpPage({0x04, 0, 0, 0, 0x02, 0});
  ShowCapabilities(list, *devices, 0);
  EXPECT_EQ((std::vector<std::string>{"Can handle Method 2 addressing", "Device currently in prevent (locked) state"}),
            YesRows());
  EXPECT_EQ("Can handle Method 2 addressing", list.rows[9].label);
  EXPECT_EQ("NO", list.rows[13].result);
  EXPECT_EQ("NO", list.rows[14].result);
  EXPECT_EQ("YES", list.rows[23].result);
}

TEST_F(CapabilitiesTest, RowsComeFromAnswerBytesTenToFifteenWhateverTheHeaderSays) {
  driveemu::EmulatedUnit unit = Drive(0, 0, "ABC", "X");
  // A short answer with a nonsense header and page code: only bytes 10-15 count.
  unit.replies[0x5A].data = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0D, 0x00, 0x01, 0x00};
  SetUpDrives({unit}, false);
  ShowCapabilities(list, *devices, 0);
  ASSERT_EQ(24u, list.rows.size());
  EXPECT_EQ(std::vector<std::string>{"Can read CD-R discs"}, YesRows());
}

TEST_F(CapabilitiesTest, CheckConditionGivesTheFailureLineAndTheSenseLine) {
  struct Case {
    BYTE senseByte2, asc, ascq;
    std::string second;
  } cases[] = {
      {0x05, 0x24, 0x00, "Command not supported by device."},
      {0x25, 0x24, 0x00, "Command not supported by device."},  // ILI set, key 5
      {0x02, 0x3A, 0x00, "Sense Data = 02 3A 00"},
      {0x86, 0x28, 0x01, "Sense Data = 06 28 01"},  // FILEMARK masked off
  };
  for (bool aspi : {false, true}) {
    for (const Case& c : cases) {
      driveemu::EmulatedUnit unit = Drive(0, 0, "ABC", "X");
      unit.replies[0x5A] = CheckCondition(c.senseByte2, c.asc, c.ascq);
      SetUpDrives({unit}, aspi);
      ShowCapabilities(list, *devices, 0);
      EXPECT_EQ((std::vector<std::string>{"Mode Sense Command Failure", c.second}), list.Labels());
      EXPECT_FALSE(list.rows[0].hasResult);
      EXPECT_FALSE(list.rows[1].hasResult);
    }
  }
}

TEST_F(CapabilitiesTest, OtherStatusesAndTransportFailuresGiveOneLine) {
  driveemu::EmulatedUnit busy = Drive(0, 0, "A", "BUSY");
  busy.replies[0x5A] = ErrorStatus(0x08);
  driveemu::EmulatedUnit broken = Drive(0, 1, "B", "BROKEN");
  broken.replies[0x5A] = TransportFailure();
  for (bool aspi : {false, true}) {
    SetUpDrives({busy, broken}, aspi);
    for (LPARAM index : {0, 1}) {
      ShowCapabilities(list, *devices, index);
      EXPECT_EQ(std::vector<std::string>{"Mode Sense Command Failure"}, list.Labels()) << index;
    }
  }
}

TEST_F(CapabilitiesTest, RootItemEmptiesTheListAndSendsNothing) {
  SetUpPage({0xFF, 0, 0, 0, 0, 0});
  ShowCapabilities(list, *devices, 0);
  ASSERT_EQ(24u, list.rows.size());
  os->calls.clear();
  ShowCapabilities(list, *devices, -1);
  EXPECT_TRUE(list.rows.empty());
  EXPECT_EQ(2, list.deleteAllCalls);
  EXPECT_EQ(0, os->CountCalls("DeviceIoControl"));
}

TEST_F(CapabilitiesTest, AnIndexBeyondTheListIsAFailureLine) {
  SetUpPage({0xFF, 0, 0, 0, 0, 0});
  ShowCapabilities(list, *devices, 1);
  EXPECT_EQ(std::vector<std::string>{"Mode Sense Command Failure"}, list.Labels());
}

TEST_F(CapabilitiesTest, ANegativeIndexOtherThanTheRootIsRefusedBeforeAnythingIsSent) {
  SetUpPage({0xFF, 0, 0, 0, 0, 0});
  os->calls.clear();
  EXPECT_THROW(ShowCapabilities(list, *devices, -2), CInvalidArgException);
  EXPECT_TRUE(list.rows.empty());
  EXPECT_EQ(0, os->CountCalls("DeviceIoControl"));
}

TEST_F(CapabilitiesTest, SelectingAnotherDriveReplacesTheReportAndQueriesAgain) {
  SetUpDrives({Drive(0, 0, "A", "ONE", {0x01, 0, 0, 0, 0, 0}), Drive(0, 1, "B", "TWO", {0, 0x01, 0, 0, 0, 0})},
              false);
  os->calls.clear();
  ShowCapabilities(list, *devices, 0);
  ShowCapabilities(list, *devices, 1);
  EXPECT_EQ(std::vector<std::string>{"Can write CD-R discs"}, YesRows());
  ShowCapabilities(list, *devices, 1);
  EXPECT_EQ(24u, list.rows.size());
  EXPECT_EQ(3, os->CountCalls("DeviceIoControl"));
}

TEST_F(CapabilitiesTest, ARowWhoseInsertionFailsKeepsNoResultAndTheRestFollow) {
  RecordingList failing;
  failing.failInsertAt = 2;
  AppendResultRow(failing, "first", 1);
  AppendResultRow(failing, "second", 0);
  EXPECT_EQ(-1, failing.InsertItem(LVIF_TEXT, 2, "third", 0, 0, 0, 0));
  failing.failInsertAt = -1;
  AppendResultRow(failing, "fourth", 1);
  EXPECT_EQ((std::vector<std::string>{"YES", "NO", "YES"}), failing.Results());
}

}  // namespace
