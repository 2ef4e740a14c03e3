// Shared helpers for the tests: emulated drives and their answers.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "device/device_list.h"
#include "tests/support/standin.h"
#include "tools/driveemu/drive_model.h"
#ifndef _WIN32
#include "tests/support/json_agreement.h"
#endif

namespace testing_helpers {

// A CD/DVD unit that answers INQUIRY with the names and MODE SENSE with the
// capabilities page, bytes 2 to 7 as given.
inline driveemu::EmulatedUnit Drive(int adapter, int target, const std::string& vendor,
                                    const std::string& product, std::vector<BYTE> page = {0, 0, 0, 0, 0, 0}) {
  driveemu::EmulatedUnit unit;
  unit.adapter = adapter;
  unit.target = target;
  unit.inquiry = driveemu::InquiryAnswer(vendor, product, "1.00");
  page.resize(6);
  unit.modePages[0x2A] = driveemu::CapabilitiesPage(page.data());
  return unit;
}

inline driveemu::CommandReply CheckCondition(BYTE key, BYTE asc, BYTE ascq) {
  driveemu::CommandReply reply;
  reply.kind = driveemu::CommandReply::kCheckCondition;
  reply.sense = driveemu::FixedSense(key, asc, ascq);
  return reply;
}

inline driveemu::CommandReply ErrorStatus(BYTE status) {
  driveemu::CommandReply reply;
  reply.kind = driveemu::CommandReply::kStatus;
  reply.status = status;
  return reply;
}

inline driveemu::CommandReply TransportFailure() {
  driveemu::CommandReply reply;
  reply.kind = driveemu::CommandReply::kTransportFailure;
  return reply;
}

inline driveemu::DriveProfile Profile(std::vector<driveemu::EmulatedUnit> units) {
  driveemu::DriveProfile profile;
  profile.units = units;
  return profile;
}

// The drives of a profile file; none, with the reason in *error, when it
// cannot be read or is malformed.
inline driveemu::DriveProfile ProfileFile(const std::string& path, std::string* error) {
  std::ifstream in(path.c_str());
  std::ostringstream text;
  text << in.rdbuf();
  driveemu::DriveProfile profile;
  if (!in)
    *error = "cannot read " + path;
  else if (driveemu::ParseProfile(text.str(), &profile, error))
    error->clear();
  return profile;
}

// One row of the reference table of the capabilities rows.
struct ReferenceRow {
  std::string label;
  int pageByte;
  int bit;
  std::string field;  // MMC's name of the bit
};

// tests/data/capability-rows.tsv, the one reference table of the rows that
// the C++ tests and the Python checkers share; empty when it cannot be read.
inline std::vector<ReferenceRow> ReferenceRows() {
  std::vector<ReferenceRow> rows;
  std::ifstream in((std::string(QUILLANOR_SOURCE_DIR) + "/tests/data/capability-rows.tsv").c_str());
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    ReferenceRow row;
    std::string byte, bit;
    std::getline(fields, row.label, '\t');
    std::getline(fields, byte, '\t');
    std::getline(fields, bit, '\t');
    std::getline(fields, row.field);
    row.pageByte = std::atoi(byte.c_str());
    row.bit = std::atoi(bit.c_str());
    rows.push_back(row);
  }
  return rows;
}

#ifndef _WIN32
// Whether a report document is valid JSON to a real parser and of the
// report's schema (docs/report.schema.json), as tests/checks.py judges it,
// and whether nlohmann-json reads it as our reader does; what is wrong goes
// to the error stream.
inline bool MatchesReportSchema(const std::string& document) {
  std::string why;
  if (!ReadersAgree(document, &why)) {
    std::fprintf(stderr, "the JSON readers disagree: %s\n", why.c_str());
    return false;
  }
  const std::string validate = "python3 " + std::string(QUILLANOR_SOURCE_DIR) + "/tests/checks.py --validate -";
  FILE* checker = popen(validate.c_str(), "w");
  if (checker == nullptr) return false;
  std::fputs(document.c_str(), checker);
  return pclose(checker) == 0;
}
#endif

// A stand-in that reports the Windows 98 family, so the list takes ASPI.
inline void UseWindows98(StandInPlatform& os) {
  os.version.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  os.version.dwMajorVersion = 4;
  os.version.dwMinorVersion = 10;
}

}  // namespace testing_helpers
