// The JSON form: one document naming every field of every drive, null or
// empty where a field does not apply (docs/report.schema.json).
#include "app/report/json_writer.h"
#include "app/report/report.h"

namespace {

std::string Hex(const BYTE* bytes, std::size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 0x0F];
  }
  return text;
}

void NumberOrNull(JsonWriter& json, long value) {
  if (value == kAbsent)
    json.Null();
  else
    json.Number(value);
}

void FlagOrNull(JsonWriter& json, long value) {
  if (value == kAbsent)
    json.Null();
  else
    json.Bool(value != 0);
}

void Notes(JsonWriter& json, const std::vector<std::string>& notes) {
  json.Key("notes").BeginArray(true);
  for (std::size_t i = 0; i < notes.size(); ++i) json.String(notes[i]);
  json.EndArray();
}

// What every command's outcome shows: its status byte, its sense bytes,
// and why it was not carried.
void Status(JsonWriter& json, const CommandOutcome& outcome) {
  json.Key("scsi_status");
  if (outcome.kind == CommandOutcome::kNotCarried)
    json.Null();
  else
    json.Number(outcome.status);
}

void Sense(JsonWriter& json, const CommandOutcome& outcome) {
  json.Key("sense");
  if (outcome.senseLength == 0)
    json.Null();
  else
    json.String(Hex(outcome.sense, outcome.senseLength));
}

void NotCarried(JsonWriter& json, const CommandOutcome& outcome) {
  json.Key("not_carried");
  if (outcome.kind == CommandOutcome::kNotCarried)
    json.String(outcome.Reason());
  else
    json.Null();
}

void Mechanism(JsonWriter& json, const MechanismDetail& m) {
  json.Key("mechanism").BeginObject();
  json.Key("loading_mechanism");
  if (m.loadingMechanism == kAbsent)
    json.Null();
  else
    json.String(LoadingMechanismName(m.loadingMechanism));
  json.Key("locked");
  FlagOrNull(json, m.locked);
  json.Key("prevent_jumper");
  FlagOrNull(json, m.preventJumper);
  const struct {
    const char* key;
    long value;
  } numbers[] = {{"max_read_speed", m.maxReadSpeed},   {"current_read_speed", m.currentReadSpeed},
                 {"max_write_speed", m.maxWriteSpeed}, {"current_write_speed", m.currentWriteSpeed},
                 {"volume_levels", m.volumeLevels},    {"buffer_size", m.bufferSize}};
  for (std::size_t i = 0; i < sizeof numbers / sizeof numbers[0]; ++i) {
    json.Key(numbers[i].key);
    NumberOrNull(json, numbers[i].value);
  }
  json.Key("rotation_control");
  if (m.rotationControl == kAbsent)
    json.Null();
  else
    json.String(RotationControlName(m.rotationControl));
  json.Key("selected_write_speed");
  NumberOrNull(json, m.selectedWriteSpeed);
  json.Key("write_speed_count");
  NumberOrNull(json, m.writeSpeedCount);
  json.Key("write_speeds").BeginArray(true);
  for (std::size_t i = 0; i < m.writeSpeeds.size(); ++i) {
    json.BeginObject();
    json.Key("speed").Number(m.writeSpeeds[i].kbPerSecond);
    json.Key("rotation_control").String(RotationControlName(m.writeSpeeds[i].rotationControl));
    json.EndObject();
  }
  json.EndArray();
  Notes(json, m.notes);
  json.EndObject();
}

void Configuration(JsonWriter& json, const ProfilesResult& p) {
  const CommandOutcome& outcome = p.outcome;
  json.Key("configuration").BeginObject();
  json.Key("answered").Bool(outcome.Good());
  Status(json, outcome);
  Sense(json, outcome);
  NotCarried(json, outcome);
  json.Key("current_profile");
  if (p.detail.currentProfile == kAbsent || p.detail.currentProfile == 0) {
    json.Null();
  } else {
    json.BeginObject(true);
    json.Key("number").Number(p.detail.currentProfile);
    json.Key("name").String(ProfileName(static_cast<int>(p.detail.currentProfile)));
    json.EndObject();
  }
  json.Key("profiles").BeginArray(true);
  for (std::size_t i = 0; i < p.detail.profiles.size(); ++i) {
    json.BeginObject();
    json.Key("number").Number(p.detail.profiles[i].number);
    json.Key("name").String(ProfileName(p.detail.profiles[i].number));
    json.Key("current").Bool(p.detail.profiles[i].current);
    json.EndObject();
  }
  json.EndArray();
  std::vector<std::string> notes = p.detail.notes;
  if (!outcome.Good()) notes.insert(notes.begin(), ConfigurationFailure(outcome));
  Notes(json, notes);
  json.EndObject();
}

void Drive(JsonWriter& json, const DriveReport& drive, bool detail) {
  const CapabilitiesResult& result = drive.capabilities;
  json.BeginObject();
  json.Key("index").Number(drive.index);
  json.Key("name").String(drive.Name());
  json.Key("vendor").String(drive.vendor);
  json.Key("product").String(drive.product);
  json.Key("answered").Bool(result.Answered());
  Status(json, result.outcome);
  json.Key("capabilities");
  if (result.Answered())
    json.String(Hex(result.page, sizeof(result.page)));
  else
    json.Null();
  Sense(json, result.outcome);
  json.Key("rows").BeginArray();
  for (std::size_t r = 0; r < result.rows.size(); ++r) {
    json.BeginObject(true);
    json.Key("label").String(result.rows[r].label);
    json.Key("value").String(result.rows[r].Text());
    json.EndObject();
  }
  json.EndArray();
  json.Key("failure").BeginArray(true);
  for (std::size_t f = 0; f < result.failure.size(); ++f) json.String(result.failure[f].GetString());
  json.EndArray();
  NotCarried(json, result.outcome);
  if (detail) {
    if (drive.detailed) {
      Mechanism(json, drive.mechanism);
      Configuration(json, drive.profiles);
    } else {
      json.Key("mechanism").Null();
      json.Key("configuration").Null();
    }
  }
  json.EndObject();
}

}  // namespace

void WriteJsonReport(std::string& out, const std::vector<DriveReport>& drives, const char* version, bool detail) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("program").String(kReportProgram);
  json.Key("version").String(version);
  json.Key("drives").BeginArray();
  for (std::size_t d = 0; d < drives.size(); ++d) Drive(json, drives[d], detail);
  json.EndArray();
  json.EndObject();
}
