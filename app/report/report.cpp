#include "app/report/report.h"

#include <cstdio>
#include <cstring>

#include "device/aspi.h"
#include "framework/msgbox.h"
#include "interrogation/capabilities.h"
#ifdef __linux__
#include "platform/linux_platform.h"
#endif

#ifndef QUILLANOR_VERSION
#define QUILLANOR_VERSION "0"
#endif

namespace {

const char kProgram[] = "quillanor-report";
const char kNoDrives[] = "No CD/DVD Devices Found";

// Takes what the capabilities report writes into the list control.
class RowRecorder {
 public:
  struct Item {
    std::string text;
    std::string result;
    bool hasResult;
  };
  std::vector<Item> items;

  void DeleteAllItems() { items.clear(); }
  int GetItemCount() const { return static_cast<int>(items.size()); }
  int InsertItem(UINT, int item, const char* text, UINT, UINT, int, LPARAM) {
    if (item < 0 || item > GetItemCount()) item = GetItemCount();
    Item entry = {text, std::string(), false};
    items.insert(items.begin() + item, entry);
    return item;
  }
  BOOL SetItemText(int item, int, const char* text) {
    if (item < 0 || item >= GetItemCount()) return FALSE;
    items[item].result = text;
    items[item].hasResult = true;
    return TRUE;
  }
};

std::string Hex(const std::vector<unsigned char>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 0x0F];
  }
  return text;
}

// The start-up messages of the device list, while a report runs.
std::string* g_messages = nullptr;
int g_messageCount = 0;

int MessageToStream(const char* text, const char*, UINT) {
  ++g_messageCount;
  if (g_messages != nullptr) *g_messages += std::string(kProgram) + ": " + text + "\n";
  return IDOK;
}

// Restores the message boxes however the report ends.
struct MessageRedirect {
  explicit MessageRedirect(std::string* err) {
    g_messages = err;
    g_messageCount = 0;
    AfxSetMessageBoxHandler(MessageToStream);
  }
  ~MessageRedirect() {
    AfxSetMessageBoxHandler(nullptr);
    g_messages = nullptr;
  }
};

const char kUsage[] =
    "Usage: quillanor-report [--json]\n"
    "Print, for every CD/DVD drive of this computer, its name and what it can do:\n"
    "the 24 capabilities that the drive reports in its MMC capabilities page\n"
    "(MODE SENSE page 2Ah), or why it could not report them.\n"
    "\n"
    "  --json         print one JSON document instead of text\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  every drive answered (also when there is no drive)\n"
    "  1  some drive failed the query; its failure lines say why\n"
    "  2  the command could not run: a bad option, or no access to the drives\n"
    "\n"
    "On Linux the drives are /dev/sr*, opened read-only when read-write is not\n"
    "allowed; their group (often 'cdrom') may open them without root.\n";

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      // Bytes above ASCII are taken as Latin-1: always valid, never lost.
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::vector<DriveReport> CollectReport(DeviceList& devices) {
  std::vector<DriveReport> drives;
  for (int i = 0; i < devices.GetCount(); ++i) {
    DriveReport drive;
    drive.index = i;
    CString vendor, product;
    devices.GetDeviceNames(i, vendor, product);
    drive.vendor = static_cast<const char*>(vendor);
    drive.product = static_cast<const char*>(product);

    AnswerBuffer buffer(kModeSenseAnswerLength);
    BYTE* answer = buffer.Get();
    ScsiRequest request;
    BuildModeSenseRequest(&request, answer);
    int result = devices.ExecuteRequest(i, &request);

    drive.answered = CapabilitiesAnswered(result, request);
    const UCHAR status = request.Header.ScsiStatus;
    drive.scsiStatus = (result != 0 || status != kScsiStatusGood) ? status : -1;
    if (drive.answered)
      drive.capabilities.assign(answer + kModePageOffset + 2, answer + kModePageOffset + 8);
    if (status == kScsiStatusCheckCondition) {
      // ASPI hands back its fixed sense area; pass-through says how much came.
      std::size_t length = devices.m_bUseAspi ? SENSE_LEN : request.Header.SenseInfoLength;
      if (length > sizeof(request.SenseBuffer)) length = sizeof(request.SenseBuffer);
      drive.sense.assign(request.SenseBuffer, request.SenseBuffer + length);
    }

    RowRecorder list;
    WriteCapabilities(list, result, request, answer);
    for (std::size_t k = 0; k < list.items.size(); ++k) {
      if (drive.answered)
        drive.rows.push_back(std::make_pair(list.items[k].text, list.items[k].result));
      else
        drive.failure.push_back(list.items[k].text);
    }
    drives.push_back(drive);
  }
  return drives;
}

