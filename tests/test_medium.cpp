// The decoders of the disc in the drive, over answers built from MMC's
// tables for discs of each kind, and over QEMU's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interrogation/medium.h"

namespace {

typedef std::vector<unsigned char> Bytes;

// An answer with a 2-byte length field, `size` bytes in all.
Bytes Answer(std::size_t size, std::size_t declared) {
  Bytes b(size, 0);
  b[0] = static_cast<unsigned char>((declared - 2) >> 8);
  b[1] = static_cast<unsigned char>(declared - 2);
  return b;
}

void Put(Bytes& b, std::size_t at, const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) b[at + i] = static_cast<unsigned char>(text[i]);
}

bool HasNote(const std::vector<std::string>& notes, const std::string& part) {
  for (const std::string& note : notes)
    if (note.find(part) != std::string::npos) return true;
  return false;
}

TEST(MediumTest, EachProfileGetsTheQueriesOfItsMedium) {
  const struct {
    long profile;
    bool disc, atip, dvd;
    int maker;
    bool bd;
  } rows[] = {
      {0x0000, false, false, false, -1, false}, {0x0002, false, false, false, -1, false},
      {0x0008, true, false, false, -1, false},  {0x0009, true, true, false, -1, false},
      {0x000A, true, true, false, -1, false},   {0x000B, false, false, false, -1, false},
      {0x0010, true, false, true, -1, false},   {0x0011, true, false, true, 0x0E, false},
      {0x0012, true, false, true, -1, false},   {0x0013, true, false, true, 0x0E, false},
      {0x0017, true, false, true, 0x0E, false}, {0x0018, true, false, true, -1, false},
      {0x0019, false, false, false, -1, false}, {0x001A, true, false, true, 0x11, false},
      {0x001B, true, false, true, 0x11, false}, {0x002A, true, false, true, 0x11, false},
      {0x002B, true, false, true, 0x11, false}, {0x003F, false, false, false, -1, false},
      {0x0040, true, false, false, -1, true},   {0x0043, true, false, false, -1, true},
      {0x0044, false, false, false, -1, false}, {0xFFFF, false, false, false, -1, false},
  };
  for (const auto& row : rows) {
    const MediumQueries q = QueriesFor(row.profile);
    EXPECT_EQ(row.disc, q.disc) << row.profile;
    EXPECT_EQ(row.atip, q.atip) << row.profile;
    EXPECT_EQ(row.dvd, q.dvdPhysical) << row.profile;
    EXPECT_EQ(row.maker, q.dvdMaker) << row.profile;
    EXPECT_EQ(row.bd, q.bdInformation) << row.profile;
  }
}

