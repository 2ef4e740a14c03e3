// quillanor-report: what the window shows, for every drive at once, as text
// or as one JSON document, for scripts, inventories and machines without a
// desktop.
#pragma once

#include <string>
#include <vector>

#include "device/device_list.h"

// One drive as the window would show it, with the raw bytes behind it.
struct DriveReport {
  int index;
  std::string vendor;
  std::string product;
  bool answered;                            // the page came back, so the rows hold
  int scsiStatus;                           // the drive's status byte; -1 when none came back
  std::vector<unsigned char> capabilities;  // page bytes 2 to 7 when answered
  std::vector<unsigned char> sense;         // the sense bytes after CHECK CONDITION
  std::vector<std::pair<std::string, std::string> > rows;  // label, YES or NO
  std::vector<std::string> failure;                        // the failure lines otherwise

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
// and err. Returns the exit status. Message boxes of the device list go to
// err while it runs.
int RunReport(int argc, const char* const* argv, std::string* out, std::string* err);
