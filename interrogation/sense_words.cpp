#include "interrogation/sense_words.h"

#include <cstdio>

namespace {

const char* const kKeys[16] = {"No Sense",        "Recovered Error", "Not Ready",       "Medium Error",
                               "Hardware Error",  "Illegal Request", "Unit Attention",  "Data Protect",
                               "Blank Check",     "Vendor Specific", "Copy Aborted",    "Aborted Command",
                               "Equal",           "Volume Overflow", "Miscompare",      "Completed"};

struct Code {
  unsigned char asc, ascq;
  const char* words;
};

// The pairs a CD/DVD drive is seen to answer with (SPC and MMC's tables).
const Code kCodes[] = {
    {0x00, 0x00, "No additional sense information"},
    {0x04, 0x00, "Logical unit not ready, cause not reportable"},
    {0x04, 0x01, "Logical unit is in process of becoming ready"},
    {0x04, 0x02, "Logical unit not ready, initializing command required"},
    {0x04, 0x03, "Logical unit not ready, manual intervention required"},
    {0x04, 0x04, "Logical unit not ready, format in progress"},
    {0x04, 0x07, "Logical unit not ready, operation in progress"},
    {0x04, 0x08, "Logical unit not ready, long write in progress"},
    {0x06, 0x00, "No reference position found"},
    {0x08, 0x00, "Logical unit communication failure"},
    {0x08, 0x01, "Logical unit communication time-out"},
    {0x09, 0x00, "Track following error"},
    {0x0C, 0x00, "Write error"},
    {0x11, 0x00, "Unrecovered read error"},
    {0x11, 0x05, "L-EC uncorrectable error"},
    {0x11, 0x06, "CIRC unrecovered error"},
    {0x15, 0x00, "Random positioning error"},
    {0x1A, 0x00, "Parameter list length error"},
    {0x20, 0x00, "Invalid command operation code"},
    {0x21, 0x00, "Logical block address out of range"},
    {0x24, 0x00, "Invalid field in CDB"},
    {0x25, 0x00, "Logical unit not supported"},
    {0x26, 0x00, "Invalid field in parameter list"},
    {0x27, 0x00, "Write protected"},
    {0x28, 0x00, "Not ready to ready change, medium may have changed"},
    {0x29, 0x00, "Power on, reset, or bus device reset occurred"},
    {0x2A, 0x01, "Mode parameters changed"},
    {0x2C, 0x00, "Command sequence error"},
    {0x30, 0x00, "Incompatible medium installed"},
    {0x30, 0x01, "Cannot read medium, unknown format"},
    {0x30, 0x02, "Cannot read medium, incompatible format"},
    {0x30, 0x05, "Cannot write medium, incompatible format"},
    {0x31, 0x00, "Medium format corrupted"},
    {0x39, 0x00, "Saving parameters not supported"},
    {0x3A, 0x00, "Medium not present"},
    {0x3A, 0x01, "Medium not present, tray closed"},
    {0x3A, 0x02, "Medium not present, tray open"},
    {0x3E, 0x00, "Logical unit has not self-configured yet"},
    {0x44, 0x00, "Internal target failure"},
    {0x47, 0x00, "SCSI parity error"},
    {0x4E, 0x00, "Overlapped commands attempted"},
    {0x53, 0x00, "Media load or eject failed"},
    {0x53, 0x02, "Medium removal prevented"},
    {0x57, 0x00, "Unable to recover table-of-contents"},
    {0x5A, 0x01, "Operator medium removal request"},
    {0x63, 0x00, "End of user area encountered on this track"},
    {0x64, 0x00, "Illegal mode for this track"},
    {0x6F, 0x00, "Copy protection key exchange failure, authentication failure"},
    {0x6F, 0x01, "Copy protection key exchange failure, key not present"},
    {0x6F, 0x02, "Copy protection key exchange failure, key not established"},
    {0x6F, 0x03, "Read of scrambled sector without authentication"},
    {0x6F, 0x04, "Media region code is mismatched to logical unit region"},
    {0x72, 0x00, "Session fixation error"},
    {0x73, 0x00, "CD control error"},
    {0x73, 0x02, "Power calibration area is full"},
    {0x73, 0x03, "Power calibration area error"},
};

}  // namespace

