#include "interrogation/drive_detail.h"

#include <cstdio>

namespace {

long Word(const unsigned char* bytes) { return (static_cast<long>(bytes[0]) << 8) | bytes[1]; }

std::string Number(long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%ld", value);
  return text;
}

struct Named {
  int number;
  const char* name;
};

// MMC's profile numbers.
const Named kProfiles[] = {
    {0x0001, "Non-removable disk"},
    {0x0002, "Removable disk"},
    {0x0003, "MO erasable"},
    {0x0004, "Optical write once"},
    {0x0005, "AS-MO"},
    {0x0008, "CD-ROM"},
    {0x0009, "CD-R"},
    {0x000A, "CD-RW"},
    {0x0010, "DVD-ROM"},
    {0x0011, "DVD-R"},
    {0x0012, "DVD-RAM"},
    {0x0013, "DVD-RW restricted overwrite"},
    {0x0014, "DVD-RW sequential"},
    {0x0015, "DVD-R DL sequential"},
    {0x0016, "DVD-R DL layer jump"},
    {0x0017, "DVD-RW DL"},
    {0x0018, "DVD-Download"},
    {0x001A, "DVD+RW"},
    {0x001B, "DVD+R"},
    {0x0020, "DDCD-ROM"},
    {0x0021, "DDCD-R"},
    {0x0022, "DDCD-RW"},
    {0x002A, "DVD+RW DL"},
    {0x002B, "DVD+R DL"},
    {0x0040, "BD-ROM"},
    {0x0041, "BD-R sequential"},
    {0x0042, "BD-R random"},
    {0x0043, "BD-RE"},
    {0x0050, "HD DVD-ROM"},
    {0x0051, "HD DVD-R"},
    {0x0052, "HD DVD-RAM"},
    {0x0053, "HD DVD-RW"},
    {0x0058, "HD DVD-R DL"},
    {0x005A, "HD DVD-RW DL"},
    {0xFFFF, "Non-conforming"},
};

}  // namespace

const PageFlag kPageFlags[] = {
    {"test_write", "Test write", 3, 2},
    {"buffer_underrun_protection", "Buffer underrun protection (BUF)", 4, 7},
    {"digital_port_2", "Digital port 2", 4, 3},
    {"digital_port_1", "Digital port 1", 4, 2},
    {"composite", "Composite audio and video", 4, 1},
    {"read_bar_code", "Reads the disc bar code", 5, 7},
    {"c2_pointers", "C2 error pointers", 5, 4},
    {"rw_deinterleaved", "R-W subcode de-interleaved and corrected", 5, 3},
    {"rw_supported", "R-W subcode", 5, 2},
    {"side_change", "Side change", 7, 4},
    {"software_slot_selection", "Software slot selection", 7, 3},
    {"changer_disc_present", "Changer reports disc present", 7, 2},
    {"digital_audio_lsb_first", "Digital audio LSB first (LSBF)", 17, 3},
    {"digital_audio_rck", "Digital audio left channel on high LRCK (RCK)", 17, 2},
    {"digital_audio_bckf", "Digital audio data on falling BCK (BCKF)", 17, 1},
};
const std::size_t kPageFlagCount = sizeof kPageFlags / sizeof kPageFlags[0];

MechanismDetail DecodeMechanism(const unsigned char* answer, std::size_t received) {
  MechanismDetail detail;
  detail.decoded = false;
  detail.loadingMechanism = detail.locked = detail.preventJumper = kAbsent;
  detail.maxReadSpeed = detail.volumeLevels = detail.bufferSize = detail.currentReadSpeed = kAbsent;
  detail.maxWriteSpeed = detail.currentWriteSpeed = kAbsent;
  detail.rotationControl = detail.selectedWriteSpeed = detail.writeSpeedCount = kAbsent;
  detail.digitalAudioLength = detail.copyManagementRevision = kAbsent;
  detail.flags.assign(kPageFlagCount, kAbsent);
  if (answer == nullptr || received < 8) {
    detail.notes.push_back("the mode parameter header did not come whole");
    return detail;
  }
  // The answer holds what its header says, and no more than came back.
  std::size_t total = static_cast<std::size_t>(Word(answer)) + 2;
  std::size_t available = received < total ? received : total;
  if (total > received)
    detail.notes.push_back("the answer says " + Number(static_cast<long>(total)) + " bytes, " +
                           Number(static_cast<long>(received)) + " came");
  std::size_t start = 8 + static_cast<std::size_t>(Word(answer + 6));
  if (start + 2 > available) {
    detail.notes.push_back("no page after the block descriptors");
    return detail;
  }
  const unsigned char* page = answer + start;
  if ((page[0] & 0x3F) != 0x2A) {
    detail.notes.push_back("the page is " + Number(page[0] & 0x3F) + ", not the capabilities page 42");
    return detail;
  }
  std::size_t length = static_cast<std::size_t>(page[1]) + 2;
  std::size_t have = available - start;
  if (length > have) {
    detail.notes.push_back("the page says " + Number(static_cast<long>(length)) + " bytes, " +
                           Number(static_cast<long>(have)) + " came");
  } else {
    have = length;
  }
  detail.decoded = true;
  // A field counts only when every byte of it came.
  for (std::size_t i = 0; i < kPageFlagCount; ++i)
    if (have > static_cast<std::size_t>(kPageFlags[i].byte))
      detail.flags[i] = (page[kPageFlags[i].byte] >> kPageFlags[i].bit) & 1;
  if (have > 6) {
    detail.loadingMechanism = page[6] >> 5;
    detail.locked = (page[6] >> 1) & 1;
    detail.preventJumper = (page[6] >> 2) & 1;
  }
  if (have > 17) detail.digitalAudioLength = (page[17] >> 4) & 0x03;
  if (have >= 24) detail.copyManagementRevision = Word(page + 22);
  if (have >= 10) detail.maxReadSpeed = Word(page + 8);
  if (have >= 12) detail.volumeLevels = Word(page + 10);
  if (have >= 14) detail.bufferSize = Word(page + 12);
  if (have >= 16) detail.currentReadSpeed = Word(page + 14);
  if (have >= 20) detail.maxWriteSpeed = Word(page + 18);
  if (have >= 22) detail.currentWriteSpeed = Word(page + 20);
  if (have >= 28) detail.rotationControl = page[27] & 0x03;
  if (have >= 30) detail.selectedWriteSpeed = Word(page + 28);
  if (have >= 32) {
    detail.writeSpeedCount = Word(page + 30);
    std::size_t whole = (have - 32) / 4;
    std::size_t count = static_cast<std::size_t>(detail.writeSpeedCount);
    if (count > whole) {
      detail.notes.push_back("the page announces " + Number(detail.writeSpeedCount) +
                             " write speed descriptors, " + Number(static_cast<long>(whole)) + " came");
      count = whole;
    }
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned char* descriptor = page + 32 + 4 * i;
      WriteSpeed speed = {descriptor[1] & 0x07, Word(descriptor + 2)};
      detail.writeSpeeds.push_back(speed);
    }
  }
  return detail;
}

