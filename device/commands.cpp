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
    default:
      return 0;
  }
}
