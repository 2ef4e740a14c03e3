// The emulated drives' sectors: READ(10) and READ CD cut from a sector
// image as a drive would, the units that mislead about them, and the
// generated discs of the read probe as the profile reader takes them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/helpers.h"
#include "tools/driveemu/drive_model.h"

namespace {

using driveemu::EmulatedSector;

// A sector whose every byte tells where it came from: byte i of the main
// channel is (i + seed) mod 251, Q and P-W from other seeds.
EmulatedSector Sector(EmulatedSector::Kind kind, int seed) {
  EmulatedSector sector;
  sector.kind = kind;
  for (size_t i = 0; i < EmulatedSector::kMainBytes; ++i) sector.main.push_back(static_cast<BYTE>((i + seed) % 251));
  for (size_t i = 0; i < EmulatedSector::kQBytes; ++i) sector.q.push_back(static_cast<BYTE>(0xA0 + i));
  for (size_t i = 0; i < EmulatedSector::kSubchannelBytes; ++i) sector.subchannel.push_back(static_cast<BYTE>(0xC0 | i));
  return sector;
}

// LBA 10 Mode 1, 11 Form 1, 12 Form 2, 13 Mode 2 formless, 14 audio.
driveemu::EmulatedUnit SectorDrive() {
  driveemu::EmulatedUnit unit = testing_helpers::Drive(0, 0, "QUILLTST", "SECTORS");
  const EmulatedSector::Kind kinds[] = {EmulatedSector::kMode1, EmulatedSector::kMode2Form1,
                                        EmulatedSector::kMode2Form2, EmulatedSector::kMode2Formless,
                                        EmulatedSector::kAudio};
  for (int i = 0; i < 5; ++i) unit.sectors[static_cast<DWORD>(10 + i)] = Sector(kinds[i], 3 * i);
  return unit;
}

driveemu::ScsiOutcome ReadCd(const driveemu::EmulatedUnit& unit, DWORD lba, BYTE parts, BYTE subchannel = 0,
                             BYTE expected = 0, DWORD count = 1, DWORD buffer = 0x10000) {
  const BYTE cdb[12] = {0xBE, static_cast<BYTE>(expected << 2), 0, 0, 0, static_cast<BYTE>(lba),
                        static_cast<BYTE>(count >> 16), static_cast<BYTE>(count >> 8), static_cast<BYTE>(count),
                        parts, subchannel, 0};
  return driveemu::Respond(unit, cdb, 12, buffer);
}

driveemu::ScsiOutcome Read10(const driveemu::EmulatedUnit& unit, DWORD lba, WORD count, DWORD buffer = 0x10000) {
  const BYTE cdb[10] = {0x28, 0, 0, 0, 0, static_cast<BYTE>(lba), 0, static_cast<BYTE>(count >> 8),
                        static_cast<BYTE>(count), 0};
  return driveemu::Respond(unit, cdb, 10, buffer);
}

// The main-channel bytes [from, to) of a sector, one range after another.
std::vector<BYTE> Main(const EmulatedSector& sector, std::vector<std::pair<size_t, size_t>> ranges) {
  std::vector<BYTE> bytes;
  for (const auto& r : ranges) bytes.insert(bytes.end(), sector.main.begin() + r.first, sector.main.begin() + r.second);
  return bytes;
}

std::vector<BYTE> Then(std::vector<BYTE> bytes, const std::vector<BYTE>& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
  return bytes;
}

// "05/64/00" for the sense of a CHECK CONDITION; "GOOD" for good status.
std::string Outcome(const driveemu::ScsiOutcome& outcome) {
  if (outcome.status == 0) return "GOOD";
  if (outcome.status != 2 || outcome.sense.size() < 14) return "status " + std::to_string(outcome.status);
  char text[16];
  std::snprintf(text, sizeof text, "%02X/%02X/%02X", outcome.sense[2], outcome.sense[12], outcome.sense[13]);
  return text;
}

TEST(SectorReadTest, ReadCdGivesTheAskedPartsOfEachKindInOrder) {
  const driveemu::EmulatedUnit unit = SectorDrive();
  const EmulatedSector& mode1 = unit.sectors.at(10);
  const EmulatedSector& form1 = unit.sectors.at(11);
  const EmulatedSector& form2 = unit.sectors.at(12);
  const EmulatedSector& formless = unit.sectors.at(13);
  const EmulatedSector& audio = unit.sectors.at(14);
  const std::vector<BYTE> clean294(294, 0), clean296(296, 0);
  struct Case {
    const char* what;
    DWORD lba;
    BYTE parts, subchannel;
    std::vector<BYTE> expected;
  } cases[] = {
      {"Mode 1, everything", 10, 0xF8, 0, mode1.main},
      {"Mode 1, user data", 10, 0x10, 0, Main(mode1, {{16, 2064}})},
      {"Mode 1, sync and header", 10, 0xA0, 0, Main(mode1, {{0, 16}})},
      {"Mode 1, headers (no subheader), user data, EDC/ECC", 10, 0x78, 0, Main(mode1, {{12, 2352}})},
      {"Form 1, subheader, user data, EDC/ECC", 11, 0x58, 0, Main(form1, {{16, 2352}})},
      {"Form 1, user data", 11, 0x10, 0, Main(form1, {{24, 2072}})},
      {"Form 1, header and EDC/ECC", 11, 0x28, 0, Main(form1, {{12, 16}, {2072, 2352}})},
      {"Form 2, user data", 12, 0x10, 0, Main(form2, {{24, 2348}})},
      {"Form 2, EDC", 12, 0x08, 0, Main(form2, {{2348, 2352}})},
      {"formless, user data", 13, 0x10, 0, Main(formless, {{16, 2352}})},
      {"audio, any main-channel bit", 14, 0x10, 0, audio.main},
      {"C2 pointers after the data", 10, 0x12, 0, Then(Main(mode1, {{16, 2064}}), clean294)},
      {"C2 with the block error byte", 10, 0x14, 0, Then(Main(mode1, {{16, 2064}}), clean296)},
      {"raw P-W last", 14, 0xFC, 1, Then(Then(audio.main, clean296), audio.subchannel)},
      {"formatted Q last", 11, 0x10, 2, Then(Main(form1, {{24, 2072}}), form1.q)},
      {"Q alone", 10, 0x00, 2, mode1.q},
      {"nothing", 10, 0x00, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const driveemu::ScsiOutcome outcome = ReadCd(unit, c.lba, c.parts, c.subchannel);
    EXPECT_EQ("GOOD", Outcome(outcome));
    EXPECT_EQ(c.expected.size(), outcome.data.size());
    EXPECT_TRUE(c.expected == outcome.data);
  }
  // Blocks follow one another, each of its own size.
  EXPECT_EQ(Then(Main(mode1, {{16, 2064}}), Main(form1, {{24, 2072}})), ReadCd(unit, 10, 0x10, 0, 0, 2).data);
  EXPECT_EQ(2048u + 2324u + 2336u + 2352u, ReadCd(unit, 11, 0x10, 0, 0, 4).data.size());
  // Never beyond the buffer.
  EXPECT_EQ(Main(mode1, {{0, 1000}}), ReadCd(unit, 10, 0xF8, 0, 0, 2, 1000).data);
}

TEST(SectorReadTest, ReadCdRefusesOtherKindsMissingSectorsAndReservedFields) {
  const driveemu::EmulatedUnit unit = SectorDrive();
  // Expected sector types 1 to 5 against LBAs 14, 10, 13, 11, 12.
  for (BYTE type = 1; type <= 5; ++type) {
    const DWORD matching[] = {14, 10, 13, 11, 12};
    for (DWORD lba = 10; lba <= 14; ++lba)
      EXPECT_EQ(lba == matching[type - 1] ? "GOOD" : "05/64/00", Outcome(ReadCd(unit, lba, 0x10, 0, type)))
          << "type " << int(type) << ", LBA " << lba;
  }
  EXPECT_EQ("05/64/00", Outcome(ReadCd(unit, 10, 0x10, 0, 2, 2)));  // the second block is Form 1
  EXPECT_EQ("05/21/00", Outcome(ReadCd(unit, 99, 0x10)));
  EXPECT_EQ("05/21/00", Outcome(ReadCd(unit, 14, 0x10, 0, 0, 2)));  // LBA 15 is not on the disc
  EXPECT_EQ("05/24/00", Outcome(ReadCd(unit, 10, 0x16)));           // C2 11b
  EXPECT_EQ("05/24/00", Outcome(ReadCd(unit, 10, 0x10, 0, 6)));     // sector type 110b
  for (BYTE subchannel : {3, 5, 6, 7}) EXPECT_EQ("05/24/00", Outcome(ReadCd(unit, 10, 0x10, subchannel)));
  EXPECT_TRUE(ReadCd(unit, 10, 0x10).sense.empty());
}

TEST(SectorReadTest, Read10GivesTheUserDataOfMode1AndForm1Alone) {
  const driveemu::EmulatedUnit unit = SectorDrive();
  EXPECT_EQ(Then(Main(unit.sectors.at(10), {{16, 2064}}), Main(unit.sectors.at(11), {{24, 2072}})),
            Read10(unit, 10, 2).data);
  for (DWORD lba : {12, 13, 14}) EXPECT_EQ("05/64/00", Outcome(Read10(unit, lba, 1))) << lba;
  EXPECT_EQ("05/64/00", Outcome(Read10(unit, 11, 2)));
  EXPECT_EQ("05/21/00", Outcome(Read10(unit, 9, 2)));
  EXPECT_TRUE(Read10(unit, 10, 0).data.empty());
  EXPECT_EQ(100u, Read10(unit, 10, 1, 100).data.size());
  // Without sectors the unit does not know the commands.
  EXPECT_EQ("05/20/00", Outcome(Read10(testing_helpers::Drive(0, 0, "A", "B"), 10, 1)));
}

TEST(SectorReadTest, UnitsThatMisleadRefuseC2FlagCleanReadsOrVaryTheirAudio) {
  driveemu::EmulatedUnit refusing = SectorDrive();
  refusing.c2Refused = true;
  EXPECT_EQ("05/24/00", Outcome(ReadCd(refusing, 10, 0x12)));
  EXPECT_EQ("05/24/00", Outcome(ReadCd(refusing, 14, 0x14)));
  EXPECT_EQ("GOOD", Outcome(ReadCd(refusing, 10, 0x10, 2)));

  driveemu::EmulatedUnit flagging = SectorDrive();
  flagging.c2Flagged = true;
  const std::vector<BYTE> c2 = ReadCd(flagging, 10, 0x04).data;
  ASSERT_EQ(296u, c2.size());
  BYTE any = 0;
  for (size_t i = 0; i < 294; ++i) any = static_cast<BYTE>(any | c2[i]);
  EXPECT_NE(0, any);
  EXPECT_EQ(any, c2[294]);  // the block error byte: every pointer bit ORed
  EXPECT_EQ(0, c2[295]);

  driveemu::EmulatedUnit varying = SectorDrive();
  varying.audioVaries = true;
  const std::vector<BYTE> first = ReadCd(varying, 14, 0xF8).data, second = ReadCd(varying, 14, 0xF8).data;
  ASSERT_EQ(2352u, first.size());
  EXPECT_NE(first, second);
  size_t changed = 0;
  for (size_t i = 0; i < first.size(); ++i) changed += first[i] != varying.sectors.at(14).main[i];
  EXPECT_EQ(1u, changed);
  EXPECT_EQ(ReadCd(varying, 10, 0xF8).data, ReadCd(varying, 10, 0xF8).data);  // data sectors hold still
}

TEST(SectorReadTest, TheProfileGivesSectorsAndTheWaysOfMisleading) {
  const EmulatedSector sector = Sector(EmulatedSector::kMode2Form2, 5);
  const std::string parts = driveemu::HexBytes(sector.main.data(), sector.main.size()) + " / " +
                            driveemu::HexBytes(sector.q.data(), sector.q.size()) + " / " +
                            driveemu::HexBytes(sector.subchannel.data(), sector.subchannel.size());
  std::string runs;  // the three parts as runs of hex digits
  for (char c : parts) runs += c == ' ' ? "" : c == '/' ? " " : std::string(1, c);
  driveemu::DriveProfile profile;
  std::string error;
  ASSERT_TRUE(driveemu::ParseProfile("device 0 0 0\n  sector 4294967295 mode2-form2 " + runs +
                                         "\n  c2 refused\n  c2 flagged\n  audio-varies\n",
                                     &profile, &error))
      << error;
  const driveemu::EmulatedUnit& unit = profile.units.at(0);
  ASSERT_EQ(1u, unit.sectors.count(0xFFFFFFFFu));
  EXPECT_EQ(EmulatedSector::kMode2Form2, unit.sectors.at(0xFFFFFFFFu).kind);
  EXPECT_TRUE(sector.main == unit.sectors.at(0xFFFFFFFFu).main);
  EXPECT_EQ(sector.q, unit.sectors.at(0xFFFFFFFFu).q);
  EXPECT_EQ(sector.subchannel, unit.sectors.at(0xFFFFFFFFu).subchannel);
  EXPECT_TRUE(unit.c2Refused && unit.c2Flagged && unit.audioVaries);

  const std::string q = runs.substr(runs.find(' ') + 1);
  for (const std::string& bad : std::vector<std::string>{"sector 1 mode3 " + runs, "sector 1 audio " + runs.substr(2),  // a byte short
                                 "sector 1 audio 0" + runs, "sector x audio " + runs, "sector 1 audio " + q,
                                 "sector 1 audio " + runs + " 00", "c2", "c2 maybe", "audio-varies yes"})
    EXPECT_FALSE(driveemu::ParseProfile("device 0 0 0\n" + bad + "\n", &profile, &error)) << bad.substr(0, 40);
}

// The generated discs: the drives in their order, what each declares and
// how it misleads, and the sectors the probe reads on each.
TEST(SectorReadTest, TheProbeDiscsAreTheDrivesTheProbeIsCheckedWith) {
  std::string error;
  const driveemu::DriveProfile discs = testing_helpers::ProfileFile(QUILLANOR_PROBE_DISCS, &error);
  ASSERT_EQ("", error);
  const char* names[] = {"PROBE GOOD",       "PROBE GOOD XA",    "PROBE DATA NO C2", "PROBE BAD EDC",
                         "PROBE BAD HEADER", "PROBE BAD Q CRC",  "PROBE BAD Q ADDR", "PROBE C2 REFUSED",
                         "PROBE C2 FLAGGED", "PROBE NO READ CD", "PROBE AUDIO VARY"};
  ASSERT_EQ(11u, discs.units.size());
  for (size_t i = 0; i < discs.units.size(); ++i) {
    const driveemu::EmulatedUnit& unit = discs.units[i];
    const std::string name = names[i];
    SCOPED_TRACE(name);
    EXPECT_EQ(0, unit.adapter);
    EXPECT_EQ(static_cast<int>(i), unit.target);
    EXPECT_EQ(name, std::string(unit.inquiry.begin() + 16, unit.inquiry.begin() + 16 + name.size()));
    EXPECT_EQ(0x0008, unit.currentProfile);
    // C2 declared in the page and in CD Read, but on the drive that tells the truth.
    const bool c2 = name != "PROBE DATA NO C2";
    EXPECT_EQ(c2 ? 0x17 : 0x07, unit.modePages.at(0x2A).at(5));
    ASSERT_EQ(2u, unit.features.size());
    EXPECT_EQ(0x1E, unit.features[1][1]);
    EXPECT_EQ(c2 ? 0x02 : 0x00, unit.features[1][4]);
    EXPECT_EQ(!c2 || name == "PROBE C2 REFUSED", unit.c2Refused);
    EXPECT_EQ(name == "PROBE C2 FLAGGED", unit.c2Flagged);
    EXPECT_EQ(name == "PROBE AUDIO VARY", unit.audioVaries);
    EXPECT_EQ(name == "PROBE NO READ CD", unit.replies.count(0xBE) == 1);
    // The first data track starts at 0: the probe reads LBA 16, whose
    // header says 00:02:16 (but on the drive whose headers are one on).
    const EmulatedSector& data = unit.sectors.at(16);
    const std::vector<BYTE> header(data.main.begin() + 12, data.main.begin() + 16);
    const BYTE mode = name == "PROBE GOOD XA" ? 2 : 1;
    EXPECT_EQ((std::vector<BYTE>{0x00, 0x02, BYTE(name == "PROBE BAD HEADER" ? 0x17 : 0x16), mode}), header);
    EXPECT_EQ(name == "PROBE GOOD XA" ? EmulatedSector::kMode2Form1 : EmulatedSector::kMode1, data.kind);
    EXPECT_EQ("GOOD", Outcome(Read10(unit, 16, 1)));
    // The audio track of the mixed CDs starts at 100: the probe reads 116.
    const bool mixed = name != "PROBE GOOD XA" && name != "PROBE DATA NO C2";
    EXPECT_EQ(mixed, unit.sectors.count(116) == 1);
    if (mixed) {
      EXPECT_EQ(EmulatedSector::kAudio, unit.sectors.at(116).kind);
    }
  }
  EXPECT_EQ(EmulatedSector::kMode2Form2, discs.units[1].sectors.at(150).kind);
}

}  // namespace
