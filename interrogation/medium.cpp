#include "interrogation/medium.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "interrogation/answer_bytes.h"
#include "interrogation/inquiry_detail.h"

namespace {

const std::size_t kTocDescriptorLength = 8;

std::string Hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02Xh", static_cast<unsigned>(value) & 0xFF);
  return text;
}

// The bytes to decode: those that the answer's 2-byte length field covers
// (with the field itself), within those that came. Under ASPI "came" is the
// whole buffer, so the length field is what ends the answer there.
std::size_t Whole(const unsigned char* answer, std::size_t received, std::vector<std::string>* notes) {
  if (answer == nullptr || received < 2) return 0;
  const std::size_t declared = (static_cast<std::size_t>(answer[0]) << 8 | answer[1]) + 2;
  if (declared > received) notes->push_back("the answer says " + DecimalText(declared) + " bytes, " + DecimalText(received) + " came");
  return declared < received ? declared : received;
}

void Short(const char* what, std::size_t have, std::size_t need, std::vector<std::string>* notes) {
  notes->push_back(std::string(what) + " did not come whole (" + DecimalText(have) + " of " + DecimalText(need) + " bytes)");
}

// An identifier of the disc's maker: zero bytes dropped (some discs pad
// inside it), then INQUIRY's rule for text.
std::string MakerText(const unsigned char* bytes, std::size_t length) {
  std::vector<unsigned char> kept;
  for (std::size_t i = 0; i < length; ++i)
    if (bytes[i] != 0) kept.push_back(bytes[i]);
  return kept.empty() ? std::string() : PrintableText(&kept[0], kept.size());
}

// The bytes to decode when at least `need` came; else 0, with a note that
// `what` did not come whole.
std::size_t WholeAtLeast(const unsigned char* answer, std::size_t received, std::size_t need, const char* what,
                         std::vector<std::string>* notes) {
  const std::size_t available = Whole(answer, received, notes);
  if (available >= need) return available;
  Short(what, available, need, notes);
  return 0;
}

}  // namespace

MediumQueries QueriesFor(long profile) {
  MediumQueries queries;
  const bool cd = profile >= 0x08 && profile <= 0x0A;
  const bool dvdMinus = profile == 0x11 || (profile >= 0x13 && profile <= 0x17);
  const bool dvdPlus = profile == 0x1A || profile == 0x1B || profile == 0x2A || profile == 0x2B;
  const bool dvd = dvdMinus || dvdPlus || profile == 0x10 || profile == 0x12 || profile == 0x18;
  const bool bd = profile >= 0x40 && profile <= 0x43;
  queries.disc = cd || dvd || bd;
  queries.atip = profile == 0x09 || profile == 0x0A;
  queries.dvdPhysical = dvd;
  if (dvdMinus) queries.dvdMaker = kPreRecordedFormat;
  if (dvdPlus) queries.dvdMaker = kAdipFormat;
  queries.bdInformation = bd;
  return queries;
}

DiscInformation DecodeDiscInformation(const unsigned char* answer, std::size_t received) {
  DiscInformation info;
  const std::size_t available = WholeAtLeast(answer, received, 12, "the disc information", &info.notes);
  if (available == 0) return info;
  info.decoded = true;
  if ((answer[2] >> 5) != 0) info.notes.push_back("the answer's data type is " + DecimalText(answer[2] >> 5) + ", not 0 (standard disc information)");
  info.erasable = (answer[2] & 0x10) != 0;
  info.lastSessionState = (answer[2] >> 2) & 0x03;
  info.discStatus = answer[2] & 0x03;
  info.firstTrack = answer[3];
  info.sessions = answer[9] << 8 | answer[4];
  info.firstTrackOfLastSession = answer[10] << 8 | answer[5];
  info.lastTrackOfLastSession = answer[11] << 8 | answer[6];
  info.unrestricted = (answer[7] & 0x20) != 0;
  info.discType = answer[8];
  if (available >= 24) {
    info.addressesCame = true;
    info.lastSessionLeadIn = BigEndian(answer + 16, 4);
    info.lastLeadOut = BigEndian(answer + 20, 4);
  } else {
    Short("the lead-in and lead-out addresses", available, 24, &info.notes);
  }
  return info;
}

