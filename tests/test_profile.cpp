#include <gtest/gtest.h>

#include "tools/driveemu/drive_model.h"

namespace {

TEST(ProfileTest, ReadsEveryKindOfLine) {
  const char* text =
      "# three drives\n"
      "support 00000102\n"
      "device 0 1 0\n"
      "  inquiry \"ABC\" \"DRIVE X\" \"1.00\"\n"
      "  capabilities 3F 37 71 63 2B 23   # page bytes 2-7\n"
      "  delay 20\n"
      "device 1 0 0 type 05\n"
      "  check 5A 02 3A 00\n"
      "  status 12 08\n"
      "device 1 2 0 type 00\n"
      "  fail 5A\n"
      "  open-error 5\n";
  driveemu::DriveProfile profile;
  std::string error;
  ASSERT_TRUE(driveemu::ParseProfile(text, &profile, &error)) << error;
  EXPECT_EQ(0x102u, profile.SupportInfo());
  ASSERT_EQ(3u, profile.units.size());
  const driveemu::EmulatedUnit& a = profile.units[0];
  EXPECT_EQ(1, a.target);
  EXPECT_EQ(20u, a.delayMilliseconds);
  EXPECT_EQ('A', a.replies.at(0x12).data[8]);
  EXPECT_EQ(' ', a.replies.at(0x12).data[15]);
  EXPECT_EQ(0x3F, a.replies.at(0x5A).data[10]);
  EXPECT_EQ(0x23, a.replies.at(0x5A).data[15]);
  const driveemu::EmulatedUnit& b = profile.units[1];
  EXPECT_EQ(driveemu::CommandReply::kCheckCondition, b.replies.at(0x5A).kind);
  EXPECT_EQ(0x3A, b.replies.at(0x5A).sense[12]);
  EXPECT_EQ(0x08, b.replies.at(0x12).status);
  EXPECT_EQ(0, profile.units[2].deviceType);
  EXPECT_EQ(5u, profile.units[2].openError);
  EXPECT_EQ(&profile.units[2], profile.Find(1, 2, 0));
  EXPECT_EQ(nullptr, profile.Find(1, 2, 1));
}

TEST(ProfileTest, MalformedLinesAreRefusedWithTheirLineNumber) {
  const char* bad[] = {
      "inquiry \"A\" \"B\" \"C\"\n",          // before any device
      "device 0 0\n",                         // too few numbers
      "device 0 0 0\ncapabilities 01 02\n",   // too few page bytes
      "device 0 0 0\ncheck 5A 0G 00 00\n",    // not hex
      "device 0 0 0\ninquiry \"open\n",       // unterminated text
      "device 0 0 0\ndevice 0 0 0\n",         // listed twice
      "device 0 0 0\nfrobnicate\n",           // unknown
      "device 999 0 0\n",                     // out of range
  };
  for (const char* text : bad) {
    driveemu::DriveProfile profile;
    std::string error;
    EXPECT_FALSE(driveemu::ParseProfile(text, &profile, &error)) << text;
    EXPECT_EQ(0u, error.find("line ")) << error;
  }
}

TEST(ProfileTest, UnknownCommandsAnswerIllegalRequest) {
  driveemu::EmulatedUnit unit;
  const BYTE cdb[6] = {0x1B, 0, 0, 0, 0, 0};
  driveemu::ScsiOutcome outcome = driveemu::Respond(unit, cdb, 6, 0);
  EXPECT_EQ(2, outcome.status);
  EXPECT_EQ(0x05, outcome.sense[2]);
  EXPECT_EQ(0x20, outcome.sense[12]);
}

}  // namespace
