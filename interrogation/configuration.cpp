#include "interrogation/configuration.h"

#include <cstring>
#include <vector>

ProfilesResult QueryProfiles(DeviceList& devices, int index) {
  std::vector<BYTE> answer(kConfigurationAnswerLength, 0);
  ScsiRequest request;
  InitScsiRequest(&request, 10, 14, SCSI_IOCTL_DATA_IN, answer.data(), kConfigurationAnswerLength);
  // RT 2: the feature named by the starting feature number alone, 0000h the
  // Profile List; allocation length 512.
  const BYTE cdb[10] = {0x46, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00};
  std::memcpy(request.Header.Cdb, cdb, sizeof(cdb));
  ProfilesResult result;
  result.outcome = devices.ExecuteRequest(index, &request);
  result.detail.decoded = false;
  result.detail.currentProfile = kAbsent;
  result.detail.listFound = false;
  if (result.outcome.Good()) {
    ULONG received = request.Header.DataTransferLength;
    if (received > kConfigurationAnswerLength) received = kConfigurationAnswerLength;
    result.detail = DecodeProfiles(answer.data(), received);
  }
  return result;
}
