// Shared helpers for the tests: emulated drives and a recording list.
#pragma once

#include <string>
#include <vector>

#include "device/device_list.h"
#include "platform/standin.h"
#include "tools/driveemu/drive_model.h"

namespace testing_helpers {

// A CD/DVD unit that answers INQUIRY with the names and MODE SENSE with the
// capability page bytes 2 to 7.
inline driveemu::EmulatedUnit Drive(int adapter, int target, const std::string& vendor,
                                    const std::string& product, std::vector<BYTE> page = {0, 0, 0, 0, 0, 0}) {
  driveemu::EmulatedUnit unit;
  unit.adapter = adapter;
  unit.target = target;
  unit.replies[0x12].data = driveemu::InquiryAnswer(vendor, product, "1.00");
  page.resize(6);
  unit.replies[0x5A].data = driveemu::CapabilitiesAnswer(page.data());
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

// A stand-in that reports the Windows 98 family, so the list takes ASPI.
inline void UseWindows98(StandInPlatform& os) {
  os.version.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  os.version.dwMajorVersion = 4;
  os.version.dwMinorVersion = 10;
}

// The result list as the report writes it: rows of two columns.
class RecordingList {
 public:
  struct Row {
    std::string label;
    std::string result;
    bool hasResult = false;
  };
  std::vector<Row> rows;
  int deleteAllCalls = 0;
  int failInsertAt = -1;  // the insertion with this index fails
  UINT lastMask = 0;

  BOOL DeleteAllItems() {
    ++deleteAllCalls;
    rows.clear();
    return TRUE;
  }
  int GetItemCount() const { return static_cast<int>(rows.size()); }
  int InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask, int image, LPARAM data) {
    lastMask = mask;
    if (item == failInsertAt || state != 0 || stateMask != 0 || image != 0 || data != 0) return -1;
    if (item > GetItemCount()) item = GetItemCount();
    Row row;
    row.label = text;
    rows.insert(rows.begin() + item, row);
    return item;
  }
  BOOL SetItemText(int item, int subItem, const char* text) {
    if (item < 0 || item >= GetItemCount() || subItem != 1) return FALSE;
    rows[static_cast<size_t>(item)].result = text;
    rows[static_cast<size_t>(item)].hasResult = true;
    return TRUE;
  }
  std::vector<std::string> Labels() const {
    std::vector<std::string> out;
    for (const Row& r : rows) out.push_back(r.label);
    return out;
  }
  std::vector<std::string> Results() const {
    std::vector<std::string> out;
    for (const Row& r : rows) out.push_back(r.result);
    return out;
  }
};

}  // namespace testing_helpers