std::string SenseWords(int key, int asc, int ascq) {
  std::string words = kKeys[key & 0x0F];
  for (std::size_t i = 0; i < sizeof kCodes / sizeof kCodes[0]; ++i)
    if (kCodes[i].asc == asc && kCodes[i].ascq == ascq) return words + ", " + kCodes[i].words;
  char codes[40];
  std::snprintf(codes, sizeof codes, ", ASC %02Xh ASCQ %02Xh", asc & 0xFF, ascq & 0xFF);
  return words + codes;
}

SenseFields DecodeSense(const unsigned char* sense, std::size_t length) {
  SenseFields fields = {SenseFields::kNone, -1, false, -1, -1, -1};
  if (sense == nullptr || length == 0) return fields;
  fields.responseCode = sense[0] & 0x7F;  // bit 7 is VALID (fixed) or reserved
  switch (fields.responseCode) {
    case 0x70:
    case 0x71:
      fields.format = SenseFields::kFixed;
      break;
    case 0x72:
    case 0x73:
      fields.format = SenseFields::kDescriptor;
      break;
    default:
      fields.format = SenseFields::kUnknown;
      return fields;
  }
  fields.deferred = (fields.responseCode & 0x01) != 0;
  // SPC-4: fixed format keeps the key in byte 2 and ASC, ASCQ in 12, 13;
  // descriptor format in bytes 1, 2, 3.
  const bool fixed = fields.format == SenseFields::kFixed;
  const std::size_t keyAt = fixed ? 2 : 1;
  const std::size_t ascAt = fixed ? 12 : 2;
  const std::size_t ascqAt = fixed ? 13 : 3;
  if (length > keyAt) fields.key = sense[keyAt] & 0x0F;
  if (length > ascAt) fields.asc = sense[ascAt];
  if (length > ascqAt) fields.ascq = sense[ascqAt];
  return fields;
}

std::string SenseFormatName(const SenseFields& fields) {
  char code[48];
  switch (fields.format) {
    case SenseFields::kNone:
      return "none";
    case SenseFields::kUnknown:
      std::snprintf(code, sizeof code, "response code %02Xh, a format not known", fields.responseCode & 0xFF);
      return code;
    default:
      return std::string(fields.format == SenseFields::kFixed ? "fixed" : "descriptor") + " format, " +
             (fields.deferred ? "deferred" : "current");
  }
}

std::string SenseWords(const unsigned char* sense, std::size_t length) {
  const SenseFields fields = DecodeSense(sense, length);
  if (fields.format == SenseFields::kNone) return "no sense data came";
  if (fields.format == SenseFields::kUnknown) return "sense data of " + SenseFormatName(fields);
  std::string words;
  char asc[40];
  if (fields.key < 0) {
    words = "no sense key came";
  } else if (fields.asc < 0) {
    words = std::string(kKeys[fields.key]) + ", no ASC or ASCQ came";
  } else if (fields.ascq < 0) {
    std::snprintf(asc, sizeof asc, ", ASC %02Xh, no ASCQ came", fields.asc & 0xFF);
    words = kKeys[fields.key] + std::string(asc);
  } else {
    words = SenseWords(fields.key, fields.asc, fields.ascq);
  }
  if (fields.format != SenseFields::kFixed || fields.deferred) words += " (" + SenseFormatName(fields) + ")";
  return words;
}

std::string StatusName(int status) {
  // SAM's status codes; those marked obsolete there are still named, as
  // old drives send them.
  switch (status) {
    case 0x00: return "Good";
    case 0x02: return "Check Condition";
    case 0x04: return "Condition Met";
    case 0x08: return "Busy";
    case 0x10: return "Intermediate";
    case 0x14: return "Intermediate-Condition Met";
    case 0x18: return "Reservation Conflict";
    case 0x22: return "Command Terminated";
    case 0x28: return "Task Set Full";
    case 0x30: return "ACA Active";
    case 0x40: return "Task Aborted";
    default: return "Reserved";
  }
}

std::string StatusText(int status) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02Xh", status & 0xFF);
  return StatusName(status) + " (" + hex + ")";
}
