// What the report asks of each drive: first the answers, as they came
// (DriveAnswers, which a saved report carries and --replay reads back),
// then what they come to (DriveReport), which the text and JSON forms
// render. Both forms and a replay interpret the same answers alike.
#pragma once

#include <string>
#include <vector>

#include "device/inquiry.h"
#include "device/send.h"
#include "interrogation/capabilities.h"
#include "interrogation/configuration.h"
#include "interrogation/drive_detail.h"
#include "interrogation/features.h"
#include "interrogation/inquiry_detail.h"
#include "interrogation/medium.h"
#include "interrogation/performance.h"
#include "interrogation/probe.h"
#include "interrogation/protection.h"
#include "platform/connection.h"

// Every command the report sends a drive, in the order it sends them.
struct DriveAnswers {
  int index = 0;
  std::string path;          // what the drive was opened by; empty for ASPI drives
  // Where the system's users know drives by letters (Windows, not ASPI):
  // the drive's ("D:"), or empty when it has none.
  bool lettered = false;
  std::string driveLetter;
  CommandAnswer inquiry;     // discovery's, which named the drive
  CommandAnswer modeSense;   // the capabilities page
  // With --detail, for a drive that answered the page:
  CommandAnswer configurationHeader;  // GET CONFIGURATION, every feature, the 8-byte header
  CommandAnswer configuration;        // the same, whole, by the header's length
  CommandAnswer writeSpeeds;          // GET PERFORMANCE type 03h
  CommandAnswer performance;          // GET PERFORMANCE type 00h, reading
  // Then, for a drive whose current profile names a CD, DVD or BD disc (the
  // queries QueriesFor gives that profile):
  CommandAnswer discInformation;      // READ DISC INFORMATION
  CommandAnswer toc;                  // READ TOC/PMA/ATIP, the TOC
  CommandAnswer atip;                 // READ TOC/PMA/ATIP, the ATIP: CD-R, CD-RW
  CommandAnswer capacity;             // READ CAPACITY
  CommandAnswer dvdPhysical;          // READ DISC STRUCTURE 00h: DVD
  CommandAnswer dvdMaker;             // READ DISC STRUCTURE 0Eh or 11h: DVD-R/-RW, DVD+R/+RW
  CommandAnswer bdInformation;        // READ DISC STRUCTURE 00h of a BD
  // Then, for a drive that lists a DVD profile:
  CommandAnswer rpcState;             // REPORT KEY, the RPC state
  // With --probe, for a CD: one block of the first data track, read by
  // READ(10) and by READ CD in each of its forms the probe weighs, and one
  // block of the first audio track read twice.
  CommandAnswer probeRead10, probeUserData, probeRawSector, probeC2, probeC2BlockError, probeFormattedQ, probeRawPw;
  CommandAnswer probeAudio, probeAudioAgain;
  // What the system tells of how the drive is reached: no command to it.
  DriveConnection connection;

  // The commands in order, with their names; those not sent left out.
  std::vector<std::pair<const char*, const CommandAnswer*> > Sent() const;
};

// Each command the report may send, in the order it sends them: its name
// in a saved report, the command it is one of, and where its answer goes.
struct ReportCommand {
  const char* name;
  const char* command;
  CommandAnswer DriveAnswers::*slot;
  BYTE operation;  // the CDB's byte 0
};
extern const ReportCommand kReportCommands[23];

// The connection's members by their names in a saved report: its texts,
// those of its USB device (an object of their own), and its numbers.
struct ConnectionText {
  const char* key;
  std::string DriveConnection::*text;
};
extern const ConnectionText kConnectionTexts[10];
extern const ConnectionText kUsbTexts[5];
struct ConnectionNumber {
  const char* key;
  long long DriveConnection::*number;
};
extern const ConnectionNumber kConnectionNumbers[2];
// Whether the connection names a USB device.
bool HasUsbDevice(const DriveConnection& connection);

// Whether a command found the drive unreachable (it timed out, or the drive
// is gone): a drive that did is asked nothing more.
bool Unreachable(const CommandAnswer& answer);

// The disc in the drive, from the commands about it.
struct DiscReport {
  // Whether the configuration told a current profile (and so whether the
  // disc was asked about at all); the profile; the queries it called for.
  bool profileKnown = false;
  long profile = 0;
  MediumQueries queries = MediumQueries();
  bool empty = false;    // the disc information says the disc is blank: no TOC was asked for
  bool unasked = false;  // a saved report of an earlier version, which asked nothing about discs
  CommandOutcome informationOutcome, tocOutcome, atipOutcome, capacityOutcome, physicalOutcome, makerOutcome;
  DiscInformation information = DiscInformation();
  Toc toc = Toc();
  Atip atip = Atip();
  Capacity capacity = Capacity();
  DvdPhysical physical = DvdPhysical();
  MediaMaker maker = MediaMaker();  // DVD-R/-RW, DVD+R/+RW or BD, as the profile says
  std::string writeSpeeds;          // GET PERFORMANCE's write speeds as multiples of the medium's 1x

