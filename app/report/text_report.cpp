// The text form: a block per drive, the window's texts, labels padded so
// that the values stand in one column. Every line fits 80 columns: a long
// value goes on under its column, as dpkg -s and sdparm keep theirs.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/report/report.h"
#include "interrogation/answer_bytes.h"
#include "interrogation/sense_words.h"

namespace {

const char kNoDrives[] = "No CD/DVD Devices Found";
const std::size_t kColumns = 80;

typedef std::pair<std::string, std::string> Line;

std::string ProfileText(long number) {
  char hex[16];
  std::snprintf(hex, sizeof hex, " (%04lXh)", static_cast<unsigned long>(number) & 0xFFFF);
  return ProfileName(static_cast<int>(number)) + hex;
}

std::string Hex(const std::vector<unsigned char>& bytes) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += pair;
  }
  return text;
}

std::string FieldText(const FeatureField& field) {
  switch (field.kind) {
    case FeatureField::kFlag:
      return field.number ? "yes" : "no";
    case FeatureField::kNumber:
      return std::to_string(field.number);
    case FeatureField::kText:
      return field.text;
    default: {
      std::string list;
      for (std::size_t i = 0; i < field.numbers.size(); ++i) list += (i == 0 ? "" : ", ") + std::to_string(field.numbers[i]);
      return list.empty() ? "none" : list;
    }
  }
}

void InquiryLines(const DriveReport& drive, std::vector<Line>& lines) {
  const InquiryDetail& inquiry = drive.inquiry;
  if (!inquiry.decoded) return;
  char text[64];
  std::snprintf(text, sizeof text, "%s (%02Xh)%s", DeviceTypeName(inquiry.deviceType).c_str(), inquiry.deviceType,
                inquiry.removable ? ", removable" : "");
  lines.push_back(Line("Peripheral device type",
                       text + (inquiry.qualifier != 0 ? ", " + PeripheralQualifierName(inquiry.qualifier) : std::string())));
  std::snprintf(text, sizeof text, "%02Xh", inquiry.version);
  lines.push_back(Line("INQUIRY version", text));
  lines.push_back(Line("Response data format", std::to_string(inquiry.responseFormat)));
  // Zero bytes only: the drive keeps nothing there.
  if (std::find_if(inquiry.vendorSpecific.begin(), inquiry.vendorSpecific.end(), [](unsigned char b) { return b != 0; }) !=
      inquiry.vendorSpecific.end())
    lines.push_back(Line("Vendor specific", "\"" + PrintableText(&inquiry.vendorSpecific[0], inquiry.vendorSpecific.size()) +
                                                "\" (" + Hex(inquiry.vendorSpecific) + ")"));
  for (std::size_t i = 0; i < inquiry.notes.size(); ++i) lines.push_back(Line("Note", "INQUIRY: " + inquiry.notes[i]));
}