void WriteTextReport(std::string& out, const std::vector<DriveReport>& drives) {
  if (drives.empty()) {
    out += std::string(kNoDrives) + "\n";
    return;
  }
  std::size_t width = 0;
  for (int i = 0; i < kCapabilityRowCount; ++i) width = std::max(width, std::strlen(kCapabilityRows[i].label));
  for (std::size_t d = 0; d < drives.size(); ++d) {
    const DriveReport& drive = drives[d];
    if (d != 0) out += "\n";
    out += "Drive " + std::to_string(drive.index) + ": " + drive.Name() + "\n";
    for (std::size_t r = 0; r < drive.rows.size(); ++r) {
      const std::string& label = drive.rows[r].first;
      out += "  " + label + std::string(width - std::min(width, label.size()), ' ') + "  " + drive.rows[r].second + "\n";
    }
    for (std::size_t f = 0; f < drive.failure.size(); ++f) out += "  " + drive.failure[f] + "\n";
  }
}

void WriteJsonReport(std::string& out, const std::vector<DriveReport>& drives, const char* version) {
  out += "{\n  \"program\": " + JsonString(kProgram) + ",\n  \"version\": " + JsonString(version) +
         ",\n  \"drives\": [";
  for (std::size_t d = 0; d < drives.size(); ++d) {
    const DriveReport& drive = drives[d];
    out += d == 0 ? "\n    {\n" : ",\n    {\n";
    out += "      \"index\": " + std::to_string(drive.index) + ",\n";
    out += "      \"name\": " + JsonString(drive.Name()) + ",\n";
    out += "      \"vendor\": " + JsonString(drive.vendor) + ",\n";
    out += "      \"product\": " + JsonString(drive.product) + ",\n";
    out += std::string("      \"answered\": ") + (drive.answered ? "true" : "false") + ",\n";
    out += "      \"scsi_status\": " + (drive.scsiStatus < 0 ? std::string("null") : std::to_string(drive.scsiStatus));
    out += ",\n      \"capabilities\": " + (drive.answered ? JsonString(Hex(drive.capabilities)) : "null") + ",\n";
    out += "      \"sense\": " + (drive.sense.empty() ? std::string("null") : JsonString(Hex(drive.sense))) + ",\n";
    out += "      \"rows\": [";
    for (std::size_t r = 0; r < drive.rows.size(); ++r)
      out += (r == 0 ? "\n" : ",\n") + std::string("        {\"label\": ") + JsonString(drive.rows[r].first) +
             ", \"value\": " + JsonString(drive.rows[r].second) + "}";
    out += drive.rows.empty() ? "],\n" : "\n      ],\n";
    out += "      \"failure\": [";
    for (std::size_t f = 0; f < drive.failure.size(); ++f) out += (f == 0 ? "" : ", ") + JsonString(drive.failure[f]);
    out += "]\n    }";
  }
  out += drives.empty() ? "]\n}\n" : "\n  ]\n}\n";
}

int RunReport(int argc, const char* const* argv, std::string* out, std::string* err) {
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    const char* option = argv[i];
    if (std::strcmp(option, "--json") == 0) {
      json = true;
    } else if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
      *out += kUsage;
      return kReportAllAnswered;
    } else if (std::strcmp(option, "--version") == 0 || std::strcmp(option, "-V") == 0) {
      *out += std::string(kProgram) + " " + QUILLANOR_VERSION + "\n";
      return kReportAllAnswered;
    } else {
      *err += std::string(kProgram) + ": " + (option[0] == '-' ? "unrecognized option '" : "unexpected argument '") +
              option + "'\nTry '" + kProgram + " --help' for more information.\n";
      return kReportCannotRun;
    }
  }

  MessageRedirect redirect(err);
  DeviceList devices;
  devices.Enumerate();
#ifdef __linux__
  if (LinuxPlatform* seam = dynamic_cast<LinuxPlatform*>(&Api())) {
    if (!seam->AccessAdvice().empty()) *err += std::string(kProgram) + ": " + seam->AccessAdvice() + "\n";
  }
#endif
  // A start-up message means the drives could not be reached (no access,
  // no ASPI): a report of what remains would look complete but is not.
  if (g_messageCount != 0) return kReportCannotRun;

  std::vector<DriveReport> drives = CollectReport(devices);
  if (json)
    WriteJsonReport(*out, drives, QUILLANOR_VERSION);
  else
    WriteTextReport(*out, drives);
  for (std::size_t d = 0; d < drives.size(); ++d)
    if (!drives[d].answered) return kReportSomeFailed;
  return kReportAllAnswered;
}