ProfileDetail DecodeProfiles(const unsigned char* answer, std::size_t received) {
  ProfileDetail detail;
  detail.decoded = false;
  detail.currentProfile = kAbsent;
  detail.listFound = false;
  if (answer == nullptr || received < 8) {
    detail.notes.push_back("the feature header did not come whole");
    return detail;
  }
  unsigned long declared = (static_cast<unsigned long>(answer[0]) << 24) | (static_cast<unsigned long>(answer[1]) << 16) |
                           (static_cast<unsigned long>(answer[2]) << 8) | answer[3];
  // The data length counts the bytes after itself.
  std::size_t available = received;
  if (declared + 4 < received) {
    available = static_cast<std::size_t>(declared) + 4;
  } else if (declared + 4 > received) {
    detail.notes.push_back("the answer says " + Number(static_cast<long>(declared + 4)) + " bytes, " +
                           Number(static_cast<long>(received)) + " came");
  }
  if (available < 8) available = 8;
  detail.decoded = true;
  detail.currentProfile = Word(answer + 6);
  // MMC puts the Profile List first; a later descriptor of code 0000h is
  // out of order, no list.
  const std::size_t at = 8;
  if (at + 4 <= available && Word(answer + at) == 0) {
    const std::size_t length = answer[at + 3];
    std::size_t end = at + 4 + length;
    detail.listFound = true;
    if (length % 4 != 0)
      detail.notes.push_back("the profile list's length " + Number(static_cast<long>(length)) + " is no multiple of 4");
    if (end > available) {
      detail.notes.push_back("the profile list was cut short");
      end = available;
    }
    for (std::size_t p = at + 4; p + 4 <= end; p += 4) {
      MediaProfile profile = {static_cast<int>(Word(answer + p)), (answer[p + 2] & 1) != 0};
      detail.profiles.push_back(profile);
    }
  }
  if (!detail.listFound) detail.notes.push_back("no profile list came first");
  return detail;
}

std::string LoadingMechanismName(long code) {
  switch (code) {
    case 0: return "caddy/slot";  // MMC-5: slot loaders report 000b too
    case 1: return "tray";
    case 2: return "pop-up";
    case 4: return "changer, individually changeable discs";
    case 5: return "changer, magazine";
    default: return "reserved (" + Number(code) + ")";
  }
}

std::string DigitalAudioLengthName(long code) {
  static const char* const kNames[] = {"32 BCKs", "16 BCKs", "24 BCKs", "24 BCKs, I2S"};
  return code >= 0 && code < 4 ? kNames[code] : "reserved (" + Number(code) + ")";
}

std::string RotationControlName(long code) {
  if (code == 0) return "CLV";
  if (code == 1) return "CAV";
  return "reserved (" + Number(code) + ")";
}

std::string ProfileName(int number) {
  for (std::size_t i = 0; i < sizeof kProfiles / sizeof kProfiles[0]; ++i)
    if (kProfiles[i].number == number) return kProfiles[i].name;
  char text[16];
  std::snprintf(text, sizeof text, "%04Xh", static_cast<unsigned>(number) & 0xFFFF);
  return text;
}

std::string SpeedText(long kbPerSecond) {
  // 1x CD is 75 sectors of 2352 bytes a second: 176.4 kB/s.
  char text[48];
  std::snprintf(text, sizeof text, "%ld kB/s (%.1fx CD)", kbPerSecond, kbPerSecond / 176.4);
  return text;
}
