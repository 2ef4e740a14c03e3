// quillanor-report: what the window shows, for every drive at once, as text
// or as one JSON document, for scripts, inventories and machines without a
// desktop. In parts: the options (options.h), the collection of what each
// drive answers (collect.h), and the two forms that render it.
#pragma once

#include <string>
#include <vector>

#include "app/report/collect.h"
#include "app/report/json_writer.h"
#include "app/report/options.h"

// Exit statuses of the command.
const int kReportAllAnswered = 0;
const int kReportSomeFailed = 1;
const int kReportCannotRun = 2;

// The text form, appended: a block per drive, the window's texts.
void WriteTextReport(std::string& out, const std::vector<DriveReport>& drives);
// The JSON form, appended: one document naming every field of every drive
// (docs/report.schema.json). With `detail`, each drive also has what the
// detail decodes, and the raw answer and outcome of every command sent.
struct JsonReportOptions {
  const char* version = "0";
  bool detail = false;
  bool probe = false;  // a member "probe" for each drive
  bool redacted = false;
};
void WriteJsonReport(std::string& out, const std::vector<DriveReport>& drives, const JsonReportOptions& options);
// --list: one line per drive under a header, tab-separated, or with `json`
// an array of objects of the same fields.
void WriteDriveList(std::string& out, const std::vector<DriveReport>& drives, bool json);
// A drive's connection as a member "connection" of the object being
// written: null when the system told nothing.
void WriteConnection(JsonWriter& json, const DriveConnection& connection);
// Why a command gave no answer: "<command> refused: <the sense line>", "...
// ended with status N", "... was not carried: <why>".
std::string CommandFailure(const char* command, const CommandOutcome& outcome);

// The whole command: options, the device list, the output, appended to out
// and err. Returns the exit status. The problems that the device list
// reports, which the window would show in boxes, go to err.
int RunReport(int argc, const char* const* argv, std::string* out, std::string* err);