void MechanismLines(const MechanismDetail& m, std::vector<Line>& lines) {
  if (m.loadingMechanism != kAbsent) lines.push_back(Line("Loading mechanism (page 2Ah)", LoadingMechanismName(m.loadingMechanism)));
  if (m.locked != kAbsent) lines.push_back(Line("Lock state", m.locked ? "locked" : "unlocked"));
  // Removable Medium (0003h) gives it too: each source under its own label.
  if (m.preventJumper != kAbsent) lines.push_back(Line("Prevent jumper (page 2Ah)", m.preventJumper ? "yes" : "no"));
  for (std::size_t i = 0; i < kPageFlagCount; ++i)
    if (m.flags[i] != kAbsent) lines.push_back(Line(kPageFlags[i].label, m.flags[i] ? "yes" : "no"));
  if (m.digitalAudioLength != kAbsent)
    lines.push_back(Line("Digital audio bit clocks", DigitalAudioLengthName(m.digitalAudioLength)));
  if (m.copyManagementRevision != kAbsent)
    lines.push_back(Line("Copy management revision", std::to_string(m.copyManagementRevision)));
  // The speed fields of older drives, obsolete since: shown where set.
  const struct {
    const char* label;
    long value;
  } speeds[] = {{"Maximum read speed", m.maxReadSpeed},
                {"Current read speed", m.currentReadSpeed},
                {"Maximum write speed", m.maxWriteSpeed},
                {"Current write speed", m.currentWriteSpeed}};
  for (std::size_t i = 0; i < sizeof speeds / sizeof speeds[0]; ++i)
    if (speeds[i].value > 0) lines.push_back(Line(speeds[i].label, SpeedText(speeds[i].value)));
  if (m.volumeLevels != kAbsent) lines.push_back(Line("Volume levels", std::to_string(m.volumeLevels)));
  if (m.bufferSize != kAbsent) lines.push_back(Line("Buffer size", std::to_string(m.bufferSize) + " KB"));
  if (m.rotationControl != kAbsent) lines.push_back(Line("Rotation control", RotationControlName(m.rotationControl)));
  if (m.selectedWriteSpeed > 0) lines.push_back(Line("Selected write speed", SpeedText(m.selectedWriteSpeed)));
  for (std::size_t i = 0; i < m.writeSpeeds.size(); ++i)
    lines.push_back(Line("Write speed", SpeedText(m.writeSpeeds[i].kbPerSecond) + ", " +
                                            RotationControlName(m.writeSpeeds[i].rotationControl)));
  for (std::size_t i = 0; i < m.notes.size(); ++i) lines.push_back(Line("Note", "capabilities page: " + m.notes[i]));
}

void ConfigurationLines(const DriveReport& drive, std::vector<Line>& lines) {
  const ProfilesResult& p = drive.profiles;
  if (!p.outcome.Good()) {
    lines.push_back(Line("Profiles", CommandFailure("GET CONFIGURATION", p.outcome)));
    return;
  }
  if (p.detail.currentProfile != kAbsent)
    lines.push_back(Line("Current profile", p.detail.currentProfile == 0 ? "none" : ProfileText(p.detail.currentProfile)));
  for (std::size_t i = 0; i < p.detail.profiles.size(); ++i)
    lines.push_back(Line("Profile", ProfileText(p.detail.profiles[i].number) +
                                        (p.detail.profiles[i].current ? ", current" : "")));
  for (std::size_t i = 0; i < p.detail.notes.size(); ++i) lines.push_back(Line("Note", "profiles: " + p.detail.notes[i]));
  for (std::size_t i = 0; i < drive.features.features.size(); ++i) {
    const Feature& feature = drive.features.features[i];
    char code[24];
    std::snprintf(code, sizeof code, "Feature %04Xh", static_cast<unsigned>(feature.code));
    lines.push_back(Line(code, std::string(feature.name) + ", version " + std::to_string(feature.version) +
                                   (feature.persistent ? ", persistent" : "") + (feature.current ? ", current" : "")));
    for (std::size_t f = 0; f < feature.fields.size(); ++f)
      lines.push_back(Line(std::string("  ") + feature.fields[f].label, FieldText(feature.fields[f])));
    if (feature.fields.empty() && !feature.data.empty() && feature.code != 0)
      lines.push_back(Line("  Bytes", Hex(feature.data)));
    for (std::size_t n = 0; n < feature.notes.size(); ++n) lines.push_back(Line("  Note", feature.notes[n]));
  }
  for (std::size_t i = 0; i < drive.features.notes.size(); ++i)
    lines.push_back(Line("Note", "features: " + drive.features.notes[i]));
}

