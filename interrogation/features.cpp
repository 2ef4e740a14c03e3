#include "interrogation/features.h"

#include <cstdio>

#include "interrogation/answer_bytes.h"
#include "interrogation/drive_detail.h"
#include "interrogation/inquiry_detail.h"

namespace {

const std::size_t kHeaderLength = 8;

std::string Hex4(int code) {
  char text[16];
  std::snprintf(text, sizeof text, "%04Xh", static_cast<unsigned>(code) & 0xFFFF);
  return text;
}

// The fields of one descriptor, each decoded only when all of its bytes
// lie within both the descriptor's length and the bytes that came.
class Fields {
 public:
  // `available`: bytes of the descriptor, header included, that may be read.
  Fields(const unsigned char* descriptor, std::size_t available, Feature& feature)
      : m_d(descriptor), m_available(available), m_feature(feature) {}

  bool Has(std::size_t offset, std::size_t width) const { return offset + width <= m_available; }
  unsigned long Value(std::size_t offset, std::size_t width) const { return BigEndian(m_d + offset, width); }

  void Flag(const char* key, const char* label, std::size_t offset, int bit) {
    if (!Has(offset, 1)) return;
    FeatureField field = Make(key, label, FeatureField::kFlag);
    field.number = (m_d[offset] >> bit) & 1;
    m_feature.fields.push_back(field);
  }
  void Bits(const char* key, const char* label, std::size_t offset, int shift, unsigned mask) {
    if (!Has(offset, 1)) return;
    FeatureField field = Make(key, label, FeatureField::kNumber);
    field.number = (m_d[offset] >> shift) & mask;
    m_feature.fields.push_back(field);
  }
  void Count(const char* key, const char* label, std::size_t offset, std::size_t width) {
    if (!Has(offset, width)) return;
    FeatureField field = Make(key, label, FeatureField::kNumber);
    field.number = static_cast<long long>(Value(offset, width));
    m_feature.fields.push_back(field);
  }
  void Text(const char* key, const char* label, const std::string& text) {
    FeatureField field = Make(key, label, FeatureField::kText);
    field.text = text;
    m_feature.fields.push_back(field);
  }
  // `count` numbers of `width` bytes from `offset`, as many as are whole.
  void Numbers(const char* key, const char* label, std::size_t offset, std::size_t count, std::size_t width) {
    FeatureField field = Make(key, label, FeatureField::kNumbers);
    std::size_t i = 0;
    for (; i < count && Has(offset + i * width, width); ++i)
      field.numbers.push_back(static_cast<long long>(Value(offset + i * width, width)));
    if (i < count) Note(DecimalText(count) + " " + label + " announced, " + DecimalText(i) + " came");
    m_feature.fields.push_back(field);
  }
  void List(const char* key, const char* label, const std::vector<long long>& numbers) {
    FeatureField field = Make(key, label, FeatureField::kNumbers);
    field.numbers = numbers;
    m_feature.fields.push_back(field);
  }
  void Note(const std::string& note) { m_feature.notes.push_back(note); }
  std::size_t Available() const { return m_available; }
  const unsigned char* Bytes() const { return m_d; }

