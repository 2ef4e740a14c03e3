// The JSON form: one document naming every field of every drive, null or
// empty where a field does not apply (docs/report.schema.json).
#include <cstdint>
#include <cstdio>

#include "app/report/json_writer.h"
#include "app/report/report.h"
#include "interrogation/sense_words.h"

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

std::string Hex(const std::vector<BYTE>& bytes) { return bytes.empty() ? std::string() : Hex(&bytes[0], bytes.size()); }

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

void TextOrNull(JsonWriter& json, bool present, const std::string& text) {
  if (present)
    json.String(text);
  else
    json.Null();
}

void Notes(JsonWriter& json, const std::vector<std::string>& notes) {
  json.Key("notes").BeginArray(true);
  for (std::size_t i = 0; i < notes.size(); ++i) json.String(notes[i]);
  json.EndArray();
}

// What every command's outcome shows: its status byte, its sense bytes
// (and in words), and why it was not carried.
void Status(JsonWriter& json, const CommandOutcome& outcome) {
  json.Key("scsi_status");
  if (outcome.kind() == CommandOutcome::kNotCarried)
    json.Null();
  else
    json.Number(outcome.status);
}

// The status byte's name beside it, for people; the raw captures keep the byte alone.
void StatusWords(JsonWriter& json, const CommandOutcome& outcome) {
  json.Key("status_text");
  TextOrNull(json, outcome.kind() != CommandOutcome::kNotCarried, StatusName(outcome.status));
}

void Sense(JsonWriter& json, const CommandOutcome& outcome) {
  json.Key("sense");
  TextOrNull(json, outcome.senseLength != 0, Hex(outcome.sense, outcome.senseLength));
  const bool check = outcome.kind() == CommandOutcome::kCheckCondition;
  json.Key("sense_text");
  TextOrNull(json, check, SenseWords(outcome.sense, outcome.senseLength));
  json.Key("sense_format");
  TextOrNull(json, check && outcome.senseLength != 0, SenseFormatName(DecodeSense(outcome.sense, outcome.senseLength)));
}

void NotCarried(JsonWriter& json, const CommandOutcome& outcome) {
  json.Key("not_carried");
  TextOrNull(json, outcome.kind() == CommandOutcome::kNotCarried, outcome.Reason());
}

void Outcome(JsonWriter& json, const CommandOutcome& outcome) {
  json.Key("answered").Bool(outcome.Good());
  Status(json, outcome);
  StatusWords(json, outcome);
  Sense(json, outcome);
  NotCarried(json, outcome);
}

void Inquiry(JsonWriter& json, const InquiryDetail& inquiry) {
  json.Key("inquiry");
  if (!inquiry.decoded) {
    json.Null();
    return;
  }
  json.BeginObject();
  json.Key("peripheral_qualifier").Number(inquiry.qualifier);
  json.Key("device_type").Number(inquiry.deviceType);
  json.Key("device_type_name").String(DeviceTypeName(inquiry.deviceType));
  json.Key("removable").Bool(inquiry.removable);
  json.Key("version").Number(inquiry.version);
  json.Key("response_data_format").Number(inquiry.responseFormat);
  json.Key("additional_length").Number(inquiry.additionalLength);
  const bool vendor = !inquiry.vendorSpecific.empty();
  json.Key("vendor_specific");
  TextOrNull(json, vendor, Hex(inquiry.vendorSpecific));
  json.Key("vendor_specific_text");
  TextOrNull(json, vendor, vendor ? PrintableText(&inquiry.vendorSpecific[0], inquiry.vendorSpecific.size()) : "");
  Notes(json, inquiry.notes);
  json.EndObject();
}