TEST(MediumTest, DiscInformationOfABlankCdRAndAClosedCdRw) {
  Bytes blank = Answer(34, 34);
  const unsigned char head[] = {0x00, 0x01, 0x01, 0x01, 0x01, 0x20, 0xFF, 0x00, 0x00, 0x00};
  std::copy(head, head + sizeof head, blank.begin() + 2);
  const unsigned char addresses[] = {0x00, 0x61, 0x1A, 0x42, 0x00, 0x4F, 0x3B, 0x4A};
  std::copy(addresses, addresses + 8, blank.begin() + 16);
  DiscInformation info = DecodeDiscInformation(blank.data(), blank.size());
  ASSERT_TRUE(info.decoded);
  EXPECT_STREQ("empty", DiscStatusName(info.discStatus));
  EXPECT_STREQ("empty", SessionStateName(info.lastSessionState));
  EXPECT_FALSE(info.erasable);
  EXPECT_TRUE(info.unrestricted);
  EXPECT_EQ("undefined", DiscTypeName(info.discType));
  ASSERT_TRUE(info.addressesCame);
  EXPECT_EQ(0x00611A42u, info.lastSessionLeadIn);
  EXPECT_EQ(0x004F3B4Au, info.lastLeadOut);
  EXPECT_TRUE(info.notes.empty());

  // Closed CD-RW of 259 sessions, tracks 1 to 300 (counts past one byte).
  Bytes closed = Answer(34, 34);
  const unsigned char rw[] = {0x1E, 0x01, 0x03, 0x05, 0x2C, 0x00, 0x20, 0x01, 0x00, 0x01};
  std::copy(rw, rw + sizeof rw, closed.begin() + 2);
  info = DecodeDiscInformation(closed.data(), closed.size());
  EXPECT_TRUE(info.erasable);
  EXPECT_STREQ("complete", DiscStatusName(info.discStatus));
  EXPECT_STREQ("complete", SessionStateName(info.lastSessionState));
  EXPECT_EQ(259, info.sessions);
  EXPECT_EQ(5, info.firstTrackOfLastSession);
  EXPECT_EQ(300, info.lastTrackOfLastSession);
  EXPECT_EQ("CD-ROM XA", DiscTypeName(info.discType));
  EXPECT_FALSE(info.unrestricted);
  // Each field from its own bits: the status and the session state apart.
  closed[2] = 0x05;
  info = DecodeDiscInformation(closed.data(), closed.size());
  EXPECT_FALSE(info.erasable);
  EXPECT_STREQ("incomplete (appendable)", DiscStatusName(info.discStatus));
  EXPECT_STREQ("incomplete", SessionStateName(info.lastSessionState));
  EXPECT_EQ("reserved (01h)", DiscTypeName(1));
}

TEST(MediumTest, DiscInformationCutShortOrLongerThanItsLength) {
  Bytes info = Answer(34, 34);
  EXPECT_FALSE(DecodeDiscInformation(info.data(), 11).decoded);
  DiscInformation cut = DecodeDiscInformation(info.data(), 23);
  EXPECT_TRUE(cut.decoded);
  EXPECT_FALSE(cut.addressesCame);
  EXPECT_TRUE(HasNote(cut.notes, "the answer says 34 bytes, 23 came"));
  EXPECT_TRUE(DecodeDiscInformation(info.data(), 24).addressesCame);
  // Under ASPI the whole buffer "came": the length field ends the answer.
  Bytes shortLength = Answer(64, 12);
  DiscInformation within = DecodeDiscInformation(shortLength.data(), shortLength.size());
  EXPECT_TRUE(within.decoded);
  EXPECT_FALSE(within.addressesCame);
  EXPECT_FALSE(DecodeDiscInformation(nullptr, 0).decoded);
}