void PerformanceLines(const DriveReport& drive, std::vector<Line>& lines) {
  const char* kWrite = "Write speed (GET PERFORMANCE)";
  const char* kRead = "Read speed (GET PERFORMANCE)";
  if (!drive.writeSpeedsOutcome.Good()) {
    lines.push_back(Line(kWrite, CommandFailure("GET PERFORMANCE", drive.writeSpeedsOutcome)));
  } else {
    for (std::size_t i = 0; i < drive.writeSpeeds.writeSpeeds.size(); ++i) {
      const WriteSpeedDescriptor& d = drive.writeSpeeds.writeSpeeds[i];
      lines.push_back(Line(kWrite, MediumSpeedText(d.writeSpeed, drive.medium) + ", reading " +
                                       MediumSpeedText(d.readSpeed, drive.medium) + ", to LBA " +
                                       std::to_string(d.endLba) + (d.wrc == 1 ? ", CAV" : "") +
                                       (d.exact ? ", exact" : "") + (d.rdd ? ", RDD" : "") + (d.mrw ? ", MRW" : "")));
    }
    if (drive.writeSpeeds.writeSpeeds.empty()) lines.push_back(Line(kWrite, "none for the medium in the drive"));
    for (std::size_t i = 0; i < drive.writeSpeeds.notes.size(); ++i)
      if (drive.writeSpeeds.notes[i] != "no descriptors")
        lines.push_back(Line("Note", "write speeds: " + drive.writeSpeeds.notes[i]));
  }
  if (!drive.performanceOutcome.Good()) {
    lines.push_back(Line(kRead, CommandFailure("GET PERFORMANCE", drive.performanceOutcome)));
    return;
  }
  for (std::size_t i = 0; i < drive.performance.performance.size(); ++i) {
    const PerformanceDescriptor& d = drive.performance.performance[i];
    lines.push_back(Line(kRead, MediumSpeedText(d.startSpeed, drive.medium) + " at LBA " + std::to_string(d.startLba) +
                                    " to " + MediumSpeedText(d.endSpeed, drive.medium) + " at LBA " +
                                    std::to_string(d.endLba)));
  }
  if (drive.performance.performance.empty()) lines.push_back(Line(kRead, "none for the medium in the drive"));
  for (std::size_t i = 0; i < drive.performance.notes.size(); ++i)
    if (drive.performance.notes[i] != "no descriptors")
      lines.push_back(Line("Note", "read speeds: " + drive.performance.notes[i]));
}

// A length in blocks of a CD as a time: 75 frames a second.
std::string CdDuration(long long blocks) {
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", blocks / 4500, (blocks / 75) % 60, blocks % 75);
  return text;
}

// An address: the LBA, and on a CD its time too.
std::string AddressText(std::int32_t lba, bool cd) {
  return "LBA " + std::to_string(lba) + (cd ? " (" + MsfText(lba) + ")" : "");
}

std::string HexBytes(const unsigned char* bytes, std::size_t count) {
  return Hex(std::vector<unsigned char>(bytes, bytes + count));
}

void Notes(const char* what, const std::vector<std::string>& notes, std::vector<Line>& lines) {
  for (std::size_t i = 0; i < notes.size(); ++i) lines.push_back(Line("Note", std::string(what) + ": " + notes[i]));
}

std::string LayerTypeText(int type) {
  static const char* const kKinds[] = {"embossed", "recordable", "rewritable", "reserved bit 3"};
  std::string text;
  for (int bit = 0; bit < 4; ++bit)
    if ((type >> bit) & 1) text += (text.empty() ? "" : " and ") + std::string(kKinds[bit]);
  return text.empty() ? "no layer type" : text;
}

// The line of a question the drive did not answer; false when it did.
bool Failed(const char* label, const char* command, const CommandOutcome& outcome, std::vector<Line>& lines) {
  if (outcome.Good()) return false;
  lines.push_back(Line(label, CommandFailure(command, outcome)));
  return true;
}

