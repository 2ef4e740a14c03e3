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
