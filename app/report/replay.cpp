#include "app/report/replay.h"

#include <algorithm>

#include "app/report/json_reader.h"
#include "app/report/options.h"
#include "platform/text.h"

namespace {

bool HexBytes(const std::string& text, std::vector<BYTE>* bytes) {
  if (text.size() % 2 != 0) return false;
  bytes->clear();
  bytes->reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    int value = 0;
    for (std::size_t j = i; j < i + 2; ++j) {
      const char c = text[j];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (digit < 0) return false;
      value = value * 16 + digit;
    }
    bytes->push_back(static_cast<BYTE>(value));
  }
  return true;
}

bool IsDriveLetter(const std::string& text) {
  return text.size() == 2 && text[0] >= 'A' && text[0] <= 'Z' && text[1] == ':';
}

class Reader {
 public:
  explicit Reader(std::string* error) : m_error(error) {}

  bool Fail(const std::string& where, const std::string& problem) {
    *m_error = where + ": " + problem;
    return false;
  }

  // The member, when it is there and of its kind (or null where that may be).
  JsonValue Member(const JsonValue& object, const char* key, JsonValue::Type type, bool nullable,
                   const std::string& where) {
    const JsonValue value = object.Find(key);
    if (!value) {
      Fail(where, std::string("no \"") + key + "\"");
      return JsonValue();
    }
    if (value.type() == type || (nullable && value.type() == JsonValue::kNull)) return value;
    Fail(where, std::string("\"") + key + "\" is of the wrong kind");
    return JsonValue();
  }

  bool Number(const JsonValue& object, const char* key, long long low, long long high, bool nullable,
              const std::string& where, long long* number, bool* present = nullptr) {
    const JsonValue value = Member(object, key, JsonValue::kNumber, nullable, where);
    if (!value) return false;
    if (present != nullptr) *present = value.type() == JsonValue::kNumber;
    if (value.type() == JsonValue::kNull) return true;
    if (value.number() < low || value.number() > high) return Fail(where, std::string("\"") + key + "\" is out of range");
    *number = value.number();
    return true;
  }

  bool Bytes(const JsonValue& object, const char* key, bool nullable, const std::string& where,
             std::vector<BYTE>* bytes) {
    const JsonValue value = Member(object, key, JsonValue::kString, nullable, where);
    if (!value) return false;
    bytes->clear();
    if (value.type() == JsonValue::kNull) return true;
    return HexBytes(value.text(), bytes) || Fail(where, std::string("\"") + key + "\" is no hex");
  }

  bool Command(const JsonValue& command, const ReportCommand& known, const std::string& where, CommandAnswer* answer) {
    const JsonValue failure = Member(command, "failure", JsonValue::kString, false, where);
    const JsonValue message = failure ? Member(command, "message", JsonValue::kString, false, where) : JsonValue();
    if (!message) return false;
    std::vector<BYTE> sense;
    long long status = 0, transferred = kTransferUnknown, systemError = 0;
    bool hasStatus = false, hasTransferred = false;
    if (!Bytes(command, "cdb", false, where, &answer->cdb) || !Bytes(command, "data", false, where, &answer->data) ||
        !Bytes(command, "sense", true, where, &sense) ||
        !Number(command, "scsi_status", 0, 255, true, where, &status, &hasStatus) ||
        !Number(command, "transferred", 0, 0xFFFFFFFFLL, true, where, &transferred, &hasTransferred) ||
        !Number(command, "system_error", -0x80000000LL, 0xFFFFFFFFLL, false, where, &systemError))
      return false;
    if (answer->cdb.empty() || answer->cdb.size() > 16) return Fail(where, "a CDB of no length a command has");
    if (answer->cdb[0] != known.operation) return Fail(where, "a CDB of another command");
    if (answer->data.size() > AllocationLength(answer->cdb))
      return Fail(where, "more data than the CDB's allocation length");
    if (sense.size() > sizeof(CommandOutcome().sense)) return Fail(where, "more sense bytes than a command has");
    CommandOutcome::Failure kind;
    const std::string failureName = failure.text();
    if (!FailureNamed(failureName, &kind)) return Fail(where, "an unknown failure \"" + failureName + "\"");
    // What the system said, in its own code page again.
    const std::string words = Utf8ToSystemText(message.text());
    if (kind == CommandOutcome::kCarried) {
      if (!hasStatus) return Fail(where, "a carried command without its status");
      answer->outcome = CommandOutcome::FromStatus(static_cast<unsigned char>(status), sense.empty() ? nullptr : &sense[0],
                                                   sense.size(), hasTransferred ? static_cast<long>(transferred) : kTransferUnknown);
    } else {
      answer->outcome = CommandOutcome::NotCarried(kind, static_cast<long>(systemError), words.c_str());
    }
    answer->outcome.systemError = static_cast<long>(systemError);
    answer->sent = true;
    // Only an answer carries data, as the report records it: as many bytes as moved.
    if (!answer->outcome.Good() && !answer->data.empty()) return Fail(where, "data beside a command that failed");
    if (answer->outcome.Good() && hasTransferred && static_cast<unsigned long long>(transferred) != answer->data.size())
      return Fail(where, "\"transferred\" is not the data's length");
    return true;
  }

