#include "interrogation/configuration.h"

ProfilesResult InterpretProfiles(const CommandAnswer& answer) {
  ProfilesResult result;
  result.outcome = answer.outcome;
  result.detail.decoded = false;
  result.detail.currentProfile = kAbsent;
  result.detail.listFound = false;
  if (answer.Good()) result.detail = DecodeProfiles(answer.data.empty() ? nullptr : &answer.data[0], answer.data.size());
  return result;
}

ProfilesResult QueryProfiles(DeviceList& devices, int index) {
  // RT 2: the feature named by the starting feature number alone, 0000h the
  // Profile List.
  return InterpretProfiles(GetConfiguration(devices, index, 2, 0x0000, kConfigurationAnswerLength));
}
