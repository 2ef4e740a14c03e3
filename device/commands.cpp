#include "device/commands.h"

#include <cstring>
#include <memory>

void BuildInquiryRequest(ScsiRequest* request, BYTE* answer) {
  std::memset(answer, 0, kInquiryAnswerLength);
  InitScsiRequest(request, 6, 32, SCSI_IOCTL_DATA_IN, answer, kInquiryAnswerLength);
  const BYTE cdb[6] = {0x12, 0x00, 0x00, 0x00, static_cast<BYTE>(kInquiryAnswerLength), 0x00};
  std::memcpy(request->Header.Cdb, cdb, sizeof(cdb));
}

void BuildModeSenseRequest(ScsiRequest* request, BYTE* answer) {
  std::memset(answer, 0, kModeSenseAnswerLength);
  InitScsiRequest(request, 10, 14, SCSI_IOCTL_DATA_IN, answer, kModeSenseAnswerLength);
  const BYTE cdb[10] = {0x5A, 0x08, kCapabilitiesPageCode, 0x00, 0x00, 0x00, 0x00,
                        static_cast<BYTE>(kModeSenseAnswerLength >> 8), static_cast<BYTE>(kModeSenseAnswerLength),
                        0x00};
  std::memcpy(request->Header.Cdb, cdb, sizeof(cdb));
}

void BuildConfigurationRequest(ScsiRequest* request, BYTE* answer, BYTE requestType, WORD startingFeature,
                               WORD allocation) {
  std::memset(answer, 0, allocation);
  InitScsiRequest(request, 10, 14, SCSI_IOCTL_DATA_IN, answer, allocation);
  const BYTE cdb[10] = {0x46,
                        static_cast<BYTE>(requestType & 0x03),
                        static_cast<BYTE>(startingFeature >> 8),
                        static_cast<BYTE>(startingFeature),
                        0x00,
                        0x00,
                        0x00,
                        static_cast<BYTE>(allocation >> 8),
                        static_cast<BYTE>(allocation),
                        0x00};
  std::memcpy(request->Header.Cdb, cdb, sizeof(cdb));
}

void BuildPerformanceRequest(ScsiRequest* request, BYTE* answer, BYTE dataType, BYTE type, WORD descriptors) {
  const ULONG length = 8 + 16 * static_cast<ULONG>(descriptors);
  std::memset(answer, 0, length);
  InitScsiRequest(request, 12, 14, SCSI_IOCTL_DATA_IN, answer, length);
  const BYTE cdb[12] = {0xAC, dataType, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                        static_cast<BYTE>(descriptors >> 8), static_cast<BYTE>(descriptors), type, 0x00};
  std::memcpy(request->Header.Cdb, cdb, sizeof(cdb));
}

CommandAnswer SendRequest(DeviceList& devices, int index, ScsiRequest* request) {
  CommandAnswer answer;
  answer.sent = true;
  answer.cdb.assign(request->Header.Cdb, request->Header.Cdb + request->Header.CdbLength);
  answer.outcome = devices.ExecuteRequest(index, request);
  if (!answer.outcome.Good()) return answer;
  const BYTE* bytes = static_cast<const BYTE*>(request->Header.DataBuffer);
  std::size_t size = request->Header.DataTransferLength;
  if (answer.outcome.transferred != kTransferUnknown && static_cast<std::size_t>(answer.outcome.transferred) < size)
    size = static_cast<std::size_t>(answer.outcome.transferred);
  if (bytes != nullptr) answer.data.assign(bytes, bytes + size);
  return answer;
}

CommandAnswer Inquiry(DeviceList& devices, int index) {
  BYTE buffer[kInquiryAnswerLength];
  ScsiRequest request;
  BuildInquiryRequest(&request, buffer);
  return SendRequest(devices, index, &request);
}

CommandAnswer ModeSenseCapabilities(DeviceList& devices, int index) {
  BYTE buffer[kModeSenseAnswerLength];
  ScsiRequest request;
  BuildModeSenseRequest(&request, buffer);
  return SendRequest(devices, index, &request);
}

CommandAnswer GetConfiguration(DeviceList& devices, int index, BYTE requestType, WORD startingFeature,
                               WORD allocation) {
  // Up to 64 KB: zeroed once, by the builder.
  std::unique_ptr<BYTE[]> buffer(new BYTE[allocation == 0 ? 1 : allocation]);
  ScsiRequest request;
  BuildConfigurationRequest(&request, buffer.get(), requestType, startingFeature, allocation);
  return SendRequest(devices, index, &request);
}

CommandAnswer GetPerformance(DeviceList& devices, int index, BYTE dataType, BYTE type, WORD descriptors) {
  std::vector<BYTE> buffer(8 + 16 * static_cast<std::size_t>(descriptors));
  ScsiRequest request;
  BuildPerformanceRequest(&request, buffer.data(), dataType, type, descriptors);
  return SendRequest(devices, index, &request);
}