void Mechanism(JsonWriter& json, const MechanismDetail& m) {
  json.Key("mechanism").BeginObject();
  json.Key("loading_mechanism");
  TextOrNull(json, m.loadingMechanism != kAbsent, LoadingMechanismName(m.loadingMechanism));
  json.Key("locked");
  FlagOrNull(json, m.locked);
  json.Key("prevent_jumper");
  FlagOrNull(json, m.preventJumper);
  for (std::size_t i = 0; i < kPageFlagCount; ++i) {
    json.Key(kPageFlags[i].key);
    FlagOrNull(json, m.flags[i]);
  }
  json.Key("digital_audio_length");
  TextOrNull(json, m.digitalAudioLength != kAbsent, DigitalAudioLengthName(m.digitalAudioLength));
  json.Key("copy_management_revision");
  NumberOrNull(json, m.copyManagementRevision);
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
  TextOrNull(json, m.rotationControl != kAbsent, RotationControlName(m.rotationControl));
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

void Field(JsonWriter& json, const FeatureField& field) {
  json.Key(field.key);
  switch (field.kind) {
    case FeatureField::kFlag:
      json.Bool(field.number != 0);
      break;
    case FeatureField::kNumber:
      json.Number(field.number);
      break;
    case FeatureField::kText:
      json.String(field.text);
      break;
    default:
      json.BeginArray();
      for (std::size_t i = 0; i < field.numbers.size(); ++i) json.Number(field.numbers[i]);
      json.EndArray();
  }
}

void Configuration(JsonWriter& json, const DriveReport& drive) {
  const ProfilesResult& p = drive.profiles;
  json.Key("configuration").BeginObject();
  Outcome(json, p.outcome);
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
  json.Key("features").BeginArray();
  for (std::size_t i = 0; i < drive.features.features.size(); ++i) {
    const Feature& feature = drive.features.features[i];
    json.BeginObject(true);
    json.Key("code").Number(feature.code);
    json.Key("name").String(feature.name);
    json.Key("version").Number(feature.version);
    json.Key("persistent").Bool(feature.persistent);
    json.Key("current").Bool(feature.current);
    json.Key("length").Number(feature.length);
    json.Key("fields").BeginObject();
    for (std::size_t f = 0; f < feature.fields.size(); ++f) Field(json, feature.fields[f]);
    json.EndObject();
    json.Key("data").String(Hex(feature.data));
    Notes(json, feature.notes);
    json.EndObject();
  }
  json.EndArray();
  std::vector<std::string> notes = p.detail.notes;
  notes.insert(notes.end(), drive.features.notes.begin(), drive.features.notes.end());
  if (!p.outcome.Good()) notes.insert(notes.begin(), CommandFailure("GET CONFIGURATION", p.outcome));
  Notes(json, notes);
  json.EndObject();
}

void Performance(JsonWriter& json, const DriveReport& drive) {
  json.Key("performance").BeginObject();
  json.Key("medium");
  TextOrNull(json, !drive.medium.name.empty(), drive.medium.name);
  json.Key("write_speeds").BeginObject();
  Outcome(json, drive.writeSpeedsOutcome);
  json.Key("descriptors").BeginArray();
  for (std::size_t i = 0; i < drive.writeSpeeds.writeSpeeds.size(); ++i) {
    const WriteSpeedDescriptor& d = drive.writeSpeeds.writeSpeeds[i];
    json.BeginObject(true);
    json.Key("write_speed").Number(d.writeSpeed);
    json.Key("read_speed").Number(d.readSpeed);
    json.Key("end_lba").Number(d.endLba);
    json.Key("wrc").String(d.wrc == 0 ? "default" : d.wrc == 1 ? "CAV" : "reserved (" + std::to_string(d.wrc) + ")");
    json.Key("rdd").Bool(d.rdd);
    json.Key("exact").Bool(d.exact);
    json.Key("mrw").Bool(d.mrw);
    json.EndObject();
  }
  json.EndArray();
  Notes(json, drive.writeSpeeds.notes);
  json.EndObject();
  json.Key("read").BeginObject();
  Outcome(json, drive.performanceOutcome);
  json.Key("write").Bool(drive.performance.write);
  json.Key("except").Bool(drive.performance.except);
  json.Key("descriptors").BeginArray();
  for (std::size_t i = 0; i < drive.performance.performance.size(); ++i) {
    const PerformanceDescriptor& d = drive.performance.performance[i];
    json.BeginObject(true);
    json.Key("start_lba").Number(d.startLba);
    json.Key("start_speed").Number(d.startSpeed);
    json.Key("end_lba").Number(d.endLba);
    json.Key("end_speed").Number(d.endSpeed);
    json.EndObject();
  }
  json.EndArray();
  Notes(json, drive.performance.notes);
  json.EndObject();
  json.EndObject();
}

// A part of the disc's object: null where the profile does not call for
// its command; else the command's outcome, then the fields `write` gives
// (each null where the answer did not hold it), then the notes.
template <typename Fields>
void DiscPart(JsonWriter& json, const char* key, bool calledFor, const CommandOutcome& outcome,
              const std::vector<std::string>& notes, Fields write) {
  json.Key(key);
  if (!calledFor) {
    json.Null();
    return;
  }
  json.BeginObject();
  Outcome(json, outcome);
  write();
  Notes(json, notes);
  json.EndObject();
}

void NumberIf(JsonWriter& json, const char* key, bool present, long long value) {
  json.Key(key);
  if (present)
    json.Number(value);
  else
    json.Null();
}

void TextIf(JsonWriter& json, const char* key, bool present, const std::string& text) {
  json.Key(key);
  TextOrNull(json, present, text);
}

void FlagIf(JsonWriter& json, const char* key, bool present, bool flag) {
  json.Key(key);
  if (present)
    json.Bool(flag);
  else
    json.Null();
}

// A CD's time M:S:F as the drive sent it.
std::string TimeText(const int msf[3]) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", msf[0], msf[1], msf[2]);
  return text;
}

