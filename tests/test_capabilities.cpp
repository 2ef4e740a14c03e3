// The capabilities query against emulated drives that honour the command:
// the rows, the failure lines, and the bytes behind them.
#include <gtest/gtest.h>

#include <cstring>

#include "interrogation/capabilities.h"
#include "tests/support/helpers.h"

using namespace testing_helpers;

namespace {

// The rows as MMC has them (tests/data/capability-rows.tsv), written apart
// from the program's table.
const std::vector<ReferenceRow>& Reference() {
  static const std::vector<ReferenceRow> rows = ReferenceRows();
  return rows;
}

std::vector<std::string> ReferenceLabels() {
  std::vector<std::string> labels;
  for (const ReferenceRow& row : Reference()) labels.push_back(row.label);
  return labels;
}

std::vector<std::string> Labels(const CapabilitiesResult& result) {
  std::vector<std::string> labels;
  for (const CapabilityValue& row : result.rows) labels.push_back(row.label);
  return labels;
}

std::vector<std::string> Results(const CapabilitiesResult& result) {
  std::vector<std::string> results;
  for (const CapabilityValue& row : result.rows) results.push_back(row.Text());
  return results;
}

std::vector<std::string> YesRows(const CapabilitiesResult& result) {
  std::vector<std::string> yes;
  for (const CapabilityValue& row : result.rows)
    if (row.yes) yes.push_back(row.label);
  return yes;
}

std::vector<std::string> Failure(const CapabilitiesResult& result) {
  std::vector<std::string> lines;
  for (const CString& line : result.failure) lines.push_back(line.GetString());
  return lines;
}

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

  std::unique_ptr<StandInPlatform> os;
  std::unique_ptr<DeviceList> devices;
};

TEST_F(CapabilitiesTest, EverySingleBitLightsExactlyItsOwnRow) {
  ASSERT_EQ(static_cast<size_t>(kCapabilityRowCount), Reference().size());
  for (const ReferenceRow& row : Reference()) {
    std::vector<BYTE> page(6, 0);
    page[static_cast<size_t>(row.pageByte - 2)] = static_cast<BYTE>(1 << row.bit);
    SetUpPage(page);
    CapabilitiesResult result = QueryCapabilities(*devices, 0);
    ASSERT_EQ(24u, result.rows.size());
    EXPECT_EQ(std::vector<std::string>{row.label}, YesRows(result)) << row.field;
    EXPECT_EQ(0, std::memcmp(page.data(), result.page, 6));
  }
}

