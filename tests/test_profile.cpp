// The emulated drives: the profile text, and answers that honour the
// command, so that a wrong CDB shows as wrong rows or a failure.
#include <gtest/gtest.h>

#include "tools/driveemu/drive_model.h"

namespace {

driveemu::ScsiOutcome Send(const driveemu::EmulatedUnit& unit, std::vector<BYTE> cdb, DWORD buffer = 256) {
  return driveemu::Respond(unit, cdb.data(), static_cast<int>(cdb.size()), buffer);
}

bool IsInvalidField(const driveemu::ScsiOutcome& outcome) {
  return outcome.status == 2 && outcome.sense.size() >= 14 && outcome.sense[2] == 0x05 && outcome.sense[12] == 0x24;
}

std::vector<BYTE> Slice(const std::vector<BYTE>& bytes, size_t from, size_t to) {
  return std::vector<BYTE>(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                           bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

TEST(ProfileTest, ReadsEveryKindOfLine) {
  const char* text =
      "# three drives\n"
      "support 00000102\n"
      "device 0 1 0\n"
      "  inquiry \"ABC\" \"DRIVE X\" \"1.00\"\n"
      "  capabilities 3F 37 71 63 2B 23   # page bytes 2-7\n"
      "  mode-page 0D 06 00 00 00 3C 00 4B\n"
      "  delay 20\n"
      "device 1 0 0 type 05\n"
      "  check 5A 02 3A 00\n"
      "  status 12 08\n"
      "device 1 2 0 type 00\n"
      "  fail 5A\n"
      "  open-error 5\n"
      "  reply-hex 43 00 02 01 01\n"
      "  reply-hex 43/4 00 02 00 00\n"
      "  check AD/0E 05 24 00\n";
  driveemu::DriveProfile profile;
  std::string error;
  ASSERT_TRUE(driveemu::ParseProfile(text, &profile, &error)) << error;
  EXPECT_EQ(0x102u, profile.SupportInfo());
  ASSERT_EQ(3u, profile.units.size());
  const driveemu::EmulatedUnit& a = profile.units[0];
  EXPECT_EQ(1, a.target);
  EXPECT_EQ(20u, a.delayMilliseconds);
  EXPECT_EQ('A', a.inquiry.at(8));
  EXPECT_EQ(' ', a.inquiry.at(15));
  EXPECT_EQ(0x3F, a.modePages.at(0x2A).at(2));
  EXPECT_EQ(0x23, a.modePages.at(0x2A).at(7));
  EXPECT_EQ(8u, a.modePages.at(0x0D).size());
  const driveemu::EmulatedUnit& b = profile.units[1];
  EXPECT_EQ(driveemu::CommandReply::kCheckCondition, b.replies.at(0x5A).kind);
  EXPECT_EQ(0x3A, b.replies.at(0x5A).sense[12]);
  EXPECT_EQ(0x08, b.replies.at(0x12).status);
  EXPECT_EQ(0, profile.units[2].deviceType);
  EXPECT_EQ(5u, profile.units[2].openError);
  EXPECT_EQ(&profile.units[2], profile.Find(1, 2, 0));
  EXPECT_EQ(nullptr, profile.Find(1, 2, 1));
  // A format's reply comes before the operation code's, and only for it.
  const driveemu::EmulatedUnit& c = profile.units[2];
  EXPECT_EQ(0x01, Send(c, {0x43, 0, 0x00, 0, 0, 0, 0, 0, 0x20, 0}).data.at(2));
  EXPECT_EQ(0x00, Send(c, {0x43, 0, 0x04, 0, 0, 0, 0, 0, 0x20, 0}).data.at(2));
  EXPECT_EQ(0x01, Send(c, {0x43, 0, 0x0C, 0, 0, 0, 0, 0, 0x20, 0}).data.at(2));  // the format's four bits
  EXPECT_EQ(0x01, Send(c, {0x43, 0, 0x02, 0, 0, 0, 0, 0, 0x20, 0}).data.at(2));
  EXPECT_EQ(3u, Send(c, {0x43, 0, 0x00, 0, 0, 0, 0, 0, 0x03, 0}).data.size());
  EXPECT_TRUE(IsInvalidField(Send(c, {0xAD, 0, 0, 0, 0, 0, 0, 0x0E, 0, 0x2C, 0, 0})));
  EXPECT_EQ(0x20, Send(c, {0xAD, 0, 0, 0, 0, 0, 0, 0x0F, 0, 0x2C, 0, 0}).sense.at(12));
}

TEST(ProfileTest, MalformedLinesAreRefusedWithTheirLineNumber) {
  const char* bad[] = {
      "inquiry \"A\" \"B\" \"C\"\n",            // before any device
      "device 0 0\n",                           // too few numbers
      "device 0 0 0\ncapabilities 01 02\n",     // too few page bytes
      "device 0 0 0\ncheck 5A 0G 00 00\n",      // not hex
      "device 0 0 0\ninquiry \"open\n",         // unterminated text
      "device 0 0 0\ndevice 0 0 0\n",           // listed twice
      "device 0 0 0\nfrobnicate\n",             // unknown
      "device 999 0 0\n",                       // out of range
      "device 0 0 0\nmode-page 2A 03 01 02\n",  // a page length that does not count the bytes
      "device 0 0 0\nmode-page 3F 00\n",        // the code that names every page
      "device 0 0 0\nreply-hex 5A/0 00\n",      // a format of a command that has none
      "device 0 0 0\ncheck 43/ 05 24 00\n",     // a format that is not written
  };
  for (const char* text : bad) {
    driveemu::DriveProfile profile;
    std::string error;
    EXPECT_FALSE(driveemu::ParseProfile(text, &profile, &error)) << text;
    EXPECT_EQ(0u, error.find("line ")) << error;
  }
}

TEST(DriveModelTest, UnknownCommandsAnswerIllegalRequest) {
  driveemu::EmulatedUnit unit;
  driveemu::ScsiOutcome outcome = Send(unit, {0x1B, 0, 0, 0, 0, 0}, 0);
  EXPECT_EQ(2, outcome.status);
  EXPECT_EQ(0x05, outcome.sense[2]);
  EXPECT_EQ(0x20, outcome.sense[12]);
}

TEST(DriveModelTest, InquiryHonoursEvpdAndTheAllocationLength) {
  driveemu::EmulatedUnit unit;
  unit.inquiry = driveemu::InquiryAnswer("VENDOR", "PRODUCT", "1.0");
  EXPECT_EQ(96u, Send(unit, {0x12, 0, 0, 0, 0x60, 0}).data.size());
  EXPECT_EQ(36u, Send(unit, {0x12, 0, 0, 0, 0x24, 0}).data.size());
  EXPECT_EQ(96u, Send(unit, {0x12, 0, 0, 0x01, 0x00, 0}).data.size());  // 256 allowed, 96 there
  EXPECT_EQ(20u, Send(unit, {0x12, 0, 0, 0, 0x60, 0}, 20).data.size());
  EXPECT_TRUE(IsInvalidField(Send(unit, {0x12, 0x01, 0x80, 0, 0x60, 0})));  // a vital product data page
  EXPECT_TRUE(IsInvalidField(Send(unit, {0x12, 0, 0x80, 0, 0x60, 0})));     // a page code without EVPD
}

class ModeSenseModel : public ::testing::Test {
 protected:
  void SetUp() override {
    const BYTE page[6] = {0x3F, 0x37, 0x71, 0x63, 0x29, 0x23};
    unit.modePages[0x2A] = driveemu::CapabilitiesPage(page);
    unit.modePages[0x0D] = {0x0D, 0x06, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x4B};
  }
  driveemu::EmulatedUnit unit;
};

TEST_F(ModeSenseModel, WithDbdThePageFollowsTheHeader) {
  driveemu::ScsiOutcome outcome = Send(unit, {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x01, 0x00, 0});
  EXPECT_EQ(0, outcome.status);
  ASSERT_EQ(8u + 28u, outcome.data.size());
  EXPECT_EQ(8u + 28u - 2u, static_cast<size_t>(outcome.data[0] << 8 | outcome.data[1]));  // mode data length
  EXPECT_EQ(0, outcome.data[7]);                                                          // no block descriptor
  EXPECT_EQ(0x2A, outcome.data[8]);
  EXPECT_EQ(0x3F, outcome.data[10]);
  EXPECT_EQ(0x23, outcome.data[15]);
}

TEST_F(ModeSenseModel, WithoutDbdABlockDescriptorPushesThePageBack) {
  driveemu::ScsiOutcome outcome = Send(unit, {0x5A, 0x00, 0x2A, 0, 0, 0, 0, 0x01, 0x00, 0});
  ASSERT_EQ(8u + 8u + 28u, outcome.data.size());
  EXPECT_EQ(8, outcome.data[7]);  // block descriptor length
  EXPECT_EQ((std::vector<BYTE>{0, 0, 0, 0, 0, 0, 0x08, 0}), Slice(outcome.data, 8, 16));  // 2048-byte blocks
  EXPECT_EQ(0x2A, outcome.data[16]);
}

TEST_F(ModeSenseModel, ThePageCodeAndThePageControlChooseTheAnswer) {
  driveemu::ScsiOutcome other = Send(unit, {0x5A, 0x08, 0x0D, 0, 0, 0, 0, 0x01, 0x00, 0});
  ASSERT_EQ(8u + 8u, other.data.size());
  EXPECT_EQ(0x0D, other.data[8]);

  driveemu::ScsiOutcome all = Send(unit, {0x5A, 0x08, 0x3F, 0, 0, 0, 0, 0x01, 0x00, 0});
  ASSERT_EQ(8u + 8u + 28u, all.data.size());
  EXPECT_EQ(0x0D, all.data[8]);  // in page-code order
  EXPECT_EQ(0x2A, all.data[16]);

  driveemu::ScsiOutcome changeable = Send(unit, {0x5A, 0x08, 0x6A, 0, 0, 0, 0, 0x01, 0x00, 0});
  ASSERT_EQ(8u + 28u, changeable.data.size());
  EXPECT_EQ(0x2A, changeable.data[8]);
  EXPECT_EQ(std::vector<BYTE>(26, 0), Slice(changeable.data, 10, changeable.data.size()));

  EXPECT_TRUE(IsInvalidField(Send(unit, {0x5A, 0x08, 0x2B, 0, 0, 0, 0, 0x01, 0x00, 0})));     // a page it lacks
  EXPECT_TRUE(IsInvalidField(Send(unit, {0x5A, 0x08, 0x2A, 0x01, 0, 0, 0, 0x01, 0x00, 0})));  // a subpage
  driveemu::ScsiOutcome saved = Send(unit, {0x5A, 0x08, 0xEA, 0, 0, 0, 0, 0x01, 0x00, 0});
  EXPECT_EQ(2, saved.status);
  EXPECT_EQ(0x39, saved.sense[12]);  // saving parameters not supported
}

TEST_F(ModeSenseModel, TheAllocationLengthAndTheBufferBoundTheAnswer) {
  EXPECT_EQ(16u, Send(unit, {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x00, 0x10, 0}).data.size());
  EXPECT_EQ(0u, Send(unit, {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x00, 0x00, 0}).data.size());
  // 256 with its two bytes the wrong way round is 1.
  EXPECT_EQ(1u, Send(unit, {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x00, 0x01, 0}).data.size());
  EXPECT_EQ(12u, Send(unit, {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x01, 0x00, 0}, 12).data.size());
  // A fixed reply is bounded alike.
  unit.replies[0x5A].data.assign(100, 0xEE);
  EXPECT_EQ(20u, Send(unit, {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x00, 0x14, 0}).data.size());
}

}  // namespace