 private:
  static FeatureField Make(const char* key, const char* label, FeatureField::Kind kind) {
    FeatureField field;
    field.key = key;
    field.label = label;
    field.kind = kind;
    field.number = 0;
    return field;
  }
  const unsigned char* m_d;
  std::size_t m_available;
  Feature& m_feature;
};

void Core(Fields& f) {
  if (f.Has(4, 4)) {
    const unsigned long code = f.Value(4, 4);
    static const char* const kInterfaces[] = {"unspecified",   "SCSI",           "ATAPI",
                                              "IEEE 1394-1995", "IEEE 1394A",    "Fibre Channel",
                                              "IEEE 1394B",    "Serial ATAPI",   "USB"};
    std::string name = code < sizeof kInterfaces / sizeof kInterfaces[0] ? kInterfaces[code]
                       : code == 0xFFFF ? "vendor unique"
                                        : "reserved (" + DecimalText(code) + ")";
    f.Text("physical_interface", "Physical interface", name);
  }
  f.Flag("dbe", "DBE", 8, 0);
  f.Flag("inq2", "INQ2", 8, 1);
}

void Morphing(Fields& f) {
  f.Flag("async", "Async", 4, 0);
  f.Flag("oc_event", "OCEvent", 4, 1);
}

void RemovableMedium(Fields& f) {
  if (f.Has(4, 1)) f.Text("loading_mechanism", "Loading mechanism", LoadingMechanismName(f.Bytes()[4] >> 5));
  f.Flag("load", "Load", 4, 4);
  f.Flag("eject", "Eject", 4, 3);
  f.Flag("prevent_jumper", "Prevent jumper", 4, 2);
  f.Flag("dbml", "DBML", 4, 1);
  f.Flag("lock", "Lock", 4, 0);
}

void WriteProtect(Fields& f) {
  f.Flag("dwp", "DWP", 4, 3);
  f.Flag("wdcb", "WDCB", 4, 2);
  f.Flag("spwp", "SPWP", 4, 1);
  f.Flag("sswpp", "SSWPP", 4, 0);
}

void Readable(Fields& f) {  // Random Readable, Write Once
  f.Count("block_size", "Logical block size", 4, 4);
  f.Count("blocking", "Blocking", 8, 2);
  f.Flag("pp", "PP", 10, 0);
}

void CdRead(Fields& f) {
  f.Flag("dap", "DAP", 4, 7);
  f.Flag("c2_flags", "C2 error flags", 4, 1);
  f.Flag("cd_text", "CD-Text", 4, 0);
}

void DvdRead(Fields& f) {
  f.Flag("multi110", "MULTI110", 4, 0);
  f.Flag("dual_layer_dvd_rw", "Dual-layer DVD-RW", 6, 1);
  f.Flag("dual_layer_dvd_r", "Dual-layer DVD-R", 6, 0);
}

void RandomWritable(Fields& f) {
  f.Count("last_lba", "Last logical block address", 4, 4);
  f.Count("block_size", "Logical block size", 8, 4);
  f.Count("blocking", "Blocking", 12, 2);
  f.Flag("pp", "PP", 14, 0);
}

void IncrementalStreaming(Fields& f) {
  f.Count("data_block_types", "Data block types supported", 4, 2);
  f.Flag("trio", "TRIO", 6, 2);
  f.Flag("arsv", "ARSV", 6, 1);
  f.Flag("buf", "BUF", 6, 0);
  if (f.Has(7, 1)) f.Numbers("link_sizes", "Link sizes", 8, f.Bytes()[7], 1);
}

void Formattable(Fields& f) {
  f.Flag("renosa", "RENoSA", 4, 3);
  f.Flag("expand", "Expand", 4, 2);
  f.Flag("qcert", "QCert", 4, 1);
  f.Flag("cert", "Cert", 4, 0);
  f.Flag("rrm", "RRM", 8, 0);
}

void DefectManagement(Fields& f) { f.Flag("ssa", "SSA", 4, 7); }

void Mrw(Fields& f) {
  f.Flag("dvd_plus_mrw_write", "DVD+MRW write", 4, 2);
  f.Flag("dvd_plus_mrw_read", "DVD+MRW read", 4, 1);
  f.Flag("cd_mrw_write", "CD-MRW write", 4, 0);
}

void DefectReporting(Fields& f) {
  f.Flag("drt_dm", "DRT-DM", 4, 0);
  f.Count("dbi_cache_zones", "DBI cache zones", 5, 1);
  f.Count("entries", "Number of entries", 6, 2);
}

void DvdPlusRw(Fields& f) {
  f.Flag("write", "Write", 4, 0);
  f.Flag("quick_start", "Quick start", 5, 1);
  f.Flag("close_only", "Close only", 5, 0);
}

void DvdPlusR(Fields& f) { f.Flag("write", "Write", 4, 0); }

void RigidOverwrite(Fields& f) {
  f.Flag("dsdg", "DSDG", 4, 3);
  f.Flag("dsdr", "DSDR", 4, 2);
  f.Flag("intermediate", "Intermediate", 4, 1);
  f.Flag("blank", "Blank", 4, 0);
}

void TrackAtOnce(Fields& f) {
  f.Flag("buf", "BUF", 4, 6);
  f.Flag("rw_raw", "R-W raw", 4, 4);
  f.Flag("rw_pack", "R-W pack", 4, 3);
  f.Flag("test_write", "Test write", 4, 2);
  f.Flag("cd_rw", "CD-RW", 4, 1);
  f.Flag("rw_subcode", "R-W subcode", 4, 0);
  f.Count("data_types", "Data types supported", 6, 2);
}

void Mastering(Fields& f) {
  f.Flag("buf", "BUF", 4, 6);
  f.Flag("sao", "SAO", 4, 5);
  f.Flag("raw_multisession", "Raw multi-session", 4, 4);
  f.Flag("raw", "Raw", 4, 3);
  f.Flag("test_write", "Test write", 4, 2);
  f.Flag("cd_rw", "CD-RW", 4, 1);
  f.Flag("rw", "R-W", 4, 0);
  f.Count("max_cue_sheet_length", "Maximum cue sheet length", 5, 3);
}

void DvdMinusWrite(Fields& f) {
  f.Flag("buf", "BUF", 4, 6);
  f.Flag("rdl", "RDL", 4, 3);
  f.Flag("test_write", "Test write", 4, 2);
  f.Flag("dvd_rw_sl", "DVD-RW SL", 4, 1);
}

void LayerJump(Fields& f) {
  if (f.Has(7, 1)) f.Numbers("link_sizes", "Link sizes", 8, f.Bytes()[7], 1);
}

void CdRwMedia(Fields& f) {
  if (!f.Has(5, 1)) return;
  std::vector<long long> subtypes;
  for (int bit = 0; bit < 8; ++bit)
    if ((f.Bytes()[5] >> bit) & 1) subtypes.push_back(bit);
  f.List("subtypes", "CD-RW media subtypes", subtypes);
}

void BdClasses(Fields& f, bool write) {
  f.Flag(write ? "svnr" : "bca", write ? "SVNR" : "BCA", 4, 0);
  f.Numbers("bd_re_classes", "BD-RE class 0-3 version bitmaps", 8, 4, 2);
  f.Numbers("bd_r_classes", "BD-R class 0-3 version bitmaps", 16, 4, 2);
  if (!write) f.Numbers("bd_rom_classes", "BD-ROM class 0-3 version bitmaps", 24, 4, 2);
}

void BdRead(Fields& f) { BdClasses(f, false); }
void BdWrite(Fields& f) { BdClasses(f, true); }

void HdDvd(Fields& f) {
  f.Flag("hd_dvd_r", "HD DVD-R", 4, 0);
  f.Flag("hd_dvd_ram", "HD DVD-RAM", 6, 0);
}

void HybridDisc(Fields& f) { f.Flag("ri", "RI", 4, 0); }
void Smart(Fields& f) { f.Flag("pp", "PP", 4, 0); }

void EmbeddedChanger(Fields& f) {
  f.Flag("scc", "SCC", 4, 4);
  f.Flag("sdp", "SDP", 4, 2);
  f.Bits("highest_slot", "Highest slot number", 7, 0, 0x1F);
}

void AudioPlay(Fields& f) {
  f.Flag("scan", "Scan", 4, 2);
  f.Flag("scm", "SCM", 4, 1);
  f.Flag("sv", "SV", 4, 0);
  f.Count("volume_levels", "Volume levels", 6, 2);
}

void Microcode(Fields& f) { f.Flag("m5", "M5", 4, 0); }

void Timeout(Fields& f) {
  f.Flag("group3", "Group 3", 4, 0);
  f.Count("unit_length", "Unit length", 6, 2);
}

void Css(Fields& f) { f.Count("css_version", "CSS version", 7, 1); }
void Cprm(Fields& f) { f.Count("cprm_version", "CPRM version", 7, 1); }

void Streaming(Fields& f) {
  f.Flag("smp", "SMP", 4, 5);
  f.Flag("rbcb", "RBCB", 4, 4);
  f.Flag("scs", "SCS", 4, 3);
  f.Flag("mp2a", "MP2A", 4, 2);
  f.Flag("wspd", "WSPD", 4, 1);
  f.Flag("sw", "SW", 4, 0);
}

void SerialNumber(Fields& f) {
  if (f.Available() > 4) f.Text("serial_number", "Serial number", PrintableText(f.Bytes() + 4, f.Available() - 4));
}

void DiscControlBlocks(Fields& f) {
  f.Numbers("dcb_identifiers", "DCB identifiers", 4, f.Available() > 4 ? (f.Available() - 4) / 4 : 0, 4);
}

// Century, year, month, day, hour, minute, second, two ASCII digits each:
// shown as a date only when it is one.
void FirmwareInformation(Fields& f) {
  if (!f.Has(4, 14)) {
    if (f.Available() > 4) f.Text("firmware_text", "Firmware information", PrintableText(f.Bytes() + 4, f.Available() - 4));
    return;
  }
  const unsigned char* d = f.Bytes() + 4;
  int values[7];
  bool digits = true;
  for (int i = 0; i < 7; ++i) {
    digits = digits && d[2 * i] >= '0' && d[2 * i] <= '9' && d[2 * i + 1] >= '0' && d[2 * i + 1] <= '9';
    values[i] = (d[2 * i] - '0') * 10 + (d[2 * i + 1] - '0');
  }
  if (digits && values[2] >= 1 && values[2] <= 12 && values[3] >= 1 && values[3] <= 31 && values[4] < 24 &&
      values[5] < 60 && values[6] < 60) {
    char date[96];
    std::snprintf(date, sizeof date, "%02d%02d-%02d-%02d %02d:%02d:%02d", values[0], values[1], values[2], values[3],
                  values[4], values[5], values[6]);
    f.Text("firmware_date", "Firmware date", date);
  } else {
    f.Text("firmware_text", "Firmware information", PrintableText(d, 14));
  }
}

void Aacs(Fields& f) {
  f.Flag("rdc", "RDC", 4, 4);
  f.Flag("rmc", "RMC", 4, 3);
  f.Flag("wbe", "WBE", 4, 2);
  f.Flag("bec", "BEC", 4, 1);
  f.Flag("bng", "BNG", 4, 0);
  f.Count("binding_nonce_blocks", "Block count for binding nonce", 5, 1);
  f.Bits("agids", "Number of AGIDs", 6, 0, 0x0F);
  f.Count("aacs_version", "AACS version", 7, 1);
}

void CssManaged(Fields& f) { f.Count("max_scramble_extents", "Maximum scramble extent entries", 4, 1); }

void Ossc(Fields& f) {
  f.Flag("psau", "PSAU", 4, 7);
  f.Flag("lospb", "LOSPB", 4, 6);
  f.Flag("me", "ME", 4, 0);
  if (f.Has(5, 1)) f.Numbers("profiles", "Profiles", 6, f.Bytes()[5], 2);
}

struct Known {
  int code;
  const char* name;
  void (*decode)(Fields&);
};

const Known kFeatures[] = {
    {0x0000, "Profile List", nullptr},
    {0x0001, "Core", Core},
    {0x0002, "Morphing", Morphing},
    {0x0003, "Removable Medium", RemovableMedium},
    {0x0004, "Write Protect", WriteProtect},
    {0x0010, "Random Readable", Readable},
    {0x001D, "Multi-Read", nullptr},
    {0x001E, "CD Read", CdRead},
    {0x001F, "DVD Read", DvdRead},
    {0x0020, "Random Writable", RandomWritable},
    {0x0021, "Incremental Streaming Writable", IncrementalStreaming},
    {0x0022, "Sector Erasable", nullptr},
    {0x0023, "Formattable", Formattable},
    {0x0024, "Hardware Defect Management", DefectManagement},
    {0x0025, "Write Once", Readable},
    {0x0026, "Restricted Overwrite", nullptr},
    {0x0027, "CD-RW CAV Write", nullptr},
    {0x0028, "MRW", Mrw},
    {0x0029, "Enhanced Defect Reporting", DefectReporting},
    {0x002A, "DVD+RW", DvdPlusRw},
    {0x002B, "DVD+R", DvdPlusR},
    {0x002C, "Rigid Restricted Overwrite", RigidOverwrite},
    {0x002D, "CD Track at Once", TrackAtOnce},
    {0x002E, "CD Mastering", Mastering},
    {0x002F, "DVD-R/-RW Write", DvdMinusWrite},
    {0x0030, "DDCD Read", nullptr},
    {0x0031, "DDCD-R Write", nullptr},
    {0x0032, "DDCD-RW Write", nullptr},
    {0x0033, "Layer Jump Recording", LayerJump},
    {0x0034, "Layer Jump Rigid Restricted Overwrite", nullptr},
    {0x0035, "Stop Long Operation", nullptr},
    {0x0037, "CD-RW Media Write Support", CdRwMedia},
    {0x0038, "BD-R Pseudo-Overwrite", nullptr},
    {0x003A, "DVD+RW Dual Layer", DvdPlusRw},
    {0x003B, "DVD+R Dual Layer", DvdPlusR},
    {0x0040, "BD Read", BdRead},
    {0x0041, "BD Write", BdWrite},
    {0x0042, "TSR", nullptr},
    {0x0050, "HD DVD Read", HdDvd},
    {0x0051, "HD DVD Write", HdDvd},
    {0x0052, "HD DVD-RW Fragment Recording", nullptr},
    {0x0080, "Hybrid Disc", HybridDisc},
    {0x0100, "Power Management", nullptr},
    {0x0101, "SMART", Smart},
    {0x0102, "Embedded Changer", EmbeddedChanger},
    {0x0103, "CD Audio External Play", AudioPlay},
    {0x0104, "Microcode Upgrade", Microcode},
    {0x0105, "Timeout", Timeout},
    {0x0106, "DVD CSS", Css},
    {0x0107, "Real Time Streaming", Streaming},
    {0x0108, "Drive Serial Number", SerialNumber},
    {0x0109, "Media Serial Number", nullptr},
    {0x010A, "Disc Control Blocks", DiscControlBlocks},
    {0x010B, "DVD CPRM", Cprm},
    {0x010C, "Firmware Information", FirmwareInformation},
    {0x010D, "AACS", Aacs},
    {0x010E, "DVD CSS Managed Recording", CssManaged},
    {0x0110, "VCPS", nullptr},
    {0x0113, "SecurDisc", nullptr},
    {0x0142, "OSSC", Ossc},
};

const Known* Find(int code) {
  for (std::size_t i = 0; i < sizeof kFeatures / sizeof kFeatures[0]; ++i)
    if (kFeatures[i].code == code) return &kFeatures[i];
  return nullptr;
}

}  // namespace

