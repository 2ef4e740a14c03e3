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