const char* DiscStatusName(int status) {
  static const char* const kNames[] = {"empty", "incomplete (appendable)", "complete", "other"};
  return kNames[status & 0x03];
}

const char* SessionStateName(int state) {
  static const char* const kNames[] = {"empty", "incomplete", "damaged", "complete"};
  return kNames[state & 0x03];
}

std::string DiscTypeName(int type) {
  switch (type) {
    case 0x00: return "CD-DA or CD-ROM";
    case 0x10: return "CD-I";
    case 0x20: return "CD-ROM XA";
    case 0xFF: return "undefined";
    default: return "reserved (" + Hex(type) + ")";
  }
}

Toc DecodeToc(const unsigned char* answer, std::size_t received) {
  Toc toc;
  const std::size_t available = WholeAtLeast(answer, received, 4, "the TOC header", &toc.notes);
  if (available == 0) return toc;
  toc.decoded = true;
  toc.firstTrack = answer[2];
  toc.lastTrack = answer[3];
  // Tracks ascend and the lead-out comes last: a descriptor that breaks
  // the order is the zeroed rest of a buffer or worse, and ends the walk.
  std::size_t at = 4;
  for (; at + kTocDescriptorLength <= available; at += kTocDescriptorLength) {
    const unsigned char* d = answer + at;
    if (!toc.entries.empty()) {
      const int before = toc.entries.back().track;
      if (before == kLeadOutTrack || d[2] <= before) {
        toc.notes.push_back("byte " + DecimalText(at) + ": track " + DecimalText(d[2]) + " after " +
                            (before == kLeadOutTrack ? std::string("the lead-out") : "track " + DecimalText(before)) +
                            " breaks the TOC's order; the TOC ends there");
        return toc;
      }
    }
    TocEntry entry;
    entry.adr = d[1] >> 4;
    entry.control = d[1] & 0x0F;
    entry.track = d[2];
    entry.lba = static_cast<std::int32_t>(BigEndian(d + 4, 4));
    toc.entries.push_back(entry);
  }
  if (at < available) toc.notes.push_back(DecimalText(available - at) + " bytes that make no whole descriptor");
  if (toc.entries.empty()) toc.notes.push_back("no tracks");
  else if (toc.entries.back().track != kLeadOutTrack) toc.notes.push_back("no lead-out");
  return toc;
}

Atip DecodeAtip(const unsigned char* answer, std::size_t received) {
  Atip atip;
  const std::size_t available = WholeAtLeast(answer, received, 15, "the ATIP", &atip.notes);
  if (available == 0) return atip;
  // Bytes 4 and 6 start with a 1, byte 5 with a 0: a TOC's reserved byte 4
  // is 0.
  if ((answer[4] & 0x80) == 0 || (answer[5] & 0x80) != 0 || (answer[6] & 0x80) == 0) {
    atip.notes.push_back("the answer is not laid out as an ATIP: bytes 4-6 are " + Hex(answer[4]) + " " +
                         Hex(answer[5]) + " " + Hex(answer[6]) + ", whose top bits in an ATIP are 1, 0, 1 (a TOC, "
                         "perhaps, from a drive that reads the format from another byte)");
    return atip;
  }
  atip.decoded = true;
  atip.writingPower = (answer[4] >> 4) & 0x07;
  atip.referenceSpeed = answer[4] & 0x07;
  atip.unrestricted = (answer[5] & 0x40) != 0;
  atip.rewritable = (answer[6] & 0x40) != 0;
  atip.subType = (answer[6] >> 3) & 0x07;
  atip.a1Valid = (answer[6] & 0x04) != 0;
  atip.a2Valid = (answer[6] & 0x02) != 0;
  atip.a3Valid = (answer[6] & 0x01) != 0;
  for (int i = 0; i < 3; ++i) {
    atip.leadIn[i] = answer[8 + i];
    atip.leadOut[i] = answer[12 + i];
  }
  if (available >= 27) {
    atip.valuesCame = true;
    for (int i = 0; i < 3; ++i) {
      atip.a1[i] = answer[16 + i];
      atip.a2[i] = answer[20 + i];
      atip.a3[i] = answer[24 + i];
    }
  } else if (atip.a1Valid || atip.a2Valid || atip.a3Valid) {
    Short("the A1-A3 values", available, 27, &atip.notes);
  }
  return atip;
}