TEST_F(CapabilitiesTest, AllBitsSetAndClearInTheFixedOrderOnBothTransports) {
  SetUpPage({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  CapabilitiesResult all = QueryCapabilities(*devices, 0);
  EXPECT_TRUE(all.Answered());
  EXPECT_EQ(ReferenceLabels(), Labels(all));
  EXPECT_EQ(std::vector<std::string>(24, "YES"), Results(all));
  EXPECT_TRUE(all.failure.empty());

  SetUpPage({0, 0, 0, 0, 0, 0}, true);
  CapabilitiesResult none = QueryCapabilities(*devices, 0);
  EXPECT_EQ(ReferenceLabels(), Labels(none));
  EXPECT_EQ(std::vector<std::string>(24, "NO"), Results(none));
}

TEST_F(CapabilitiesTest, Method2AndLockStateStandApartFromTheirBytes) {
  SetUpPage({0x04, 0, 0, 0, 0x02, 0});
  CapabilitiesResult result = QueryCapabilities(*devices, 0);
  EXPECT_EQ((std::vector<std::string>{"Can handle Method 2 addressing", "Device currently in prevent (locked) state"}),
            YesRows(result));
  EXPECT_STREQ("Can handle Method 2 addressing", result.rows[9].label);
  EXPECT_FALSE(result.rows[13].yes);
  EXPECT_FALSE(result.rows[14].yes);
  EXPECT_TRUE(result.rows[23].yes);
}

TEST_F(CapabilitiesTest, RowsComeFromAnswerBytesTenToFifteenWhateverTheHeaderSays) {
  driveemu::EmulatedUnit unit = Drive(0, 0, "ABC", "X");
  // A short answer with a nonsense header and page code: only bytes 10-15
  // count, and the bytes that never came read as 0.
  unit.replies[0x5A].data = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0D, 0x00, 0x01, 0x00};
  SetUpDrives({unit}, false);
  CapabilitiesResult result = QueryCapabilities(*devices, 0);
  ASSERT_EQ(24u, result.rows.size());
  EXPECT_EQ(std::vector<std::string>{"Can read CD-R discs"}, YesRows(result));
}

// The report's notes on the rows: a page code other than 2Ah, or a header
// that declares block descriptors, each alone and both; the rows stay as
// the window reads them.
TEST(CapabilityRowNotesTest, AnotherPageCodeOrBlockDescriptorsAreNoted) {
  const char* const kOtherPage = "the page code is 0Dh, not 2Ah: the rows may not describe the capabilities page";
  const char* const kDescriptors =
      "the header declares 8 bytes of block descriptors: the rows, read from bytes 10-15, may not describe the "
      "capabilities page";
  const struct {
    const char* what;
    std::vector<BYTE> answer;
    std::vector<std::string> notes;
    std::size_t received;  // 0: the whole answer
  } cases[] = {
      {"the capabilities page", {0, 0x1C, 0, 0, 0, 0, 0, 0, 0x2A, 0x14, 0x3B}, {}, 0},
      {"PS set, page 2Ah", {0, 0x1C, 0, 0, 0, 0, 0, 0, 0xAA, 0x14, 0x3B}, {}, 0},
      {"subpage format bit set: 6Ah", {0, 0x1C, 0, 0, 0, 0, 0, 0, 0x6A, 0x14, 0x3B}, {}, 0},
      {"another page", {0, 0x1C, 0, 0, 0, 0, 0, 0, 0x0D, 0x06, 0x3B}, {kOtherPage}, 0},
      {"one block descriptor", {0, 0x24, 0, 0, 0, 0, 0, 8, 0x2A, 0x14, 0x3B}, {kDescriptors}, 0},
      {"a length in byte 6", {0, 0x24, 0, 0, 0, 0, 1, 0, 0x2A, 0x14, 0x3B},
       {"the header declares 256 bytes of block descriptors: the rows, read from bytes 10-15, may not describe the "
        "capabilities page"}, 0},
      {"both", {0, 0x24, 0, 0, 0, 0, 0, 8, 0x0D, 0x14, 0x3B}, {kDescriptors, kOtherPage}, 0},
      // The bytes after those that came hold another page and more block
      // descriptors, which are not read.
      {"no page code came", {0, 0x24, 0, 0, 0, 0, 0, 0, 0x0D}, {}, 8},
      {"block descriptors, no page code", {0, 0x24, 0, 0, 0, 0, 0, 8, 0x0D}, {kDescriptors}, 8},
      {"no whole header came", {0, 0x24, 0, 0, 0, 0, 0, 8, 0x0D}, {}, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.notes, CapabilityRowNotes(c.answer.data(), c.received != 0 ? c.received : c.answer.size()));
  }
}

TEST_F(CapabilitiesTest, CheckConditionGivesTheFailureLineAndTheSenseLineWithItsBytes) {
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
      CapabilitiesResult result = QueryCapabilities(*devices, 0);
      EXPECT_FALSE(result.Answered());
      EXPECT_EQ((std::vector<std::string>{"Mode Sense Command Failure", c.second}), Failure(result));
      EXPECT_TRUE(result.rows.empty());
      EXPECT_EQ(std::vector<BYTE>(6, 0), std::vector<BYTE>(result.page, result.page + 6));
      EXPECT_EQ(CommandOutcome::kCheckCondition, result.outcome.kind());
      EXPECT_EQ(2, result.outcome.status);
      // 14 bytes either way: ASPI's fixed area, or the room the request gives.
      ASSERT_EQ(14, result.outcome.senseLength) << aspi;
      EXPECT_EQ(0x70, result.outcome.sense[0]);
      EXPECT_EQ(c.senseByte2, result.outcome.sense[2]);
      EXPECT_EQ(c.ascq, result.outcome.sense[13]);
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
    CapabilitiesResult busyResult = QueryCapabilities(*devices, 0);
    EXPECT_EQ(std::vector<std::string>{"Mode Sense Command Failure"}, Failure(busyResult));
    EXPECT_EQ(CommandOutcome::kOtherStatus, busyResult.outcome.kind()) << aspi;
    EXPECT_EQ(8, busyResult.outcome.status);
    EXPECT_EQ(0, busyResult.outcome.senseLength);
    CapabilitiesResult brokenResult = QueryCapabilities(*devices, 1);
    EXPECT_EQ(std::vector<std::string>{"Mode Sense Command Failure"}, Failure(brokenResult));
    EXPECT_EQ(CommandOutcome::kNotCarried, brokenResult.outcome.kind()) << aspi;
  }
}

