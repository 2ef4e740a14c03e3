// Sense data in words: the sense key's name and what MMC and SPC call the
// common additional sense codes, for people who read a report.
#pragma once

#include <string>

// "Not Ready, Medium not present" for 02/3A/00; the key's name and the
// codes in hex where the pair has no name here.
std::string SenseWords(int key, int asc, int ascq);
// The same, from fixed-format sense bytes (key in byte 2, ASC 12, ASCQ 13).
std::string SenseWords(const unsigned char* sense);
// A status byte's name as SAM gives it ("Busy" for 08h); "Reserved" for
// the codes without one.
std::string StatusName(int status);
// The name with the byte: "Busy (08h)".
std::string StatusText(int status);
