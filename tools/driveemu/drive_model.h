// The emulated drives: one model of adapters, targets and logical units,
// and how each answers a command. The test stand-in of the seam and the
// emulated ASPI library both answer from it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace driveemu {

// How a unit answers one operation code.
struct CommandReply {
  enum Kind {
    kData,             // GOOD, with these data bytes
    kCheckCondition,   // CHECK CONDITION with these sense bytes
    kStatus,           // ends in error with this target status
    kTransportFailure  // the host adapter or transport fails; no status
  };
  Kind kind = kData;
  std::vector<BYTE> data;
  std::vector<BYTE> sense;
  BYTE status = 0;
};

// One sector of the disc in a unit, as the disc holds it; the model reads
// its parts out and checks nothing of what they say (EDC, Q CRC, address).
struct EmulatedSector {
  enum Kind { kMode1, kMode2Form1, kMode2Form2, kMode2Formless, kAudio };
  static constexpr size_t kMainBytes = 2352;
  static constexpr size_t kQBytes = 16;
  static constexpr size_t kSubchannelBytes = 96;
  Kind kind = kMode1;
  std::vector<BYTE> main;        // the 2352 main-channel bytes
  std::vector<BYTE> q;           // formatted Q, 16 bytes
  std::vector<BYTE> subchannel;  // raw P-W, 96 bytes, one bit of each channel a byte
};

// A unit answers INQUIRY from its standard data and MODE SENSE(10) from its
// mode pages, honouring the command's fields as a drive does; a fixed reply
// for an operation code takes the place of both.
struct EmulatedUnit {
  int adapter = 0;
  int target = 0;
  int lun = 0;
  BYTE deviceType = 5;
  std::vector<BYTE> inquiry;                    // standard INQUIRY data; empty: none
  std::map<BYTE, std::vector<BYTE>> modePages;  // by page code: the page from its code byte on
  std::map<BYTE, CommandReply> replies;         // fixed replies by operation code
  // Fixed replies of one format of a command: READ TOC/PMA/ATIP by byte 2
  // bits 3-0, READ DISC STRUCTURE by byte 7 (FormatKey); they come before
  // the operation code's own.
  std::map<WORD, CommandReply> formatReplies;
  // GET CONFIGURATION: the feature descriptors, whole, in code order, and
  // the current profile; none: the command is not known.
  std::vector<std::vector<BYTE>> features;
  WORD currentProfile = 0;
  // GET PERFORMANCE: whether the unit knows it, and its descriptors of 16
  // bytes, type 03h (write speeds) and type 00h (performance).
  bool answersPerformance = false;
  std::vector<std::vector<BYTE>> writeSpeedDescriptors;
  std::vector<std::vector<BYTE>> performanceDescriptors;
  // READ(10) and READ CD: the sectors of the disc by LBA (only those a test
  // reads), and how the unit misleads about them.
  std::map<DWORD, EmulatedSector> sectors;
  bool c2Refused = false;    // READ CD with C2 error information: 05/24/00
  bool c2Flagged = false;    // C2 pointers set on every block, though the read is clean
  bool audioVaries = false;  // each audio block read comes back with one byte changed
  mutable DWORD audioReads = 0;  // what makes it change; Respond is otherwise const
  DWORD delayMilliseconds = 0;                  // ASPI: finish later, from another thread
  DWORD openError = 0;                          // pass-through: opening fails with this error
  char driveLetter = 0;                         // pass-through: its letter ('D'); 0: none
  // Pass-through: what IOCTL_STORAGE_QUERY_PROPERTY tells, by default an
  // ATAPI drive on an ATAPI adapter that takes any buffer. The strings are
  // INQUIRY's (padded, as the system copies them) unless set; no serial.
  DWORD storageBus = 2;
  BYTE adapterBus = 2;
  DWORD alignmentMask = 0;  // also enforced: a misaligned buffer is refused
  DWORD maxTransfer = 0x10000;
  bool storageStringsSet = false;
  std::string storageVendor, storageProduct, storageRevision, storageSerial;
  bool deviceQueryFails = false;
  bool adapterQueryFails = false;
  // Descriptors answered as they are, in place of the ones made from the above.
  std::vector<BYTE> deviceDescriptor, adapterDescriptor;
};

