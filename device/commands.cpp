#include "device/commands.h"

#include <cstring>

namespace {

DriveCommand FromDrive(const BYTE* cdb, std::size_t cdbLength, std::size_t senseRoom, BYTE* answer,
                       std::size_t length) {
  DriveCommand command;
  std::memset(command.cdb, 0, sizeof(command.cdb));
  std::memcpy(command.cdb, cdb, cdbLength);
  command.cdbLength = cdbLength;
  command.direction = DriveCommand::kFromDrive;
  std::memset(answer, 0, length);
  command.buffer = answer;
  command.length = length;
  command.timeoutSeconds = kCommandTimeOutSeconds;
  command.senseRoom = senseRoom;
  return command;
}

std::size_t Word(const std::vector<BYTE>& cdb, std::size_t at) {
  return cdb.size() < at + 2 ? 0 : (static_cast<std::size_t>(cdb[at]) << 8) | cdb[at + 1];
}

}  // namespace

DriveCommand InquiryCommand(BYTE* answer) {
  const BYTE cdb[6] = {kInquiryOperation, 0x00, 0x00, 0x00, static_cast<BYTE>(kInquiryAnswerLength), 0x00};
  return FromDrive(cdb, sizeof(cdb), 32, answer, kInquiryAnswerLength);
}

DriveCommand ModeSenseCommand(BYTE* answer) {
  const BYTE cdb[10] = {kModeSense10Operation, 0x08, kCapabilitiesPageCode, 0x00, 0x00, 0x00, 0x00,
                        static_cast<BYTE>(kModeSenseAnswerLength >> 8), static_cast<BYTE>(kModeSenseAnswerLength),
                        0x00};
  return FromDrive(cdb, sizeof(cdb), 14, answer, kModeSenseAnswerLength);
}

DriveCommand ConfigurationCommand(BYTE* answer, BYTE requestType, WORD startingFeature, WORD allocation) {
  const BYTE cdb[10] = {kGetConfigurationOperation,
                        static_cast<BYTE>(requestType & 0x03),
                        static_cast<BYTE>(startingFeature >> 8),
                        static_cast<BYTE>(startingFeature),
                        0x00,
                        0x00,
                        0x00,
                        static_cast<BYTE>(allocation >> 8),
                        static_cast<BYTE>(allocation),
                        0x00};
  return FromDrive(cdb, sizeof(cdb), 14, answer, allocation);
}

DriveCommand PerformanceCommand(BYTE* answer, BYTE dataType, BYTE type, WORD descriptors) {
  const BYTE cdb[12] = {kGetPerformanceOperation, dataType, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                        static_cast<BYTE>(descriptors >> 8), static_cast<BYTE>(descriptors), type, 0x00};
  return FromDrive(cdb, sizeof(cdb), 14, answer, PerformanceLength(descriptors));
}

DriveCommand DiscInformationCommand(BYTE* answer) {
  const BYTE cdb[10] = {kReadDiscInformationOperation, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                        static_cast<BYTE>(kDiscInformationAnswerLength >> 8),
                        static_cast<BYTE>(kDiscInformationAnswerLength), 0x00};
  return FromDrive(cdb, sizeof(cdb), 14, answer, kDiscInformationAnswerLength);
}

DriveCommand TocCommand(BYTE* answer, BYTE format, WORD allocation) {
  const BYTE cdb[10] = {kReadTocOperation, 0x00, static_cast<BYTE>(format & 0x0F), 0x00, 0x00, 0x00, 0x00,
                        static_cast<BYTE>(allocation >> 8), static_cast<BYTE>(allocation), 0x00};
  return FromDrive(cdb, sizeof(cdb), 14, answer, allocation);
}

