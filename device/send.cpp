#include "device/send.h"

#include <memory>

CommandAnswer SendRequest(DeviceList& devices, int index, const DriveCommand& command) {
  return AnswerOf(command, devices.Execute(index, command));
}

CommandAnswer ModeSenseCapabilities(DeviceList& devices, int index) {
  BYTE buffer[kModeSenseAnswerLength];
  return SendRequest(devices, index, ModeSenseCommand(buffer));
}

CommandAnswer GetConfiguration(DeviceList& devices, int index, BYTE requestType, WORD startingFeature,
                               WORD allocation) {
  // Up to 64 KB: zeroed once, by the builder.
  std::unique_ptr<BYTE[]> buffer(new BYTE[allocation == 0 ? 1 : allocation]);
  return SendRequest(devices, index, ConfigurationCommand(buffer.get(), requestType, startingFeature, allocation));
}

CommandAnswer GetPerformance(DeviceList& devices, int index, BYTE dataType, BYTE type, WORD descriptors) {
  std::vector<BYTE> buffer(PerformanceLength(descriptors));
  return SendRequest(devices, index, PerformanceCommand(buffer.data(), dataType, type, descriptors));
}

CommandAnswer ReadDiscInformation(DeviceList& devices, int index) {
  BYTE buffer[kDiscInformationAnswerLength];
  return SendRequest(devices, index, DiscInformationCommand(buffer));
}

CommandAnswer ReadToc(DeviceList& devices, int index, BYTE format, WORD allocation) {
  std::vector<BYTE> buffer(allocation == 0 ? 1 : allocation);
  return SendRequest(devices, index, TocCommand(buffer.data(), format, allocation));
}

CommandAnswer ReadCapacity(DeviceList& devices, int index) {
  BYTE buffer[kCapacityAnswerLength];
  return SendRequest(devices, index, CapacityCommand(buffer));
}

CommandAnswer ReadDiscStructure(DeviceList& devices, int index, BYTE mediaType, BYTE format, WORD allocation) {
  std::vector<BYTE> buffer(allocation == 0 ? 1 : allocation);
  return SendRequest(devices, index, DiscStructureCommand(buffer.data(), mediaType, format, allocation));
}

CommandAnswer ReportRpcState(DeviceList& devices, int index) {
  BYTE buffer[kRpcStateAnswerLength];
  return SendRequest(devices, index, RpcStateCommand(buffer));
}

CommandAnswer ReadUserData(DeviceList& devices, int index, std::uint32_t lba) {
  std::vector<BYTE> buffer(kUserDataLength);
  return SendRequest(devices, index, Read10Command(buffer.data(), lba));
}

CommandAnswer ReadCd(DeviceList& devices, int index, BYTE sectorType, std::uint32_t lba, BYTE blocks, BYTE fields,
                     BYTE subChannel) {
  std::vector<BYTE> buffer((blocks ? blocks : 1) * std::size_t{kRawSectorLength + kC2BlockErrorLength + kRawSubChannelLength});
  return SendRequest(devices, index, ReadCdCommand(buffer.data(), sectorType, lba, blocks, fields, subChannel));
}
