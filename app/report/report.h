// quillanor-report: what the window shows, for every drive at once, as text
// or as one JSON document, for scripts, inventories and machines without a
// desktop.
#pragma once

#include <string>
#include <vector>

#include "interrogation/capabilities.h"

// One drive as the window would show it, with the query's result behind it.
struct DriveReport {
  int index;
  std::string vendor;
  std::string product;
  CapabilitiesResult capabilities;

  // The tree text: vendor, one blank, product.
  std::string Name() const { return vendor + " " + product; }
};

// Exit statuses of the command.
const int kReportAllAnswered = 0;
const int kReportSomeFailed = 1;
const int kReportCannotRun = 2;

// Queries every drive of the list, in index order.
std::vector<DriveReport> CollectReport(DeviceList& devices);
// The text form, appended: a block per drive, the window's texts.
void WriteTextReport(std::string& out, const std::vector<DriveReport>& drives);
// The JSON form, appended: one document naming every field of every drive.
void WriteJsonReport(std::string& out, const std::vector<DriveReport>& drives, const char* version);
// A JSON string literal of 8-bit text: every byte outside printable ASCII is
// escaped, so drive names of any bytes still make valid JSON.
std::string JsonString(const std::string& text);

// The whole command: options, the device list, the output, appended to out
// and err. Returns the exit status. The problems that the device list
// reports, which the window would show in boxes, go to err.
int RunReport(int argc, const char* const* argv, std::string* out, std::string* err);