TEST(MediumTest, TocOfAMixedModeCdEndsAtTheLeadOutOrWhereItsOrderBreaks) {
  // Three audio tracks (the second with pre-emphasis, the third copy
  // permitted), a data track, the lead-out.
  Bytes toc = Answer(44, 44);
  toc[2] = 1, toc[3] = 4;
  const unsigned char entries[5][8] = {{0, 0x10, 1, 0, 0, 0, 0, 0},       {0, 0x11, 2, 0, 0, 0, 0x4E, 0x20},
                                       {0, 0x1A, 3, 0, 0, 0, 0x9C, 0x40}, {0, 0x14, 4, 0, 0, 0x01, 0x38, 0x80},
                                       {0, 0x14, 0xAA, 0, 0, 0x02, 0x00, 0x00}};
  for (int i = 0; i < 5; ++i) std::copy(entries[i], entries[i] + 8, toc.begin() + 4 + 8 * i);
  Toc decoded = DecodeToc(toc.data(), toc.size());
  ASSERT_TRUE(decoded.decoded);
  ASSERT_EQ(5u, decoded.entries.size());
  EXPECT_EQ(1, decoded.firstTrack);
  EXPECT_EQ(4, decoded.lastTrack);
  EXPECT_EQ(1, decoded.entries[1].adr);
  EXPECT_EQ(0x01, decoded.entries[1].control);
  EXPECT_EQ(0x0A, decoded.entries[2].control);
  EXPECT_EQ(0x04, decoded.entries[3].control);
  EXPECT_EQ(20000, decoded.entries[1].lba);
  EXPECT_EQ(80000, decoded.entries[3].lba);
  EXPECT_EQ(kLeadOutTrack, decoded.entries[4].track);
  EXPECT_TRUE(decoded.notes.empty());

  // A length that claims the zeroed rest of the buffer: the walk ends after
  // the lead-out, and says where.
  Bytes longer = toc;
  longer.resize(100, 0);
  longer[1] = 100 - 2;
  decoded = DecodeToc(longer.data(), longer.size());
  EXPECT_EQ(5u, decoded.entries.size());
  EXPECT_TRUE(HasNote(decoded.notes, "byte 44: track 0 after the lead-out"));
  // Nothing follows the lead-out, whatever its number.
  Bytes beyond = longer;
  beyond[44 + 2] = 0xB0;
  decoded = DecodeToc(beyond.data(), beyond.size());
  EXPECT_EQ(5u, decoded.entries.size());
  EXPECT_TRUE(HasNote(decoded.notes, "byte 44: track 176 after the lead-out"));
  // A track not above the one before ends it too.
  Bytes repeated = toc;
  repeated[4 + 8 * 2 + 2] = 2;
  decoded = DecodeToc(repeated.data(), repeated.size());
  EXPECT_EQ(2u, decoded.entries.size());
  EXPECT_TRUE(HasNote(decoded.notes, "byte 20: track 2 after track 2"));
  // Cut inside a descriptor; no lead-out; only the header.
  decoded = DecodeToc(toc.data(), 40);
  EXPECT_EQ(4u, decoded.entries.size());
  EXPECT_TRUE(HasNote(decoded.notes, "no lead-out"));
  EXPECT_TRUE(HasNote(decoded.notes, "bytes that make no whole descriptor"));
  EXPECT_TRUE(HasNote(DecodeToc(toc.data(), 4).notes, "no tracks"));
  EXPECT_FALSE(DecodeToc(toc.data(), 3).decoded);
}

