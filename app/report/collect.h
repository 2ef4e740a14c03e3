// What the report asks of each drive, kept as data for the text and JSON
// forms to render.
#pragma once

#include <string>
#include <vector>

#include "interrogation/capabilities.h"
#include "interrogation/configuration.h"
#include "interrogation/drive_detail.h"

// One drive as the window would show it, with the answers behind it.
struct DriveReport {
  int index = 0;
  std::string vendor;
  std::string product;
  CommandAnswer modeSense;          // the capabilities page, as it came
  CapabilitiesResult capabilities;  // the rows, or the failure lines
  // With --detail, for a drive that answered: the rest of its page (from
  // the same answer) and its media profiles.
  bool detailed = false;
  MechanismDetail mechanism = MechanismDetail();
  ProfilesResult profiles = ProfilesResult();

  // The tree text: vendor, one blank, product.
  std::string Name() const { return vendor + " " + product; }
};

// Queries one drive; with `detail`, also its profiles (one more command,
// when the drive answered the first).
DriveReport CollectDrive(DeviceList& devices, int index, bool detail);
// Every drive of the list, in index order.
std::vector<DriveReport> CollectReport(DeviceList& devices, bool detail = false);