const char* FeatureName(int code) {
  const Known* known = Find(code);
  if (known != nullptr) return known->name;
  return code >= 0xFF00 ? "vendor specific" : "unknown";
}

std::size_t ConfigurationLength(const unsigned char* header, std::size_t received) {
  if (header == nullptr || received < 4) return kHeaderLength;
  const unsigned long long whole = static_cast<unsigned long long>(BigEndian(header, 4)) + 4;
  if (whole < kHeaderLength) return kHeaderLength;
  return whole > kLargestConfiguration ? kLargestConfiguration : static_cast<std::size_t>(whole);
}

FeatureList DecodeFeatures(const unsigned char* answer, std::size_t received) {
  FeatureList list;
  list.decoded = false;
  list.dataLength = 0;
  list.currentProfile = kAbsent;
  if (answer == nullptr || received < kHeaderLength) {
    list.notes.push_back("the feature header did not come whole");
    return list;
  }
  list.decoded = true;
  list.dataLength = BigEndian(answer, 4);
  list.currentProfile = static_cast<long>(BigEndian(answer + 6, 2));
  // The data length counts the bytes after itself; the walk stays within
  // both it and what came.
  const unsigned long long whole = static_cast<unsigned long long>(list.dataLength) + 4;
  std::size_t available = received;
  if (whole < received) available = static_cast<std::size_t>(whole);
  if (whole > received)
    list.notes.push_back("the answer says " + DecimalText(whole) + " bytes, " +
                         DecimalText(received) + " came");
  if (whole < kHeaderLength) list.notes.push_back("its data length " + DecimalText(list.dataLength) + " leaves no room for the header");
  std::size_t at = kHeaderLength;
  bool ended = false;
  while (at + 4 <= available) {
    const unsigned char* d = answer + at;
    Feature feature;
    feature.code = static_cast<int>(BigEndian(d, 2));
    // MMC returns the descriptors in ascending order of feature code, the
    // Profile List first. A code not above the one before is no descriptor:
    // most often the zeroed rest of a buffer that a data length claimed.
    if (!list.features.empty() && feature.code <= list.features.back().code) {
      list.notes.push_back("the walk ends at byte " + DecimalText(at) + ": feature " + Hex4(feature.code) +
                           " is not above " + Hex4(list.features.back().code) + " before it, and features ascend");
      ended = true;
      break;
    }
    feature.name = FeatureName(feature.code);
    feature.version = (d[2] >> 2) & 0x0F;
    feature.persistent = ((d[2] >> 1) & 1) != 0;
    feature.current = (d[2] & 1) != 0;
    feature.length = d[3];
    const std::size_t end = at + 4 + feature.length;
    const std::size_t stop = end < available ? end : available;
    feature.data.assign(d + 4, answer + stop);
    if (feature.length % 4 != 0)
      feature.notes.push_back("its length " + DecimalText(feature.length) + " is no multiple of 4");
    if (end > available)
      feature.notes.push_back("cut short: " + DecimalText(stop - at) + " of its " + DecimalText(end - at) + " bytes came");
    const Known* known = Find(feature.code);
    if (known != nullptr && known->decode != nullptr) {
      Fields fields(d, stop - at, feature);
      known->decode(fields);
    }
    list.features.push_back(feature);
    at = end;
  }
  if (!ended && at < available) list.notes.push_back(DecimalText(available - at) + " bytes after the last whole descriptor header");
  if (list.features.empty() && list.notes.empty()) list.notes.push_back("no features");
  return list;
}