TEST(MediumTest, AtipOfABlankCdRAndACdRwButNotATocInItsPlace) {
  Bytes atip = Answer(28, 28);
  const unsigned char fields[] = {0xD2, 0x40, 0x84, 0x00, 0x61, 0x1A, 0x42, 0x00, 0x4F, 0x3B, 0x4A, 0x00,
                                  0x2A, 0x5B, 0x3C, 0x00, 0x01, 0x02, 0x03, 0x00, 0x04, 0x05, 0x06};
  std::copy(fields, fields + sizeof fields, atip.begin() + 4);
  Atip decoded = DecodeAtip(atip.data(), atip.size());
  ASSERT_TRUE(decoded.decoded);
  EXPECT_EQ(5, decoded.writingPower);
  EXPECT_EQ(2, decoded.referenceSpeed);
  EXPECT_TRUE(decoded.unrestricted);
  EXPECT_FALSE(decoded.rewritable);
  EXPECT_EQ(0, decoded.subType);
  EXPECT_TRUE(decoded.a1Valid);
  EXPECT_FALSE(decoded.a2Valid || decoded.a3Valid);
  EXPECT_EQ(97, decoded.leadIn[0]);
  EXPECT_EQ(26, decoded.leadIn[1]);
  EXPECT_EQ(66, decoded.leadIn[2]);
  EXPECT_EQ(79, decoded.leadOut[0]);
  EXPECT_EQ(74, decoded.leadOut[2]);
  ASSERT_TRUE(decoded.valuesCame);
  EXPECT_EQ(0x2A, decoded.a1[0]);
  EXPECT_EQ(0x03, decoded.a2[2]);
  EXPECT_EQ(0x06, decoded.a3[2]);

  // The reference speed from its three bits, beside byte 4's bit 3.
  atip[4] |= 0x08;
  EXPECT_EQ(2, DecodeAtip(atip.data(), atip.size()).referenceSpeed);
  // A3 valid alone; the values end at byte 26, the fields at byte 14.
  atip[6] = 0x81;
  decoded = DecodeAtip(atip.data(), 27);
  EXPECT_TRUE(decoded.a3Valid);
  EXPECT_FALSE(decoded.a1Valid || decoded.a2Valid);
  EXPECT_TRUE(decoded.valuesCame);
  EXPECT_TRUE(DecodeAtip(atip.data(), 15).decoded);
  // A CD-RW, high speed, A2 and A3 valid, cut before the values.
  atip[6] = 0x80 | 0x40 | (1 << 3) | 0x03;
  decoded = DecodeAtip(atip.data(), 20);
  EXPECT_TRUE(decoded.rewritable);
  EXPECT_EQ(1, decoded.subType);
  EXPECT_TRUE(decoded.a2Valid && decoded.a3Valid);
  EXPECT_FALSE(decoded.valuesCame);
  EXPECT_TRUE(HasNote(decoded.notes, "the A1-A3 values did not come whole"));
  EXPECT_FALSE(DecodeAtip(atip.data(), 14).decoded);

  // QEMU's ide-cd answers an ATIP request with its TOC.
  const unsigned char qemuToc[] = {0x00, 0x12, 0x01, 0x01, 0x00, 0x14, 0x01, 0x00, 0x00, 0x00,
                                   0x00, 0x00, 0x00, 0x16, 0xAA, 0x00, 0x00, 0x00, 0x16, 0x00};
  decoded = DecodeAtip(qemuToc, sizeof qemuToc);
  EXPECT_FALSE(decoded.decoded);
  EXPECT_TRUE(HasNote(decoded.notes, "not laid out as an ATIP: bytes 4-6 are 00h 14h 01h"));
  // Each fixed bit alone breaks the layout.
  for (int i = 0; i < 3; ++i) {
    Bytes broken(atip.begin(), atip.end());
    broken[4 + i] ^= 0x80;
    EXPECT_FALSE(DecodeAtip(broken.data(), broken.size()).decoded) << "byte " << 4 + i;
  }
}

TEST(MediumTest, CapacityAndCdTimes) {
  const unsigned char qemu[] = {0x00, 0x05, 0x7F, 0xFF, 0x00, 0x00, 0x08, 0x00};
  Capacity capacity = DecodeCapacity(qemu, sizeof qemu);
  ASSERT_TRUE(capacity.decoded);
  EXPECT_EQ(0x57FFFu, capacity.lastLba);
  EXPECT_EQ(2048u, capacity.blockLength);
  const unsigned char top[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00};
  EXPECT_EQ(0xFFFFFFFFu, DecodeCapacity(top, 8).lastLba);
  EXPECT_EQ(0x80000000u, DecodeCapacity(top, 8).blockLength);
  EXPECT_FALSE(DecodeCapacity(qemu, 7).decoded);
  EXPECT_TRUE(HasNote(DecodeCapacity(qemu, 7).notes, "7 of 8 bytes"));

  EXPECT_EQ("00:02:00", MsfText(0));
  EXPECT_EQ("00:00:00", MsfText(-150));
  EXPECT_EQ("79:59:74", MsfText(LbaOfMsf(79, 59, 74)));
  EXPECT_EQ(359849, LbaOfMsf(79, 59, 74));
  EXPECT_EQ(-11634, LbaOfMsf(97, 26, 66));
  EXPECT_EQ("97:26:66", MsfText(-11634));
  EXPECT_EQ("89:59:74", MsfText(LbaOfMsf(89, 59, 74)));
  EXPECT_EQ(-45150, LbaOfMsf(90, 0, 0));  // the lead-in's first time
  EXPECT_EQ("90:00:00", MsfText(-45150));
}

