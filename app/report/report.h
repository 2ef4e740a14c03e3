// quillanor-report: what the window shows, for every drive at once, as text
// or as one JSON document, for scripts, inventories and machines without a
// desktop.
#pragma once

#include <string>
#include <vector>

#include "interrogation/capabilities.h"
#include "interrogation/configuration.h"
#include "interrogation/drive_detail.h"

// One drive as the window would show it, with the query's result behind it.
struct DriveReport {
  int index;
  std::string vendor;
  std::string product;
  CapabilitiesResult capabilities;
  // With --detail, for a drive that answered: the rest of its page and its
  // media profiles.
  bool detailed;
  MechanismDetail mechanism;
  ProfilesResult profiles;

  // The tree text: vendor, one blank, product.
  std::string Name() const { return vendor + " " + product; }
};

// Exit statuses of the command.
const int kReportAllAnswered = 0;
const int kReportSomeFailed = 1;
const int kReportCannotRun = 2;

// Queries every drive of the list, in index order; with `detail`, also the
// drive's profiles (one more command per drive that answered).
std::vector<DriveReport> CollectReport(DeviceList& devices, bool detail = false);
// One drive, as CollectReport would give it.
DriveReport CollectDrive(DeviceList& devices, int index, bool detail);
// The text form, appended: a block per drive, the window's texts.
void WriteTextReport(std::string& out, const std::vector<DriveReport>& drives);
// The JSON form, appended: one document naming every field of every drive.
// With `detail`, each drive also has "mechanism" and "configuration".
void WriteJsonReport(std::string& out, const std::vector<DriveReport>& drives, const char* version,
                     bool detail = false);
// A JSON string literal of 8-bit text: every byte outside printable ASCII is
// escaped, so drive names of any bytes still make valid JSON.
std::string JsonString(const std::string& text);

// The whole command: options, the device list, the output, appended to out
// and err. Returns the exit status. The problems that the device list
// reports, which the window would show in boxes, go to err.
int RunReport(int argc, const char* const* argv, std::string* out, std::string* err);
