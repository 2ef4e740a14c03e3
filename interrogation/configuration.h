// GET CONFIGURATION (46h) for the Profile List feature: the media profiles a
// drive names, for the report's detail. Older drives refuse the command;
// the outcome says so.
#pragma once

#include "device/commands.h"
#include "interrogation/drive_detail.h"

struct ProfilesResult {
  CommandOutcome outcome;
  ProfileDetail detail;  // decoded when the drive answered GOOD
};

// The profiles of a GET CONFIGURATION answer, decoded when the drive answered GOOD.
ProfilesResult InterpretProfiles(const CommandAnswer& answer);