void InformationLines(const DiscReport& disc, std::vector<Line>& lines) {
  if (Failed("Disc information", "READ DISC INFORMATION", disc.informationOutcome, lines)) return;
  const DiscInformation& info = disc.information;
  if (info.decoded) {
    lines.push_back(Line("Disc status", std::string(DiscStatusName(info.discStatus)) +
                                            (info.erasable ? ", erasable" : ", not erasable")));
    lines.push_back(Line("Last session", SessionStateName(info.lastSessionState)));
    lines.push_back(Line("Sessions", std::to_string(info.sessions)));
    lines.push_back(Line("First track", std::to_string(info.firstTrack)));
    lines.push_back(Line("Tracks of the last session", std::to_string(info.firstTrackOfLastSession) + " to " +
                                                           std::to_string(info.lastTrackOfLastSession)));
    if (disc.Cd()) lines.push_back(Line("Disc type", DiscTypeName(info.discType)));
    // What a writer may still use: told for a disc that takes more.
    if (info.AddressesApply())
      lines.push_back(Line("Last possible lead-out start", AddressText(DiscAddress(disc, info.lastLeadOut), disc.Cd())));
  }
  Notes("disc information", info.notes, lines);
}

void TrackLines(const DiscReport& disc, std::vector<Line>& lines) {
  if (disc.empty) {
    lines.push_back(Line("Tracks", "none: the disc is empty"));
    return;
  }
  if (Failed("Tracks", "READ TOC/PMA/ATIP", disc.tocOutcome, lines)) return;
  const std::vector<TocEntry>& entries = disc.toc.entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TocEntry& e = entries[i];
    if (e.track == kLeadOutTrack) {
      lines.push_back(Line("Lead-out", AddressText(e.lba, disc.Cd())));
      continue;
    }
    const bool data = (e.control & 0x04) != 0;
    std::string text = data ? "data" : "audio";
    if (!data && (e.control & 0x08)) text += ", four channels";
    if (e.control & 0x02) text += ", copy permitted";
    if (!data && (e.control & 0x01)) text += ", pre-emphasis";
    const int session = SessionOfTrack(disc, i);
    if (session != 0) text += ", session " + std::to_string(session);
    text += ", " + AddressText(e.lba, disc.Cd());
    long long blocks = 0;
    if (TrackLength(disc, i, &blocks))
      text += ", " + std::to_string(blocks) + " blocks" + (disc.Cd() ? " (" + CdDuration(blocks) + ")" : "");
    lines.push_back(Line("Track " + std::to_string(e.track), text));
  }
  Notes("TOC", disc.toc.notes, lines);
}

void AtipLines(const DiscReport& disc, std::vector<Line>& lines) {
  if (Failed("ATIP", "READ TOC/PMA/ATIP", disc.atipOutcome, lines)) return;
  const Atip& atip = disc.atip;
  if (atip.decoded) {
    lines.push_back(Line("ATIP disc type", std::string(atip.rewritable ? "CD-RW" : "CD-R") + ", sub-type " +
                                               std::to_string(atip.subType)));
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", atip.leadIn[0], atip.leadIn[1], atip.leadIn[2]);
    lines.push_back(Line("ATIP lead-in start (the maker's code)", time));
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", atip.leadOut[0], atip.leadOut[1], atip.leadOut[2]);
    lines.push_back(Line("ATIP last possible lead-out start", time));
    lines.push_back(Line("ATIP reference speed", std::to_string(atip.referenceSpeed)));
    lines.push_back(Line("ATIP indicative writing power", std::to_string(atip.writingPower)));
    const struct {
      bool valid;
      const unsigned char* bytes;
      const char* label;
    } values[] = {{atip.a1Valid, atip.a1, "ATIP A1"}, {atip.a2Valid, atip.a2, "ATIP A2"}, {atip.a3Valid, atip.a3, "ATIP A3"}};
    for (const auto& v : values)
      if (v.valid && atip.valuesCame) lines.push_back(Line(v.label, HexBytes(v.bytes, 3)));
  }
  Notes("ATIP", atip.notes, lines);
}

