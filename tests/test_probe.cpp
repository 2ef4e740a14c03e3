// The probe's checks: the CRCs against published vectors, the blocks it
// chooses, and each check's verdicts over answers made to break one rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "interrogation/probe.h"

namespace {

CommandAnswer Answered(std::vector<BYTE> cdb, std::vector<BYTE> data) {
  CommandAnswer answer;
  answer.sent = true;
  answer.cdb = cdb;
  answer.outcome = CommandOutcome::FromStatus(kScsiStatusGood, nullptr, 0, static_cast<long>(data.size()));
  answer.data = data;
  return answer;
}

std::vector<BYTE> ReadCdCdb(std::int32_t lba, BYTE fields = 0xF8, BYTE subChannel = 0) {
  return {0xBE, 0x00, static_cast<BYTE>(lba >> 24), static_cast<BYTE>(lba >> 16), static_cast<BYTE>(lba >> 8),
          static_cast<BYTE>(lba), 0, 0, 1, fields, subChannel, 0};
}

// A Mode 1 sector as the notes' test vector has it: LBA 0 (header 00 02 00
// 01), user data all zero; EDC C5 13 68 2B, stored at 2064.
std::vector<BYTE> ZeroMode1Sector() {
  std::vector<BYTE> sector(2352, 0);
  std::memset(&sector[1], 0xFF, 10);
  sector[13] = 0x02, sector[15] = 0x01;
  const BYTE edc[4] = {0xC5, 0x13, 0x68, 0x2B};
  std::memcpy(&sector[2064], edc, 4);
  return sector;
}

// The 96 raw P-W bytes that carry the 12 bytes of `q` in bit 6.
std::vector<BYTE> RawOfQ(const std::vector<BYTE>& q) {
  std::vector<BYTE> raw(96, 0x80);  // P set, as in a pause
  for (int i = 0; i < 96; ++i)
    if (q[i / 8] & (0x80 >> (i % 8))) raw[i] |= 0x40;
  return raw;
}

TEST(ProbeTest, TheCrcsGiveThePublishedValues) {
  const unsigned char check[] = "123456789";
  EXPECT_EQ(0x6EC2EDC4u, CdEdc(check, 9));
  std::vector<BYTE> sector = ZeroMode1Sector();
  EXPECT_EQ(0x2B6813C5u, CdEdc(sector.data(), 2064));
  sector[14] = 0x16;  // LBA 16
  EXPECT_EQ(0x5F0017BCu, CdEdc(sector.data(), 2064));
  const std::vector<BYTE> zeros(2056, 0);
  EXPECT_EQ(0u, CdEdc(zeros.data(), zeros.size()));  // zero subheaders and data: a zero EDC proves nothing

  const BYTE leadIn1[10] = {0x01, 0x00, 0xA0, 0x98, 0x06, 0x12, 0x00, 0x01, 0x00, 0x00};
  const BYTE leadIn2[10] = {0x01, 0x00, 0x01, 0x98, 0x06, 0x20, 0x00, 0x00, 0x02, 0x00};
  EXPECT_EQ(0xE374u, QCrc(leadIn1));
  EXPECT_EQ(0x3B71u, QCrc(leadIn2));

  std::vector<BYTE> q(leadIn1, leadIn1 + 10);
  q.push_back(0xE3), q.push_back(0x74);
  const std::vector<BYTE> raw = RawOfQ(q);
  EXPECT_EQ(q, QOfRawSubChannel(raw.data()));
}

TEST(ProbeTest, TheReadsAreBuiltAsReadCdHasThemAndSizedByTheirFields) {
  std::vector<BYTE> buffer(2 * 2744, 0);
  DriveCommand read10 = Read10Command(buffer.data(), 0x01020304);
  EXPECT_EQ((std::vector<BYTE>{0x28, 0, 1, 2, 3, 4, 0, 0, 1, 0}), std::vector<BYTE>(read10.cdb, read10.cdb + 10));
  EXPECT_EQ(2048u, read10.length);
  DriveCommand readCd = ReadCdCommand(buffer.data(), kCdDaSector, 0x01020304, 2, 0xFA, 0x02);
  const std::vector<BYTE> cdb(readCd.cdb, readCd.cdb + readCd.cdbLength);
  EXPECT_EQ((std::vector<BYTE>{0xBE, 0x04, 1, 2, 3, 4, 0, 0, 2, 0xFA, 0x02, 0}), cdb);
  EXPECT_EQ(2u * (2352 + 294 + 16), readCd.length);
  EXPECT_EQ(2u * (2352 + 294 + 16), AllocationLength(cdb));
  // The bytes the drive does not send stand out.
  EXPECT_EQ(std::vector<BYTE>(readCd.length, kUnsentByte), std::vector<BYTE>(buffer.begin(), buffer.begin() + readCd.length));
  const auto length = [](BYTE type, BYTE fields, BYTE subChannel) {
    return ReadCdBlockLength({0xBE, static_cast<BYTE>(type << 2), 0, 0, 0, 0, 0, 0, 1, fields, subChannel, 0});
  };
  EXPECT_EQ(2048u, length(kAnySector, 0x10, 0));
  EXPECT_EQ(2352u, length(kCdDaSector, 0x10, 0));  // a CD-DA block is all user data
  EXPECT_EQ(2352u, length(kAnySector, 0xF8, 0));
  EXPECT_EQ(2064u, length(kAnySector, 0xB0, 0));   // sync, header, user data
  EXPECT_EQ(2646u, length(kAnySector, 0xFA, 0));
  EXPECT_EQ(2648u, length(kAnySector, 0xFC, 0));
  EXPECT_EQ(0u, length(kAnySector, 0xFE, 0));       // C2 11b is reserved
  EXPECT_EQ(2368u, length(kAnySector, 0xF8, 2));
  EXPECT_EQ(2448u, length(kAnySector, 0xF8, 1));
  EXPECT_EQ(2448u, length(kAnySector, 0xF8, 4));
  EXPECT_EQ(0u, length(kAnySector, 0xF8, 3));
  EXPECT_EQ(4096u, AllocationLength({0x28, 0, 0, 0, 0, 0, 0, 0, 2, 0}));
}

TEST(ProbeTest, TheBlocksReadAreTheSeventeenthOfTheFirstDataAndAudioTracks) {
  Toc toc;
  toc.decoded = true;
  toc.entries = {{1, 0x00, 1, 0}, {1, 0x04, 2, 3000}, {1, 0x04, 3, 5000}, {1, 0x00, 4, 5010}, {1, 0x04, 0xAA, 5011}};
  ProbeSectors s = ChooseProbeSectors(toc);
  EXPECT_TRUE(s.audio && s.data);
  EXPECT_EQ(1, s.audioTrack);
  EXPECT_EQ(16, s.audioLba);
  EXPECT_EQ(2, s.dataTrack);
  EXPECT_EQ(3016, s.dataLba);

  // A track shorter than 18 blocks gives its last but one; one of no
  // blocks, none.
  toc.entries = {{1, 0x04, 1, 100}, {1, 0x04, 2, 100}, {1, 0x00, 3, 120}, {1, 0x00, 4, 130}, {1, 0x04, 0xAA, 140}};
  s = ChooseProbeSectors(toc);
  EXPECT_EQ(2, s.dataTrack);
  EXPECT_EQ(116, s.dataLba);
  EXPECT_EQ(3, s.audioTrack);
  EXPECT_EQ(128, s.audioLba);
  toc.entries = {{1, 0x00, 1, 0}, {1, 0x00, 0xAA, 17}};
  s = ChooseProbeSectors(toc);
  EXPECT_EQ(15, s.audioLba);
  EXPECT_FALSE(s.data);
  EXPECT_EQ("no data track on the disc", s.whyNoData);
  toc.entries = {{1, 0x04, 1, 0}, {1, 0x00, 0xAA, 18}};
  EXPECT_EQ(16, ChooseProbeSectors(toc).dataLba);
  toc.entries = {{1, 0x04, 1, 7}, {1, 0x00, 0xAA, 8}};
  EXPECT_EQ(7, ChooseProbeSectors(toc).dataLba);
  // A lead-out out of its place ends nothing.
  toc.entries = {{1, 0x04, 0xAA, 500}, {1, 0x04, 1, 0}, {1, 0x04, 0xAA, 500}};
  EXPECT_EQ(16, ChooseProbeSectors(toc).dataLba);
  EXPECT_EQ("no audio track on the disc", ChooseProbeSectors(toc).whyNoAudio);
  // Without a lead-out the track's length is not known: its first block.
  toc.entries = {{1, 0x04, 1, 150}};
  EXPECT_EQ(150, ChooseProbeSectors(toc).dataLba);
}

TEST(ProbeTest, ARawSectorIsRightOnlyWithItsSyncHeaderModeAndEdc) {
  const std::vector<BYTE> good = ZeroMode1Sector();
  EXPECT_EQ("works (verified)", CheckRawSector(Answered(ReadCdCdb(0), good)).Text());
  std::vector<BYTE> mode1 = ReadCdCdb(0);
  mode1[1] = 0x08;  // the expected sector type is no part of the address
  EXPECT_EQ(ProbeFinding::kWorks, CheckRawSector(Answered(mode1, good)).kind);

  std::vector<BYTE> sector = good;
  sector[0] = 0xFF;
  EXPECT_EQ(0u, CheckRawSector(Answered(ReadCdCdb(0), sector)).why.find("no sync pattern"));
  sector = good;
  sector[11] = 0xFE;
  EXPECT_EQ(0u, CheckRawSector(Answered(ReadCdCdb(0), sector)).why.find("no sync pattern"));
  // Asked for LBA 1: the header says LBA 0, and the EDC is right for it.
  EXPECT_EQ("answers but wrong: header address 00:02:00, off by -1 from 00:02:01",
            CheckRawSector(Answered(ReadCdCdb(1), good)).Text());
  sector = good;
  sector[2064] ^= 0x01;
  EXPECT_EQ("answers but wrong: EDC 2B6813C4h, computed 2B6813C5h", CheckRawSector(Answered(ReadCdCdb(0), sector)).Text());
  sector[2064] = sector[2065] = sector[2066] = sector[2067] = 0;
  EXPECT_EQ("answers but wrong: EDC 00000000h (none computed), computed 2B6813C5h",
            CheckRawSector(Answered(ReadCdCdb(0), sector)).Text());
  // QEMU's sector at LBA 16: the header in binary (00 02 10), no EDC; the
  // EDC is computed over the sector as it came.
  sector[14] = 0x10;
  EXPECT_EQ("answers but wrong: header address 00 02 10 in binary, not BCD (00 02 16); EDC 00000000h (none "
            "computed), computed B2624AD9h",
            CheckRawSector(Answered(ReadCdCdb(16), sector)).Text());
  sector = good;
  sector[13] = 0x0A;
  EXPECT_EQ(0u, CheckRawSector(Answered(ReadCdCdb(0), sector)).why.find("header address 00 0A 00 is not BCD"));
  sector = good;
  sector[15] = 0x03;
  EXPECT_EQ("answers but wrong: mode byte 03h", CheckRawSector(Answered(ReadCdCdb(0), sector)).Text());

  // Mode 2: the subheader's two copies; Form 2's EDC may be absent.
  sector = good;
  sector[15] = 0x02;
  std::memset(&sector[2064], 0, 4);
  EXPECT_EQ(ProbeFinding::kWorks, CheckRawSector(Answered(ReadCdCdb(0), sector)).kind);  // all zero: EDC 0
  sector[18] = 0x20, sector[22] = 0x20;  // Form 2
  const ProbeFinding form2 = CheckRawSector(Answered(ReadCdCdb(0), sector));
  EXPECT_EQ(ProbeFinding::kWorks, form2.kind);
  EXPECT_EQ(std::vector<std::string>{"a Mode 2 Form 2 sector without its optional EDC"}, form2.notes);
  sector[2351] = 0x01;
  EXPECT_EQ(0u, CheckRawSector(Answered(ReadCdCdb(0), sector)).why.find("EDC 01000000h, computed"));
  sector[2351] = 0, sector[22] = 0x00;
  EXPECT_EQ("answers but wrong: the two copies of the subheader differ",
            CheckRawSector(Answered(ReadCdCdb(0), sector)).Text());
  sector[22] = 0x20, sector[23] = 0x01;  // the coding information alone
  EXPECT_EQ(0u, CheckRawSector(Answered(ReadCdCdb(0), sector)).why.find("the two copies of the subheader differ"));
  sector = good;
  sector[15] = 0x00;
  EXPECT_EQ(std::vector<std::string>{"a Mode 0 sector, which has no EDC"},
            CheckRawSector(Answered(ReadCdCdb(0), sector)).notes);

  // Short, and, where the transport does not tell, bytes left as sent.
  EXPECT_EQ("answers but wrong: 2351 bytes came, 2352 asked",
            CheckRawSector(Answered(ReadCdCdb(0), std::vector<BYTE>(good.begin(), good.end() - 1))).Text());
  CommandAnswer untold = Answered(ReadCdCdb(0), std::vector<BYTE>(2352, kUnsentByte));
  untold.outcome.transferred = kTransferUnknown;
  EXPECT_EQ("answers but wrong: no bytes came", CheckRawSector(untold).Text());
  // Told, those bytes came: only they are wrong.
  EXPECT_EQ(0u, CheckRawSector(Answered(ReadCdCdb(0), std::vector<BYTE>(2352, kUnsentByte))).why.find("no sync pattern"));
}

TEST(ProbeTest, RefusalsAreToldInWordsAndWhatWasNotCarriedIsNotTried) {
  CommandAnswer refused = Answered(ReadCdCdb(16), {});
  const BYTE sense[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
  refused.outcome = CommandOutcome::FromStatus(kScsiStatusCheckCondition, sense, sizeof sense, 0);
  EXPECT_EQ("refused (Illegal Request, Invalid command operation code)", CheckRawSector(refused).Text());
  EXPECT_EQ(ProbeFinding::kRefused, CheckC2(refused, true).kind);
  EXPECT_EQ(ProbeFinding::kRefused, CheckSubChannel(refused, false).kind);
  refused.outcome = CommandOutcome::FromStatus(kScsiStatusCheckCondition, nullptr, 0, 0);
  EXPECT_EQ("refused (no sense data)", CheckRawSector(refused).Text());
  refused.outcome = CommandOutcome::FromStatus(0x08, nullptr, 0, 0);
  EXPECT_EQ("refused (status Busy (08h))", CheckRawSector(refused).Text());

  CommandAnswer lost = Answered(ReadCdCdb(16), {});
  lost.outcome = CommandOutcome::NotCarried(CommandOutcome::kTimedOut);
  EXPECT_EQ("not tried: READ CD was not carried: timed out", CheckAudioRepeat(lost, lost).Text());
  // The second read refused after the first answered.
  CommandAnswer again = Answered(ReadCdCdb(20), {});
  again.outcome = CommandOutcome::FromStatus(kScsiStatusCheckCondition, sense, sizeof sense, 0);
  EXPECT_EQ("refused (Illegal Request, Invalid command operation code)",
            CheckAudioRepeat(Answered(ReadCdCdb(20), std::vector<BYTE>(2352, 7)), again).Text());
  const ProbeFinding never = CheckUserData(Answered(ReadCdCdb(16, 0x10), std::vector<BYTE>(2048, 1)), lost);
  EXPECT_EQ("not tried: no READ(10) answer to compare with: not tried: READ(10) was not carried: timed out",
            never.Text());
  EXPECT_EQ("not_tried", std::string(ProbeKindName(never.kind)));
  EXPECT_EQ("wrong", std::string(ProbeKindName(ProbeFinding::kWrong)));
}

TEST(ProbeTest, UserDataMustMatchReadTenAndAudioMustMatchItself) {
  std::vector<BYTE> data(2048);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i * 7);
  const CommandAnswer read10 = Answered({0x28, 0, 0, 0, 0, 16, 0, 0, 1, 0}, data);
  EXPECT_EQ(ProbeFinding::kWorks, CheckUserData(Answered(ReadCdCdb(16, 0x10), data), read10).kind);
  std::vector<BYTE> other = data;
  other[100] ^= 1, other[2047] ^= 1;
  EXPECT_EQ("answers but wrong: differs from READ(10) in 2 bytes, the first at byte 100",
            CheckUserData(Answered(ReadCdCdb(16, 0x10), other), read10).Text());
  EXPECT_EQ("answers but wrong: 2047 bytes came, 2048 asked",
            CheckUserData(Answered(ReadCdCdb(16, 0x10), std::vector<BYTE>(data.begin(), data.end() - 1)), read10).Text());
  EXPECT_EQ("not tried: READ(10) answered short (2047 bytes came, 2048 asked)",
            CheckUserData(Answered(ReadCdCdb(16, 0x10), data),
                          Answered(read10.cdb, std::vector<BYTE>(data.begin(), data.end() - 1))).Text());

  std::vector<BYTE> audio(2352);
  for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<BYTE>(i ^ 0x5A);
  const CommandAnswer first = Answered(ReadCdCdb(20), audio);
  EXPECT_EQ(ProbeFinding::kWorks, CheckAudioRepeat(first, first).kind);
  audio[2351] ^= 0x80;
  EXPECT_EQ("answers but wrong: the two reads differ in 1 of 2352 bytes, the first at byte 2351",
            CheckAudioRepeat(first, Answered(ReadCdCdb(20), audio)).Text());
  audio.pop_back();
  EXPECT_EQ("answers but wrong: 2351 bytes came, 2352 asked", CheckAudioRepeat(first, Answered(ReadCdCdb(20), audio)).Text());
}

TEST(ProbeTest, C2PointersMustComeWholeAndClearOnACleanBlock) {
  std::vector<BYTE> data = ZeroMode1Sector();
  data.resize(2352 + 296, 0);
  EXPECT_EQ(ProbeFinding::kWorks, CheckC2(Answered(ReadCdCdb(0, 0xFC), data), true).kind);
  EXPECT_EQ(ProbeFinding::kWorks,
            CheckC2(Answered(ReadCdCdb(0, 0xFA), std::vector<BYTE>(data.begin(), data.begin() + 2646)), false).kind);
  // QEMU ignores the request: the sector alone.
  const std::vector<BYTE> sector(data.begin(), data.begin() + 2352);
  EXPECT_EQ("answers but wrong: 2352 bytes came, 2646 asked: no C2 pointers",
            CheckC2(Answered(ReadCdCdb(0, 0xFA), sector), false).Text());
  EXPECT_EQ("answers but wrong: 2647 bytes came, 2648 asked",
            CheckC2(Answered(ReadCdCdb(0, 0xFC), std::vector<BYTE>(data.begin(), data.end() - 1)), true).Text());
  std::vector<BYTE> flagged = data;
  flagged[2352] = 0x81, flagged[2352 + 293] = 0x01;
  EXPECT_EQ("answers but wrong: C2 pointers flag 3 of 2352 bytes of a block that read without error",
            CheckC2(Answered(ReadCdCdb(0, 0xFA), flagged), false).Text());
  flagged = data;
  flagged[2352 + 294] = 0x01;
  EXPECT_EQ("answers but wrong: the block error byte is 01h on a block that read without error",
            CheckC2(Answered(ReadCdCdb(0, 0xFC), flagged), true).Text());
  flagged[2352 + 295] = 0xFF;  // the pad byte says nothing
  flagged[2352 + 294] = 0x00;
  EXPECT_EQ(ProbeFinding::kWorks, CheckC2(Answered(ReadCdCdb(0, 0xFC), flagged), true).kind);
  // Two blocks: the second's sector must follow the first's pointers. QEMU's
  // ide-cd sends the sectors alone, and libata tells the whole allocation
  // moved, the rest zero.
  std::vector<BYTE> cdb = ReadCdCdb(0, 0xFA);
  cdb[8] = 2;
  std::vector<BYTE> two = data;
  two.resize(2646);
  two.insert(two.end(), data.begin(), data.begin() + 2646);
  EXPECT_EQ(ProbeFinding::kWorks, CheckC2(Answered(cdb, two), false).kind);
  std::vector<BYTE> plain = sector;
  plain.insert(plain.end(), sector.begin(), sector.end());
  plain.resize(2 * 2646, 0);
  EXPECT_EQ("answers but wrong: no C2 pointers came: the next block's sector starts at byte 2352, where they belong",
            CheckC2(Answered(cdb, plain), false).Text());
  EXPECT_EQ("answers but wrong: 4704 bytes came, 5292 asked: no C2 pointers",
            CheckC2(Answered(cdb, std::vector<BYTE>(plain.begin(), plain.begin() + 4704)), false).Text());
  two[2646] = 0x01;
  EXPECT_EQ("answers but wrong: the next block's sector is not at byte 2646", CheckC2(Answered(cdb, two), false).Text());
  // Not told how many came (ASPI), and the buffer past the sector untouched.
  std::vector<BYTE> untouched = sector;
  untouched.resize(2646, kUnsentByte);
  CommandAnswer untold = Answered(ReadCdCdb(0, 0xFA), untouched);
  untold.outcome.transferred = kTransferUnknown;
  EXPECT_EQ(0u, CheckC2(untold, false).why.find("no C2 pointers came"));
}

TEST(ProbeTest, TheQMustHaveItsCrcAndTheAddressAskedFor) {
  // Track 1, index 1, relative 00:00:16, absolute 00:02:16 (LBA 16).
  std::vector<BYTE> q = {0x41, 0x01, 0x01, 0x00, 0x00, 0x16, 0x00, 0x00, 0x02, 0x16};
  const std::uint16_t crc = QCrc(q.data());
  q.push_back(static_cast<BYTE>(crc >> 8)), q.push_back(static_cast<BYTE>(crc));
  std::vector<BYTE> formatted = ZeroMode1Sector();
  formatted.insert(formatted.end(), q.begin(), q.end());
  formatted.insert(formatted.end(), 4, 0);
  EXPECT_EQ(ProbeFinding::kWorks, CheckSubChannel(Answered(ReadCdCdb(16, 0xF8, 2), formatted), false).kind);
  std::vector<BYTE> raw = ZeroMode1Sector();
  const std::vector<BYTE> rawQ = RawOfQ(q);
  raw.insert(raw.end(), rawQ.begin(), rawQ.end());
  EXPECT_EQ(ProbeFinding::kWorks, CheckSubChannel(Answered(ReadCdCdb(16, 0xF8, 1), raw), true).kind);

  EXPECT_EQ("answers but wrong: Q address 00:02:16, off by -1 from 00:02:17",
            CheckSubChannel(Answered(ReadCdCdb(17, 0xF8, 2), formatted), false).Text());
  std::vector<BYTE> bad = formatted;
  bad[2352 + 11] ^= 0x01;
  char crcWords[64];
  std::snprintf(crcWords, sizeof crcWords, "answers but wrong: Q CRC %04Xh, computed %04Xh", crc ^ 1u, crc + 0u);
  EXPECT_EQ(crcWords, CheckSubChannel(Answered(ReadCdCdb(16, 0xF8, 2), bad), false).Text());
  // A formatted Q may leave its CRC out; the raw one may not.
  bad[2352 + 10] = bad[2352 + 11] = 0;
  const ProbeFinding noCrc = CheckSubChannel(Answered(ReadCdCdb(16, 0xF8, 2), bad), false);
  EXPECT_EQ(ProbeFinding::kWorks, noCrc.kind);
  EXPECT_EQ(std::vector<std::string>{"the formatted Q gives no CRC"}, noCrc.notes);
  std::vector<BYTE> q0 = q;
  q0[10] = q0[11] = 0;
  std::vector<BYTE> rawBad = ZeroMode1Sector();
  const std::vector<BYTE> rawQ0 = RawOfQ(q0);
  rawBad.insert(rawBad.end(), rawQ0.begin(), rawQ0.end());
  EXPECT_EQ(0u, CheckSubChannel(Answered(ReadCdCdb(16, 0xF8, 1), rawBad), true).why.find("Q CRC 0000h"));

  // ADR 2 carries no address; ADR 0 no position; an address not in BCD.
  std::vector<BYTE> mcn = {0x42, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x30, 0x00, 0x16};
  const std::uint16_t mcnCrc = QCrc(mcn.data());
  mcn.push_back(static_cast<BYTE>(mcnCrc >> 8)), mcn.push_back(static_cast<BYTE>(mcnCrc));
  std::vector<BYTE> withMcn = ZeroMode1Sector();
  withMcn.insert(withMcn.end(), mcn.begin(), mcn.end());
  withMcn.insert(withMcn.end(), 4, 0);
  const ProbeFinding catalogue = CheckSubChannel(Answered(ReadCdCdb(16, 0xF8, 2), withMcn), false);
  EXPECT_EQ(ProbeFinding::kWorks, catalogue.kind);
  EXPECT_EQ(std::vector<std::string>{"the Q frame holds the media catalogue number, not its address"}, catalogue.notes);
  std::vector<BYTE> zero = ZeroMode1Sector();
  zero.resize(2368, 0);
  EXPECT_EQ("answers but wrong: Q mode (ADR) 0, which gives no position",
            CheckSubChannel(Answered(ReadCdCdb(16, 0xF8, 2), zero), false).Text());
  std::vector<BYTE> hexAddress = {0x41, 0x01, 0x01, 0x00, 0x00, 0x16, 0x00, 0x00, 0x02, 0x1A};
  const std::uint16_t hexCrc = QCrc(hexAddress.data());
  hexAddress.push_back(static_cast<BYTE>(hexCrc >> 8)), hexAddress.push_back(static_cast<BYTE>(hexCrc));
  std::vector<BYTE> notBcd = ZeroMode1Sector();
  notBcd.insert(notBcd.end(), hexAddress.begin(), hexAddress.end());
  notBcd.insert(notBcd.end(), 4, 0);
  EXPECT_EQ("answers but wrong: Q address 00 02 1A is not BCD",
            CheckSubChannel(Answered(ReadCdCdb(16, 0xF8, 2), notBcd), false).Text());

  // QEMU ignores the request: no sub-channel bytes, the next sector at once.
  EXPECT_EQ("answers but wrong: 2352 bytes came, 2448 asked: no sub-channel",
            CheckSubChannel(Answered(ReadCdCdb(16, 0xF8, 1), ZeroMode1Sector()), true).Text());
  std::vector<BYTE> cdb = ReadCdCdb(16, 0xF8, 2);
  cdb[8] = 2;
  std::vector<BYTE> sectors = ZeroMode1Sector();
  sectors.resize(2352 * 2 + 2 * 16, 0);
  std::copy(sectors.begin(), sectors.begin() + 12, sectors.begin() + 2352);
  EXPECT_EQ("answers but wrong: no sub-channel came: the next block's sector starts at byte 2352, where they belong",
            CheckSubChannel(Answered(cdb, sectors), false).Text());
  std::vector<BYTE> both = formatted;
  both.insert(both.end(), formatted.begin(), formatted.end());
  EXPECT_EQ(ProbeFinding::kWorks, CheckSubChannel(Answered(cdb, both), false).kind);
}

}  // namespace