DriveCommand CapacityCommand(BYTE* answer) {
  const BYTE cdb[10] = {kReadCapacityOperation, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  return FromDrive(cdb, sizeof(cdb), 14, answer, kCapacityAnswerLength);
}

DriveCommand DiscStructureCommand(BYTE* answer, BYTE mediaType, BYTE format, WORD allocation) {
  const BYTE cdb[12] = {kReadDiscStructureOperation, mediaType, 0x00, 0x00, 0x00, 0x00, 0x00, format,
                        static_cast<BYTE>(allocation >> 8), static_cast<BYTE>(allocation), 0x00, 0x00};
  return FromDrive(cdb, sizeof(cdb), 14, answer, allocation);
}

DriveCommand RpcStateCommand(BYTE* answer) {
  const BYTE cdb[12] = {kReportKeyOperation, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                        static_cast<BYTE>(kRpcStateAnswerLength >> 8), static_cast<BYTE>(kRpcStateAnswerLength),
                        kRpcStateFormat, 0x00};
  return FromDrive(cdb, sizeof(cdb), 14, answer, kRpcStateAnswerLength);
}

namespace {
void PutLba(BYTE* at, std::uint32_t lba) {
  at[0] = static_cast<BYTE>(lba >> 24), at[1] = static_cast<BYTE>(lba >> 16);
  at[2] = static_cast<BYTE>(lba >> 8), at[3] = static_cast<BYTE>(lba);
}
}  // namespace

DriveCommand Read10Command(BYTE* answer, std::uint32_t lba) {
  BYTE cdb[10] = {kRead10Operation, 0, 0, 0, 0, 0, 0, 0x00, 0x01, 0x00};
  PutLba(cdb + 2, lba);
  return FromDrive(cdb, sizeof(cdb), 18, answer, kUserDataLength);
}

std::size_t ReadCdBlockLength(const std::vector<BYTE>& cdb) {
  if (cdb.size() < 12 || cdb[0] != kReadCdOperation) return 0;
  const BYTE fields = cdb[9];
  std::size_t length = 0;
  if (((cdb[1] >> 2) & 0x07) == kCdDaSector) {
    if (fields & 0xF8) length = kRawSectorLength;
  } else {
    // A Mode 1 sector: sync 12, header 4, no subheader, user data, EDC, 8 zero bytes and ECC 288.
    if (fields & 0x80) length += 12;
    if (fields & 0x20) length += 4;
    if (fields & 0x10) length += kUserDataLength;
    if (fields & 0x08) length += 288;
  }
  switch ((fields >> 1) & 0x03) {
    case 1: length += kC2PointersLength; break;
    case 2: length += kC2BlockErrorLength; break;
    case 3: return 0;
    default: break;
  }
  switch (cdb[10] & 0x07) {
    case 0: break;
    case 1: case 4: length += kRawSubChannelLength; break;
    case 2: length += kFormattedQLength; break;
    default: return 0;
  }
  return length;
}

DriveCommand ReadCdCommand(BYTE* answer, BYTE sectorType, std::uint32_t lba, BYTE blocks, BYTE fields,
                           BYTE subChannel) {
  BYTE cdb[12] = {kReadCdOperation, static_cast<BYTE>(sectorType << 2), 0, 0, 0, 0, 0x00, 0x00, blocks, fields,
                  subChannel, 0x00};
  PutLba(cdb + 2, lba);
  const std::size_t length = AllocationLength(std::vector<BYTE>(cdb, cdb + sizeof(cdb)));
  DriveCommand command = FromDrive(cdb, sizeof(cdb), 18, answer, length);
  std::memset(answer, kUnsentByte, length);
  return command;
}

CommandAnswer AnswerOf(const DriveCommand& command, const CommandOutcome& outcome) {
  CommandAnswer answer;
  answer.sent = true;
  answer.cdb.assign(command.cdb, command.cdb + command.cdbLength);
  answer.outcome = outcome;
  if (!outcome.Good()) return answer;
  const BYTE* bytes = static_cast<const BYTE*>(command.buffer);
  std::size_t size = command.length;
  if (outcome.transferred != kTransferUnknown && static_cast<std::size_t>(outcome.transferred) < size)
    size = static_cast<std::size_t>(outcome.transferred);
  if (bytes != nullptr) answer.data.assign(bytes, bytes + size);
  return answer;
}

std::size_t PerformanceLength(std::size_t descriptors) {
  return kPerformanceHeaderLength + kPerformanceDescriptorLength * descriptors;
}

std::size_t AllocationLength(const std::vector<BYTE>& cdb) {
  if (cdb.empty()) return 0;
  switch (cdb[0]) {
    case kInquiryOperation:
      return Word(cdb, 3);
    case kModeSense10Operation:
    case kGetConfigurationOperation:
    case kReadDiscInformationOperation:
    case kReadTocOperation:
      return Word(cdb, 7);
    case kReadDiscStructureOperation:
    case kReportKeyOperation:
      return Word(cdb, 8);
    case kReadCapacityOperation:
      return kCapacityAnswerLength;
    case kGetPerformanceOperation:
      return cdb.size() < 10 ? 0 : PerformanceLength(Word(cdb, 8));
    case kRead10Operation:
      return Word(cdb, 7) * kUserDataLength;
    case kReadCdOperation:
      return cdb.size() < 12 ? 0 : ((std::size_t{cdb[6]} << 16) | Word(cdb, 7)) * ReadCdBlockLength(cdb);
    default:
      return 0;
  }
}