TEST_F(CapabilitiesTest, AnIndexBeyondTheListIsAFailureLineAndANegativeOneSendsNothing) {
  SetUpPage({0xFF, 0, 0, 0, 0, 0});
  os->calls.clear();
  EXPECT_EQ(std::vector<std::string>{"Mode Sense Command Failure"}, Failure(QueryCapabilities(*devices, 1)));
  EXPECT_THROW(QueryCapabilities(*devices, -2), CInvalidArgException);
  EXPECT_EQ(0, os->CountCalls("DeviceIoControl"));
}

TEST_F(CapabilitiesTest, EveryQueryAsksTheDriveAnew) {
  SetUpDrives({Drive(0, 0, "A", "ONE", {0x01, 0, 0, 0, 0, 0}), Drive(0, 1, "B", "TWO", {0, 0x01, 0, 0, 0, 0})},
              false);
  os->calls.clear();
  EXPECT_EQ(std::vector<std::string>{"Can read CD-R discs"}, YesRows(QueryCapabilities(*devices, 0)));
  EXPECT_EQ(std::vector<std::string>{"Can write CD-R discs"}, YesRows(QueryCapabilities(*devices, 1)));
  QueryCapabilities(*devices, 1);
  EXPECT_EQ(3, os->CountCalls("DeviceIoControl"));
}

// What QEMU 7.2's two CD emulations answered (tests/data/qemu-7.2.profile).
TEST_F(CapabilitiesTest, QemuDrivesAreNamedAndGiveTheirRowsOnBothTransports) {
  std::string error;
  driveemu::DriveProfile qemu = ProfileFile(std::string(QUILLANOR_SOURCE_DIR) + "/tests/data/qemu-7.2.profile", &error);
  ASSERT_EQ("", error);
  ASSERT_EQ(2u, qemu.units.size());
  const char* y = "YES";
  const char* n = "NO";
  // Reads CD-R/RW and DVD-ROM/R/RAM, writes nothing, plays audio, reads
  // Mode 2 and multisession discs, ISRC and UPC, locks and ejects; the
  // SCSI one also reads CD-DA, accurately.
  const std::vector<std::string> ideRows = {y, y, y, y, y, n, n, n, n, n, y, n, n, y, y, y, y, y, n, y, y, n, n, n};
  std::vector<std::string> scsiRows = ideRows;
  scsiRows[11] = scsiRows[12] = y;

  for (bool aspi : {false, true}) {
    SetUpDrives(qemu.units, aspi);
    ASSERT_EQ(2, devices->GetCount());
    CString vendor, product;
    devices->GetDeviceNames(0, vendor, product);
    EXPECT_STREQ("QEMU", vendor);
    EXPECT_STREQ("QEMU DVD-ROM", product);
    devices->GetDeviceNames(1, vendor, product);
    EXPECT_STREQ("QEMU CD-ROM", product);

    CapabilitiesResult ide = QueryCapabilities(*devices, 0);
    EXPECT_EQ(ideRows, Results(ide)) << aspi;
    EXPECT_EQ((std::vector<BYTE>{0x3B, 0x00, 0x71, 0x60, 0x29, 0x00}), std::vector<BYTE>(ide.page, ide.page + 6));
    EXPECT_EQ(scsiRows, Results(QueryCapabilities(*devices, 1))) << aspi;
  }
}

}  // namespace
