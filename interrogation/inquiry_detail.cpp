#include "interrogation/inquiry_detail.h"

#include <cstdio>

std::string PrintableText(const unsigned char* bytes, std::size_t count) {
  // Blanks and zero bytes at the end are padding.
  while (count > 0 && (bytes[count - 1] == ' ' || bytes[count - 1] == 0)) --count;
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
  return text;
}

InquiryDetail DecodeInquiry(const unsigned char* answer, std::size_t received) {
  InquiryDetail detail;
  detail.decoded = false;
  detail.qualifier = detail.deviceType = detail.version = detail.responseFormat = 0;
  detail.removable = false;
  detail.additionalLength = 0;
  detail.revisionCame = false;
  if (answer == nullptr || received < 5) {
    detail.notes.push_back("the INQUIRY answer did not come whole up to its additional length");
    return detail;
  }
  detail.decoded = true;
  detail.qualifier = answer[0] >> 5;
  detail.deviceType = answer[0] & 0x1F;
  detail.removable = (answer[1] & 0x80) != 0;
  detail.version = answer[2];
  detail.responseFormat = answer[3] & 0x0F;
  detail.additionalLength = answer[4];
  // What the answer says it holds, and no more than came.
  const std::size_t valid = 5 + static_cast<std::size_t>(answer[4]);
  const std::size_t available = valid < received ? valid : received;
  if (valid > received) {
    char note[80];
    std::snprintf(note, sizeof note, "the answer says %u bytes, %u came", static_cast<unsigned>(valid),
                  static_cast<unsigned>(received));
    detail.notes.push_back(note);
  }
  if (available >= 36) {
    detail.revisionCame = true;
    detail.revision = PrintableText(answer + 32, 4);
  }
  if (available > 36) detail.vendorSpecific.assign(answer + 36, answer + (available < 56 ? available : 56));
  return detail;
}

std::string DeviceTypeName(int type) {
  static const char* const kTypes[] = {"direct access", "sequential access", "printer",   "processor",
                                       "write once",    "CD/DVD",            "scanner",   "optical memory",
                                       "medium changer"};
  if (type >= 0 && type < static_cast<int>(sizeof kTypes / sizeof kTypes[0])) return kTypes[type];
  char text[16];
  std::snprintf(text, sizeof text, "type %02Xh", static_cast<unsigned>(type) & 0xFF);
  return text;
}

std::string PeripheralQualifierName(int qualifier) {
  // SPC's peripheral qualifiers; 100b to 111b are the vendor's.
  switch (qualifier) {
    case 0: return "connected";
    case 1: return "not connected now";
    case 3: return "no device can be supported here";
    default: return qualifier >= 4 && qualifier <= 7 ? "vendor specific (" + std::to_string(qualifier) + ")"
                                                     : "reserved (" + std::to_string(qualifier) + ")";
  }
}
