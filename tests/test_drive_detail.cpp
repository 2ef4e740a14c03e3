// The decoders of the capabilities page's mechanism and speed fields and of
// the GET CONFIGURATION profile list, against answers of drives of several
// generations and against answers that are cut short or malformed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interrogation/drive_detail.h"

namespace {

typedef std::vector<unsigned char> Bytes;

// A MODE SENSE(10) answer: header (with `descriptors` bytes of block
// descriptors, zero-filled) followed by the page.
Bytes ModeSense(const Bytes& page, int descriptors = 0) {
  Bytes answer(8 + descriptors, 0);
  std::size_t dataLength = answer.size() + page.size() - 2;
  answer[0] = static_cast<unsigned char>(dataLength >> 8);
  answer[1] = static_cast<unsigned char>(dataLength);
  answer[7] = static_cast<unsigned char>(descriptors);
  answer.insert(answer.end(), page.begin(), page.end());
  return answer;
}

// A GET CONFIGURATION answer with the current profile and a Profile List.
Bytes Configuration(int current, const std::vector<std::pair<int, bool> >& profiles) {
  Bytes answer = {0, 0, 0, 0, 0, 0, static_cast<unsigned char>(current >> 8), static_cast<unsigned char>(current)};
  answer.insert(answer.end(), {0x00, 0x00, 0x03, static_cast<unsigned char>(4 * profiles.size())});
  for (const auto& profile : profiles)
    answer.insert(answer.end(), {static_cast<unsigned char>(profile.first >> 8),
                                 static_cast<unsigned char>(profile.first), static_cast<unsigned char>(profile.second), 0});
  // Core feature after the list, as drives send it.
  answer.insert(answer.end(), {0x00, 0x01, 0x0B, 0x08, 0, 0, 0, 2, 1, 0, 0, 0});
  std::size_t length = answer.size() - 4;
  answer[2] = static_cast<unsigned char>(length >> 8);
  answer[3] = static_cast<unsigned char>(length);
  return answer;
}

MechanismDetail Mechanism(const Bytes& answer) { return DecodeMechanism(answer.data(), answer.size()); }
ProfileDetail Profiles(const Bytes& answer) { return DecodeProfiles(answer.data(), answer.size()); }

// QEMU 7.2's answers, as its ide-cd and scsi-cd drives gave them (DBD clear).
const Bytes kQemuIdeCd = {0x00, 0x1c, 0x70, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2a, 0x14, 0x3b, 0x00, 0x71, 0x60, 0x29,
                          0x00, 0x02, 0xc0, 0x00, 0x02, 0x02, 0x00, 0x02, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const Bytes kQemuScsiCd = {0x00, 0x1c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2a, 0x14, 0x3b, 0x00, 0x7f, 0xff, 0x2d,
                           0x00, 0x22, 0x60, 0x00, 0x02, 0x08, 0x00, 0x0b, 0x00, 0x00, 0x00, 0x0b, 0x00, 0x0b, 0x00};

// A 40x CD-RW burner of the MMC-2 years: 26-byte page, speeds in the
// obsolete fields, caddy-less tray.
const Bytes kCdRwPage = {0x2a, 0x18, 0x03, 0x03, 0x7f, 0x37, 0x29, 0x03, 0x1b, 0x90, 0x01, 0x00, 0x08,
                         0x00, 0x1b, 0x90, 0x00, 0x00, 0x06, 0xe0, 0x06, 0xe0, 0x00, 0x00, 0x00, 0x00};

// A DVD writer of MMC-3: 32-byte page and three write speed descriptors,
// answered with a block descriptor in front.
const Bytes kDvdWriterPage = {0x2a, 0x2a, 0x3f, 0x37, 0xf1, 0x77, 0x29, 0x23, 0x1b, 0x90, 0x01, 0x00, 0x08, 0x00,
                              0x1b, 0x90, 0x00, 0x00, 0x1b, 0x90, 0x1b, 0x90, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
                              0x1b, 0x90, 0x00, 0x03, 0x00, 0x01, 0x1b, 0x90, 0x00, 0x00, 0x14, 0xac, 0x00, 0x00,
                              0x0a, 0x56};

// A Blu-ray writer of MMC-5: the obsolete fields zero, a pop-up loader, two
// descriptors.
const Bytes kBluRayPage = {0x2a, 0x26, 0x3f, 0x37, 0xf1, 0x77, 0x49, 0x03, 0x00, 0x00, 0x01, 0x00, 0x10, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0x45, 0x49, 0x00, 0x02, 0x00, 0x00, 0x45, 0x49, 0x00, 0x00, 0x22, 0xa5};

}  // namespace

TEST(DriveDetailTest, QemuDrivesGiveTheirMmc2Fields) {
  MechanismDetail ide = Mechanism(kQemuIdeCd);
  ASSERT_TRUE(ide.decoded);
  EXPECT_TRUE(ide.notes.empty());
  EXPECT_EQ(1, ide.loadingMechanism);
  EXPECT_EQ(0, ide.locked);
  EXPECT_EQ(704, ide.maxReadSpeed);
  EXPECT_EQ(2, ide.volumeLevels);
  EXPECT_EQ(512, ide.bufferSize);
  EXPECT_EQ(704, ide.currentReadSpeed);
  EXPECT_EQ(0, ide.maxWriteSpeed);
  // A 22-byte page ends before the MMC-3 fields: those are absent, not zero.
  EXPECT_EQ(kAbsent, ide.rotationControl);
  EXPECT_EQ(kAbsent, ide.selectedWriteSpeed);
  EXPECT_EQ(kAbsent, ide.writeSpeedCount);

  MechanismDetail scsi = Mechanism(kQemuScsiCd);
  ASSERT_TRUE(scsi.decoded);
  EXPECT_EQ(1, scsi.preventJumper);  // bit 2 of byte 6; the lock state is bit 1
  EXPECT_EQ(0, scsi.locked);
  EXPECT_EQ(8800, scsi.maxReadSpeed);
  EXPECT_EQ(2048, scsi.bufferSize);
  EXPECT_EQ(2816, scsi.currentReadSpeed);
  EXPECT_EQ(2816, scsi.maxWriteSpeed);
  EXPECT_EQ(2816, scsi.currentWriteSpeed);
}

TEST(DriveDetailTest, DrivesOfThreeGenerations) {
  MechanismDetail cd = Mechanism(ModeSense(kCdRwPage));
  ASSERT_TRUE(cd.decoded);
  EXPECT_EQ(7056, cd.maxReadSpeed);
  EXPECT_EQ(1760, cd.maxWriteSpeed);
  EXPECT_EQ(256, cd.volumeLevels);
  EXPECT_EQ(2048, cd.bufferSize);
  EXPECT_EQ(kAbsent, cd.writeSpeedCount);
  EXPECT_TRUE(cd.notes.empty());

  // Block descriptors move the page: it is found after them.
  MechanismDetail dvd = Mechanism(ModeSense(kDvdWriterPage, 8));
  ASSERT_TRUE(dvd.decoded);
  EXPECT_EQ(1, dvd.rotationControl);
  EXPECT_EQ(7056, dvd.selectedWriteSpeed);
  ASSERT_EQ(3, dvd.writeSpeedCount);
  ASSERT_EQ(3u, dvd.writeSpeeds.size());
  EXPECT_EQ(1, dvd.writeSpeeds[0].rotationControl);
  EXPECT_EQ(7056, dvd.writeSpeeds[0].kbPerSecond);
  EXPECT_EQ(0, dvd.writeSpeeds[1].rotationControl);
  EXPECT_EQ(5292, dvd.writeSpeeds[1].kbPerSecond);
  EXPECT_EQ(2646, dvd.writeSpeeds[2].kbPerSecond);
  EXPECT_TRUE(dvd.notes.empty());

  MechanismDetail bd = Mechanism(ModeSense(kBluRayPage));
  ASSERT_TRUE(bd.decoded);
  EXPECT_EQ(2, bd.loadingMechanism);
  EXPECT_EQ(0, bd.maxReadSpeed);
  EXPECT_EQ(4096, bd.bufferSize);
  ASSERT_EQ(2u, bd.writeSpeeds.size());
  EXPECT_EQ(17737, bd.writeSpeeds[0].kbPerSecond);
  EXPECT_EQ(8869, bd.writeSpeeds[1].kbPerSecond);
}

TEST(DriveDetailTest, AnswersCutShortDecodeOnlyWhatCame) {
  // The transfer ended inside the page: fields past the end are absent.
  Bytes dvd = ModeSense(kDvdWriterPage);
  MechanismDetail cut = DecodeMechanism(dvd.data(), 8 + 13);
  ASSERT_TRUE(cut.decoded);
  EXPECT_EQ(256, cut.volumeLevels);
  EXPECT_EQ(kAbsent, cut.bufferSize);
  EXPECT_EQ(kAbsent, cut.writeSpeedCount);
  EXPECT_FALSE(cut.notes.empty());

  // More descriptors announced than the page holds: the whole ones only.
  Bytes bragging = kDvdWriterPage;
  bragging[31] = 200;
  MechanismDetail many = Mechanism(ModeSense(bragging));
  EXPECT_EQ(200, many.writeSpeedCount);
  EXPECT_EQ(3u, many.writeSpeeds.size());
  ASSERT_EQ(1u, many.notes.size());
  EXPECT_NE(std::string::npos, many.notes[0].find("200"));

  // A page length beyond the answer's own length is bounded by the answer.
  Bytes longer = ModeSense(kCdRwPage);
  longer[9] = 0xFF;
  MechanismDetail bounded = Mechanism(longer);
  EXPECT_TRUE(bounded.decoded);
  EXPECT_EQ(1760, bounded.maxWriteSpeed);
  EXPECT_FALSE(bounded.notes.empty());

  // A block descriptor length that points past the answer finds no page.
  Bytes astray = ModeSense(kCdRwPage);
  astray[6] = 0xFF;
  EXPECT_FALSE(Mechanism(astray).decoded);
  // Another page, a header alone, nothing at all.
  Bytes other = ModeSense(kCdRwPage);
  other[8] = 0x01;
  EXPECT_FALSE(Mechanism(other).decoded);
  EXPECT_FALSE(DecodeMechanism(kQemuIdeCd.data(), 7).decoded);
  EXPECT_FALSE(DecodeMechanism(nullptr, 0).decoded);
}

// Each field is decoded from a page that ends exactly at its last byte, and
// absent from one that ends a byte before it.
TEST(DriveDetailTest, EveryFieldAtTheLastByteThatCame) {
  struct Field {
    std::size_t end;  // page bytes the field needs
    long MechanismDetail::*value;
    long expected;
  };
  const Field fields[] = {
      {7, &MechanismDetail::loadingMechanism, 1}, {7, &MechanismDetail::locked, 1},
      {7, &MechanismDetail::preventJumper, 0},     {10, &MechanismDetail::maxReadSpeed, 7056},
      {12, &MechanismDetail::volumeLevels, 256},   {14, &MechanismDetail::bufferSize, 2048},
      {16, &MechanismDetail::currentReadSpeed, 7056}, {20, &MechanismDetail::maxWriteSpeed, 7056},
      {22, &MechanismDetail::currentWriteSpeed, 7056}, {28, &MechanismDetail::rotationControl, 1},
      {30, &MechanismDetail::selectedWriteSpeed, 7056}, {32, &MechanismDetail::writeSpeedCount, 3},
      {18, &MechanismDetail::digitalAudioLength, 1}, {24, &MechanismDetail::copyManagementRevision, 0x0102},
  };
  Bytes page = kDvdWriterPage;
  page[6] = 0x22;  // tray, locked, no prevent jumper
  page[17] = 0x10;  // 16 bit clocks
  page[22] = 0x01, page[23] = 0x02;
  for (const Field& field : fields) {
    for (std::size_t have : {field.end, field.end - 1}) {
      Bytes shorter(page.begin(), page.begin() + static_cast<long>(have));
      shorter[1] = static_cast<unsigned char>(have - 2);
      const MechanismDetail detail = Mechanism(ModeSense(shorter));
      SCOPED_TRACE(testing::Message() << "page of " << have << " bytes, field ending at " << field.end);
      ASSERT_TRUE(detail.decoded);
      EXPECT_EQ(have == field.end ? field.expected : kAbsent, detail.*field.value);
    }
  }
  // The prevent jumper alone, for the bit beside the lock state.
  page[6] = 0x24;
  const MechanismDetail jumper = Mechanism(ModeSense(page));
  EXPECT_EQ(0, jumper.locked);
  EXPECT_EQ(1, jumper.preventJumper);
}

// Each one-bit field of the page from its place in MMC's table: set alone
// it reads 1 and every other 0, and it is absent from a page that ends
// before its byte.
TEST(DriveDetailTest, EveryFlagOfThePageFromItsOwnBit) {
  const struct {
    const char* key;
    std::size_t byte;
    int bit;
  } flags[] = {{"test_write", 3, 2},        {"buffer_underrun_protection", 4, 7}, {"digital_port_2", 4, 3},
               {"digital_port_1", 4, 2},    {"composite", 4, 1},                  {"read_bar_code", 5, 7},
               {"c2_pointers", 5, 4},       {"rw_deinterleaved", 5, 3},           {"rw_supported", 5, 2},
               {"side_change", 7, 4},       {"software_slot_selection", 7, 3},    {"changer_disc_present", 7, 2},
               {"digital_audio_lsb_first", 17, 3}, {"digital_audio_rck", 17, 2},  {"digital_audio_bckf", 17, 1}};
  ASSERT_EQ(sizeof flags / sizeof flags[0], kPageFlagCount);
  for (const auto& flag : flags) {
    SCOPED_TRACE(flag.key);
    Bytes page(32, 0);
    page[0] = 0x2A, page[1] = 30;
    page[flag.byte] = static_cast<unsigned char>(1 << flag.bit);
    const MechanismDetail detail = Mechanism(ModeSense(page));
    for (std::size_t i = 0; i < kPageFlagCount; ++i)
      EXPECT_EQ(std::string(kPageFlags[i].key) == flag.key ? 1 : 0, detail.flags[i]) << kPageFlags[i].key;
    for (std::size_t have : {flag.byte + 1, flag.byte}) {
      Bytes shorter(page.begin(), page.begin() + static_cast<long>(have));
      shorter[1] = static_cast<unsigned char>(have - 2);
      const MechanismDetail cut = Mechanism(ModeSense(shorter));
      for (std::size_t i = 0; i < kPageFlagCount; ++i)
        if (std::string(kPageFlags[i].key) == flag.key) {
          EXPECT_EQ(have > flag.byte ? 1 : kAbsent, cut.flags[i]) << have;
        }
    }
  }
  EXPECT_EQ("32 BCKs", DigitalAudioLengthName(0));
  EXPECT_EQ("16 BCKs", DigitalAudioLengthName(1));
  EXPECT_EQ("24 BCKs", DigitalAudioLengthName(2));
  EXPECT_EQ("24 BCKs, I2S", DigitalAudioLengthName(3));
}

TEST(DriveDetailTest, ProfileListsOfThreeGenerations) {
  ProfileDetail cd = Profiles(Configuration(0x0009, {{0x000A, false}, {0x0009, true}, {0x0008, false}}));
  ASSERT_TRUE(cd.decoded);
  EXPECT_EQ(0x0009, cd.currentProfile);
  ASSERT_EQ(3u, cd.profiles.size());
  EXPECT_TRUE(cd.profiles[1].current);
  EXPECT_TRUE(cd.notes.empty());

  ProfileDetail bd = Profiles(Configuration(0x0043, {{0x0043, true}, {0x0042, false}, {0x0041, false}, {0x0040, false},
                                                     {0x002B, false}, {0x001B, false}, {0x0015, false}, {0x0010, false}}));
  ASSERT_EQ(8u, bd.profiles.size());
  EXPECT_EQ("BD-RE", ProfileName(bd.profiles[0].number));
  EXPECT_EQ("DVD+R DL", ProfileName(bd.profiles[4].number));
  EXPECT_EQ("DVD-R DL sequential", ProfileName(bd.profiles[6].number));

  // No disc: current profile 0, the list still names what the drive takes.
  ProfileDetail empty = Profiles(Configuration(0, {{0x0010, false}, {0x0008, false}}));
  EXPECT_EQ(0, empty.currentProfile);
  EXPECT_EQ(2u, empty.profiles.size());

  EXPECT_EQ("CD-RW", ProfileName(0x000A));
  EXPECT_EQ("HD DVD-RW DL", ProfileName(0x005A));
  EXPECT_EQ("0099h", ProfileName(0x0099));
}

TEST(DriveDetailTest, BadConfigurationAnswersDecodeOnlyWhatCame) {
  // An odd list length: the whole descriptors, and a note.
  Bytes odd = Configuration(0x0008, {{0x0010, false}, {0x0008, true}});
  odd[11] = 6;
  ProfileDetail oddList = Profiles(odd);
  EXPECT_EQ(1u, oddList.profiles.size());
  EXPECT_FALSE(oddList.notes.empty());

  // Cut inside the list: what came whole.
  Bytes full = Configuration(0x0008, {{0x0010, false}, {0x0008, true}, {0x000A, false}});
  ProfileDetail cut = DecodeProfiles(full.data(), 8 + 4 + 6);
  EXPECT_EQ(1u, cut.profiles.size());
  EXPECT_FALSE(cut.notes.empty());

  // A data length that claims less than came bounds the answer.
  Bytes claims = full;
  claims[3] = 4 + 4 + 4;
  ProfileDetail bounded = Profiles(claims);
  EXPECT_TRUE(bounded.listFound);
  EXPECT_EQ(1u, bounded.profiles.size());

  // The data length counts the bytes after itself: an answer that holds
  // exactly what it says, and ones of a byte or two less, whose last
  // profile did not come whole (the bytes after them are there, unsent).
  const Bytes exact = {0, 0, 0, 16, 0, 0, 0, 8, 0, 0, 3, 8, 0, 0x10, 0, 0, 0, 0x08, 1, 0};
  for (std::size_t received : {exact.size(), exact.size() - 1, exact.size() - 2}) {
    const ProfileDetail detail = DecodeProfiles(exact.data(), received);
    SCOPED_TRACE(testing::Message() << received << " bytes of " << exact.size());
    EXPECT_EQ(received == exact.size() ? 2u : 1u, detail.profiles.size());
    EXPECT_EQ(received != exact.size(), !detail.notes.empty());
  }

  // The Profile List comes first or not at all: a descriptor of code 0000h
  // after another is the zeroed rest of a buffer, not a list. Zeros after
  // the list stay out of it.
  Bytes late = {0, 0, 0, 20, 0, 0, 0, 8, 0x00, 0x01, 0x03, 0x04, 0, 0, 0, 2, 0x00, 0x00, 0x03, 0x04, 0x00, 0x10, 0x01, 0};
  ProfileDetail lateList = Profiles(late);
  EXPECT_FALSE(lateList.listFound);
  EXPECT_TRUE(lateList.profiles.empty());
  ASSERT_EQ(1u, lateList.notes.size());
  EXPECT_EQ("no profile list came first", lateList.notes[0]);
  Bytes zeroed = Configuration(0x0008, {{0x0008, true}});
  zeroed[3] = static_cast<unsigned char>(zeroed[3] + 200);
  zeroed.resize(zeroed.size() + 200, 0);
  ProfileDetail zeroList = Profiles(zeroed);
  EXPECT_TRUE(zeroList.listFound);
  EXPECT_EQ(1u, zeroList.profiles.size());

  // The header alone, short of it, or a feature list without profiles.
  Bytes header = {0, 0, 0, 4, 0, 0, 0, 8};
  ProfileDetail alone = Profiles(header);
  EXPECT_TRUE(alone.decoded);
  EXPECT_FALSE(alone.listFound);
  EXPECT_FALSE(DecodeProfiles(header.data(), 5).decoded);
  EXPECT_FALSE(DecodeProfiles(nullptr, 0).decoded);
}

TEST(DriveDetailTest, NamesAndSpeedsAsText) {
  // MMC's loading mechanisms; slot loaders report 000b with caddies.
  const char* const mechanisms[] = {"caddy/slot", "tray", "pop-up", "reserved (3)", "changer, individually changeable discs",
                                    "changer, magazine", "reserved (6)", "reserved (7)"};
  for (long code = 0; code < 8; ++code) EXPECT_EQ(mechanisms[code], LoadingMechanismName(code));
  EXPECT_EQ("CAV", RotationControlName(1));
  EXPECT_EQ("reserved (2)", RotationControlName(2));
  EXPECT_EQ("7056 kB/s (40.0x CD)", SpeedText(7056));
  EXPECT_EQ("176 kB/s (1.0x CD)", SpeedText(176));
}