void Disc(JsonWriter& json, const DriveReport& drive) {
  const DiscReport& disc = drive.disc;
  json.Key("disc").BeginObject();
  json.Key("profile");
  if (!disc.profileKnown || disc.profile == 0) {
    json.Null();
  } else {
    json.BeginObject(true);
    json.Key("number").Number(disc.profile);
    json.Key("name").String(ProfileName(static_cast<int>(disc.profile)));
    json.EndObject();
  }
  json.Key("no_disc");
  if (disc.profileKnown)
    json.Bool(disc.profile == 0);
  else
    json.Null();
  const bool asked = disc.Asked();
  const bool cd = disc.Cd();
  const DiscInformation& info = disc.information;
  DiscPart(json, "information", asked, disc.informationOutcome, info.notes, [&] {
    const bool d = info.decoded;
    TextIf(json, "disc_status", d, DiscStatusName(info.discStatus));
    TextIf(json, "last_session_state", d, SessionStateName(info.lastSessionState));
    FlagIf(json, "erasable", d, info.erasable);
    NumberIf(json, "sessions", d, info.sessions);
    NumberIf(json, "first_track", d, info.firstTrack);
    NumberIf(json, "first_track_of_last_session", d, info.firstTrackOfLastSession);
    NumberIf(json, "last_track_of_last_session", d, info.lastTrackOfLastSession);
    FlagIf(json, "unrestricted_use", d, info.unrestricted);
    TextIf(json, "disc_type", d && cd, DiscTypeName(info.discType));
    // A complete disc has no addresses to tell.
    NumberIf(json, "last_session_lead_in", info.AddressesApply(), DiscAddress(disc, info.lastSessionLeadIn));
    NumberIf(json, "last_possible_lead_out", info.AddressesApply(), DiscAddress(disc, info.lastLeadOut));
  });
  DiscPart(json, "toc", asked && !disc.empty, disc.tocOutcome, disc.toc.notes, [&] {
    NumberIf(json, "first_track", disc.toc.decoded, disc.toc.firstTrack);
    NumberIf(json, "last_track", disc.toc.decoded, disc.toc.lastTrack);
    json.Key("entries").BeginArray();
    const std::vector<TocEntry>& entries = disc.toc.entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const TocEntry& e = entries[i];
      json.BeginObject(true);
      json.Key("track").Number(e.track);
      json.Key("lead_out").Bool(e.track == kLeadOutTrack);
      json.Key("adr").Number(e.adr);
      json.Key("control").Number(e.control);
      json.Key("data").Bool((e.control & 0x04) != 0);
      const int session = SessionOfTrack(disc, i);
      NumberIf(json, "session", session != 0, session);
      json.Key("start_lba").Number(e.lba);
      TextIf(json, "start_msf", cd, MsfText(e.lba));
      long long length = 0;
      const bool next = TrackLength(disc, i, &length);
      NumberIf(json, "length", next, length);
      json.EndObject();
    }
    json.EndArray();
  });
  const Atip& atip = disc.atip;
  DiscPart(json, "atip", asked && disc.queries.atip, disc.atipOutcome, atip.notes, [&] {
    const bool d = atip.decoded;
    TextIf(json, "disc_type", d, atip.rewritable ? "CD-RW" : "CD-R");
    NumberIf(json, "sub_type", d, atip.subType);
    NumberIf(json, "reference_speed", d, atip.referenceSpeed);
    NumberIf(json, "writing_power", d, atip.writingPower);
    FlagIf(json, "unrestricted_use", d, atip.unrestricted);
    TextIf(json, "lead_in_start", d, TimeText(atip.leadIn));
    TextIf(json, "last_possible_lead_out", d, TimeText(atip.leadOut));
    const bool values = d && atip.valuesCame;
    TextIf(json, "a1", values && atip.a1Valid, Hex(atip.a1, 3));
    TextIf(json, "a2", values && atip.a2Valid, Hex(atip.a2, 3));
    TextIf(json, "a3", values && atip.a3Valid, Hex(atip.a3, 3));
  });
  const Capacity& capacity = disc.capacity;
  DiscPart(json, "capacity", asked, disc.capacityOutcome, capacity.notes, [&] {
    NumberIf(json, "last_lba", capacity.decoded, capacity.lastLba);
    NumberIf(json, "block_length", capacity.decoded, capacity.blockLength);
    NumberIf(json, "bytes", capacity.decoded, static_cast<long long>(CapacityBytes(capacity)));
  });
  const DvdPhysical& p = disc.physical;
  DiscPart(json, "dvd_physical", asked && disc.queries.dvdPhysical, disc.physicalOutcome, p.notes, [&] {
    const bool d = p.decoded;
    TextIf(json, "book_type", d, BookTypeName(p.bookType));
    NumberIf(json, "part_version", d, p.partVersion);
    TextIf(json, "disc_size", d, DiscSizeName(p.discSize));
    NumberIf(json, "layers", d, p.layers);
    FlagIf(json, "opposite_track_path", d, p.oppositeTrackPath);
    NumberIf(json, "layer_type", d, p.layerType);
    TextIf(json, "maximum_rate", d, MaximumRateName(p.maximumRate));
    NumberIf(json, "start_sector", p.sectorsCame, p.startSector);
    NumberIf(json, "end_sector", p.sectorsCame, p.endSector);
    NumberIf(json, "end_sector_layer0", p.sectorsCame, p.endSectorLayer0);
    FlagIf(json, "bca", p.sectorsCame, p.bca);
  });
  const MediaMaker& m = disc.maker;
  DiscPart(json, "maker", asked && (disc.queries.dvdMaker >= 0 || disc.queries.bdInformation), disc.makerOutcome,
           m.notes, [&] {
             TextIf(json, "bd_disc_type", m.decoded && !m.discType.empty(), m.discType);
             TextIf(json, "manufacturer", m.decoded && !m.manufacturer.empty(), m.manufacturer);
             TextIf(json, "media_type", m.decoded && !m.mediaType.empty(), m.mediaType);
             NumberIf(json, "revision", m.decoded && m.revision >= 0, m.revision);
           });
  TextIf(json, "write_speed_multiples", asked && !disc.writeSpeeds.empty(), disc.writeSpeeds);
  json.EndObject();
}

}  // namespace

