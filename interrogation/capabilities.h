// The capabilities query: MODE SENSE(10) of the CD/DVD capabilities page,
// and what its outcome comes to: 24 YES/NO rows, or failure lines with the
// sense text. The result is data; the window and the report each show it.
#pragma once

#include <string>
#include <vector>

#include "device/device_list.h"
#include "framework/cstring.h"

const int kCapabilityRowCount = 24;
const int kCapabilityPageBytes = 6;  // page bytes 2 to 7, all that the rows read

struct CapabilityRow {
  const char* label;
  int pageByte;
  int bit;
};

// The rows, in the order they are shown (not the order of the page).
extern const CapabilityRow kCapabilityRows[kCapabilityRowCount];

extern const char kModeSenseFailure[];
extern const char kCommandNotSupported[];

// One row as shown: its label and whether the drive said yes.
struct CapabilityValue {
  const char* label;
  bool yes;
  const char* Text() const { return yes ? "YES" : "NO"; }
};

// What one query came to.
struct CapabilitiesResult {
  CommandOutcome outcome;             // the command's outcome, with its status and sense bytes
  BYTE page[kCapabilityPageBytes];    // page bytes 2 to 7 when answered, else 0
  std::vector<CapabilityValue> rows;  // when answered: the 24 rows, in display order
  std::vector<CString> failure;       // otherwise: the failure line, and after CHECK CONDITION the sense line

  bool Answered() const { return outcome.Good(); }
};

// The line that explains a CHECK CONDITION from its fixed-format sense bytes.
CString SenseText(const BYTE* sense);
// The result of a query from its outcome and the `received` bytes of its
// answer, which are read only when the drive answered GOOD; page byte n
// stands at answer byte 8 + n, whatever the header says, and reads 0 when
// it did not come.
CapabilitiesResult InterpretCapabilities(const CommandOutcome& outcome, const BYTE* answer, std::size_t received);
CapabilitiesResult InterpretCapabilities(const CommandAnswer& answer);
// For the report, why the rows of a GOOD answer may not describe the
// capabilities page: its page code (byte 8, bits 5-0) is not 2Ah, or its
// header declares block descriptors (bytes 6-7). The rows stay as they are.
std::vector<std::string> CapabilityRowNotes(const BYTE* answer, std::size_t received);
// The window's query: the record of MODE SENSE(10) sent to drive `index`
// through ExecuteRequest, and what came back in it. An index not below the
// count is a failure; a negative one raises.
CapabilitiesResult QueryCapabilities(DeviceList& devices, int index);