Capacity DecodeCapacity(const unsigned char* answer, std::size_t received) {
  Capacity capacity;
  if (answer == nullptr || received < 8) {
    Short("the capacity", answer == nullptr ? 0 : received, 8, &capacity.notes);
    return capacity;
  }
  capacity.decoded = true;
  capacity.lastLba = BigEndian(answer, 4);
  capacity.blockLength = BigEndian(answer + 4, 4);
  if (capacity.blockLength == 0) capacity.notes.push_back("a block length of 0");
  return capacity;
}

DvdPhysical DecodeDvdPhysical(const unsigned char* answer, std::size_t received) {
  DvdPhysical physical;
  const std::size_t available = WholeAtLeast(answer, received, 8, "the physical format", &physical.notes);
  if (available == 0) return physical;
  physical.decoded = true;
  physical.bookType = answer[4] >> 4;
  physical.partVersion = answer[4] & 0x0F;
  physical.discSize = answer[5] >> 4;
  physical.maximumRate = answer[5] & 0x0F;
  physical.layers = ((answer[6] >> 5) & 0x03) + 1;
  physical.oppositeTrackPath = (answer[6] & 0x10) != 0;
  physical.layerType = answer[6] & 0x0F;
  if (available >= 21) {
    physical.sectorsCame = true;
    physical.startSector = BigEndian(answer + 8, 4);
    physical.endSector = BigEndian(answer + 12, 4);
    physical.endSectorLayer0 = BigEndian(answer + 16, 4);
    physical.bca = (answer[20] & 0x80) != 0;
  } else {
    Short("the data area's sectors", available, 21, &physical.notes);
  }
  return physical;
}

std::string BookTypeName(int type) {
  static const char* const kNames[16] = {"DVD-ROM", "DVD-RAM", "DVD-R", "DVD-RW", "HD DVD-ROM", "HD DVD-RAM",
                                         "HD DVD-R", nullptr, nullptr, "DVD+RW", "DVD+R", nullptr,
                                         nullptr, "DVD+RW DL", "DVD+R DL", nullptr};
  const char* name = kNames[type & 0x0F];
  if (name != nullptr) return name;
  char text[24];
  std::snprintf(text, sizeof text, "reserved (%Xh)", static_cast<unsigned>(type) & 0x0F);
  return text;
}

std::string DiscSizeName(int size) {
  if (size == 0) return "120 mm";
  if (size == 1) return "80 mm";
  return "reserved (" + DecimalText(static_cast<unsigned>(size)) + ")";
}

std::string MaximumRateName(int rate) {
  static const char* const kRates[] = {"2.52 Mbit/s", "5.04 Mbit/s", "10.08 Mbit/s", "20.16 Mbit/s", "30.24 Mbit/s"};
  if (rate >= 0 && rate < 5) return kRates[rate];
  if (rate == 0x0F) return "not specified";
  return "reserved (" + DecimalText(static_cast<unsigned>(rate)) + ")";
}

MediaMaker DecodeDvdMinusMaker(const unsigned char* answer, std::size_t received) {
  MediaMaker maker;
  const std::size_t available = WholeAtLeast(answer, received, 36, "the pre-recorded information's fields 3 and 4", &maker.notes);
  if (available == 0) return maker;
  // Each field starts with its number; the manufacturer is fields 3 and 4.
  if (answer[20] != 3 || answer[28] != 4) {
    maker.notes.push_back("the fields at bytes 20 and 28 are numbered " + DecimalText(answer[20]) + " and " +
                          DecimalText(answer[28]) + ", not 3 and 4");
    return maker;
  }
  unsigned char id[12];
  for (int i = 0; i < 6; ++i) {
    id[i] = answer[21 + i];
    id[6 + i] = answer[29 + i];
  }
  maker.decoded = true;
  maker.manufacturer = MakerText(id, sizeof id);
  return maker;
}

MediaMaker DecodeDvdPlusMaker(const unsigned char* answer, std::size_t received) {
  MediaMaker maker;
  const std::size_t available = WholeAtLeast(answer, received, 34, "the ADIP's manufacturer and media type", &maker.notes);
  if (available == 0) return maker;
  maker.decoded = true;
  maker.manufacturer = MakerText(answer + 23, 8);
  maker.mediaType = MakerText(answer + 31, 3);
  if (available >= 35) maker.revision = answer[34];
  return maker;
}