TEST(MediumTest, WriteSpeedsAsMultiplesOfTheMediumsOneX) {
  std::vector<WriteSpeedDescriptor> speeds(5, WriteSpeedDescriptor());
  const unsigned long dvd[] = {22160, 5540, 11080, 16620, 5540};
  for (int i = 0; i < 5; ++i) speeds[static_cast<std::size_t>(i)].writeSpeed = dvd[i];
  EXPECT_EQ("4x, 8x, 12x, 16x DVD", SpeedMultiplesText(speeds, MediumOf(0x1B)));
  speeds.resize(2);
  speeds[0].writeSpeed = 8467;  // 48x CD as drives round it
  speeds[1].writeSpeed = 3324;  // 2.4x DVD, 18.8x CD
  EXPECT_EQ("18.8x, 48x CD", SpeedMultiplesText(speeds, MediumOf(0x09)));
  EXPECT_EQ("2.4x, 6.1x DVD", SpeedMultiplesText(speeds, MediumOf(0x2B)));
  EXPECT_EQ("", SpeedMultiplesText(speeds, MediumOf(0x00)));
  EXPECT_EQ("", SpeedMultiplesText(std::vector<WriteSpeedDescriptor>(), MediumOf(0x1B)));
}

TEST(MediumTest, DvdPhysicalFormatOfQemuAndOfADualLayerDvdPlusR) {
  Bytes qemu = Answer(2052, 2052);
  const unsigned char rom[] = {0x01, 0x0F, 0x01, 0x00, 0, 0, 0, 0, 0, 0x23, 0x45, 0x67, 0, 0x23, 0x45, 0x67};
  std::copy(rom, rom + sizeof rom, qemu.begin() + 4);
  DvdPhysical physical = DecodeDvdPhysical(qemu.data(), qemu.size());
  ASSERT_TRUE(physical.decoded);
  EXPECT_EQ("DVD-ROM", BookTypeName(physical.bookType));
  EXPECT_EQ(1, physical.partVersion);
  EXPECT_EQ("120 mm", DiscSizeName(physical.discSize));
  EXPECT_EQ("not specified", MaximumRateName(physical.maximumRate));
  EXPECT_EQ(1, physical.layers);
  EXPECT_FALSE(physical.oppositeTrackPath);
  EXPECT_EQ(1, physical.layerType);
  ASSERT_TRUE(physical.sectorsCame);
  EXPECT_EQ(0x234567u, physical.endSector);
  EXPECT_EQ(0x234567u, physical.endSectorLayer0);
  EXPECT_FALSE(physical.bca);

  const unsigned char dl[] = {0xE1, 0x12, 0x32, 0x00, 0, 0x03, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0x34, 0, 0, 0x80};
  std::copy(dl, dl + sizeof dl, qemu.begin() + 4);
  physical = DecodeDvdPhysical(qemu.data(), qemu.size());
  EXPECT_EQ("DVD+R DL", BookTypeName(physical.bookType));
  EXPECT_EQ("80 mm", DiscSizeName(physical.discSize));
  EXPECT_EQ("10.08 Mbit/s", MaximumRateName(physical.maximumRate));
  EXPECT_EQ(2, physical.layers);
  EXPECT_TRUE(physical.oppositeTrackPath);
  EXPECT_EQ(2, physical.layerType);
  EXPECT_EQ(0x030000u, physical.startSector);
  EXPECT_EQ(0xFFFFFFFFu, physical.endSector);
  EXPECT_EQ(0x340000u, physical.endSectorLayer0);
  EXPECT_TRUE(physical.bca);
  EXPECT_EQ("reserved (7h)", BookTypeName(7));
  EXPECT_EQ("reserved (8h)", BookTypeName(8));
  EXPECT_EQ("DVD+RW", BookTypeName(9));
  EXPECT_EQ("30.24 Mbit/s", MaximumRateName(4));
  qemu[4] = 0x19, qemu[6] = 0x08;  // DVD-RAM part version 9; a layer type of the reserved bit alone
  physical = DecodeDvdPhysical(qemu.data(), qemu.size());
  EXPECT_EQ(9, physical.partVersion);
  EXPECT_EQ(8, physical.layerType);
  EXPECT_EQ("reserved (5)", MaximumRateName(5));

  EXPECT_FALSE(DecodeDvdPhysical(qemu.data(), 20).sectorsCame);
  EXPECT_TRUE(DecodeDvdPhysical(qemu.data(), 21).sectorsCame);
  EXPECT_FALSE(DecodeDvdPhysical(qemu.data(), 7).decoded);
}