void CapacityLines(const DiscReport& disc, std::vector<Line>& lines) {
  if (Failed("Capacity", "READ CAPACITY", disc.capacityOutcome, lines)) return;
  const Capacity& c = disc.capacity;
  if (c.decoded) {
    const unsigned long long blocks = CapacityBlocks(c);
    const unsigned long long bytes = CapacityBytes(c);
    char mb[32];
    std::snprintf(mb, sizeof mb, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    lines.push_back(Line("Capacity", std::to_string(blocks) + (blocks == 1 ? " block of " : " blocks of ") +
                                         std::to_string(c.blockLength) +
                                         " bytes (last LBA " + std::to_string(c.lastLba) + "): " +
                                         std::to_string(bytes) + " bytes, " + mb +
                                         (disc.Cd() ? ", " + CdDuration(static_cast<long long>(blocks)) : "")));
  }
  Notes("capacity", c.notes, lines);
}

void PhysicalLines(const DiscReport& disc, std::vector<Line>& lines) {
  if (Failed("Physical format", "READ DISC STRUCTURE", disc.physicalOutcome, lines)) return;
  const DvdPhysical& p = disc.physical;
  if (p.decoded) {
    lines.push_back(Line("Book type", BookTypeName(p.bookType) + ", part version " + std::to_string(p.partVersion)));
    lines.push_back(Line("Disc size", DiscSizeName(p.discSize)));
    lines.push_back(Line("Layers", std::to_string(p.layers) + (p.oppositeTrackPath ? ", opposite track path" : "") +
                                       ", " + LayerTypeText(p.layerType)));
    lines.push_back(Line("Maximum rate", MaximumRateName(p.maximumRate)));
    if (p.sectorsCame) {
      char area[96];
      std::snprintf(area, sizeof area, "sectors %lXh to %lXh", static_cast<unsigned long>(p.startSector),
                    static_cast<unsigned long>(p.endSector));
      std::string text = area;
      if (p.layers > 1) {
        std::snprintf(area, sizeof area, ", layer 0 to %lXh", static_cast<unsigned long>(p.endSectorLayer0));
        text += area;
      }
      lines.push_back(Line("Data area", text + (p.bca ? ", BCA" : "")));
    }
  }
  Notes("physical format", p.notes, lines);
}

void MakerLines(const DiscReport& disc, std::vector<Line>& lines) {
  if (Failed("Media maker", "READ DISC STRUCTURE", disc.makerOutcome, lines)) return;
  const MediaMaker& m = disc.maker;
  if (m.decoded) {
    if (!m.discType.empty()) lines.push_back(Line("BD disc type", m.discType));
    if (!m.manufacturer.empty() || !m.mediaType.empty())
      lines.push_back(Line("Media ID", m.manufacturer + (m.mediaType.empty() ? "" : " " + m.mediaType) +
                                           (m.revision >= 0 ? ", revision " + std::to_string(m.revision) : "")));
  }
  Notes("media maker", m.notes, lines);
}

// The disc in the drive, where the current profile names one.
void DiscLines(const DriveReport& drive, std::vector<Line>& lines) {
  const DiscReport& disc = drive.disc;
  if (!disc.profileKnown) return;
  if (disc.profile == 0) {
    lines.push_back(Line("Disc", "no disc"));
    return;
  }
  if (!disc.queries.disc) {
    lines.push_back(Line("Disc", ProfileText(disc.profile) + ", a medium the report asks nothing of"));
    return;
  }
  if (disc.unasked) {
    lines.push_back(Line("Disc", ProfileText(disc.profile) + ", not asked about by the report that saved this"));
    return;
  }
  lines.push_back(Line("Disc", ProfileText(disc.profile)));
  InformationLines(disc, lines);
  TrackLines(disc, lines);
  if (disc.queries.atip) AtipLines(disc, lines);
  CapacityLines(disc, lines);
  if (disc.queries.dvdPhysical) PhysicalLines(disc, lines);
  if (disc.queries.dvdMaker >= 0 || disc.queries.bdInformation) MakerLines(disc, lines);
  if (!disc.writeSpeeds.empty()) lines.push_back(Line("Write speeds for this disc", disc.writeSpeeds));
}

// `text` in pieces of at most `room` columns (`first` for the first), broken
// at blanks where it has them (the blank dropped) and within a word longer
// than the room. Only a piece broken within a word fills its room, so that
// a reader (or a script) can join the pieces again.
std::vector<std::string> Wrap(const std::string& text, std::size_t first, std::size_t rest) {
  std::vector<std::string> pieces;
  std::size_t at = 0;
  for (std::size_t room = first; text.size() - at > room; room = rest) {
    std::size_t cut = text.rfind(' ', at + room - 1);
    if (cut == std::string::npos || cut <= at) {
      pieces.push_back(text.substr(at, room));
      at += room;
    } else {
      pieces.push_back(text.substr(at, cut - at));
      at = cut + 1;
    }
  }
  pieces.push_back(text.substr(at));
  return pieces;
}

// A line of its own: `indent`, the text, and what does not fit on lines
// indented by `indent` and two more blanks.
void WriteFree(std::string& out, const std::string& indent, const std::string& text) {
  const std::vector<std::string> pieces = Wrap(text, kColumns - indent.size(), kColumns - indent.size() - 2);
  for (std::size_t i = 0; i < pieces.size(); ++i) out += (i == 0 ? indent : indent + "  ") + pieces[i] + "\n";
}

void ConnectionLines(const DriveConnection& c, std::vector<Line>& lines) {
  if (!c.Told()) {
    lines.push_back(Line("Connection", "not told by the system"));
    return;
  }
  std::string text = c.Short();
  if (!c.adapterBus.empty() && c.adapterBus != c.bus) text += (text.empty() ? "adapter: " : ", adapter: ") + c.adapterBus;
  lines.push_back(Line("Connection", (text.empty() ? std::string("bus not told") : text) + ", from " + c.source));
  if (HasUsbDevice(c)) {
    std::string usb = c.usbVendorId + ":" + c.usbProductId;
    if (!c.usbManufacturer.empty()) usb += " " + c.usbManufacturer;
    if (!c.usbProduct.empty()) usb += " " + c.usbProduct;
    if (!c.usbSpeed.empty()) usb += ", " + c.usbSpeed + " Mbit/s";
    lines.push_back(Line("USB device", usb));
  }
  if (!c.aspiManager.empty() || !c.aspiAdapter.empty())
    lines.push_back(Line("ASPI host adapter", c.aspiAdapter + (c.aspiManager.empty() ? "" : ", managed by " + c.aspiManager)));
  std::string named = c.vendor;
  for (const std::string* part : {&c.product, &c.revision})
    if (!part->empty()) named += (named.empty() ? "" : " ") + *part;
  if (!named.empty()) lines.push_back(Line("Named by the system", named));
  if (!c.serial.empty()) lines.push_back(Line("Serial number", c.serial));
  if (c.maxTransfer >= 0) lines.push_back(Line("Largest transfer", DecimalText(static_cast<unsigned long long>(c.maxTransfer)) + " bytes"));
  if (c.alignmentMask >= 0) {
    char mask[96];
    std::snprintf(mask, sizeof mask, "%llXh (buffers on %llu-byte boundaries)", static_cast<unsigned long long>(c.alignmentMask),
                  static_cast<unsigned long long>(c.alignmentMask) + 1);
    lines.push_back(Line("Alignment mask", mask));
  }
  if (c.Bridged())
    lines.push_back(Line("Bridge", "the drive is reached through a " + std::string(c.bus == kBus1394 || c.adapterBus == kBus1394 ? kBus1394 : kBusUsb) +
                                       " bridge, whose firmware may alter or refuse commands: what the drive reports "
                                       "through it may differ from what it reports on its own bus"));
}

void ProtectionLines(const DriveReport& drive, std::vector<Line>& lines) {
  if (!drive.profiles.outcome.Good()) return;
  const ContentProtection& p = drive.protection;
  lines.push_back(Line("Content protection", ProtectionSchemesText(p)));
  if (p.aacs) {
    lines.push_back(Line("Bus encryption", std::string(p.busEncryption ? "the drive can encrypt the bus (BEC)" : "the drive cannot encrypt the bus") +
                                               (p.writeBusEncryption ? ", also for writing (WBE)" : "")));
    lines.push_back(Line("Bus encryption required", kBusEncryptionRequired));
    lines.push_back(Line("Bus encryption means", kBusEncryptionMeaning));
  }
  for (const std::string& note : p.notes) lines.push_back(Line("Note", "content protection: " + note));
  if (!drive.rpcAsked) return;
  if (!drive.rpcOutcome.Good()) {
    lines.push_back(Line("Region setting", CommandFailure("REPORT KEY", drive.rpcOutcome)));
    return;
  }
  const RpcState& rpc = drive.rpc;
  if (rpc.decoded) {
    std::string regions;
    for (int region : rpc.Regions()) regions += (regions.empty() ? "" : ", ") + std::to_string(region);
    char mask[16];
    std::snprintf(mask, sizeof mask, "%02Xh", static_cast<unsigned>(rpc.regionMask));
    // A drive never set has no region to play by: its mask says nothing then.
    const bool unset = rpc.typeCode == 0 && rpc.regionMask == 0xFF;
    lines.push_back(Line("Region setting", std::string(RpcTypeName(rpc.typeCode)) +
                                               (unset ? std::string() : regions.empty() ? "; plays no region" : "; plays region " + regions) +
                                               " (mask " + mask + ")"));
    lines.push_back(Line("Region changes left", std::to_string(rpc.userChanges) + " by the user, " +
                                                    std::to_string(rpc.vendorResets) + " by the vendor"));
    lines.push_back(Line("Region playback control", RpcSchemeName(rpc.rpcScheme)));
  }
  for (const std::string& note : rpc.notes) lines.push_back(Line("Note", "region setting: " + note));
}

// The detail lines of a drive, as label and value.
std::vector<Line> DetailLines(const DriveReport& drive) {
  std::vector<Line> lines;
  if (drive.inquiry.revisionCame) lines.push_back(Line("Firmware revision", drive.inquiry.revision));
  ConnectionLines(drive.answers.connection, lines);
  InquiryLines(drive, lines);
  MechanismLines(drive.mechanism, lines);
  ConfigurationLines(drive, lines);
  ProtectionLines(drive, lines);
  PerformanceLines(drive, lines);
  DiscLines(drive, lines);
  return lines;
}

const char* DeclaredText(ProbeDeclared declared) {
  return declared == kDeclaresYes ? "yes" : declared == kDeclaresNo ? "no" : "-";
}

std::string SectorText(const char* what, bool found, int track, std::int32_t lba, const std::string& whyNot) {
  return found ? std::string(what) + " block LBA " + std::to_string(lba) + " (track " + std::to_string(track) + ")"
               : "no " + std::string(what) + " block (" + whyNot + ")";
}

// The probe as a table: each capability, what the page and the features
// declare of it, and what the probe found; notes below.
void WriteProbe(std::string& out, const ProbeReport& probe) {
  const std::size_t name = 26, page = 6, features = 10, found = 4 + name + page + features;
  const ProbeSectors& s = probe.sectors;
  if (!probe.whyNotTried.empty()) {
    WriteFree(out, "  ", "Probe: not tried: " + probe.whyNotTried);
    return;
  }
  WriteFree(out, "  ", "Probe: " + SectorText("data", s.data, s.dataTrack, s.dataLba, s.whyNoData) + "; " +
                           SectorText("audio", s.audio, s.audioTrack, s.audioLba, s.whyNoAudio));
  const auto row = [&](const std::string& a, const std::string& b, const std::string& c, const std::string& d) {
    const std::vector<std::string> pieces = Wrap(d, kColumns - found, kColumns - found);
    out += "    " + a + std::string(name - a.size(), ' ') + b + std::string(page - b.size(), ' ') + c +
           std::string(features - c.size(), ' ') + pieces[0] + "\n";
    for (std::size_t i = 1; i < pieces.size(); ++i) out += std::string(found, ' ') + pieces[i] + "\n";
  };
  row("Capability", "Page", "Features", "Probe found");
  for (const ProbeCheck& check : probe.checks)
    row(kProbeChecks[check.id].capability, DeclaredText(check.page), DeclaredText(check.features), check.found.Text());
  for (const ProbeCheck& check : probe.checks)
    for (const std::string& note : check.found.notes)
      WriteFree(out, "    ", std::string("Note: ") + kProbeChecks[check.id].capability + ": " + note);
}

}  // namespace