MediaMaker DecodeBdMaker(const unsigned char* answer, std::size_t received) {
  MediaMaker maker;
  const std::size_t available = WholeAtLeast(answer, received, 15, "the disc information's disc type", &maker.notes);
  if (available == 0) return maker;
  if (answer[4] != 'D' || answer[5] != 'I') {
    maker.notes.push_back("the disc information does not start with \"DI\" (bytes 4-5: " + Hex(answer[4]) + " " +
                          Hex(answer[5]) + ")");
    return maker;
  }
  maker.decoded = true;
  maker.discType = MakerText(answer + 12, 3);
  if (maker.discType == "BDO") return maker;  // pressed discs name no maker
  if (available < 113) {
    Short("the disc information's manufacturer and media type", available, 113, &maker.notes);
    return maker;
  }
  maker.manufacturer = MakerText(answer + 104, 6);
  maker.mediaType = MakerText(answer + 110, 3);
  if (available >= 116) maker.revision = answer[115];
  return maker;
}

std::string MsfText(std::int32_t lba) {
  // The lead-in's times count on from 90:00:00 below LBA -150.
  long long x = lba >= -150 ? static_cast<long long>(lba) + 150 : static_cast<long long>(lba) + 450150;
  if (x < 0) x = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", x / 4500, (x / 75) % 60, x % 75);
  return text;
}

std::int32_t LbaOfMsf(int minutes, int seconds, int frames) {
  const std::int32_t frame = (minutes * 60 + seconds) * 75 + frames;
  return minutes < 90 ? frame - 150 : frame - 450150;
}

std::string SpeedMultiplesText(const std::vector<WriteSpeedDescriptor>& speeds, const Medium& medium) {
  if (medium.oneX <= 0) return std::string();
  std::vector<double> multiples;
  for (const WriteSpeedDescriptor& d : speeds) multiples.push_back(static_cast<double>(d.writeSpeed) / medium.oneX);
  std::sort(multiples.begin(), multiples.end());
  std::string text, last;
  for (double multiple : multiples) {
    // Drives round their kB/s: 48x CD is 8467, not 8467.2.
    char one[32];
    const double whole = std::floor(multiple + 0.5);
    if (std::fabs(multiple - whole) < 0.05)
      std::snprintf(one, sizeof one, "%.0fx", whole);
    else
      std::snprintf(one, sizeof one, "%.1fx", multiple);
    if (one == last) continue;
    text += (text.empty() ? "" : ", ") + std::string(one);
    last = one;
  }
  return text.empty() ? text : text + " " + medium.name;
}

RpcState DecodeRpcState(const unsigned char* answer, std::size_t received) {
  RpcState state;
  if (WholeAtLeast(answer, received, 7, "the RPC state", &state.notes) == 0) return state;
  state.decoded = true;
  state.typeCode = answer[4] >> 6;
  state.vendorResets = (answer[4] >> 3) & 0x07;
  state.userChanges = answer[4] & 0x07;
  state.regionMask = answer[5];
  state.rpcScheme = answer[6];
  if (state.typeCode == 0 && state.regionMask != 0xFF)
    state.notes.push_back("no region is set, yet the mask is " + Hex(state.regionMask) + ", not FFh");
  return state;
}

std::vector<int> RpcState::Regions() const {
  std::vector<int> regions;
  for (int bit = 0; bit < 8; ++bit)
    if ((regionMask & (1 << bit)) == 0) regions.push_back(bit + 1);
  return regions;
}

const char* RpcTypeName(int type) {
  static const char* const kNames[] = {"no region set", "region set", "region set, last change: further changes are restricted",
                                       "region set permanently; only the vendor may reset it"};
  return type >= 0 && type < 4 ? kNames[type] : "unknown";
}

std::string RpcSchemeName(int scheme) {
  if (scheme == 0x00) return "RPC-I: the drive does not enforce regions";
  if (scheme == 0x01) return "RPC Phase II: the drive enforces its region";
  return "scheme " + Hex(scheme);
}

