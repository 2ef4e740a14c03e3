// Answers about the disc in the drive: READ DISC INFORMATION (51h), READ
// TOC/PMA/ATIP (43h) formats 0000b and 0100b, READ CAPACITY (25h), and READ
// DISC STRUCTURE (ADh) for DVD and BD. Pure functions over the bytes that
// came; each decodes as far as its answer is whole, within both what came
// and what its own length field says, and notes the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/commands.h"
#include "interrogation/performance.h"

// What to ask about the disc of a profile (GET CONFIGURATION's current
// profile): nothing without a disc (profile 0) or for a profile that is
// not a CD, DVD or BD.
struct MediumQueries {
  bool disc = false;          // READ DISC INFORMATION, the TOC, READ CAPACITY
  bool atip = false;          // CD-R, CD-RW
  bool dvdPhysical = false;   // every DVD
  int dvdMaker = -1;          // the structure that names the maker: 0Eh DVD-R/-RW, 11h DVD+R/+RW; -1 none
  bool bdInformation = false; // every BD
};
MediumQueries QueriesFor(long profile);

// Standard disc information (data type 000b).
struct DiscInformation {
  bool decoded = false;           // bytes 0-11 came
  bool erasable = false;          // 2.b4
  int lastSessionState = 0;       // 2.b3-2
  int discStatus = 0;             // 2.b1-0
  int firstTrack = 0;             // 3
  int sessions = 0;               // 9 (MSB) and 4
  int firstTrackOfLastSession = 0;  // 10 and 5
  int lastTrackOfLastSession = 0;   // 11 and 6
  bool unrestricted = false;      // 7.b5, URU
  int discType = 0;               // 8
  bool addressesCame = false;     // bytes 16-23 came
  // As the drive sends them: on a CD 00h M S F, on other media an LBA.
  std::uint32_t lastSessionLeadIn = 0;  // 16-19
  std::uint32_t lastLeadOut = 0;        // 20-23, the last possible lead-out start
  std::vector<std::string> notes;

  // Whether those addresses hold addresses: only on a disc that takes more
  // (blank or appendable); a complete disc's are FFh.
  bool AddressesApply() const { return addressesCame && discStatus < 2; }
};
// Disc status 00b: a blank disc, which has no TOC.
const int kDiscEmpty = 0;
DiscInformation DecodeDiscInformation(const unsigned char* answer, std::size_t received);
const char* DiscStatusName(int status);         // "empty", "incomplete (appendable)", ...
const char* SessionStateName(int state);        // "empty", "incomplete", "damaged", "complete"
std::string DiscTypeName(int type);             // "CD-DA or CD-ROM", "CD-I", "CD-ROM XA", ...

// One entry of the TOC (format 0000b, addresses as LBA).
struct TocEntry {
  int adr = 0;                    // 1.b7-4
  int control = 0;                // 1.b3-0: 04h data, 02h copy permitted, 01h pre-emphasis (audio)
  int track = 0;                  // 2; AAh the lead-out
  std::int32_t lba = 0;           // 4-7
};
const int kLeadOutTrack = 0xAA;
struct Toc {
  bool decoded = false;           // the 4-byte header came
  int firstTrack = 0, lastTrack = 0;
  std::vector<TocEntry> entries;  // in the answer's order, the lead-out last
  std::vector<std::string> notes;
};
Toc DecodeToc(const unsigned char* answer, std::size_t received);

// The ATIP of a CD-R or CD-RW (format 0100b). A drive that takes the format
// from another byte sends a TOC instead: its fixed bits do not fit, and
// nothing is decoded from it.
struct Atip {
  bool decoded = false;           // bytes 4-14 came and are laid out as an ATIP
  int writingPower = 0;           // 4.b6-4, indicative target writing power
  int referenceSpeed = 0;         // 4.b2-0
  bool unrestricted = false;      // 5.b6, URU
  bool rewritable = false;        // 6.b6: CD-RW, else CD-R
  int subType = 0;                // 6.b5-3
  bool a1Valid = false, a2Valid = false, a3Valid = false;  // 6.b2, b1, b0
  int leadIn[3] = {0, 0, 0};      // 8-10: the lead-in start, M S F
  int leadOut[3] = {0, 0, 0};     // 12-14: the last possible lead-out start
  bool valuesCame = false;        // bytes 16-26 came
  unsigned char a1[3] = {0, 0, 0}, a2[3] = {0, 0, 0}, a3[3] = {0, 0, 0};  // 16-18, 20-22, 24-26
  std::vector<std::string> notes;
};
Atip DecodeAtip(const unsigned char* answer, std::size_t received);