  // Whether the profile named a disc the report asks about.
  bool Asked() const { return profileKnown && queries.disc && !unasked; }
  // Whether the medium is a CD, whose addresses are also told as times.
  bool Cd() const { return profile >= 0x08 && profile <= 0x0A; }
};

// An address of the disc information as an LBA: on a CD the drive sends
// 00h M S F, on other media the LBA itself.
std::int32_t DiscAddress(const DiscReport& disc, std::uint32_t field);
// The blocks of TOC entry `entry` up to the next entry's start; false for
// the last entry and for one whose next starts before it. On a disc of
// more sessions, the last track of each takes in the gap to the next.
bool TrackLength(const DiscReport& disc, std::size_t entry, long long* blocks);
// READ CAPACITY's blocks (the last LBA and one) and bytes.
unsigned long long CapacityBlocks(const Capacity& capacity);
unsigned long long CapacityBytes(const Capacity& capacity);

// The session of TOC entry `entry`, where the disc information tells it:
// on a disc of one session, from the last session's first track on, and
// before it on a disc of two; 0 where it does not tell.
int SessionOfTrack(const DiscReport& disc, std::size_t entry);

// One drive as the report shows it.
struct DriveReport {
  DriveAnswers answers;  // its index and path among them
  std::string vendor;
  std::string product;
  CapabilitiesResult capabilities;  // the rows, or the failure lines
  std::vector<std::string> rowNotes;  // why the rows may not describe the page
  // With --detail, for a drive that answered: the rest of the page, the
  // INQUIRY's fields, the features and profiles, the speeds.
  bool detailed = false;
  MechanismDetail mechanism = MechanismDetail();
  InquiryDetail inquiry = InquiryDetail();
  ProfilesResult profiles = ProfilesResult();
  FeatureList features = FeatureList();
  CommandOutcome writeSpeedsOutcome;
  PerformanceAnswer writeSpeeds = PerformanceAnswer();
  CommandOutcome performanceOutcome;
  PerformanceAnswer performance = PerformanceAnswer();
  Medium medium = Medium();
  DiscReport disc = DiscReport();
  // The region setting, for a drive with a DVD profile.
  bool rpcAsked = false;
  CommandOutcome rpcOutcome;
  RpcState rpc = RpcState();
  ContentProtection protection = ContentProtection();
  // With --probe: what the drive declares of each capability the probe
  // weighs, and what it did.
  ProbeReport probe = ProbeReport();

  // The tree text: vendor, one blank, product.
  std::string Name() const { return vendor + " " + product; }
};

// Sends a drive the report's commands: with `detail`, for a drive that
// answered the page, also GET CONFIGURATION (its header, then all of it)
// and GET PERFORMANCE twice, at most six commands with discovery's
// INQUIRY; then, where the current profile names a disc, the questions of
// its medium, at most five more; for a drive with a DVD profile, REPORT
// KEY for its region setting, one more.
// With `probe` (and `detail`), for a drive with a CD, the probe's reads:
// at most nine commands, each begun only while its time-out (on ASPI, the
// wait for it) still ends within kProbeSeconds of the first, by `clock`.
// Once a command has timed out, or found the drive gone, nothing more is
// sent to it.
// Seconds on a clock that only goes forward.
typedef double (*SecondsClock)();
double SteadySeconds();
const unsigned kProbeSeconds = 60;
const int kProbeCommandLimit = 16;
DriveAnswers CollectAnswers(DeviceList& devices, int index, bool detail, bool probe = false,
                            SecondsClock clock = SteadySeconds);
// What the report knows of a drive without a command of its own: its
// path, discovery's INQUIRY and its connection (--list).
DriveAnswers DiscoveryAnswers(DeviceList& devices, int index);
// What the answers come to; `detail` and `probe` as they were collected.
DriveReport InterpretDrive(const DriveAnswers& answers, bool detail, bool probe = false);
// Both, for one drive and for every drive of the list in index order.
DriveReport CollectDrive(DeviceList& devices, int index, bool detail, bool probe = false);
std::vector<DriveReport> CollectReport(DeviceList& devices, bool detail = false, bool probe = false);

// Drops the probe's answers: a saved report replayed without --probe
// shows the report of a run without it.
void ForgetProbe(DriveAnswers& answers);

// Blanks out, in the answers themselves, what may tell the drive apart from
// every other of its make: the drive serial number (feature 0108h) and the
// vendor-specific INQUIRY bytes 36-55, each byte an asterisk, and the
// serial number the system read.
void Redact(DriveAnswers& answers);
