#include <gtest/gtest.h>

#include <cstring>

#include "device/inquiry.h"
#include "tests/support/helpers.h"

using namespace testing_helpers;

namespace {

// A drive whose INQUIRY answer carries these raw vendor and product bytes.
driveemu::EmulatedUnit RawDrive(int target, const char (&vendor)[9], const char (&product)[17]) {
  driveemu::EmulatedUnit unit = Drive(0, target, "", "");
  std::vector<BYTE>& answer = unit.inquiry;
  std::memcpy(&answer[8], vendor, 8);
  std::memcpy(&answer[16], product, 16);
  return unit;
}

struct Names {
  std::string vendor, product;
  bool operator==(const Names& o) const { return vendor == o.vendor && product == o.product; }
};
std::ostream& operator<<(std::ostream& out, const Names& n) { return out << '[' << n.vendor << "][" << n.product << ']'; }

std::vector<Names> Discover(const std::vector<driveemu::EmulatedUnit>& units) {
  StandInPlatform os(Profile(units));
  DeviceList list;
  list.Enumerate();
  std::vector<Names> names;
  for (int i = 0; i < list.GetCount(); ++i) {
    CString vendor, product;
    list.GetDeviceNames(i, vendor, product);
    names.push_back({vendor.GetString(), product.GetString()});
  }
  return names;
}

TEST(IdentifyTest, NamesAreTrimmedOfTrailingBlanksOnly) {
  std::vector<Names> names = Discover({
      RawDrive(0, "ABC     ", "DRIVE X         "),
      RawDrive(1, "  ABC   ", "P               "),
      RawDrive(2, "AB\0DEFGH", "PRODUCT\0 XYZ    "),
      RawDrive(3, "ABC\t\t\t\t\t", "\x01ODD\x7F           "),
      RawDrive(4, "VENDOR  ", "                "),
      RawDrive(5, "EIGHTCHR", "SIXTEEN CHARS 16"),  // every byte of both fields
  });
  ASSERT_EQ(6u, names.size());
  EXPECT_EQ((Names{"ABC", "DRIVE X"}), names[0]);
  EXPECT_EQ((Names{"  ABC", "P"}), names[1]);
  EXPECT_EQ((Names{"AB", "PRODUCT"}), names[2]);
  EXPECT_EQ((Names{"ABC\t\t\t\t\t", "\x01ODD\x7F"}), names[3]);
  EXPECT_EQ((Names{"VENDOR", ""}), names[4]);
  EXPECT_EQ((Names{"EIGHTCHR", "SIXTEEN CHARS 16"}), names[5]);
}

TEST(IdentifyTest, FallBackNamesCarryTheIndexInTheWholeList) {
  driveemu::EmulatedUnit silent = Drive(0, 2, "X", "Y");
  silent.replies[0x12] = TransportFailure();
  driveemu::EmulatedUnit checking = Drive(0, 3, "X", "Y");
  checking.replies[0x12] = CheckCondition(0x02, 0x04, 0x01);
  std::vector<Names> names = Discover({Drive(0, 0, "ABC", "ONE"), RawDrive(1, "        ", "VALID PRODUCT   "),
                                       silent, checking, RawDrive(4, "\0BC     ", "P               ")});
  ASSERT_EQ(5u, names.size());
  EXPECT_EQ((Names{"ABC", "ONE"}), names[0]);
  EXPECT_EQ((Names{"GENERIC", "CD-ROM1"}), names[1]);
  EXPECT_EQ((Names{"GENERIC", "CD-ROM2"}), names[2]);
  EXPECT_EQ((Names{"GENERIC", "CD-ROM3"}), names[3]);
  EXPECT_EQ((Names{"GENERIC", "CD-ROM4"}), names[4]);
}

TEST(IdentifyTest, TheOutcomeIsTheInquirysAndAFailureKeepsNamesAlreadyThere) {
  driveemu::EmulatedUnit checking = Drive(0, 1, "X", "Y");
  checking.replies[0x12] = CheckCondition(0x05, 0x24, 0x00);
  driveemu::EmulatedUnit silent = Drive(0, 2, "X", "Y");
  silent.replies[0x12] = TransportFailure();
  StandInPlatform os(Profile({Drive(0, 0, "ABC", "ONE"), checking, silent}));
  DeviceList list;
  list.Enumerate();
  ASSERT_EQ(3u, os.passThroughRequests.size());

  // Identify again by hand on fresh records: the outcome passes straight through.
  CdDevice fresh;
  EXPECT_EQ(CommandOutcome::kGood, list.IdentifyDevice(0, &fresh).kind());
  EXPECT_STREQ("ABC", fresh.m_strVendor);
  CdDevice checked;
  CommandOutcome outcome = list.IdentifyDevice(1, &checked);
  EXPECT_EQ(CommandOutcome::kCheckCondition, outcome.kind());
  EXPECT_EQ(0x24, outcome.sense[12]);
  EXPECT_STREQ("GENERIC", checked.m_strVendor);
  EXPECT_STREQ("CD-ROM1", checked.m_strProduct);
  CdDevice failed;
  EXPECT_EQ(CommandOutcome::kNotCarried, list.IdentifyDevice(2, &failed).kind());
  EXPECT_STREQ("CD-ROM2", failed.m_strProduct);
  // A failed command keeps names the record already had.
  CdDevice named;
  named.m_strVendor = "KEEP";
  named.m_strProduct = "ME";
  EXPECT_EQ(CommandOutcome::kNotCarried, list.IdentifyDevice(2, &named).kind());
  EXPECT_STREQ("KEEP", named.m_strVendor);
  EXPECT_STREQ("ME", named.m_strProduct);
}

TEST(IdentifyTest, InquiryTextStopsAtZeroAndKeepsLeadingBlanks) {
  StandInPlatform os;
  const BYTE field[8] = {' ', 'A', ' ', 'B', ' ', ' ', 0, 'Z'};
  EXPECT_STREQ(" A B", InquiryText(field, 8));
  EXPECT_STREQ(" A", InquiryText(field, 3));
}

}  // namespace