void WriteConnection(JsonWriter& json, const DriveConnection& c) {
  json.Key("connection");
  if (!c.Told()) {
    json.Null();
    return;
  }
  json.BeginObject();
  for (const ConnectionText& field : kConnectionTexts) TextIf(json, field.key, !(c.*field.text).empty(), c.*field.text);
  json.Key("bridged").Bool(c.Bridged());
  json.Key("usb");
  if (!HasUsbDevice(c)) {
    json.Null();
  } else {
    json.BeginObject(true);
    for (const ConnectionText& field : kUsbTexts) TextIf(json, field.key, !(c.*field.text).empty(), c.*field.text);
    json.EndObject();
  }
  for (const ConnectionNumber& field : kConnectionNumbers) NumberIf(json, field.key, c.*field.number >= 0, c.*field.number);
  json.EndObject();
}

namespace {

void Protection(JsonWriter& json, const DriveReport& drive) {
  const ContentProtection& p = drive.protection;
  json.Key("content_protection");
  if (!drive.profiles.outcome.Good()) {
    json.Null();
  } else {
    json.BeginObject();
    json.Key("schemes").BeginArray();
    for (const ProtectionScheme& scheme : p.schemes) {
      json.BeginObject(true);
      json.Key("code").Number(scheme.code);
      json.Key("name").String(scheme.name);
      NumberIf(json, "version", scheme.version >= 0, scheme.version);
      json.Key("current").Bool(scheme.current);
      json.EndObject();
    }
    json.EndArray();
    FlagIf(json, "bus_encryption", p.aacs, p.busEncryption);
    FlagIf(json, "write_bus_encryption", p.aacs, p.writeBusEncryption);
    // Not declared by any feature: null, always (see the text form's words).
    json.Key("bus_encryption_required").Null();
    Notes(json, p.notes);
    json.EndObject();
  }
  json.Key("region");
  if (!drive.rpcAsked) {
    json.Null();
    return;
  }
  const RpcState& rpc = drive.rpc;
  json.BeginObject();
  Outcome(json, drive.rpcOutcome);
  const bool d = rpc.decoded;
  TextIf(json, "state", d, RpcTypeName(rpc.typeCode));
  NumberIf(json, "type_code", d, rpc.typeCode);
  json.Key("regions");
  if (!d) {
    json.Null();
  } else {
    json.BeginArray(true);
    for (int region : rpc.Regions()) json.Number(region);
    json.EndArray();
  }
  NumberIf(json, "region_mask", d, rpc.regionMask);
  NumberIf(json, "user_changes_left", d, rpc.userChanges);
  NumberIf(json, "vendor_resets_left", d, rpc.vendorResets);
  NumberIf(json, "rpc_scheme", d, rpc.rpcScheme);
  TextIf(json, "rpc_scheme_name", d, RpcSchemeName(rpc.rpcScheme));
  Notes(json, rpc.notes);
  json.EndObject();
}

void Sector(JsonWriter& json, const char* key, bool found, int track, std::int32_t lba) {
  json.Key(key);
  if (!found) {
    json.Null();
    return;
  }
  json.BeginObject(true);
  json.Key("track").Number(track);
  json.Key("lba").Number(lba);
  json.EndObject();
}

void Declared(JsonWriter& json, const char* key, ProbeDeclared declared) {
  json.Key(key);
  TextOrNull(json, declared != kDeclaresNothing, declared == kDeclaresYes ? "yes" : "no");
}

// What the probe found of each capability, against what the drive declares;
// nothing without --probe, null for a drive without the detail.
void Probe(JsonWriter& json, const DriveReport& drive, bool asked) {
  if (!asked) return;
  json.Key("probe");
  if (!drive.detailed) {
    json.Null();
    return;
  }
  const ProbeReport& probe = drive.probe;
  json.BeginObject();
  Sector(json, "data_sector", probe.sectors.data, probe.sectors.dataTrack, probe.sectors.dataLba);
  Sector(json, "audio_sector", probe.sectors.audio, probe.sectors.audioTrack, probe.sectors.audioLba);
  json.Key("checks").BeginArray();
  for (const ProbeCheck& check : probe.checks) {
    json.BeginObject();
    json.Key("check").String(kProbeChecks[check.id].key);
    json.Key("capability").String(kProbeChecks[check.id].capability);
    Declared(json, "page", check.page);
    Declared(json, "features", check.features);
    json.Key("verdict").String(ProbeKindName(check.found.kind));
    json.Key("found").String(check.found.Text());
    Notes(json, check.found.notes);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

// Each command as it was sent and what came of it: a saved report is also
// a capture, which --replay reads back (replay.cpp).
void Commands(JsonWriter& json, const DriveAnswers& answers) {
  json.Key("commands").BeginArray();
  const std::vector<std::pair<const char*, const CommandAnswer*> > sent = answers.Sent();
  for (std::size_t i = 0; i < sent.size(); ++i) {
    const CommandAnswer& command = *sent[i].second;
    const CommandOutcome& outcome = command.outcome;
    json.BeginObject(true);
    json.Key("command").String(sent[i].first);
    json.Key("cdb").String(Hex(command.cdb));
    json.Key("failure").String(FailureName(outcome.failure));
    Status(json, outcome);
    json.Key("sense");
    TextOrNull(json, outcome.senseLength != 0, Hex(outcome.sense, outcome.senseLength));
    json.Key("transferred");
    NumberOrNull(json, outcome.transferred);
    json.Key("system_error").Number(static_cast<std::uint32_t>(outcome.systemError));  // a Windows error is a DWORD
    json.Key("message").String(outcome.message);
    json.Key("data").String(Hex(command.data));
    json.EndObject();
  }
  json.EndArray();
}

void Drive(JsonWriter& json, const DriveReport& drive, bool detail, bool probe) {
  const CapabilitiesResult& result = drive.capabilities;
  json.BeginObject();
  json.Key("index").Number(drive.answers.index);
  json.Key("path");
  TextOrNull(json, !drive.answers.path.empty(), drive.answers.path);
  json.Key("drive_letter");
  TextOrNull(json, drive.answers.lettered, drive.answers.driveLetter);
  json.Key("name").String(drive.Name());
  json.Key("vendor").String(drive.vendor);
  json.Key("product").String(drive.product);
  json.Key("revision");
  TextOrNull(json, drive.inquiry.revisionCame, drive.inquiry.revision);
  json.Key("answered").Bool(result.Answered());
  Status(json, result.outcome);
  StatusWords(json, result.outcome);
  json.Key("capabilities");
  TextOrNull(json, result.Answered(), Hex(result.page, sizeof(result.page)));
  Sense(json, result.outcome);
  json.Key("rows").BeginArray();
  for (std::size_t r = 0; r < result.rows.size(); ++r) {
    json.BeginObject(true);
    json.Key("label").String(result.rows[r].label);
    json.Key("value").String(result.rows[r].Text());
    json.EndObject();
  }
  json.EndArray();
  json.Key("row_notes").BeginArray(true);
  for (std::size_t n = 0; n < drive.rowNotes.size(); ++n) json.String(drive.rowNotes[n]);
  json.EndArray();
  json.Key("failure").BeginArray(true);
  for (std::size_t f = 0; f < result.failure.size(); ++f) json.String(result.failure[f].GetString());
  json.EndArray();
  NotCarried(json, result.outcome);
  if (detail) {
    WriteConnection(json, drive.answers.connection);
    Probe(json, drive, probe);
    if (drive.detailed) {
      Inquiry(json, drive.inquiry);
      Mechanism(json, drive.mechanism);
      Configuration(json, drive);
      Protection(json, drive);
      Performance(json, drive);
      Disc(json, drive);
    } else {
      const char* keys[] = {"inquiry", "mechanism", "configuration", "content_protection", "region", "performance", "disc"};
      for (const char* key : keys) json.Key(key).Null();
    }
    Commands(json, drive.answers);
  }
  json.EndObject();
}

}  // namespace

void WriteJsonReport(std::string& out, const std::vector<DriveReport>& drives, const JsonReportOptions& options) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("program").String(kReportProgram);
  json.Key("version").String(options.version);
  json.Key("redacted").Bool(options.redacted);
  json.Key("drives").BeginArray();
  for (std::size_t d = 0; d < drives.size(); ++d) Drive(json, drives[d], options.detail, options.probe);
  json.EndArray();
  json.EndObject();
}
