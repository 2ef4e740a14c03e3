// Sense data in words: the sense key's name and what MMC and SPC call the
// common additional sense codes, for people who read a report.
#pragma once

#include <cstddef>
#include <string>

// The fields of sense data in either of SPC's formats, as far as they came.
struct SenseFields {
  enum Format {
    kNone,        // no sense bytes came
    kFixed,       // response code 70h (current) or 71h (deferred)
    kDescriptor,  // response code 72h (current) or 73h (deferred)
    kUnknown      // any other response code
  };
  Format format;
  int responseCode;  // byte 0 bits 6-0; -1 when no byte came
  bool deferred;
  int key, asc, ascq;  // -1 for a field whose byte did not come
};

// Sense bytes of which `length` came, by the format their response code names.
SenseFields DecodeSense(const unsigned char* sense, std::size_t length);
// "fixed, current", "descriptor, deferred", "unknown (response code 7Fh)";
// "none" when no sense came.
std::string SenseFormatName(const SenseFields& fields);
// "Not Ready, Medium not present" for 02/3A/00; the key's name and the
// codes in hex where the pair has no name here.
std::string SenseWords(int key, int asc, int ascq);
// The same from `length` sense bytes of either format; the format is named
// unless it is fixed-format current sense, the one MMC drives send.
std::string SenseWords(const unsigned char* sense, std::size_t length);
// A status byte's name as SAM gives it ("Busy" for 08h); "Reserved" for
// the codes without one.
std::string StatusName(int status);
// The name with the byte: "Busy (08h)".
std::string StatusText(int status);