// READ CAPACITY(10).
struct Capacity {
  bool decoded = false;           // all 8 bytes came
  std::uint32_t lastLba = 0;      // 0-3
  std::uint32_t blockLength = 0;  // 4-7
  std::vector<std::string> notes;
};
Capacity DecodeCapacity(const unsigned char* answer, std::size_t received);

// DVD physical format information (structure 00h).
struct DvdPhysical {
  bool decoded = false;           // structure bytes 0-3 (answer 4-7) came
  int bookType = 0, partVersion = 0;   // 4.b7-4, b3-0
  int discSize = 0, maximumRate = 0;   // 5.b7-4, b3-0
  int layers = 0;                 // 6.b6-5 plus 1
  bool oppositeTrackPath = false; // 6.b4
  int layerType = 0;              // 6.b3-0: 1 embossed, 2 recordable, 4 rewritable
  bool sectorsCame = false;       // answer bytes 8-20 came
  std::uint32_t startSector = 0, endSector = 0, endSectorLayer0 = 0;  // 8-11, 12-15, 16-19
  bool bca = false;               // 20.b7
  std::vector<std::string> notes;
};
DvdPhysical DecodeDvdPhysical(const unsigned char* answer, std::size_t received);
std::string BookTypeName(int type);   // "DVD-ROM", "DVD+R DL", ...; "reserved (7h)"
std::string DiscSizeName(int size);   // "120 mm", "80 mm"
std::string MaximumRateName(int rate);  // "10.08 Mbit/s", "not specified"

// Who made the disc, as its structure holds it.
struct MediaMaker {
  bool decoded = false;           // the fields came (and, on BD, the "DI" mark)
  std::string discType;           // BD only: "BDR", "BDW", "BDO"
  std::string manufacturer, mediaType;
  int revision = -1;              // -1: none in this structure
  std::vector<std::string> notes;
};
// DVD-R/-RW pre-recorded information (structure 0Eh): fields 3 and 4.
MediaMaker DecodeDvdMinusMaker(const unsigned char* answer, std::size_t received);
// DVD+R/+RW ADIP information (structure 11h).
MediaMaker DecodeDvdPlusMaker(const unsigned char* answer, std::size_t received);
// BD disc information (media type 1, structure 00h).
MediaMaker DecodeBdMaker(const unsigned char* answer, std::size_t received);

// A CD's time from an LBA: "MM:SS:FF" (lead-in LBAs below -150 from 90:00:00).
std::string MsfText(std::int32_t lba);
// The LBA of a CD time M:S:F; minutes of 90 and above are in the lead-in.
std::int32_t LbaOfMsf(int minutes, int seconds, int frames);

// GET PERFORMANCE's write speeds for this disc as multiples of its
// medium's 1x, slowest first, each once: "4x, 8x, 12x, 16x DVD"; empty
// where the medium is not known or no speed came.
std::string SpeedMultiplesText(const std::vector<WriteSpeedDescriptor>& speeds, const Medium& medium);

// The drive's region setting: REPORT KEY's RPC state (key format 08h).
struct RpcState {
  bool decoded = false;   // bytes 4-6 came
  int typeCode = 0;       // 4.b7-6
  int vendorResets = 0;   // 4.b5-3: resets left to the vendor
  int userChanges = 0;    // 4.b2-0: changes left to the user
  int regionMask = 0;     // 5: bit n set means discs of region n + 1 do NOT play
  int rpcScheme = 0;      // 6
  std::vector<std::string> notes;

  // The regions whose discs the drive plays, 1 to 8, by the mask.
  std::vector<int> Regions() const;
};
RpcState DecodeRpcState(const unsigned char* answer, std::size_t received);
// The type code in words: "no region set", "region set", ...
const char* RpcTypeName(int type);
// The scheme in words: RPC-I (regions not enforced), RPC Phase II, or the value.
std::string RpcSchemeName(int scheme);