// ASPI: what a host adapter inquiry (SC_HA_INQUIRY) tells of an adapter.
struct EmulatedAdapter {
  std::string manager = "EMULATED ASPI";
  std::string identifier = "EMULATED HA";
  WORD alignmentMask = 0;
  DWORD maxTransfer = 0x10000;
};

// What a command came to.
struct ScsiOutcome {
  bool transportOk = true;
  BYTE status = 0;
  std::vector<BYTE> data;   // at most the allocation length
  std::vector<BYTE> sense;  // fixed format, for CHECK CONDITION
};

struct DriveProfile {
  bool supportInfoSet = false;
  DWORD supportInfo = 0;
  bool hasGetSupportInfo = true;
  bool hasSendCommand = true;
  std::vector<EmulatedUnit> units;
  // Adapters with a host-adapter line; the others answer the defaults.
  std::map<int, EmulatedAdapter> adapters;

  // The start-up value: as set, else status 1 with the adapters the units use.
  DWORD SupportInfo() const;
  int AdapterCount() const;
  const EmulatedUnit* Find(int adapter, int target, int lun) const;
  EmulatedAdapter Adapter(int adapter) const;
};

// Answers one CDB as the unit would; the data never exceed the allocation
// length of the CDB nor the buffer. INQUIRY: the standard data (a vital
// product data page, which no unit has, is an invalid field). MODE
// SENSE(10): the mode parameter header, an 8-byte block descriptor unless
// DBD is set, then the page asked for (3Fh: every page) in the page control
// asked for; a page the unit lacks, a subpage or saved values end in CHECK
// CONDITION, ILLEGAL REQUEST. GET CONFIGURATION: the header with the whole
// answer's data length, then the features the request type asks for (0:
// from the starting feature on; 1: the current ones of those; 2: the
// starting one alone). GET PERFORMANCE: the header, then as many
// descriptors of the type asked for as the maximum number allows. READ(10)
// and READ CD, when the unit has sectors: the user data, or the parts of
// each block byte 9 and byte 10 ask for; a sector missing or of another
// kind ends in CHECK CONDITION before any data. An
// operation the unit has neither a model nor a reply for ends in ILLEGAL
// REQUEST, INVALID COMMAND OPERATION CODE.
ScsiOutcome Respond(const EmulatedUnit& unit, const BYTE* cdb, int cdbLength, DWORD bufferLength);
// The key of a format's reply: the operation code in the high byte.
WORD FormatKey(BYTE opcode, BYTE format);

// Answers that tests and profiles build from plain values.
std::vector<BYTE> InquiryAnswer(const std::string& vendor, const std::string& product,
                                const std::string& revision, BYTE deviceType = 5);
// The capabilities page 2Ah with page bytes 2 to 7 as given, the rest 0.
std::vector<BYTE> CapabilitiesPage(const BYTE pageBytes2to7[6]);
// A feature descriptor: code, the byte of version, persistent and current,
// the additional length, then the data bytes.
std::vector<BYTE> FeatureDescriptor(WORD code, BYTE flags, const std::vector<BYTE>& data);
// Fixed-format sense data with the given key, ASC and ASCQ.
std::vector<BYTE> FixedSense(BYTE key, BYTE asc, BYTE ascq);

// Reads a profile; false with a message naming the line when it is malformed.
bool ParseProfile(const std::string& text, DriveProfile* profile, std::string* error);

// One log line per command, as the emulated library writes them.
std::string HexBytes(const BYTE* bytes, size_t count);

}  // namespace driveemu
