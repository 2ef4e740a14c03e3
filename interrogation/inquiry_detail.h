// The standard INQUIRY answer beyond the drive's names: the revision, the
// peripheral device type, the version, the response data format and the
// vendor-specific bytes 36-55, as far as the answer holds them (5 bytes and
// its additional length) and they came.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct InquiryDetail {
  bool decoded;            // the first 5 bytes came
  int qualifier;           // byte 0 bits 7-5
  int deviceType;          // byte 0 bits 4-0
  bool removable;          // byte 1 bit 7
  int version;             // byte 2
  int responseFormat;      // byte 3 bits 3-0
  long additionalLength;   // byte 4: the answer is 5 + this many bytes
  bool revisionCame;       // bytes 32-35 came
  std::string revision;    // by PrintableText
  std::vector<unsigned char> vendorSpecific;  // bytes 36-55, those that came
  std::vector<std::string> notes;
};

InquiryDetail DecodeInquiry(const unsigned char* answer, std::size_t received);
// "connected", "not connected now", "no device can be supported here";
// "reserved (2)", "vendor specific (5)" for the rest.
std::string PeripheralQualifierName(int qualifier);
// "CD/DVD", "direct access", ...; "type 1Fh" for the rest.
std::string DeviceTypeName(int type);
// The report's one rule for INQUIRY's texts (and the features' texts):
// printable ASCII as it stands and any other byte as '.', the blanks and
// zero bytes that pad its end removed. The window's names keep their own
// rule (device/identify.cpp).
std::string PrintableText(const unsigned char* bytes, std::size_t count);