TEST(MediumTest, WhoMadeTheDisc) {
  // DVD-R pre-recorded information: fields 3 and 4 hold the manufacturer.
  Bytes minus = Answer(44, 44);
  minus[20] = 3, minus[28] = 4;
  Put(minus, 21, "MCC 03");
  Put(minus, 29, "RG20");
  MediaMaker maker = DecodeDvdMinusMaker(minus.data(), minus.size());
  ASSERT_TRUE(maker.decoded);
  EXPECT_EQ("MCC 03RG20", maker.manufacturer);
  EXPECT_EQ(-1, maker.revision);
  EXPECT_FALSE(DecodeDvdMinusMaker(minus.data(), 35).decoded);
  // Zero bytes within the ID are dropped, as some discs pad each field.
  Put(minus, 21, std::string("RITEK\0", 6));
  Put(minus, 29, std::string("G05\0\0\0", 6));
  EXPECT_EQ("RITEKG05", DecodeDvdMinusMaker(minus.data(), minus.size()).manufacturer);
  minus[28] = 5;
  EXPECT_TRUE(HasNote(DecodeDvdMinusMaker(minus.data(), minus.size()).notes, "numbered 3 and 5, not 3 and 4"));

  // DVD+R DL ADIP: manufacturer, media type, revision.
  Bytes plus = Answer(260, 260);
  Put(plus, 23, "MKM");
  Put(plus, 31, "003");
  plus[34] = 2;
  maker = DecodeDvdPlusMaker(plus.data(), plus.size());
  ASSERT_TRUE(maker.decoded);
  EXPECT_EQ("MKM", maker.manufacturer);
  EXPECT_EQ("003", maker.mediaType);
  EXPECT_EQ(2, maker.revision);
  EXPECT_EQ(-1, DecodeDvdPlusMaker(plus.data(), 34).revision);
  EXPECT_EQ(2, DecodeDvdPlusMaker(plus.data(), 35).revision);
  EXPECT_FALSE(DecodeDvdPlusMaker(plus.data(), 33).decoded);
  Put(plus, 23, "RICOHJP\x01");
  EXPECT_EQ("RICOHJP.", DecodeDvdPlusMaker(plus.data(), plus.size()).manufacturer);

  // BD-R disc information.
  Bytes bd = Answer(120, 120);
  Put(bd, 4, "DI");
  Put(bd, 12, "BDR");
  Put(bd, 104, "VERBAT");
  Put(bd, 110, "IMf");
  bd[115] = 1;
  maker = DecodeBdMaker(bd.data(), bd.size());
  ASSERT_TRUE(maker.decoded);
  EXPECT_EQ("BDR", maker.discType);
  EXPECT_EQ("VERBAT", maker.manufacturer);
  EXPECT_EQ("IMf", maker.mediaType);
  EXPECT_EQ(1, maker.revision);
  EXPECT_EQ(-1, DecodeBdMaker(bd.data(), 115).revision);
  EXPECT_TRUE(DecodeBdMaker(bd.data(), 112).manufacturer.empty());
  Put(bd, 12, "BDO");
  EXPECT_TRUE(DecodeBdMaker(bd.data(), bd.size()).manufacturer.empty());
  bd[5] = 'X';
  maker = DecodeBdMaker(bd.data(), bd.size());
  EXPECT_FALSE(maker.decoded);
  EXPECT_TRUE(HasNote(maker.notes, "does not start with \"DI\""));
}

}  // namespace