  // The texts of `fields` in `object`, each a string or null.
  bool Texts(const JsonValue& object, const ConnectionText* fields, std::size_t count, const std::string& where,
             DriveConnection* connection) {
    for (std::size_t i = 0; i < count; ++i) {
      const JsonValue value = Member(object, fields[i].key, JsonValue::kString, true, where);
      if (!value) return false;
      connection->*fields[i].text = value.type() == JsonValue::kString ? Utf8ToSystemText(value.text()) : std::string();
    }
    return true;
  }

  bool Connection(const JsonValue& value, const std::string& drive, DriveConnection* connection) {
    if (value.type() == JsonValue::kNull) return true;
    const std::string where = drive + ", connection";
    if (value.type() != JsonValue::kObject) return Fail(where, "is no object");
    if (!Texts(value, kConnectionTexts, sizeof kConnectionTexts / sizeof kConnectionTexts[0], where, connection))
      return false;
    if (connection->source.empty()) return Fail(where, "has no source");
    const JsonValue usb = Member(value, "usb", JsonValue::kObject, true, where);
    if (!usb) return false;
    if (usb.type() == JsonValue::kObject &&
        !Texts(usb, kUsbTexts, sizeof kUsbTexts / sizeof kUsbTexts[0], where + ", usb", connection))
      return false;
    for (const ConnectionNumber& field : kConnectionNumbers) {
      long long number = -1;
      if (!Number(value, field.key, 0, 0xFFFFFFFFLL, true, where, &number)) return false;
      connection->*field.number = number;
    }
    return true;
  }

  bool Drive(const JsonValue& drive, std::size_t position, DriveAnswers* answers) {
    const std::string where = "drive " + std::to_string(position);
    if (drive.type() != JsonValue::kObject) return Fail(where, "is no object");
    long long index = 0;
    if (!Number(drive, "index", 0, kLastDriveIndex, false, where, &index)) return false;
    answers->index = static_cast<int>(index);
    const JsonValue path = Member(drive, "path", JsonValue::kString, true, where);
    if (!path) return false;
    answers->path = path.type() == JsonValue::kString ? Utf8ToSystemText(path.text()) : std::string();
    // Documents of earlier versions have no letter.
    const JsonValue letter = drive.Find("drive_letter");
    if (letter && letter.type() != JsonValue::kNull) {
      if (letter.type() != JsonValue::kString || (!letter.text().empty() && !IsDriveLetter(letter.text())))
        return Fail(where, "\"drive_letter\" is no drive letter");
      answers->lettered = true;
      answers->driveLetter = letter.text();
    }
    // Documents of earlier versions have no connection.
    const JsonValue connection = drive.Find("connection");
    if (connection && !Connection(connection, where, &answers->connection)) return false;
    const JsonValue commands = drive.Find("commands");
    if (!commands)
      return Fail(where, "holds no raw answers: only a report written with --json --detail can be replayed");
    if (commands.type() != JsonValue::kArray) return Fail(where, "\"commands\" is no list");
    const std::vector<JsonValue> items = commands.Items();
    for (std::size_t i = 0; i < items.size(); ++i) {
      const JsonValue& command = items[i];
      const std::string at = where + ", command " + std::to_string(i);
      if (command.type() != JsonValue::kObject) return Fail(at, "is no object");
      const JsonValue name = command.Find("command");
      if (!name || name.type() != JsonValue::kString) return Fail(at, "has no name");
      const std::string text = name.text();
      const ReportCommand* known = nullptr;
      for (const ReportCommand& each : kReportCommands)
        if (text == each.name) known = &each;
      if (known == nullptr) return Fail(at, "is an unknown command \"" + text + "\"");
      CommandAnswer* slot = &(answers->*known->slot);
      if (slot->sent) return Fail(at, "comes twice");
      if (!Command(command, *known, at, slot)) return false;
    }
    if (!answers->modeSense.sent && !Unreachable(answers->inquiry)) return Fail(where, "holds no MODE SENSE answer");
    return true;
  }

 private:
  std::string* m_error;
};

}  // namespace

bool ReadCapture(const std::string& text, Capture* capture, std::string* error) {
  if (text.size() > kLargestReport) {
    *error = "larger than any report (" + std::to_string(text.size()) + " bytes)";
    return false;
  }
  JsonDocument parsed;
  std::string problem;
  if (!parsed.Parse(text, &problem)) {
    *error = "not a JSON document: " + problem;
    return false;
  }
  const JsonValue document = parsed.Root();
  const JsonValue program = document.Find("program");
  if (!program || program.type() != JsonValue::kString || program.text() != kReportProgram) {
    *error = "not a report of quillanor-report";
    return false;
  }
  Reader reader(error);
  const JsonValue redacted = reader.Member(document, "redacted", JsonValue::kBool, false, "the document");
  const JsonValue drives = redacted ? reader.Member(document, "drives", JsonValue::kArray, false, "the document")
                                    : JsonValue();
  if (!drives) return false;
  capture->redacted = redacted.flag();
  capture->drives.clear();
  const std::vector<JsonValue> items = drives.Items();
  std::vector<std::size_t> positions(kLastDriveIndex + 1, items.size());  // where each index came first
  for (std::size_t i = 0; i < items.size(); ++i) {
    capture->drives.push_back(DriveAnswers());
    if (!reader.Drive(items[i], i, &capture->drives.back())) return false;
    std::size_t& first = positions[static_cast<std::size_t>(capture->drives.back().index)];
    if (first != items.size())
      return reader.Fail("drive " + std::to_string(i), "has the index of drive " + std::to_string(first));
    first = i;
  }
  return true;
}