std::string CommandFailure(const char* command, const CommandOutcome& outcome) {
  switch (outcome.kind()) {
    case CommandOutcome::kCheckCondition:
      return std::string(command) + " refused: " + SenseText(outcome.sense).GetString() + " (" +
             SenseWords(outcome.sense, outcome.senseLength) + ")";
    case CommandOutcome::kOtherStatus:
      return std::string(command) + " ended with status " + StatusText(outcome.status);
    default:
      return std::string(command) + " was not carried: " + outcome.Reason();
  }
}

void WriteTextReport(std::string& out, const std::vector<DriveReport>& drives) {
  if (drives.empty()) {
    out += std::string(kNoDrives) + "\n";
    return;
  }
  std::size_t width = 0;
  for (int i = 0; i < kCapabilityRowCount; ++i) width = std::max(width, std::strlen(kCapabilityRows[i].label));
  // The values' column; a label too long for its place stands on a line of its own.
  const std::size_t column = 2 + width + 2;
  const auto write = [&](const std::string& label, const std::string& value) {
    const std::vector<std::string> pieces = Wrap(value, kColumns - column, kColumns - column);
    if (label.size() > width) out += "  " + label + "\n";
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      const bool beside = i == 0 && label.size() <= width;
      out += (beside ? "  " + label + std::string(width - label.size(), ' ') + "  " : std::string(column, ' ')) +
             pieces[i] + "\n";
    }
  };
  for (std::size_t d = 0; d < drives.size(); ++d) {
    const DriveReport& drive = drives[d];
    if (d != 0) out += "\n";
    const CapabilitiesResult& result = drive.capabilities;
    // Windows users know a drive by its letter; its interface path follows.
    const DriveAnswers& answers = drive.answers;
    const std::string where = answers.lettered ? (answers.driveLetter.empty() ? "no drive letter" : answers.driveLetter)
                                               : answers.path;
    WriteFree(out, "", "Drive " + std::to_string(answers.index) + (where.empty() ? "" : " (" + where + ")") + ": " +
                           drive.Name());
    if (answers.lettered) WriteFree(out, "  ", "Interface path: " + answers.path);
    for (std::size_t r = 0; r < result.rows.size(); ++r) write(result.rows[r].label, result.rows[r].Text());
    for (std::size_t n = 0; n < drive.rowNotes.size(); ++n) write("Note", "rows: " + drive.rowNotes[n]);
    for (std::size_t f = 0; f < result.failure.size(); ++f) WriteFree(out, "  ", result.failure[f].GetString());
    if (result.outcome.kind() == CommandOutcome::kCheckCondition)
      WriteFree(out, "  ", "Sense: " + SenseWords(result.outcome.sense, result.outcome.senseLength));
    if (result.outcome.kind() == CommandOutcome::kOtherStatus)
      WriteFree(out, "  ", "Status: " + StatusText(result.outcome.status));
    if (result.outcome.kind() == CommandOutcome::kNotCarried)
      WriteFree(out, "  ", "Not carried: " + result.outcome.Reason());
    if (!drive.detailed) continue;
    std::vector<Line> lines = DetailLines(drive);
    for (std::size_t l = 0; l < lines.size(); ++l) write(lines[l].first, lines[l].second);
    if (drive.probe.asked) WriteProbe(out, drive.probe);
  }
}
