// quillanor-report: the window's texts, the JSON document and the exit
// statuses, against emulated drives on both transports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <fstream>
#include <iterator>
#include <map>

#include "app/report/json_reader.h"
#include "app/report/replay.h"
#include "app/report/report.h"
#include "interrogation/capabilities.h"
#include "interrogation/sense_words.h"
#include "tests/support/helpers.h"

using namespace testing_helpers;

namespace {

const std::vector<BYTE> kReadsCdsPlaysAudio = {0x03, 0x00, 0x01, 0x00, 0x08, 0x00};

// Runs the command; every JSON document it prints must be valid JSON to a
// real parser and of the report's schema (natively, where Python is).
int RunCommand(std::vector<const char*> args, std::string* out, std::string* err) {
  args.insert(args.begin(), "quillanor-report");
  out->clear();
  err->clear();
  int status = RunReport(static_cast<int>(args.size()), args.data(), out, err);
#ifndef _WIN32
  bool json = std::find_if(args.begin(), args.end(), [](const char* a) { return std::string(a) == "--json"; }) !=
              args.end();
  if (json && !out->empty()) {
    EXPECT_TRUE(MatchesReportSchema(*out)) << *out;
  }
#endif
  return status;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every CDB that reached the drives, in order: the pass-through records, or
// the emulated ASPI library's log.
std::vector<std::vector<BYTE>> SentCdbs(const StandInPlatform& os, bool aspi) {
  std::vector<std::vector<BYTE>> cdbs;
  if (!aspi) {
    for (const ScsiPassThroughDirect& request : os.passThroughRequests)
      cdbs.push_back(std::vector<BYTE>(request.Cdb, request.Cdb + request.CdbLength));
    return cdbs;
  }
  for (const std::string& line : os.aspiLog) {
    if (line.compare(0, 4, "EXEC") != 0) continue;
    const std::string hex = line.substr(line.find("cdb=") + 4);
    std::vector<BYTE> cdb;
    for (std::size_t i = 0; i + 1 < hex.size(); i += hex[i] == ' ' ? 1 : 2)
      if (hex[i] != ' ') cdb.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    cdbs.push_back(cdb);
  }
  return cdbs;
}

// Whether the text report holds the line of `label` with `value`, a value
// too long for its column read on from the lines under it: a piece that
// filled the column was broken within a word, a shorter one at a blank.
bool HasField(const std::string& out, const std::string& label, const std::string& value) {
  const std::size_t column = 56, room = 80 - column;
  const std::vector<std::string> lines = Lines(out);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string start = "  " + label + std::string(52 - std::min<std::size_t>(52, label.size()), ' ') + "  ";
    if (lines[i].compare(0, start.size(), start) != 0 || lines[i].size() <= column) continue;
    std::string whole = lines[i].substr(column);
    std::size_t last = whole.size();
    for (std::size_t j = i + 1; j < lines.size() && lines[j].compare(0, column, std::string(column, ' ')) == 0 &&
                                lines[j].size() > column && lines[j][column] != ' ';
         ++j) {
      whole += (last == room ? "" : " ") + lines[j].substr(column);
      last = lines[j].size() - column;
    }
    if (whole == value) return true;
  }
  return false;
}

driveemu::DriveProfile TwoDrives() {
  driveemu::EmulatedUnit failing = Drive(0, 3, "BROKEN", "DRIVE");
  failing.replies[0x5A] = CheckCondition(0x05, 0x24, 0x00);
  return Profile({Drive(0, 1, "GOOD", "DRIVE", kReadsCdsPlaysAudio), failing});
}

TEST(ReportTest, EachDriveCarriesItsNamesAndItsQueryOnBothTransports) {
  for (bool aspi : {false, true}) {
    StandInPlatform os(TwoDrives());
    if (aspi) UseWindows98(os);
    DeviceList devices;
    ASSERT_EQ(2, devices.Enumerate());
    os.calls.clear();
    os.aspiLog.clear();
    os.passThroughRequests.clear();
    std::vector<DriveReport> drives = CollectReport(devices);
    ASSERT_EQ(2u, drives.size());
    EXPECT_EQ(2, aspi ? os.CountAspiLog("EXEC") : static_cast<int>(os.passThroughRequests.size()));
    EXPECT_EQ(0, drives[0].answers.index);
    EXPECT_EQ("GOOD DRIVE", drives[0].Name());
    const CapabilitiesResult& good = drives[0].capabilities;
    EXPECT_TRUE(good.Answered());
    EXPECT_EQ(std::vector<BYTE>(kReadsCdsPlaysAudio.begin(), kReadsCdsPlaysAudio.end()),
              std::vector<BYTE>(good.page, good.page + 6));
    ASSERT_EQ(24u, good.rows.size());
    EXPECT_TRUE(good.rows[0].yes);  // reads CD-R
    EXPECT_FALSE(good.rows[5].yes);  // writes nothing

    EXPECT_EQ("BROKEN DRIVE", drives[1].Name());
    const CapabilitiesResult& broken = drives[1].capabilities;
    EXPECT_FALSE(broken.Answered());
    EXPECT_TRUE(broken.rows.empty());
    ASSERT_EQ(2u, broken.failure.size());
    EXPECT_STREQ("Command not supported by device.", broken.failure[1]);
    EXPECT_EQ(14, broken.outcome.senseLength) << aspi;
  }
}

TEST(ReportTest, TextOutputAndExitStatus) {
  driveemu::DriveProfile profile = TwoDrives();
  profile.units[0].driveLetter = 'E';
  StandInPlatform os(profile);
  std::string out, err;
  EXPECT_EQ(kReportSomeFailed, RunCommand({}, &out, &err));
  EXPECT_EQ("", err);
  std::vector<std::string> lines = Lines(out);
  ASSERT_EQ(3u + 24u + 1u + 3u + 3u, lines.size()) << out;
  // The heading names the drive by its letter, then the path it was opened
  // by, on the next line when the line would pass 80 columns.
  EXPECT_EQ("Drive 0 (E:): GOOD DRIVE", lines[0]);
  EXPECT_EQ("  Interface path:", lines[1]);
  EXPECT_EQ("    " + StandInPlatform::InterfacePath(0), lines[2]);
  // Labels padded to the longest, two blanks, the result.
  EXPECT_EQ("  Can read CD-R discs" + std::string(52 - 19, ' ') + "  YES", lines[3]);
  EXPECT_EQ("  Can read CD-RW discs" + std::string(52 - 20, ' ') + "  YES", lines[4]);
  EXPECT_EQ("  Device currently in prevent (locked) state" + std::string(52 - 42, ' ') + "  NO", lines[26]);
  EXPECT_EQ("", lines[27]);
  EXPECT_EQ("Drive 1 (no drive letter): BROKEN DRIVE", lines[28]);
  EXPECT_EQ("  Mode Sense Command Failure", lines[31]);
  EXPECT_EQ("  Command not supported by device.", lines[32]);
  // The window's lines, then the sense in words.
  EXPECT_EQ("  Sense: Illegal Request, Invalid field in CDB", lines[33]);
  // The drive letter finds the drive, as Windows users name it.
  for (const char* letter : {"E:", "e:", "E:\\"}) {
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--device", letter}, &out, &err)) << letter << err;
    EXPECT_EQ("Drive 0 (E:): GOOD DRIVE", Lines(out)[0]);
  }
  EXPECT_EQ(kReportCannotRun, RunCommand({"--device", "F:"}, &out, &err));
  EXPECT_NE(std::string::npos, err.find("(2 drives found: E:, " + StandInPlatform::InterfacePath(1) + ")")) << err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--json", "--drive", "0"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"drive_letter\": \"E:\",")) << out;

  // An ASPI drive has no path.
  UseWindows98(os);
  EXPECT_EQ(kReportSomeFailed, RunCommand({}, &out, &err));
  EXPECT_EQ("Drive 0: GOOD DRIVE", Lines(out)[0]);
}

TEST(ReportTest, EveryDriveAnsweredOrNoDriveAtAllIsSuccess) {
  {
    StandInPlatform os(Profile({Drive(0, 0, "ONLY", "ONE", kReadsCdsPlaysAudio)}));
    std::string out, err;
    EXPECT_EQ(kReportAllAnswered, RunCommand({}, &out, &err));
  }
  {
    StandInPlatform os;
    std::string out, err;
    EXPECT_EQ(kReportAllAnswered, RunCommand({}, &out, &err));
    EXPECT_EQ("No CD/DVD Devices Found\n", out);
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--json"}, &out, &err));
    EXPECT_NE(std::string::npos, out.find("\"drives\": []")) << out;
  }
}

TEST(ReportTest, JsonNamesEveryFieldOfEveryDrive) {
  driveemu::EmulatedUnit dead = Drive(0, 4, "DEAD", "LINK");
  dead.replies[0x5A] = TransportFailure();
  driveemu::DriveProfile profile = TwoDrives();
  profile.units.push_back(dead);
  StandInPlatform os(profile);
  std::string out, err;
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--json"}, &out, &err));

  const char* fields[] = {"\"index\": ", "\"name\": ", "\"vendor\": ", "\"product\": ", "\"answered\": ",
                          "\"scsi_status\": ", "\"capabilities\": ", "\"sense\": ", "\"rows\": ", "\"failure\": "};
  for (const char* field : fields) {
    size_t count = 0;
    for (size_t at = out.find(field); at != std::string::npos; at = out.find(field, at + 1)) ++count;
    EXPECT_EQ(3u, count) << field;
  }
  EXPECT_NE(std::string::npos, out.find("\"program\": \"quillanor-report\""));
  EXPECT_NE(std::string::npos, out.find("\"capabilities\": \"030001000800\""));
  EXPECT_NE(std::string::npos, out.find("{\"label\": \"Can read CD-R discs\", \"value\": \"YES\"}"));
  EXPECT_NE(std::string::npos, out.find("\"failure\": [\"Mode Sense Command Failure\", "
                                        "\"Command not supported by device.\"]"));
  EXPECT_NE(std::string::npos, out.find("\"sense\": \"700005000000000a0000000024"));
  // The drive that never answered: no status, no page, no sense.
  size_t dead_at = out.find("\"name\": \"DEAD LINK\"");
  ASSERT_NE(std::string::npos, dead_at);
  EXPECT_NE(std::string::npos, out.find("\"scsi_status\": null,\n      \"status_text\": null,\n"
                                        "      \"capabilities\": null,\n      \"sense\": null",
                                        dead_at));
}

TEST(ReportTest, JsonWriterKeepsCommasIndentationAndEmptyContainers) {
  std::string out;
  JsonWriter json(out);
  json.BeginObject();
  json.Key("empty").BeginArray();
  json.EndArray();
  json.Key("block").BeginArray();
  json.Number(1);
  json.BeginObject(true);
  json.Key("a").Null();
  json.Key("b").BeginArray();  // inside an inline container, inline too
  json.Bool(true);
  json.Bool(false);
  json.EndArray();
  json.EndObject();
  json.EndArray();
  json.Key("last").String("x");
  json.EndObject();
  EXPECT_EQ("{\n  \"empty\": [],\n  \"block\": [\n    1,\n    {\"a\": null, \"b\": [true, false]}\n  ],\n"
            "  \"last\": \"x\"\n}\n",
            out);
}

TEST(ReportTest, JsonStringsEscapeAnyByte) {
  EXPECT_EQ("\"PLAIN Name 1.0\"", JsonString("PLAIN Name 1.0"));
  EXPECT_EQ("\"say \\\"hi\\\" \\\\ there\"", JsonString("say \"hi\" \\ there"));
  EXPECT_EQ("\"a\\u0000b\"", JsonString(std::string("a\0b", 3)));
  // UTF-8 stands as it is, at each length's first and last character;
  // controls are escaped; each byte of what is no character becomes U+FFFD.
  const std::string kBad = "\xEF\xBF\xBD";
  const struct {
    std::string text, json;
  } cases[] = {
      {"\x01\x1f\x7f", "\\u0001\\u001f\\u007f"},
      {"\x7e\xC2\x80", "\x7e\xC2\x80"},                            // U+007E, U+0080
      {"\xDF\xBF\xE0\xA0\x80", "\xDF\xBF\xE0\xA0\x80"},              // U+07FF, U+0800
      {"\xEF\xBF\xBF\xF0\x90\x80\x80", "\xEF\xBF\xBF\xF0\x90\x80\x80"},  // U+FFFF, U+10000
      {"caf\xC3\xA9 \xE2\x82\xAC \xF4\x8F\xBF\xBF", "caf\xC3\xA9 \xE2\x82\xAC \xF4\x8F\xBF\xBF"},  // up to U+10FFFF
      {"\xe9t\xe9", kBad + "t" + kBad},                          // Latin-1 is no UTF-8
      {"\xC0\xAF", kBad + kBad},                                 // an overlong '/'
      {"\xE0\x9F\xBF", kBad + kBad + kBad},                        // an overlong U+07FF
      {"\xF0\x8F\xBF\xBF", kBad + kBad + kBad + kBad},               // an overlong U+FFFF
      {"\xED\xA0\x80", kBad + kBad + kBad},                        // a surrogate
      {"\xF4\x90\x80\x80", kBad + kBad + kBad + kBad},               // past U+10FFFF
      {"\xE2\x82", kBad + kBad},                                 // cut short
      {"\x80\xBF\xF8", kBad + kBad + kBad},                        // no lead byte
      {"\xC3\xC3\xA9", kBad + "\xC3\xA9"},                           // a lead byte where one continues
  };
  for (const auto& c : cases) EXPECT_EQ("\"" + c.json + "\"", JsonString(c.text)) << c.text;

  // Odd bytes in the INQUIRY names stay valid JSON.
  StandInPlatform os(Profile({Drive(0, 0, "Q\"UO\\TE", "\xC9T\x01\xFF")}));
  std::string out, err;
  RunCommand({"--json"}, &out, &err);
  EXPECT_NE(std::string::npos, out.find("\"vendor\": \"Q\\\"UO\\\\TE\"")) << out;
  // The stand-in's code page is Latin-1: its text comes out as UTF-8.
  EXPECT_NE(std::string::npos, out.find("\"product\": \"\xC3\x89T\\u0001\xC3\xBF\"")) << out;
}

TEST(ReportTest, OptionsHelpVersionAndMistakes) {
  StandInPlatform os(TwoDrives());
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--help"}, &out, &err));
  EXPECT_EQ(0u, out.find("Usage: quillanor-report [--json]"));
  // --redact blanks a replay as it blanks a report.
  EXPECT_NE(std::string::npos, out.find("--replay FILE [--json] [--detail | --probe | --list] [--redact]\n"));
  EXPECT_NE(std::string::npos, out.find("Exit status:"));
  EXPECT_EQ(kReportAllAnswered, RunCommand({"-V"}, &out, &err));
  EXPECT_EQ(0u, out.find("quillanor-report "));
  EXPECT_EQ(0, os.CountCalls("DeviceIoControl"));  // neither touched a drive

  EXPECT_EQ(kReportCannotRun, RunCommand({"--jsn"}, &out, &err));
  EXPECT_EQ("", out);
  EXPECT_EQ("quillanor-report: unrecognized option '--jsn'\nTry 'quillanor-report --help' for more information.\n",
            err);
  EXPECT_EQ(kReportCannotRun, RunCommand({"--json", "extra"}, &out, &err));
  EXPECT_EQ(0u, err.find("quillanor-report: unexpected argument 'extra'"));
  EXPECT_EQ(kReportCannotRun, RunCommand({"--list", "--probe"}, &out, &err));
  EXPECT_EQ("quillanor-report: --list is one line per drive: give it no --probe\n", err);
}

TEST(ReportTest, DiscoveryProblemsGoToTheErrorStreamAndMeanNoRun) {
  StandInPlatform os(TwoDrives());
  UseWindows98(os);
  os.aspiLibraryPresent = false;
  std::string out, err;
  EXPECT_EQ(kReportCannotRun, RunCommand({}, &out, &err));
  EXPECT_EQ("", out);
  EXPECT_EQ("quillanor-report: Unable to load ASPI!\n", err);
  EXPECT_TRUE(os.messages.empty());  // no box was shown

  driveemu::EmulatedUnit denied = Drive(0, 1, "NO", "ACCESS");
  denied.openError = ERROR_ACCESS_DENIED;
  StandInPlatform nt(Profile({Drive(0, 0, "ONE", "A"), denied}));
  EXPECT_EQ(kReportCannotRun, RunCommand({"--json"}, &out, &err));
  EXPECT_EQ("", out);
  EXPECT_EQ("quillanor-report: Unable to access CD/DVD device.  Please make sure you have Administrator privileges.\n",
            err);
  EXPECT_TRUE(nt.messages.empty());
}

}  // namespace

TEST(ReportTest, AStatusButGoodAndCheckConditionIsNamedInTextAndJson) {
  driveemu::EmulatedUnit busy = Drive(0, 1, "BUSY", "DRIVE");
  busy.replies[0x5A] = ErrorStatus(0x08);
  driveemu::EmulatedUnit reserved = Drive(0, 2, "HELD", "DRIVE", kReadsCdsPlaysAudio);
  reserved.replies[0x46] = ErrorStatus(0x18);
  StandInPlatform os(Profile({busy, reserved}));
  std::string out, err;
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--detail"}, &out, &err));
  // The window's one line, then the status in words; a detail command's line names it too.
  EXPECT_NE(std::string::npos, out.find("  Mode Sense Command Failure\n  Status: Busy (08h)\n")) << out;
  EXPECT_TRUE(HasField(out, "Profiles", "GET CONFIGURATION ended with status Reservation Conflict (18h)")) << out;
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--detail", "--json"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"scsi_status\": 8,\n      \"status_text\": \"Busy\"")) << out;
  EXPECT_NE(std::string::npos, out.find("\"scsi_status\": 24,\n        \"status_text\": \"Reservation Conflict\"")) << out;
  EXPECT_NE(std::string::npos, out.find("\"scsi_status\": 0,\n      \"status_text\": \"Good\"")) << out;
}

TEST(ReportTest, EveryStatusOfSamHasItsName) {
  const struct {
    int status;
    const char* name;
  } statuses[] = {{0x00, "Good"},          {0x02, "Check Condition"},
                  {0x04, "Condition Met"}, {0x08, "Busy"},
                  {0x10, "Intermediate"},  {0x14, "Intermediate-Condition Met"},
                  {0x18, "Reservation Conflict"}, {0x22, "Command Terminated"},
                  {0x28, "Task Set Full"}, {0x30, "ACA Active"},
                  {0x40, "Task Aborted"},  {0x01, "Reserved"},
                  {0x09, "Reserved"},      {0x41, "Reserved"},
                  {0xFF, "Reserved"}};
  for (const auto& s : statuses) EXPECT_EQ(s.name, StatusName(s.status)) << s.status;
  EXPECT_EQ("Task Set Full (28h)", StatusText(0x28));
}

namespace {

// A DVD writer that answers GET CONFIGURATION with DVD+R current, a reader
// that refuses it, as drives before MMC-2 do.
driveemu::DriveProfile DetailDrives() {
  driveemu::EmulatedUnit writer = Drive(0, 1, "WRITER", "DVD", kReadsCdsPlaysAudio);
  std::vector<BYTE>& page = writer.modePages[0x2A];
  page.resize(36, 0);
  page[1] = 34;               // the page's length: up to one write speed descriptor
  page[6] = 0x29;             // tray, eject, lock
  page[8] = 0x1B, page[9] = 0x90;    // maximum read speed 7056 kB/s
  page[12] = 0x08;                   // buffer 2048 KB
  page[31] = 1;                      // one descriptor
  page[33] = 1, page[34] = 0x14, page[35] = 0xAC;  // 5292 kB/s CAV
  driveemu::CommandReply configuration;
  configuration.data = {0, 0, 0, 16, 0, 0, 0x00, 0x1B, 0x00, 0x00, 0x03, 8, 0x00, 0x1B, 0x01, 0, 0x00, 0x08, 0x00, 0};
  writer.replies[0x46] = configuration;
  driveemu::EmulatedUnit reader = Drive(0, 2, "OLD", "READER", kReadsCdsPlaysAudio);
  return Profile({writer, reader});
}

}  // namespace

// What a saved report names each failure, read back as it was written; the
// reason in words, and what the outcome comes to by its status.
TEST(ReportTest, EachFailureIsNamedAndReadBackAndEachOutcomeSaysWhatItCameTo) {
  const struct {
    CommandOutcome::Failure failure;
    const char* name;
    const char* reasonWithoutWords;
  } failures[] = {{CommandOutcome::kCarried, "carried", ""},
                  {CommandOutcome::kNotSent, "not sent", "not sent"},
                  {CommandOutcome::kTimedOut, "timed out", "timed out"},
                  {CommandOutcome::kNoSuchDevice, "no such device", "no such device"},
                  {CommandOutcome::kSystemError, "system error", "system error 5"}};
  for (const auto& f : failures) {
    EXPECT_STREQ(f.name, FailureName(f.failure));
    CommandOutcome::Failure read = CommandOutcome::kCarried;
    EXPECT_TRUE(FailureNamed(f.name, &read) && read == f.failure) << f.name;
    if (f.failure == CommandOutcome::kCarried) continue;
    EXPECT_EQ(f.reasonWithoutWords, CommandOutcome::NotCarried(f.failure, 5).Reason());
    // The system's words, where it gave any, but for a time-out or a gone drive.
    const bool named = f.failure == CommandOutcome::kTimedOut || f.failure == CommandOutcome::kNoSuchDevice;
    EXPECT_EQ(named ? f.name : "its words", CommandOutcome::NotCarried(f.failure, 5, "its words").Reason());
    EXPECT_EQ(CommandOutcome::kNotCarried, CommandOutcome::NotCarried(f.failure).kind());
  }
  CommandOutcome::Failure untouched = CommandOutcome::kTimedOut;
  EXPECT_FALSE(FailureNamed("timed  out", &untouched));
  EXPECT_FALSE(FailureNamed("", &untouched));
  EXPECT_EQ(CommandOutcome::kTimedOut, untouched);

  const struct {
    unsigned char status;
    CommandOutcome::Kind kind;
  } statuses[] = {{0x00, CommandOutcome::kGood},
                  {0x01, CommandOutcome::kOtherStatus},
                  {0x02, CommandOutcome::kCheckCondition},
                  {0x03, CommandOutcome::kOtherStatus},
                  {0x08, CommandOutcome::kOtherStatus}};
  const unsigned char sense[18] = {0x70, 0, 0x05};
  for (const auto& s : statuses) {
    const CommandOutcome outcome = CommandOutcome::FromStatus(s.status, sense, sizeof(sense));
    EXPECT_EQ(s.kind, outcome.kind()) << int(s.status);
    EXPECT_EQ("", outcome.Reason());
    EXPECT_EQ(s.kind == CommandOutcome::kCheckCondition ? 18 : 0, outcome.senseLength) << int(s.status);
  }
}

TEST(ReportTest, WithoutDetailEachDriveGetsTwoCommandsWithDetailAtMostTwelveWithADisc) {
  for (bool aspi : {false, true}) {
    StandInPlatform os(DetailDrives());
    if (aspi) UseWindows98(os);
    // The commands that reached the drives: INQUIRY and MODE SENSE per drive.
    auto commands = [&]() {
      if (!aspi) return static_cast<int>(os.passThroughRequests.size());
      int count = 0;
      for (const std::string& line : os.aspiLog) count += line.compare(0, 4, "EXEC") == 0;
      return count;
    };
    std::string out, err;
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--json"}, &out, &err));
    EXPECT_EQ(4, commands()) << aspi;
    EXPECT_EQ(std::string::npos, out.find("\"mechanism\"")) << "no detail fields unless asked";
    os.passThroughRequests.clear();
    os.aspiLog.clear();
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--json", "--detail"}, &out, &err));
    // The writer: INQUIRY, MODE SENSE, GET CONFIGURATION's header and the
    // whole, GET PERFORMANCE twice, then about its DVD+R: READ DISC
    // INFORMATION, the TOC, READ CAPACITY, the physical format and the
    // ADIP, each refused; then, as it lists DVD profiles, REPORT KEY for
    // its region. The old reader refuses the header, so the whole is never
    // asked for, nor the disc, nor the region: five.
    EXPECT_EQ(6 + 5 + 1 + 5, commands()) << aspi;
  }
}

TEST(ReportTest, DetailDecodesThePageAndTheProfilesOrSaysWhyNot) {
  driveemu::DriveProfile drives = DetailDrives();
  std::vector<BYTE>& page = drives.units[0].modePages[0x2A];
  page[3] |= 0x04;    // test write
  page[5] |= 0x10;    // C2 pointers
  page[6] |= 0x04;    // prevent jumper
  page[17] = 0x22;    // 24 bit clocks, BCKF
  page[23] = 0x01;    // copy management revision 1
  // Removable Medium after the profile list: tray, eject, lock, no jumper.
  std::vector<BYTE>& configuration = drives.units[0].replies[0x46].data;
  configuration[3] += 8;
  configuration.insert(configuration.end(), {0x00, 0x03, 0x03, 0x04, 0x29, 0, 0, 0});
  StandInPlatform os(drives);
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
  auto has = [&](const std::string& label, const std::string& value) { return HasField(out, label, value); };
  EXPECT_TRUE(has("Loading mechanism (page 2Ah)", "tray")) << out;
  EXPECT_TRUE(has("Lock state", "unlocked"));
  // Every field of the page beyond the rows; the prevent jumper from both
  // sources, each under its own.
  EXPECT_TRUE(has("Prevent jumper (page 2Ah)", "yes"));
  EXPECT_TRUE(has("Feature 0003h", "Removable Medium, version 0, persistent, current"));
  EXPECT_TRUE(has("  Prevent jumper", "no"));
  EXPECT_TRUE(has("Test write", "yes"));
  EXPECT_TRUE(has("C2 error pointers", "yes"));
  EXPECT_TRUE(has("Buffer underrun protection (BUF)", "no"));
  EXPECT_TRUE(has("Digital audio data on falling BCK (BCKF)", "yes"));
  EXPECT_TRUE(has("Digital audio LSB first (LSBF)", "no"));
  EXPECT_TRUE(has("Digital audio bit clocks", "24 BCKs"));
  EXPECT_TRUE(has("Copy management revision", "1"));
  EXPECT_TRUE(has("Maximum read speed", "7056 kB/s (40.0x CD)"));
  EXPECT_TRUE(has("Buffer size", "2048 KB"));
  EXPECT_TRUE(has("Write speed", "5292 kB/s (30.0x CD), CAV"));
  EXPECT_TRUE(has("Current profile", "DVD+R (001Bh)"));
  EXPECT_TRUE(has("Profile", "DVD+R (001Bh), current"));
  EXPECT_TRUE(has("Profile", "CD-ROM (0008h)"));
  // Zero speed fields of the page are left out; the refusal is told.
  EXPECT_EQ(std::string::npos, out.find("Maximum write speed"));
  EXPECT_TRUE(has("Profiles", "GET CONFIGURATION refused: Command not supported by device. (Illegal Request, Invalid command operation code)"));

  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--json"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"loading_mechanism\": \"tray\"")) << out;
  EXPECT_NE(std::string::npos, out.find("\"prevent_jumper\": true,\n        \"test_write\": true,\n"
                                        "        \"buffer_underrun_protection\": false,"));
  EXPECT_NE(std::string::npos, out.find("\"c2_pointers\": true,"));
  EXPECT_NE(std::string::npos, out.find("\"digital_audio_bckf\": true,\n        \"digital_audio_length\": \"24 BCKs\",\n"
                                        "        \"copy_management_revision\": 1,"));
  EXPECT_NE(std::string::npos, out.find("\"write_speeds\": [{\"speed\": 5292, \"rotation_control\": \"CAV\"}]"));
  EXPECT_NE(std::string::npos, out.find("\"current_profile\": {\"number\": 27, \"name\": \"DVD+R\"}"));
  EXPECT_NE(std::string::npos, out.find("{\"number\": 8, \"name\": \"CD-ROM\", \"current\": false}"));
  EXPECT_NE(std::string::npos, out.find("\"notes\": [\"GET CONFIGURATION refused: Command not supported by device. (Illegal Request, Invalid command operation code)\"]"));
  // The page bytes 2 to 7 that came before stay as they were.
  EXPECT_NE(std::string::npos, out.find("\"capabilities\": \"030401102d00\""));
}

TEST(ReportTest, OneDriveByIndexOrByPath) {
  StandInPlatform os(DetailDrives());
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--drive", "1"}, &out, &err));
  EXPECT_EQ("Drive 1 (no drive letter): OLD READER", Lines(out)[0]);
  EXPECT_EQ(27u, Lines(out).size());
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--drive=1"}, &out, &err));
  EXPECT_EQ(27u, Lines(out).size());

  std::string path = StandInPlatform::InterfacePath(0);
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--device", path.c_str()}, &out, &err));
  EXPECT_EQ("Drive 0 (no drive letter): WRITER DVD", Lines(out)[0]);
  std::string inlined = "--device=" + path;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--", }, &out, &err));  // -- ends the options, and there are none
  EXPECT_EQ(kReportAllAnswered, RunCommand({inlined.c_str()}, &out, &err));
  EXPECT_EQ("Drive 0 (no drive letter): WRITER DVD", Lines(out)[0]);
  EXPECT_EQ(kReportCannotRun, RunCommand({"--", "--json"}, &out, &err));
  EXPECT_NE(std::string::npos, err.find("unexpected argument '--json'"));
  EXPECT_EQ(kReportCannotRun, RunCommand({"--json=yes"}, &out, &err));
  EXPECT_NE(std::string::npos, err.find("option '--json' takes no value"));

  // No such drive, a bad number, two choices, a missing value: exit 2.
  EXPECT_EQ(kReportCannotRun, RunCommand({"--drive", "2"}, &out, &err));
  EXPECT_EQ("quillanor-report: no drive 2 (2 drives found)\n", err);
  EXPECT_EQ("", out);
  // The last index there may be, and one past it.
  EXPECT_EQ(kReportCannotRun, RunCommand({"--drive", std::to_string(kLastDriveIndex).c_str()}, &out, &err));
  EXPECT_EQ("quillanor-report: no drive " + std::to_string(kLastDriveIndex) + " (2 drives found)\n", err);
  EXPECT_EQ(kReportCannotRun, RunCommand({"--drive", std::to_string(kLastDriveIndex + 1).c_str()}, &out, &err));
  EXPECT_EQ("quillanor-report: '" + std::to_string(kLastDriveIndex + 1) + "' is no drive number\n", err);
  EXPECT_EQ(kReportCannotRun, RunCommand({"--device", "/dev/sr9"}, &out, &err));
  EXPECT_EQ("quillanor-report: /dev/sr9 is not the path of a CD/DVD drive (2 drives found: " +
                StandInPlatform::InterfacePath(0) + ", " + StandInPlatform::InterfacePath(1) + ")\n",
            err);
  for (std::vector<const char*> args : std::vector<std::vector<const char*> >{
           {"--drive", "-1"}, {"--drive", "1x"}, {"--drive", ""}, {"--drive", "0", "--drive", "1"}, {"--drive"}}) {
    EXPECT_EQ(kReportCannotRun, RunCommand(args, &out, &err)) << args[0];
    EXPECT_FALSE(err.empty());
  }
}

TEST(ReportTest, ACommandThatWasNotCarriedSaysWhyInTextAndJson) {
  driveemu::EmulatedUnit lost = Drive(0, 1, "LOST", "LINK", kReadsCdsPlaysAudio);
  lost.replies[0x46] = TransportFailure();
  driveemu::EmulatedUnit gone = Drive(0, 2, "GONE", "DRIVE");
  gone.replies[0x5A] = TransportFailure();
  StandInPlatform os(Profile({lost, gone}));
  os.transportError = ERROR_DEVICE_NOT_CONNECTED;
  std::string out, err;
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--detail"}, &out, &err));
  EXPECT_TRUE(HasField(out, "Profiles", "GET CONFIGURATION was not carried: no such device")) << out;
  std::vector<std::string> lines = Lines(out);
  ASSERT_LE(2u, lines.size());
  EXPECT_EQ("  Mode Sense Command Failure", lines[lines.size() - 2]);
  EXPECT_EQ("  Not carried: no such device", lines.back());
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--detail", "--json"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"not_carried\": \"no such device\",\n        \"current_profile\"")) << out;
  EXPECT_NE(std::string::npos, out.find("\"failure\": [\"Mode Sense Command Failure\"],\n      "
                                        "\"not_carried\": \"no such device\""));
}

namespace {

// A DVD writer of today with a DVD+R in it: firmware date and serial number
// among its features, write speeds for the disc, a firmware date in the
// vendor-specific INQUIRY bytes.
driveemu::EmulatedUnit ModernWriter() {
  driveemu::EmulatedUnit unit = Drive(0, 0, "MODERN", "DVDRW WRITER", {0x3F, 0x37, 0x71, 0x63, 0x29, 0x23});
  const std::string vendorBytes = "2019/04/01 SN998877";
  std::copy(vendorBytes.begin(), vendorBytes.end(), unit.inquiry.begin() + 36);
  unit.currentProfile = 0x001B;
  unit.features = {driveemu::FeatureDescriptor(0x0000, 0x03, {0x00, 0x1B, 0x01, 0, 0x00, 0x10, 0x00, 0}),
                   driveemu::FeatureDescriptor(0x0001, 0x0B, {0, 0, 0, 7, 0x01, 0, 0, 0}),
                   driveemu::FeatureDescriptor(0x002B, 0x01, {0x01, 0, 0, 0}),
                   driveemu::FeatureDescriptor(0x0108, 0x03, {'S', 'N', '9', '9', '8', '8', '7', '7'}),
                   driveemu::FeatureDescriptor(0x010C, 0x03, {'2', '0', '1', '9', '0', '4', '0', '1', '1', '2',
                                                              '0', '0', '0', '0', 0, 0})};
  unit.answersPerformance = true;
  unit.writeSpeedDescriptors = {{0, 0, 0, 0, 0x00, 0x23, 0x05, 0x3F, 0, 0, 0x2B, 0x48, 0, 0, 0x15, 0xA4}};
  return unit;
}

void Save(const std::string& path, const std::string& text) { std::ofstream(path.c_str(), std::ios::binary) << text; }

// The text with the first `from` made `to`.
std::string Changed(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

}  // namespace

namespace {

// Answers about the disc, built from MMC's tables.
driveemu::CommandReply Reply(std::vector<BYTE> data) {
  driveemu::CommandReply reply;
  reply.data = data;
  return reply;
}

// READ DISC INFORMATION: byte 2 (erasable, last session state, disc
// status), the first track, sessions, the last session's tracks, the disc
// type, and the last session's lead-in and the last possible lead-out.
std::vector<BYTE> DiscInformationAnswer(BYTE state, int sessions, int firstOfLast, int lastOfLast, BYTE discType,
                                        std::vector<BYTE> addresses) {
  std::vector<BYTE> a(34, 0);
  a[1] = 32;
  a[2] = state;
  a[3] = 1;
  a[4] = static_cast<BYTE>(sessions), a[9] = static_cast<BYTE>(sessions >> 8);
  a[5] = static_cast<BYTE>(firstOfLast), a[10] = static_cast<BYTE>(firstOfLast >> 8);
  a[6] = static_cast<BYTE>(lastOfLast), a[11] = static_cast<BYTE>(lastOfLast >> 8);
  a[7] = 0x20;  // unrestricted use
  a[8] = discType;
  std::copy(addresses.begin(), addresses.end(), a.begin() + 16);
  return a;
}

struct TocTrack {
  BYTE control, track;
  std::int32_t lba;
};
std::vector<BYTE> TocAnswer(BYTE first, BYTE last, const std::vector<TocTrack>& tracks) {
  std::vector<BYTE> a = {0, static_cast<BYTE>(2 + 8 * tracks.size()), first, last};
  for (const TocTrack& t : tracks) {
    const std::uint32_t lba = static_cast<std::uint32_t>(t.lba);
    a.insert(a.end(), {0, static_cast<BYTE>(0x10 | t.control), t.track, 0, static_cast<BYTE>(lba >> 24),
                       static_cast<BYTE>(lba >> 16), static_cast<BYTE>(lba >> 8), static_cast<BYTE>(lba)});
  }
  return a;
}

std::vector<BYTE> CapacityAnswer(std::uint32_t lastLba) {
  return {static_cast<BYTE>(lastLba >> 24), static_cast<BYTE>(lastLba >> 16), static_cast<BYTE>(lastLba >> 8),
          static_cast<BYTE>(lastLba), 0, 0, 8, 0};
}

// A drive with a disc of `profile` in it, answering the page and GET
// CONFIGURATION; the disc's answers are the test's to add.
driveemu::EmulatedUnit DiscDrive(int target, WORD profile) {
  driveemu::EmulatedUnit unit = Drive(0, target, "DISC", "WRITER", kReadsCdsPlaysAudio);
  unit.currentProfile = profile;
  unit.features = {driveemu::FeatureDescriptor(
      0x0000, 0x03, {static_cast<BYTE>(profile >> 8), static_cast<BYTE>(profile), 0x01, 0})};
  return unit;
}

// A DVD drive with no disc, its region setting answered with `rpc`
// (bytes 4-6 of REPORT KEY's RPC state) and the protection features given.
driveemu::EmulatedUnit DvdDrive(int target, std::vector<BYTE> rpc, std::vector<std::vector<BYTE>> protection = {}) {
  driveemu::EmulatedUnit unit = Drive(0, target, "DVD", "DRIVE", kReadsCdsPlaysAudio);
  unit.features = {driveemu::FeatureDescriptor(0x0000, 0x03, {0x00, 0x10, 0x00, 0, 0x00, 0x08, 0x00, 0})};
  unit.features.insert(unit.features.end(), protection.begin(), protection.end());
  if (!rpc.empty()) {
    std::vector<BYTE> answer = {0x00, 0x06, 0, 0};
    answer.insert(answer.end(), rpc.begin(), rpc.end());
    if (rpc.size() == 3) answer.push_back(0);  // reserved
    unit.replies[kReportKeyOperation] = Reply(answer);
  }
  return unit;
}


driveemu::EmulatedUnit BlankCdR(int target) {
  driveemu::EmulatedUnit unit = DiscDrive(target, 0x0009);
  unit.replies[0x51] = Reply(DiscInformationAnswer(0x00, 1, 1, 1, 0xFF, {0, 0x61, 0x1A, 0x42, 0, 0x4F, 0x3B, 0x4A}));
  std::vector<BYTE> atip(28, 0);
  atip[1] = 26;
  atip[4] = 0xD2, atip[5] = 0x40, atip[6] = 0x80;  // power 5, speed 2; unrestricted; CD-R
  atip[8] = 0x61, atip[9] = 0x1B, atip[10] = 0x15;    // lead-in 97:27:21
  atip[12] = 0x4F, atip[13] = 0x3B, atip[14] = 0x4A;  // lead-out 79:59:74
  unit.formatReplies[driveemu::FormatKey(0x43, 0x04)] = Reply(atip);
  unit.replies[0x25] = Reply(CapacityAnswer(0));
  return unit;
}

driveemu::EmulatedUnit ClosedCdRw(int target) {
  driveemu::EmulatedUnit unit = DiscDrive(target, 0x000A);
  unit.replies[0x51] = Reply(DiscInformationAnswer(0x1E, 1, 1, 1, 0x00, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  unit.formatReplies[driveemu::FormatKey(0x43, 0x00)] = Reply(TocAnswer(1, 1, {{0x04, 1, 0}, {0x04, 0xAA, 224850}}));
  std::vector<BYTE> atip(28, 0);
  atip[1] = 26;
  atip[4] = 0xA4, atip[6] = 0xCE;  // CD-RW, sub-type 1, A1 and A2 valid
  atip[8] = 0x61, atip[9] = 0x1A, atip[10] = 0x41;
  atip[12] = 0x4F, atip[13] = 0x3B, atip[14] = 0x4A;
  atip[16] = 0x12, atip[17] = 0x34, atip[18] = 0x56;
  atip[20] = 0x9A, atip[21] = 0xBC, atip[22] = 0xDE;
  unit.formatReplies[driveemu::FormatKey(0x43, 0x04)] = Reply(atip);
  unit.replies[0x25] = Reply(CapacityAnswer(224849));
  return unit;
}

// Enhanced CD: two audio tracks in the first session, data in the second.
driveemu::EmulatedUnit MixedModeCd(int target) {
  driveemu::EmulatedUnit unit = DiscDrive(target, 0x0008);
  unit.replies[0x51] = Reply(DiscInformationAnswer(0x0E, 2, 3, 3, 0x20, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  unit.replies[0x43] =
      Reply(TocAnswer(1, 3, {{0x01, 1, 0}, {0x02, 2, 15000}, {0x04, 3, 41400}, {0x04, 0xAA, 60000}}));
  unit.replies[0x25] = Reply(CapacityAnswer(59999));
  return unit;
}

// The same tracks in three sessions: which session holds tracks 1 and 2,
// the disc information does not tell.
driveemu::EmulatedUnit ThreeSessionCd(int target) {
  driveemu::EmulatedUnit unit = MixedModeCd(target);
  unit.replies[0x51] = Reply(DiscInformationAnswer(0x0E, 3, 3, 3, 0x20, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  return unit;
}

driveemu::EmulatedUnit AppendableDvdPlusRDl(int target) {
  driveemu::EmulatedUnit unit = DiscDrive(target, 0x002B);
  unit.replies[0x51] = Reply(DiscInformationAnswer(0x05, 1, 1, 2, 0x00, {0, 0, 0, 0, 0x00, 0x3F, 0xAF, 0xFF}));
  unit.replies[0x43] = Reply(TocAnswer(1, 1, {{0x04, 1, 0}, {0x04, 0xAA, 1000000}}));
  unit.replies[0x25] = Reply(CapacityAnswer(999999));
  std::vector<BYTE> physical(4 + 2048, 0);
  physical[0] = 0x08, physical[1] = 0x02;
  const BYTE layout[] = {0xE1, 0x02, 0x32, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0xFC, 0xFF, 0xFF, 0x00, 0x20, 0xEF, 0xFF};
  std::copy(layout, layout + sizeof layout, physical.begin() + 4);
  unit.formatReplies[driveemu::FormatKey(0xAD, 0x00)] = Reply(physical);
  std::vector<BYTE> adip(4 + 256, 0);
  adip[0] = 0x01, adip[1] = 0x02;
  const std::string maker = std::string("MKM\0\0\0\0\0", 8) + "003";
  std::copy(maker.begin(), maker.end(), adip.begin() + 23);
  unit.formatReplies[driveemu::FormatKey(0xAD, 0x11)] = Reply(adip);
  unit.answersPerformance = true;  // 2.4x, 4x and 8x DVD
  for (BYTE speed : {0x0C, 0x15, 0x2B})
    unit.writeSpeedDescriptors.push_back({0, 0, 0, 0, 0x00, 0x3F, 0xAF, 0xFF, 0, 0, speed, 0, 0, 0, speed, 0});
  unit.writeSpeedDescriptors[0][10] = 0x0C, unit.writeSpeedDescriptors[0][11] = 0xFC;  // 3324 kB/s
  unit.writeSpeedDescriptors[0][14] = 0x0C, unit.writeSpeedDescriptors[0][15] = 0xFC;
  unit.writeSpeedDescriptors[1][10] = 0x15, unit.writeSpeedDescriptors[1][11] = 0xA4;  // 5540 kB/s
  unit.writeSpeedDescriptors[1][14] = 0x15, unit.writeSpeedDescriptors[1][15] = 0xA4;
  unit.writeSpeedDescriptors[2][10] = 0x2B, unit.writeSpeedDescriptors[2][11] = 0x48;  // 11080 kB/s
  unit.writeSpeedDescriptors[2][14] = 0x2B, unit.writeSpeedDescriptors[2][15] = 0x48;
  return unit;
}

driveemu::EmulatedUnit DvdMinusR(int target) {
  driveemu::EmulatedUnit unit = DiscDrive(target, 0x0011);
  unit.replies[0x51] = Reply(DiscInformationAnswer(0x0E, 1, 1, 1, 0x00, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  unit.replies[0x43] = Reply(TocAnswer(1, 1, {{0x04, 1, 0}, {0x04, 0xAA, 2295104}}));
  unit.replies[0x25] = Reply(CapacityAnswer(2295103));
  std::vector<BYTE> physical(4 + 12, 0);  // cut short: no data area
  physical[1] = 14;
  physical[4] = 0x25, physical[5] = 0x0F, physical[6] = 0x02;
  unit.formatReplies[driveemu::FormatKey(0xAD, 0x00)] = Reply(physical);
  std::vector<BYTE> preRecorded(44, 0);
  preRecorded[1] = 42;
  preRecorded[20] = 3, preRecorded[28] = 4;
  const std::string first = "CMC MA", second = "G. AE1";
  std::copy(first.begin(), first.end(), preRecorded.begin() + 21);
  std::copy(second.begin(), second.end(), preRecorded.begin() + 29);
  unit.formatReplies[driveemu::FormatKey(0xAD, 0x0E)] = Reply(preRecorded);
  return unit;
}

driveemu::EmulatedUnit BlankBdR(int target) {
  driveemu::EmulatedUnit unit = DiscDrive(target, 0x0041);
  unit.replies[0x51] = Reply(DiscInformationAnswer(0x00, 1, 1, 1, 0x00, {0, 0, 0, 0, 0x00, 0xB7, 0x93, 0xFF}));
  unit.replies[0x25] = Reply(CapacityAnswer(12088319));
  std::vector<BYTE> information(4 + 112, 0);
  information[1] = 114;
  information[4] = 'D', information[5] = 'I';
  const std::string type = "BDR", maker = "VERBATIMe";
  std::copy(type.begin(), type.end(), information.begin() + 12);
  std::copy(maker.begin(), maker.end(), information.begin() + 104);
  information.resize(4 + 112 + 4, 0);
  information[1] = 118;
  information[115] = 1;
  unit.formatReplies[driveemu::FormatKey(0xAD, 0x00)] = Reply(information);
  return unit;
}

}  // namespace

TEST(ReportTest, DetailTellsFirmwareFeaturesAndSpeedsAndRedactsWhatTellsADriveApart) {
  StandInPlatform os(Profile({ModernWriter()}));
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
  std::vector<std::string> lines = Lines(out);
  auto has = [&](const std::string& label, const std::string& value) { return HasField(out, label, value); };
  EXPECT_TRUE(has("Firmware revision", "1.00")) << out;
  EXPECT_TRUE(has("Peripheral device type", "CD/DVD (05h), removable"));
  EXPECT_TRUE(has("Vendor specific", "\"2019/04/01 SN998877\" (32 30 31 39 2F 30 34 2F 30 31 20 53 4E 39 39 38 38 37 37 00)"));
  EXPECT_TRUE(has("Feature 0001h", "Core, version 2, persistent, current"));
  EXPECT_TRUE(has("  Physical interface", "Serial ATAPI"));
  EXPECT_TRUE(has("  Serial number", "SN998877"));
  EXPECT_TRUE(has("  Firmware date", "2019-04-01 12:00:00"));
  EXPECT_TRUE(has("Write speed (GET PERFORMANCE)", "5540 kB/s (4.0x DVD), reading 11080 kB/s (8.0x DVD), to LBA 2295103"));
  EXPECT_TRUE(has("Read speed (GET PERFORMANCE)", "none for the medium in the drive"));

  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--redact"}, &out, &err));
  EXPECT_EQ(std::string::npos, out.find("SN998877")) << out;
  lines = Lines(out);
  EXPECT_TRUE(has("  Serial number", "********"));
  // Every vendor-specific byte, 36 to 55, the last too.
  std::string asterisks = "2A";
  for (int i = 37; i <= 55; ++i) asterisks += " 2A";
  EXPECT_TRUE(has("Vendor specific", "\"" + std::string(20, '*') + "\" (" + asterisks + ")")) << out;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--json", "--redact"}, &out, &err));
  EXPECT_EQ(std::string::npos, out.find("SN998877"));
  // The commands as sent: the read performance nominal, with tolerance 10b.
  EXPECT_NE(std::string::npos, out.find("\"command\": \"GET PERFORMANCE (read)\", \"cdb\": \"ac1000000000000000200000\""));
  EXPECT_NE(std::string::npos,
            out.find("\"command\": \"GET PERFORMANCE (write speeds)\", \"cdb\": \"ac0000000000000000200300\""));
  // In hex, too: the raw answers are blanked out where the texts stood.
  EXPECT_EQ(std::string::npos, out.find("534e393938383737")) << out;
  EXPECT_NE(std::string::npos, out.find("\"redacted\": true"));
}

// Each drive's letter is the CD-ROM letter of the same device number: every
// letter opened without access, asked, and closed; ASPI drives have none.
TEST(ReportTest, DriveLettersComeFromTheSystemByDeviceNumber) {
  driveemu::DriveProfile profile = TwoDrives();
  profile.units[0].driveLetter = 'F';
  profile.units.push_back(Drive(0, 5, "THIRD", "DRIVE", kReadsCdsPlaysAudio));
  profile.units[2].driveLetter = 'D';
  StandInPlatform os(profile);
  std::string out, err;
  EXPECT_EQ(kReportSomeFailed, RunCommand({}, &out, &err));
  std::vector<std::string> headings;
  for (const std::string& line : Lines(out))
    if (line.compare(0, 6, "Drive ") == 0) headings.push_back(line);
  EXPECT_EQ((std::vector<std::string>{"Drive 0 (F:): GOOD DRIVE", "Drive 1 (no drive letter): BROKEN DRIVE",
                                      "Drive 2 (D:): THIRD DRIVE"}),
            headings);
  std::vector<std::string> letterCalls;
  for (const StandInPlatform::Call& call : os.calls)
    if (call.name == "GetDriveTypeA" || (call.name == "CreateFileA" && call.detail.compare(0, 4, "\\\\.\\") == 0))
      letterCalls.push_back(call.name + " " + call.detail);
  ASSERT_LE(3u, letterCalls.size());
  EXPECT_EQ("GetDriveTypeA C:\\", letterCalls[0]);  // a fixed disk: not opened
  EXPECT_EQ("GetDriveTypeA D:\\", letterCalls[1]);
  EXPECT_EQ("CreateFileA \\\\.\\D: access=0 share=3 disposition=3 flags=0", letterCalls[2]);
  EXPECT_EQ(os.CountCalls("CreateFileA"), os.CountCalls("CloseHandle"));  // every drive and letter closed
  // Each rule alone: a colon second, nothing but a backslash third, three at most.
  for (const char* notALetter : {"F:x", "F", "FF:", "F:/", ":F", "Fx", "F:\\x"}) {
    EXPECT_EQ(kReportCannotRun, RunCommand({"--device", notALetter}, &out, &err)) << notALetter;
  }

  // A saved letter that is none is refused.
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--json", "--detail"}, &out, &err));
  std::string damaged = out;
  damaged.replace(damaged.find("\"drive_letter\": \"F:\""), 20, "\"drive_letter\": \"FF\"");
  const std::string path = "quillanor-replay-letter.json";
  Save(path, damaged);
  EXPECT_EQ(kReportCannotRun, RunCommand({"--replay", path.c_str()}, &out, &err));
  EXPECT_NE(std::string::npos, err.find("drive 0: \"drive_letter\" is no drive letter")) << err;
  std::remove(path.c_str());

  UseWindows98(os);
  os.calls.clear();
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--json"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"drive_letter\": null,")) << out;
  EXPECT_EQ(std::string::npos, out.find("\"drive_letter\": \""));
  EXPECT_EQ(0, os.CountCalls("GetLogicalDrives"));
}

TEST(ReportTest, EveryLineOfTheTextFitsEightyColumnsOnBothTransports) {
  driveemu::EmulatedUnit writer = ModernWriter();
  // A vendor's feature of 40 bytes, shown in hex; a refusal with long words.
  writer.features.push_back(driveemu::FeatureDescriptor(0xFF00, 0x01, std::vector<BYTE>(40, 0xA5)));
  driveemu::EmulatedUnit refusing = Drive(0, 1, "REFUSING", "EVERYTHING", kReadsCdsPlaysAudio);
  refusing.replies[0x46] = CheckCondition(0x02, 0x04, 0x03);
  for (bool aspi : {false, true}) {
    StandInPlatform os(Profile({writer, refusing}));
    if (aspi) UseWindows98(os);
    std::string out, err;
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err)) << err;
    for (const std::string& line : Lines(out)) EXPECT_LE(line.size(), 80u) << line;
    std::string bytes = "A5";
    for (int i = 1; i < 40; ++i) bytes += " A5";
    EXPECT_TRUE(HasField(out, "  Bytes", bytes)) << out;
    EXPECT_TRUE(HasField(out, "Profiles", "GET CONFIGURATION refused: Sense Data = 02 04 03 (Not Ready, Logical unit "
                                          "not ready, manual intervention required)"))
        << out;
  }
}

// The README's example for users without a drive: QEMU's seven drives as
// the QEMU test saw them, in the form this version writes.
TEST(ReportTest, TheShippedReportOfQemusDrivesReplaysAsThisVersionWritesIt) {
  const std::string document = std::string(QUILLANOR_SOURCE_DIR) + "/docs/qemu-drives.json";
  std::ifstream in(document.c_str(), std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(saved.empty()) << document;
  StandInPlatform os;  // no drive is asked
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--replay", document.c_str(), "--json", "--detail"}, &out, &err)) << err;
  EXPECT_EQ(saved, out) << "remake it: quillanor-report --replay docs/qemu-drives.json --json --detail";
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--replay", document.c_str(), "--detail"}, &out, &err));
  int drives = 0;
  for (const std::string& line : Lines(out)) {
    drives += line.compare(0, 6, "Drive ") == 0;
    EXPECT_LE(line.size(), 80u) << line;
  }
  EXPECT_EQ(7, drives) << out;
}

TEST(ReportTest, ASavedReportReplaysAsTheReportThatWroteItOnBothTransports) {
  driveemu::EmulatedUnit lost = Drive(0, 3, "LOST", "LINK");
  lost.replies[0x5A] = TransportFailure();
  driveemu::EmulatedUnit stuck = ModernWriter();
  stuck.target = 6;
  stuck.replies[0x46] = TransportFailure();  // GET CONFIGURATION times out: nothing more is asked
  driveemu::EmulatedUnit mute = Drive(0, 7, "MUTE", "DRIVE");
  mute.replies[0x12] = TransportFailure();  // so does INQUIRY: not even the page is asked for
  driveemu::EmulatedUnit slow = ModernWriter();
  slow.target = 8;
  slow.replies[0xAC] = TransportFailure();  // and the write speeds: the read speeds are not asked for
  driveemu::EmulatedUnit lateDisc = BlankCdR(9);
  lateDisc.replies[0x51] = TransportFailure();  // and READ DISC INFORMATION: the ATIP and capacity are not asked for
  driveemu::DriveProfile profile = DetailDrives();
  profile.units.push_back(ModernWriter());
  profile.units[2].target = 5;
  profile.units[2].driveLetter = 'G';  // the others have none
  profile.units.push_back(lost);
  profile.units.push_back(stuck);
  profile.units.push_back(mute);
  profile.units.push_back(slow);
  // The DVD+R's drive also tells its region.
  driveemu::EmulatedUnit regional = AppendableDvdPlusRDl(11);
  regional.replies[kReportKeyOperation] = DvdDrive(0, {0x4C, 0xFD, 0x01}).replies[kReportKeyOperation];
  for (const driveemu::EmulatedUnit& disc : {MixedModeCd(10), regional, DvdMinusR(12), BlankBdR(13),
                                             ClosedCdRw(14), lateDisc})
    profile.units.push_back(disc);
  const std::string capture = "quillanor-replay-test.json";
  for (bool aspi : {false, true}) {
    SCOPED_TRACE(aspi ? "ASPI" : "drive port");
    StandInPlatform os(profile);
    if (aspi) UseWindows98(os);
    os.transportError = ERROR_SEM_TIMEOUT;
    std::string saved, err;
    const int status = RunCommand({"--json", "--probe"}, &saved, &err);
    EXPECT_EQ(kReportSomeFailed, status);
    if (!aspi) {
      for (const char* command : {"INQUIRY", "GET CONFIGURATION", "GET PERFORMANCE", "READ DISC INFORMATION"})
        EXPECT_NE(std::string::npos, saved.find(std::string("\"not_carried\": \"the drive timed out on ") + command + "\""))
            << command;
    }
    Save(capture, saved);
    const std::vector<std::vector<const char*> > forms = {
        {"--json", "--detail"}, {"--detail"}, {}, {"--json"}, {"--drive", "2", "--detail"}, {"--detail", "--redact"},
        {"--device", "g:", "--json"}, {"--list"}, {"--list", "--json", "--redact"}, {"--probe"}, {"--json", "--probe"}};
    for (const std::vector<const char*>& form : forms) {
      std::string direct, replayed;
      const int expected = RunCommand(form, &direct, &err);
      std::vector<const char*> replay = form;
      replay.insert(replay.begin(), {"--replay", capture.c_str()});
      os.calls.clear();
      EXPECT_EQ(expected, RunCommand(replay, &replayed, &err)) << err;
      EXPECT_EQ(direct, replayed) << (form.empty() ? "text" : form[0]);
      EXPECT_EQ(0, os.CountCalls("DeviceIoControl") + os.CountCalls("SendASPI32Command"));  // no drive asked
    }
  }
  std::remove(capture.c_str());
}

TEST(ReportTest, AReplayOfWhatIsNoSavedReportSaysWhyAndEndsTwo) {
  StandInPlatform os(Profile({ModernWriter()}));
  std::string saved, plain, out, err;
  RunCommand({"--json", "--detail"}, &saved, &err);
  RunCommand({"--json"}, &plain, &err);
  std::string two;
  {
    StandInPlatform both(Profile({ModernWriter(), Drive(0, 1, "OTHER", "DRIVE", kReadsCdsPlaysAudio)}));
    RunCommand({"--json", "--detail"}, &two, &err);
  }
  // Where the allocation is the data's length to the byte, the report replays.
  ASSERT_NE(std::string::npos, saved.find("\"cdb\": \"120000006000\"")) << saved;
  ASSERT_NE(std::string::npos, saved.find("\"transferred\": 96,")) << saved;
  const std::string path = "quillanor-replay-bad.json";
  Save(path, two);
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--replay", path.c_str()}, &out, &err)) << err;
  std::string damaged = saved;
  const size_t inquiry = damaged.find("\"command\": \"INQUIRY\"");
  damaged.replace(damaged.find("\"data\": \"", inquiry) + 9, 2, "zz");
  const struct {
    std::string document;
    const char* reason;
  } cases[] = {
      {saved.substr(0, saved.size() / 2), "not a JSON document"},
      {"{\"program\": \"sg_inq\"}", "not a report of quillanor-report"},
      {plain, "only a report written with --json --detail can be replayed"},
      {damaged, "\"data\" is no hex"},
      {"[1, [2, [3]]]", "not a report of quillanor-report"},
      {std::string(100, '[') + std::string(100, ']'), "nesting too deep"},
      // Each of what no report writes, in a report otherwise whole.
      {Changed(saved, "\"program\": ", "\"program\": \"quillanor-report\", \"program\": "), "a key twice in one object"},
      {Changed(saved, "\"index\": 0", "\"index\": 00"), "a number with a leading zero"},
      {Changed(saved, "\"cdb\": \"1200000060", "\"cdb\": \"120000005f"), "more data than the CDB's allocation length"},
      {Changed(saved, "\"cdb\": \"1200000060", "\"cdb\": \"1300000060"), "a CDB of another command"},
      {Changed(saved, "\"transferred\": 96,", "\"transferred\": 95,"), "\"transferred\" is not the data's length"},
      {Changed(saved, "\"transferred\": 96,", "\"transferred\": 97,"), "\"transferred\" is not the data's length"},
      {Changed(two, "\"index\": 1,", "\"index\": 0,"), "drive 1: has the index of drive 0"},
  };
  for (const auto& c : cases) {
    Save(path, c.document);
    EXPECT_EQ(kReportCannotRun, RunCommand({"--replay", path.c_str()}, &out, &err)) << c.reason;
    EXPECT_EQ("", out);
    EXPECT_NE(std::string::npos, err.find(c.reason)) << err;
  }
  std::remove(path.c_str());
  EXPECT_EQ(kReportCannotRun, RunCommand({"--replay", "no-such-report.json"}, &out, &err));
  EXPECT_NE(std::string::npos, err.find("cannot open no-such-report.json"));
}

TEST(ReportTest, NoDriveFoundSaysWhereTheReportLooked) {
  StandInPlatform os;
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({}, &out, &err));
  EXPECT_EQ("No CD/DVD Devices Found\n", out);
  EXPECT_EQ(0u, err.find("quillanor-report: no CD-ROM device interface is present in the Setup API")) << err;
  UseWindows98(os);
  EXPECT_EQ(kReportAllAnswered, RunCommand({}, &out, &err));
  EXPECT_EQ(0u, err.find("quillanor-report: no CD/DVD device on the 0 ASPI host adapters (")) << err;
}

// A drive sends FFFFFFFFh for "to the end of the disc"; every field of 4
// bytes is unsigned in both forms on every build, and replays as it came.
TEST(ReportTest, FieldsOfFourBytesAreUnsignedInTextAndJsonAndReplayAsTheyCame) {
  const std::string capture = "quillanor-replay-wide.json";
  for (unsigned long value : {0x7FFFFFFFul, 0x80000000ul, 0xFFFFFFFFul}) {
    const std::string number = std::to_string(value);
    SCOPED_TRACE(number);
    const std::vector<BYTE> be = {static_cast<BYTE>(value >> 24), static_cast<BYTE>(value >> 16),
                                  static_cast<BYTE>(value >> 8), static_cast<BYTE>(value)};
    driveemu::EmulatedUnit unit = ModernWriter();
    std::vector<BYTE> writable = {be[0], be[1], be[2], be[3], be[0], be[1], be[2], be[3], 0, 0x10, 0, 0};
    // In its place among the features, which ascend.
    auto after = std::find_if(unit.features.begin(), unit.features.end(),
                              [](const std::vector<BYTE>& f) { return (f[0] << 8 | f[1]) > 0x0020; });
    unit.features.insert(after, driveemu::FeatureDescriptor(0x0020, 0x03, writable));
    std::vector<BYTE> speeds(4, 0);
    for (int i = 0; i < 3; ++i) speeds.insert(speeds.end(), be.begin(), be.end());
    unit.writeSpeedDescriptors = {speeds};
    std::vector<BYTE> read;
    for (int i = 0; i < 4; ++i) read.insert(read.end(), be.begin(), be.end());
    unit.performanceDescriptors = {read};
    StandInPlatform os(Profile({unit}));
    std::string json, text, err;
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--json", "--detail"}, &json, &err)) << err;
    for (const char* key : {"\"end_lba\": ", "\"read_speed\": ", "\"write_speed\": ", "\"start_lba\": ",
                            "\"start_speed\": ", "\"end_speed\": ", "\"last_lba\": ", "\"block_size\": "})
      EXPECT_NE(std::string::npos, json.find(key + number)) << key;
    EXPECT_EQ(std::string::npos, json.find(": -")) << json;
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &text, &err));
    EXPECT_TRUE(HasField(text, "  Last logical block address", number)) << text;
    EXPECT_TRUE(HasField(text, "  Logical block size", number));
    const std::string speed = MediumSpeedText(static_cast<std::uint32_t>(value), MediumOf(0x001B));
    EXPECT_TRUE(HasField(text, "Write speed (GET PERFORMANCE)", speed + ", reading " + speed + ", to LBA " + number));
    EXPECT_TRUE(HasField(text, "Read speed (GET PERFORMANCE)",
                         speed + " at LBA " + number + " to " + speed + " at LBA " + number));
    Save(capture, json);
    std::string again;
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--replay", capture.c_str(), "--json", "--detail"}, &again, &err)) << err;
    EXPECT_EQ(json, again);
  }
  std::remove(capture.c_str());
}

TEST(ReportTest, TheJsonReaderTakesUtf8AndEveryEscapeAndRefusesWhatNoReportWrites) {
  const struct {
    std::string document;
    std::string text;  // the string's value, or the reason it is refused
    bool read;
  } cases[] = {
      {"\"caf\xC3\xA9 \xF0\x9F\x98\x80\"", "caf\xC3\xA9 \xF0\x9F\x98\x80", true},
      {"\"\\u0041\\u007f\\u0080\\u00e9\\u07ff\\u0800\\uffff\"",
       "A\x7F\xC2\x80\xC3\xA9\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF", true},
      {"\"\\ud800\\udc00\\udbff\\udfff\\ud83d\\ude00\"", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xF0\x9F\x98\x80", true},
      {"\"a\\u0000b\\n\\/\"", std::string("a\0b\n/", 5), true},
      {"\"\\ud800\"", "a lone surrogate in an escape at byte 7", false},
      {"\"\\ud800\\u0041\"", "a lone surrogate in an escape at byte 7", false},
      {"\"\\udc00\\ud800\"", "a lone surrogate in an escape at byte 7", false},
      {"\"\\u00g0\"", "a bad escape", false},
      {"\"\xE9t\xE9\"", "text that is not UTF-8 at byte 1", false},
      {"\"\xED\xA0\x80\"", "text that is not UTF-8 at byte 1", false},
      {"\"\xC3\"", "text that is not UTF-8 at byte 1", false},
      {"01", "a number with a leading zero at byte 2", false},
      {"[0, -0, 10, -01]", "a number with a leading zero at byte 15", false},
      {"1.5", "a number that is not whole", false},
      {"\"a\x1F\"", "a control character in a string at byte 2", false},
      {"[999999999999999, \"\"]", "", true},  // the largest number read
      {"1000000000000000", "a number too large", false},
      {std::string(33, '[') + std::string(33, ']'), "", true},  // the deepest nesting read
      {std::string(34, '[') + std::string(34, ']'), "nesting too deep", false},
      {"{\"a\": 1, \"b\": {\"a\": 2}, \"a\": 3}", "a key twice in one object at byte 24", false},
      {"{\"a\": 1, \"\\u0061\": 2}", "a key twice in one object at byte 9", false},
  };
  for (const auto& c : cases) {
    JsonDocument document;
    std::string error;
    EXPECT_EQ(c.read, document.Parse(c.document, &error)) << c.document << error;
    if (c.read)
      EXPECT_EQ(c.text, document.Root().text()) << c.document;
    else
      EXPECT_NE(std::string::npos, error.find(c.text)) << c.document << ": " << error;
  }
  // Every value of a report's own kinds, found by name, in order.
  const std::string text = "{\"n\": -12, \"t\": true, \"f\": false, \"z\": null, \"l\": [1, [], {}], \"o\": {\"k\": \"v\"}}";
  JsonDocument document;
  std::string error;
  ASSERT_TRUE(document.Parse(text, &error)) << error;
  const JsonValue root = document.Root();
  EXPECT_EQ(-12, root.Find("n").number());
  EXPECT_TRUE(root.Find("t").flag());
  EXPECT_FALSE(root.Find("f").flag());
  EXPECT_EQ(JsonValue::kNull, root.Find("z").type());
  EXPECT_FALSE(root.Find("missing"));
  // None reads as null, and as nothing of any other kind.
  const JsonValue none = root.Find("missing");
  EXPECT_EQ(JsonValue::kNull, none.type());
  EXPECT_FALSE(none.flag());
  EXPECT_EQ(0, none.number());
  EXPECT_EQ("", none.text());
  EXPECT_TRUE(none.Items().empty());
  EXPECT_FALSE(none.Find("k"));
  JsonDocument refused;
  const std::string cut = "[1,";
  EXPECT_FALSE(refused.Parse(cut, &error) || refused.Root());
  ASSERT_EQ(3u, root.Find("l").Items().size());
  EXPECT_EQ(JsonValue::kObject, root.Find("l").Items()[2].type());
  EXPECT_EQ("v", root.Find("o").Find("k").text());
  // A name is what its escapes make, whatever the text that spells it.
  const std::string names = "{\"a\\\"\": 1, \"\\u0062\": 2, \"c\": 3}";
  JsonDocument named;
  ASSERT_TRUE(named.Parse(names, &error)) << error;
  EXPECT_FALSE(named.Root().Find("a\\"));
  EXPECT_EQ(1, named.Root().Find("a\"").number());
  EXPECT_EQ(2, named.Root().Find("b").number());
  EXPECT_EQ(3, named.Root().Find("c").number());
  EXPECT_EQ(6u, root.Members().size());
  EXPECT_EQ("o", root.Members()[5].first);
}

// The cap fits the largest report: a drive's largest answers and all they
// decode to stay within a drive's share, and a document of the cap's size
// is read while one byte more is refused before it is read.
TEST(ReportTest, TheLargestReportFitsTheCapAndAByteMoreIsRefused) {
  driveemu::EmulatedUnit unit = ModernWriter();
  // The most features a GET CONFIGURATION answer holds, each the shortest.
  unit.features.assign((kLargestConfiguration - 8) / 4, driveemu::FeatureDescriptor(0xFF00, 0x03, {}));
  StandInPlatform os(Profile({unit}));
  std::string saved, out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--json", "--detail"}, &saved, &err)) << err;
  EXPECT_NE(std::string::npos, saved.find("\"transferred\": " + std::to_string(kLargestConfiguration)));
  EXPECT_LT(saved.size(), kLargestDriveReport);
  const std::string path = "quillanor-replay-large.json";
  for (std::size_t size : {kLargestReport, kLargestReport + 1}) {
    Save(path, saved + std::string(size - saved.size(), ' '));
    const int status = RunCommand({"--replay", path.c_str()}, &out, &err);
    if (size == kLargestReport) {
      EXPECT_EQ(kReportAllAnswered, status) << err;
    } else {
      EXPECT_EQ(kReportCannotRun, status);
      EXPECT_EQ("quillanor-report: " + path + ": larger than any report (at most " + std::to_string(kLargestReport) +
                    " bytes)\n",
                err);
    }
  }
  std::remove(path.c_str());
  std::string error;
  Capture capture;
  EXPECT_FALSE(ReadCapture(std::string(kLargestReport + 1, ' '), &capture, &error));
  EXPECT_EQ("larger than any report (" + std::to_string(kLargestReport + 1) + " bytes)", error);
  // The help says the cap as it is.
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--help"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("at most " + std::to_string(kLargestReport >> 20) + " MiB")) << out;
  EXPECT_NE(std::string::npos, out.find(std::to_string(kLargestReportDrives) + " drives, each with the largest"));
}

// The system's messages come in its code page (the stand-in's is Latin-1):
// the document has them in UTF-8, and a replay gives the system's text back.
TEST(ReportTest, SystemMessagesAreUtf8InTheDocumentAndTheSystemsTextInAReplay) {
  driveemu::EmulatedUnit dead = Drive(0, 4, "DEAD", "LINK");
  dead.replies[0x5A] = TransportFailure();
  StandInPlatform os(Profile({dead}));
  os.transportError = 31;
  os.errorTexts[31] = "P\xE9riph\xE9rique hors service";
  std::string saved, text, out, err;
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--json", "--detail"}, &saved, &err));
  EXPECT_NE(std::string::npos, saved.find("\"message\": \"P\xC3\xA9riph\xC3\xA9rique hors service")) << saved;
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--detail"}, &text, &err));
  EXPECT_NE(std::string::npos, text.find("P\xE9riph\xE9rique hors service")) << text;
  const std::string path = "quillanor-replay-message.json";
  Save(path, saved);
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--replay", path.c_str(), "--detail"}, &out, &err));
  EXPECT_EQ(text, out);
  std::remove(path.c_str());
}

TEST(ReportTest, TheJsonWriterRefusesWhatWouldMakeNoJson) {
  const struct {
    const char* misuse;
    void (*write)(JsonWriter&);
  } cases[] = {
      {"a key in an array", [](JsonWriter& json) { json.BeginArray(); json.Key("a"); }},
      {"a key at the top", [](JsonWriter& json) { json.Key("a"); }},
      {"a value without its key", [](JsonWriter& json) { json.BeginObject(); json.Number(1); }},
      {"two keys", [](JsonWriter& json) { json.BeginObject(); json.Key("a"); json.Key("b"); }},
      {"a close after a key", [](JsonWriter& json) { json.BeginObject(); json.Key("a"); json.EndObject(); }},
      {"the other close", [](JsonWriter& json) { json.BeginArray(); json.EndObject(); }},
      {"a close of nothing", [](JsonWriter& json) { json.EndArray(); }},
  };
  for (const auto& c : cases) {
    std::string out;
    JsonWriter json(out);
#ifdef NDEBUG
    c.write(json);
    EXPECT_FALSE(json.Sound()) << c.misuse;
#elif !defined(_WIN32)
    EXPECT_DEATH(c.write(json), "out of order") << c.misuse;
#endif
  }
  std::string out;
  JsonWriter json(out);
  json.BeginObject();
  json.Key("a").BeginArray();
  json.Number(1);
  json.EndArray();
  json.EndObject();
  EXPECT_TRUE(json.Sound());
}

// A configuration of its header alone is asked for once: there is no more.
TEST(ReportTest, AConfigurationOfItsHeaderAloneIsAskedForOnce) {
  driveemu::EmulatedUnit unit = ModernWriter();
  driveemu::CommandReply header;
  header.kind = driveemu::CommandReply::kData;
  header.data = {0, 0, 0, 4, 0, 0, 0x00, 0x1B};  // 4 bytes after the length: the header, whole
  unit.replies[0x46] = header;
  StandInPlatform os(Profile({unit}));
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--json", "--detail"}, &out, &err)) << err;
  EXPECT_NE(std::string::npos, out.find("\"command\": \"GET CONFIGURATION (header)\", \"cdb\": \"46000000000000000800\", "
                                        "\"failure\": \"carried\", \"scsi_status\": 0"))
      << out;
  EXPECT_EQ(std::string::npos, out.find("\"command\": \"GET CONFIGURATION\",")) << out;
}

namespace {

driveemu::CommandReply CheckConditionWithSense(std::vector<BYTE> sense) {
  driveemu::CommandReply reply;
  reply.kind = driveemu::CommandReply::kCheckCondition;
  reply.sense = sense;
  return reply;
}

}  // namespace

// The report's own reading of what the window reads by its fixed rules: the
// window's lines stay as they are, the words read descriptor-format sense
// where SPC-4 puts its fields and say no sense came when none did, the
// rows get a note when their answer holds block descriptors, and the
// revision and the qualifier are told as they are.
TEST(ReportTest, TheWindowsLinesKeepTheirRulesAndTheWordsSayWhatTheBytesAre) {
  driveemu::EmulatedUnit odd = Drive(0, 1, "ODD", "ANSWERS", kReadsCdsPlaysAudio);
  odd.inquiry[0] = 0x25;  // qualifier 001b: not connected now
  odd.inquiry[35] = 0;    // revision "1.0" and a zero byte
  driveemu::CommandReply modeSense;  // a block descriptor the command did not ask for, then the page
  modeSense.data = {0, 0x26, 0, 0, 0, 0, 0, 8, 0, 0, 0x01, 0, 0, 0, 0x08, 0, 0x2A, 0x14, 0x3B};
  modeSense.data.resize(8 + 8 + 22, 0);
  odd.replies[0x5A] = modeSense;
  odd.replies[0x46] = CheckConditionWithSense({0x72, 0x05, 0x20, 0x00, 0, 0, 0, 0});
  driveemu::EmulatedUnit descriptor = Drive(0, 2, "DESC", "SENSE");
  descriptor.replies[0x5A] = CheckConditionWithSense({0x72, 0x02, 0x3A, 0x00, 0, 0, 0, 0});
  driveemu::EmulatedUnit mute = Drive(0, 3, "MUTE", "SENSE");
  mute.replies[0x5A] = CheckConditionWithSense({});
  StandInPlatform os(Profile({odd, descriptor, mute}));
  std::string out, err;
  EXPECT_EQ(kReportSomeFailed, RunCommand({"--detail"}, &out, &err));
  auto has = [&](const std::string& label, const std::string& value) { return HasField(out, label, value); };
  // The rows from bytes 10-15 (here the block descriptor's), noted.
  EXPECT_TRUE(has("Can read CD-R discs", "YES")) << out;
  EXPECT_TRUE(has("Can prevent ejection of media", "NO"));
  EXPECT_TRUE(has("Note", "rows: the header declares 8 bytes of block descriptors: the rows, read from bytes 10-15, "
                          "may not describe the capabilities page"));
  EXPECT_TRUE(has("Loading mechanism (page 2Ah)", "caddy/slot"));
  EXPECT_TRUE(has("Firmware revision", "1.0"));
  EXPECT_TRUE(has("Peripheral device type", "CD/DVD (05h), removable, not connected now"));
  EXPECT_TRUE(has("Profiles", "GET CONFIGURATION refused: Sense Data = 00 00 00 (Illegal Request, Invalid command "
                              "operation code (descriptor format, current))"));
  // The window's lines read fixed format whatever the response code says.
  EXPECT_NE(std::string::npos, out.find("  Mode Sense Command Failure\n  Sense Data = 0A 00 00\n"
                                        "  Sense: Not Ready, Medium not present (descriptor format, current)\n"));
  EXPECT_NE(std::string::npos, out.find("  Mode Sense Command Failure\n  Sense Data = 00 00 00\n"
                                        "  Sense: no sense data came\n"));
  for (const std::string& line : Lines(out)) EXPECT_LE(line.size(), 80u) << line;

  EXPECT_EQ(kReportSomeFailed, RunCommand({"--detail", "--json"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"revision\": \"1.0\",")) << out;
  EXPECT_NE(std::string::npos, out.find("\"row_notes\": [\"the header declares 8 bytes of block descriptors"));
  EXPECT_NE(std::string::npos, out.find("\"sense_text\": \"Not Ready, Medium not present (descriptor format, current)\",\n"
                                        "      \"sense_format\": \"descriptor format, current\","));
  EXPECT_NE(std::string::npos, out.find("\"sense_text\": \"no sense data came\",\n      \"sense_format\": null,"));
  EXPECT_NE(std::string::npos, out.find("\"failure\": [\"Mode Sense Command Failure\", \"Sense Data = 0A 00 00\"]"));
}

// Each kind of disc asked what its medium calls for and told as the
// drive's answers say, on both transports: at most five more commands, and
// none for a drive without a disc.
TEST(ReportTest, TheDiscInTheDriveIsToldForEachKindOfMedium) {
  driveemu::EmulatedUnit empty = DiscDrive(0, 0x0000);
  driveemu::DriveProfile profile = Profile({BlankCdR(1), ClosedCdRw(2), MixedModeCd(3), AppendableDvdPlusRDl(4),
                                            DvdMinusR(5), BlankBdR(6), empty, ThreeSessionCd(7)});
  for (bool aspi : {false, true}) {
    SCOPED_TRACE(aspi ? "ASPI" : "drive port");
    StandInPlatform os(profile);
    if (aspi) UseWindows98(os);
    std::string out, err;
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
    auto has = [&](const std::string& label, const std::string& value) { return HasField(out, label, value); };
    // The blank CD-R: its room and its maker's code, no TOC asked for.
    EXPECT_TRUE(has("Disc", "CD-R (0009h)")) << out;
    EXPECT_TRUE(has("Disc status", "empty, not erasable"));
    EXPECT_TRUE(has("Last possible lead-out start", "LBA 359849 (79:59:74)"));
    EXPECT_TRUE(has("Tracks", "none: the disc is empty"));
    EXPECT_TRUE(has("ATIP disc type", "CD-R, sub-type 0"));
    EXPECT_TRUE(has("ATIP lead-in start (the maker's code)", "97:27:21"));
    EXPECT_TRUE(has("ATIP last possible lead-out start", "79:59:74"));
    EXPECT_TRUE(has("ATIP reference speed", "2"));
    EXPECT_TRUE(has("ATIP indicative writing power", "5"));
    EXPECT_TRUE(has("Capacity", "1 block of 2048 bytes (last LBA 0): 2048 bytes, 0.0 MB, 00:00:01"));
    // The closed CD-RW.
    EXPECT_TRUE(has("Disc", "CD-RW (000Ah)"));
    EXPECT_TRUE(has("Disc status", "complete, erasable"));
    EXPECT_TRUE(has("Track 1", "data, session 1, LBA 0 (00:02:00), 224850 blocks (49:58:00)"));
    EXPECT_TRUE(has("Lead-out", "LBA 224850 (50:00:00)"));
    EXPECT_TRUE(has("ATIP disc type", "CD-RW, sub-type 1"));
    EXPECT_TRUE(has("ATIP A1", "12 34 56"));
    EXPECT_TRUE(has("ATIP A2", "9A BC DE"));
    EXPECT_EQ(std::string::npos, out.find("ATIP A3"));
    EXPECT_TRUE(has("Capacity", "224850 blocks of 2048 bytes (last LBA 224849): 460492800 bytes, 439.2 MB, 49:58:00"));
    // The mixed-mode CD of two sessions.
    EXPECT_TRUE(has("Sessions", "2"));
    EXPECT_TRUE(has("Tracks of the last session", "3 to 3"));
    EXPECT_TRUE(has("Disc type", "CD-ROM XA"));
    EXPECT_TRUE(has("Track 1", "audio, pre-emphasis, session 1, LBA 0 (00:02:00), 15000 blocks (03:20:00)"));
    EXPECT_TRUE(has("Track 2", "audio, copy permitted, session 1, LBA 15000 (03:22:00), 26400 blocks (05:52:00)"));
    EXPECT_TRUE(has("Track 3", "data, session 2, LBA 41400 (09:14:00), 18600 blocks (04:08:00)"));
    EXPECT_TRUE(has("Lead-out", "LBA 60000 (13:22:00)"));
    // The appendable DVD+R DL: its layers, its maker, its speeds.
    EXPECT_TRUE(has("Disc", "DVD+R DL (002Bh)"));
    EXPECT_TRUE(has("Disc status", "incomplete (appendable), not erasable"));
    EXPECT_TRUE(has("Last session", "incomplete"));
    EXPECT_TRUE(has("Last possible lead-out start", "LBA 4173823"));
    EXPECT_TRUE(has("Track 1", "data, session 1, LBA 0, 1000000 blocks"));
    EXPECT_TRUE(has("Book type", "DVD+R DL, part version 1"));
    EXPECT_TRUE(has("Layers", "2, opposite track path, recordable"));
    EXPECT_TRUE(has("Maximum rate", "10.08 Mbit/s"));
    EXPECT_TRUE(has("Data area", "sectors 30000h to FCFFFFh, layer 0 to 20EFFFh"));
    EXPECT_TRUE(has("Media ID", "MKM 003, revision 0")) << out;
    EXPECT_TRUE(has("Write speeds for this disc", "2.4x, 4x, 8x DVD"));
    // The DVD-R, its physical format cut short.
    EXPECT_TRUE(has("Media ID", "CMC MAG. AE1"));
    EXPECT_TRUE(has("Book type", "DVD-R, part version 5"));
    EXPECT_TRUE(has("Maximum rate", "not specified"));
    EXPECT_TRUE(has("Note", "physical format: the data area's sectors did not come whole (16 of 21 bytes)"));
    // The blank BD-R.
    EXPECT_TRUE(has("Disc", "BD-R sequential (0041h)"));
    EXPECT_TRUE(has("BD disc type", "BDR"));
    EXPECT_TRUE(has("Media ID", "VERBAT IMe, revision 1"));
    EXPECT_TRUE(has("Last possible lead-out start", "LBA 12030975"));
    // What a writer may still use, only of the discs that take more: the
    // blank CD-R, the appendable DVD+R DL and the blank BD-R.
    int room = 0;
    for (const std::string& line : Lines(out)) room += line.compare(0, 30, "  Last possible lead-out start") == 0;
    EXPECT_EQ(3, room);
    // Nothing is told of a question a medium does not call for.
    EXPECT_EQ(std::string::npos, out.find("not carried"));
    // No disc: nothing asked.
    EXPECT_TRUE(has("Disc", "no disc"));
    // Three sessions: only the last one's track is placed.
    EXPECT_TRUE(has("Track 1", "audio, pre-emphasis, LBA 0 (00:02:00), 15000 blocks (03:20:00)"));
    EXPECT_TRUE(has("Track 3", "data, session 3, LBA 41400 (09:14:00), 18600 blocks (04:08:00)"));
    for (const std::string& line : Lines(out)) EXPECT_LE(line.size(), 80u) << line;

    // The commands about the discs, by operation code: READ DISC
    // INFORMATION of each; the TOC of each but the blank CD-R and BD-R, and
    // the ATIP of both CD-Rs; READ CAPACITY of each; READ DISC STRUCTURE
    // twice for each DVD, once for the BD. The drive without a disc: none.
    std::map<BYTE, int> sent;
    for (const std::vector<BYTE>& cdb : SentCdbs(os, aspi)) ++sent[cdb[0]];
    EXPECT_EQ(7, sent[0x51]);
    EXPECT_EQ(7, sent[0x43]);
    EXPECT_EQ(7, sent[0x25]);
    EXPECT_EQ(5, sent[0xAD]);

    // The same in JSON: what was not asked is null, what the answers do
    // not tell is null, the room in bytes.
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--json"}, &out, &err));
    EXPECT_NE(std::string::npos, out.find("\"no_disc\": false,\n        \"information\": {")) << out;
    EXPECT_NE(std::string::npos, out.find("\"toc\": null,\n        \"atip\": {"));
    EXPECT_NE(std::string::npos, out.find("\"a1\": \"123456\",\n          \"a2\": \"9abcde\",\n          \"a3\": null,"));
    EXPECT_NE(std::string::npos, out.find("\"last_lba\": 224849,\n          \"block_length\": 2048,\n          \"bytes\": 460492800,"));
    EXPECT_NE(std::string::npos, out.find("{\"track\": 1, \"lead_out\": false, \"adr\": 1, \"control\": 1, \"data\": false, "
                                          "\"session\": null, \"start_lba\": 0, \"start_msf\": \"00:02:00\", \"length\": 15000}"));
    EXPECT_NE(std::string::npos, out.find("\"last_possible_lead_out\": 359849,"));
    // A complete disc has no room left to tell.
    EXPECT_NE(std::string::npos, out.find("\"last_session_lead_in\": null,\n          \"last_possible_lead_out\": null,"));
    EXPECT_NE(std::string::npos, out.find("\"write_speed_multiples\": \"2.4x, 4x, 8x DVD\""));
    EXPECT_NE(std::string::npos, out.find("\"profile\": null,\n        \"no_disc\": true,\n        \"information\": null,"));
    // Each structure asked of its medium, with room for the whole of it.
    for (const char* cdb : {"\"READ DISC STRUCTURE (manufacturer)\", \"cdb\": \"ad0000000000001101040000\"",
                            "\"READ DISC STRUCTURE (manufacturer)\", \"cdb\": \"ad0000000000000e002c0000\"",
                            "\"READ DISC STRUCTURE (BD disc information)\", \"cdb\": \"ad0100000000000010040000\""})
      EXPECT_NE(std::string::npos, out.find(cdb)) << cdb;
  }
}

// The drives with discs of the emulated ASPI library's profile, which the
// Windows 98 run of the real program reads, answer as that run expects.
TEST(ReportTest, TheDiscsProfileTellsABlankCdRAndAnAppendableDvdPlusRDl) {
  std::string error;
  const driveemu::DriveProfile discs = ProfileFile(std::string(QUILLANOR_SOURCE_DIR) + "/tools/profiles/discs.profile", &error);
  ASSERT_EQ("", error);
  StandInPlatform os(discs);
  UseWindows98(os);
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
  auto has = [&](const std::string& label, const std::string& value) { return HasField(out, label, value); };
  EXPECT_TRUE(has("Disc", "CD-R (0009h)")) << out;
  EXPECT_TRUE(has("Tracks", "none: the disc is empty"));
  EXPECT_TRUE(has("ATIP lead-in start (the maker's code)", "97:27:21"));
  EXPECT_TRUE(has("Last possible lead-out start", "LBA 359849 (79:59:74)"));
  EXPECT_TRUE(has("Disc", "DVD+R DL (002Bh)"));
  EXPECT_TRUE(has("Track 1", "data, session 1, LBA 0, 1000000 blocks"));
  EXPECT_TRUE(has("Layers", "2, opposite track path, recordable"));
  EXPECT_TRUE(has("Media ID", "MKM 003, revision 0"));
  EXPECT_TRUE(has("Write speeds for this disc", "2.4x, 4x, 8x DVD"));
}

// What a drive refuses about its disc is told in words, each command on its
// own line; an answer laid out as something else than was asked (QEMU's
// ide-cd reads READ TOC's format from byte 9, so an ATIP request brings a
// TOC) or cut short is noted, not decoded.
TEST(ReportTest, RefusalsAndAnswersThatDoNotFitTheQuestionAreToldAboutTheDisc) {
  driveemu::EmulatedUnit refusing = DiscDrive(0, 0x0009);
  refusing.replies[0x51] = CheckCondition(0x05, 0x20, 0x00);
  refusing.replies[0x43] = CheckCondition(0x02, 0x3A, 0x00);
  refusing.replies[0x25] = ErrorStatus(0x08);
  driveemu::EmulatedUnit confused = ClosedCdRw(1);
  confused.formatReplies.erase(driveemu::FormatKey(0x43, 0x04));
  confused.replies[0x43] = confused.formatReplies[driveemu::FormatKey(0x43, 0x00)];  // a TOC, whatever the format
  confused.replies[0x25] = Reply({0x00, 0x03, 0x6E});                                 // three bytes of eight
  driveemu::EmulatedUnit dvd = DvdMinusR(2);
  dvd.formatReplies[driveemu::FormatKey(0xAD, 0x0E)] = CheckCondition(0x05, 0x24, 0x00);
  driveemu::EmulatedUnit bd = BlankBdR(3);
  bd.formatReplies[driveemu::FormatKey(0xAD, 0x00)].data[4] = 'X';  // no "DI" mark
  driveemu::EmulatedUnit backwards = MixedModeCd(4);  // a track that starts before the one before it
  backwards.replies[0x43] = Reply(TocAnswer(1, 2, {{0x04, 1, 1000}, {0x04, 2, 500}, {0x04, 0xAA, 2000}}));
  StandInPlatform os(Profile({refusing, confused, dvd, bd, backwards}));
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
  auto has = [&](const std::string& label, const std::string& value) { return HasField(out, label, value); };
  EXPECT_TRUE(has("Disc information", "READ DISC INFORMATION refused: Command not supported by device. (Illegal "
                                      "Request, Invalid command operation code)"))
      << out;
  EXPECT_TRUE(has("Tracks", "READ TOC/PMA/ATIP refused: Sense Data = 02 3A 00 (Not Ready, Medium not present)"));
  EXPECT_TRUE(has("ATIP", "READ TOC/PMA/ATIP refused: Sense Data = 02 3A 00 (Not Ready, Medium not present)"));
  EXPECT_TRUE(has("Capacity", "READ CAPACITY ended with status Busy (08h)"));
  EXPECT_TRUE(has("Note", "ATIP: the answer is not laid out as an ATIP: bytes 4-6 are 00h 14h 01h, whose top bits in "
                          "an ATIP are 1, 0, 1 (a TOC, perhaps, from a drive that reads the format from another byte)"));
  EXPECT_EQ(std::string::npos, out.find("ATIP disc type"));
  EXPECT_TRUE(has("Note", "capacity: the capacity did not come whole (3 of 8 bytes)"));
  EXPECT_TRUE(has("Media maker", "READ DISC STRUCTURE refused: Command not supported by device. (Illegal Request, "
                                 "Invalid field in CDB)"));
  EXPECT_TRUE(has("Note", "media maker: the disc information does not start with \"DI\" (bytes 4-5: 58h 49h)"));
  EXPECT_EQ(std::string::npos, out.find("BD disc type"));
  EXPECT_TRUE(has("Track 1", "data, session 1, LBA 1000 (00:15:25)"));
  EXPECT_TRUE(has("Track 2", "data, session 1, LBA 500 (00:08:50), 1500 blocks (00:20:00)"));
}

// A configuration header cut short tells no current profile: the disc is
// not asked about, nor said to be missing. The profile is bytes 6-7,
// whatever the reserved byte before them holds.
TEST(ReportTest, TheCurrentProfileOfAWholeConfigurationHeaderDecidesWhatIsAsked) {
  driveemu::EmulatedUnit cut = DiscDrive(0, 0x0008);
  cut.replies[0x46] = Reply({0, 0, 0, 4, 0, 0, 0x00});  // seven bytes of eight
  StandInPlatform os(Profile({cut}));
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
  EXPECT_EQ(std::string::npos, out.find("  Disc ")) << out;
  for (const ScsiPassThroughDirect& request : os.passThroughRequests) EXPECT_NE(0x51, request.Cdb[0]);

  driveemu::EmulatedUnit reserved = MixedModeCd(0);
  reserved.replies[0x46] = Reply({0, 0, 0, 4, 0, 0x01, 0x00, 0x08});
  StandInPlatform other(Profile({reserved}));
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
  EXPECT_TRUE(HasField(out, "Disc", "CD-ROM (0008h)")) << out;
  EXPECT_TRUE(HasField(out, "Sessions", "2"));
}

// A drive that times out is asked nothing more, about its disc either: each
// question left is told with the command the drive timed out on.
TEST(ReportTest, ADriveThatTimesOutIsAskedNothingMoreAboutItsDisc) {
  driveemu::EmulatedUnit early = AppendableDvdPlusRDl(0);
  early.replies[0xAC] = TransportFailure();  // GET PERFORMANCE
  driveemu::EmulatedUnit late = AppendableDvdPlusRDl(1);
  late.replies[0x25] = TransportFailure();   // READ CAPACITY
  StandInPlatform os(Profile({early, late}));
  os.transportError = ERROR_SEM_TIMEOUT;
  std::string out, err;
  RunCommand({"--detail"}, &out, &err);
  auto has = [&](const std::string& label, const std::string& value) { return HasField(out, label, value); };
  EXPECT_TRUE(has("Disc information", "READ DISC INFORMATION was not carried: the drive timed out on GET PERFORMANCE"))
      << out;
  EXPECT_TRUE(has("Tracks", "READ TOC/PMA/ATIP was not carried: the drive timed out on GET PERFORMANCE"));
  EXPECT_TRUE(has("Capacity", "READ CAPACITY was not carried: timed out"));
  EXPECT_TRUE(has("Physical format", "READ DISC STRUCTURE was not carried: the drive timed out on READ CAPACITY"));
  EXPECT_TRUE(has("Media maker", "READ DISC STRUCTURE was not carried: the drive timed out on READ CAPACITY"));
  EXPECT_TRUE(has("Region setting", "REPORT KEY was not carried: the drive timed out on READ CAPACITY"));
  EXPECT_TRUE(has("Region setting", "REPORT KEY was not carried: the drive timed out on GET PERFORMANCE"));
  int structures = 0, keys = 0;
  for (const ScsiPassThroughDirect& request : os.passThroughRequests) {
    structures += request.Cdb[0] == 0xAD;
    keys += request.Cdb[0] == kReportKeyOperation;
  }
  EXPECT_EQ(0, structures);
  EXPECT_EQ(0, keys);
}

// A report saved by a version that asked nothing about the disc or the
// region replays with the profile alone: nothing said to have failed.
TEST(ReportTest, AReportOfAnEarlierVersionReplaysWithoutTheQuestionsItDidNotAsk) {
  driveemu::EmulatedUnit dvd = AppendableDvdPlusRDl(0);
  dvd.replies[kReportKeyOperation] = DvdDrive(0, {0x4C, 0xFD, 0x01}).replies[kReportKeyOperation];
  StandInPlatform os(Profile({dvd}));
  std::string saved, out, err;
  RunCommand({"--json", "--detail"}, &saved, &err);
  // Without the disc's and the region's commands, as the earlier version wrote it.
  std::string earlier;
  for (const std::string& line : Lines(saved)) {
    if (line.find("{\"command\": \"READ ") != std::string::npos ||
        line.find("{\"command\": \"REPORT KEY") != std::string::npos)
      continue;
    earlier += line + "\n";
  }
  earlier = Changed(earlier, "},\n      ]", "}\n      ]");
  const std::string path = "quillanor-replay-earlier.json";
  Save(path, earlier);
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--replay", path.c_str(), "--detail"}, &out, &err)) << err;
  EXPECT_TRUE(HasField(out, "Disc", "DVD+R DL (002Bh), not asked about by the report that saved this")) << out;
  EXPECT_EQ(std::string::npos, out.find("Region setting"));
  EXPECT_EQ(std::string::npos, out.find("not carried"));
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--replay", path.c_str(), "--detail", "--json"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"region\": null")) << out;
  std::remove(path.c_str());
}

// REPORT KEY reads the region setting of every drive with a DVD profile,
// once, with the CDB of the RPC state; each type code, mask and count in
// words; nothing is ever sent to change it (no SEND KEY).
TEST(ReportTest, TheRegionSettingOfADvdDriveIsReadInWords) {
  for (bool aspi : {false, true}) {
    driveemu::EmulatedUnit cdOnly = Drive(0, 5, "CD", "ONLY", kReadsCdsPlaysAudio);
    cdOnly.features = {driveemu::FeatureDescriptor(0x0000, 0x03, {0x00, 0x08, 0x00, 0})};
    driveemu::EmulatedUnit refusing = DvdDrive(6, {});
    refusing.replies[kReportKeyOperation] = CheckCondition(0x05, 0x20, 0x00);
    StandInPlatform os(Profile({DvdDrive(0, {0x4C, 0xFD, 0x01}),     // set, 1 reset, 4 changes: region 2
                                DvdDrive(1, {0x05, 0xFF, 0x01}),     // never set, 5 changes
                                DvdDrive(2, {0x80, 0x7E, 0x01}),     // last change: regions 1 and 8
                                DvdDrive(3, {0xF8, 0xFE, 0x00}),     // permanent, RPC-I: region 1
                                DvdDrive(4, {0x00, 0x00}),           // cut short before the scheme
                                cdOnly, refusing,
                                DvdDrive(7, {0x05, 0xFD, 0x01})}));  // never set, yet a mask
    if (aspi) UseWindows98(os);
    std::string out, err;
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
    auto has = [&](const std::string& label, const std::string& value) { return HasField(out, label, value); };
    EXPECT_TRUE(has("Region setting", "region set; plays region 2 (mask FDh)")) << out;
    EXPECT_TRUE(has("Region changes left", "4 by the user, 1 by the vendor"));
    EXPECT_TRUE(has("Region playback control", "RPC Phase II: the drive enforces its region"));
    EXPECT_TRUE(has("Region setting", "no region set (mask FFh)"));
    EXPECT_TRUE(has("Region changes left", "5 by the user, 0 by the vendor"));
    EXPECT_TRUE(has("Note", "region setting: no region is set, yet the mask is FDh, not FFh"));
    EXPECT_TRUE(has("Region setting", "no region set; plays region 2 (mask FDh)"));
    EXPECT_FALSE(has("Note", "region setting: no region is set, yet the mask is FFh, not FFh"));
    EXPECT_TRUE(has("Region setting", "region set, last change: further changes are restricted; plays region 1, 8 "
                                      "(mask 7Eh)"));
    EXPECT_TRUE(has("Region setting", "region set permanently; only the vendor may reset it; plays region 1 (mask FEh)"));
    EXPECT_TRUE(has("Region changes left", "0 by the user, 7 by the vendor"));
    EXPECT_TRUE(has("Region playback control", "RPC-I: the drive does not enforce regions"));
    // ASPI tells no length moved: the answer is the whole buffer there.
    if (!aspi) {
      EXPECT_TRUE(has("Note", "region setting: the RPC state did not come whole (6 of 7 bytes)"));
    }
    EXPECT_TRUE(has("Region setting", "REPORT KEY refused: Command not supported by device. (Illegal Request, Invalid "
                                      "command operation code)"));
    // Once per DVD drive, with A4h's CDB; never for the CD drive, never SEND KEY (A3h).
    std::vector<std::vector<BYTE>> keys;
    for (const std::vector<BYTE>& cdb : SentCdbs(os, aspi)) {
      EXPECT_NE(0xA3, cdb[0]);
      if (cdb[0] == kReportKeyOperation) keys.push_back(cdb);
    }
    ASSERT_EQ(7u, keys.size()) << aspi;
    EXPECT_EQ((std::vector<BYTE>{0xA4, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x08, 0x08, 0x00}), keys[0]);

    EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--json", "--drive", "2"}, &out, &err));
    EXPECT_NE(std::string::npos, out.find("\"regions\": [1, 8]")) << out;
    EXPECT_NE(std::string::npos, out.find("\"region_mask\": 126"));
    EXPECT_NE(std::string::npos, out.find("\"type_code\": 2"));
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--json", "--drive", "0"}, &out, &err));
    EXPECT_NE(std::string::npos, out.find("\"user_changes_left\": 4,\n        \"vendor_resets_left\": 1")) << out;
    EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--json", "--drive", "5"}, &out, &err));
    EXPECT_NE(std::string::npos, out.find("\"region\": null")) << out;
  }
}

// The protection features in one line, with the AACS bits on bus
// encryption, and what the report cannot tell said as such.
// A clock for the probe's time: each reading 14 s later than the last.
double g_probeSeconds = 0;
double SlowClock() { return g_probeSeconds += 14; }

// The probe reads and nothing else, and holds its bounds: nine commands at
// most, each begun only while its time-out ends within 60 s; a drive that
// times out is sent nothing more.
TEST(ReportTest, TheProbeOnlyReadsWithinItsCommandsAndItsTime) {
  const std::vector<BYTE> reads = {kInquiryOperation, kModeSense10Operation, kGetConfigurationOperation,
                                   kGetPerformanceOperation, kReadDiscInformationOperation, kReadTocOperation,
                                   kReadCapacityOperation, kReadDiscStructureOperation, kReportKeyOperation,
                                   kRead10Operation, kReadCdOperation};
  driveemu::EmulatedUnit cd = MixedModeCd(0);
  // Page byte 5: READ CD of CD-DA and R-W declared, C2 and the accurate stream not.
  const BYTE page[6] = {0x03, 0x00, 0x01, 0x05, 0x08, 0x00};
  cd.modePages[0x2A] = driveemu::CapabilitiesPage(page);
  cd.replies[kReadCdOperation] = Reply(std::vector<BYTE>(2352, 0));
  cd.replies[kRead10Operation] = Reply(std::vector<BYTE>(2048, 0));
  for (bool aspi : {false, true}) {
    SCOPED_TRACE(aspi ? "ASPI" : "drive port");
    StandInPlatform os(Profile({cd}));
    if (aspi) UseWindows98(os);
    std::string out, err;
    RunCommand({"--detail"}, &out, &err);
    const std::size_t detail = SentCdbs(os, aspi).size();
    os.passThroughRequests.clear();
    os.aspiLog.clear();
    RunCommand({"--probe"}, &out, &err);
    const std::vector<std::vector<BYTE>> sent = SentCdbs(os, aspi);
    EXPECT_EQ(detail + 9, sent.size());
    for (const std::vector<BYTE>& cdb : sent) EXPECT_NE(reads.end(), std::find(reads.begin(), reads.end(), cdb[0]));
    // Audio track 1 and data track 3 (from 41400) at their 17th blocks.
    // READ(10), then READ CD: the user data, the sector, C2 and sub-channel
    // two blocks at a time; the audio block twice, as CD-DA.
    const std::vector<std::vector<BYTE>> probe = {
        {0x28, 0, 0, 0, 0xA1, 0xC8, 0, 0, 1, 0},
        {0xBE, 0, 0, 0, 0xA1, 0xC8, 0, 0, 1, 0x10, 0, 0},
        {0xBE, 0, 0, 0, 0xA1, 0xC8, 0, 0, 1, 0xF8, 0, 0},
        {0xBE, 0, 0, 0, 0xA1, 0xC8, 0, 0, 2, 0xFA, 0, 0},
        {0xBE, 0, 0, 0, 0xA1, 0xC8, 0, 0, 2, 0xFC, 0, 0},
        {0xBE, 0, 0, 0, 0xA1, 0xC8, 0, 0, 2, 0xF8, 0x02, 0},
        {0xBE, 0, 0, 0, 0xA1, 0xC8, 0, 0, 2, 0xF8, 0x01, 0},
        {0xBE, 0x04, 0, 0, 0, 16, 0, 0, 1, 0xF8, 0, 0},
        {0xBE, 0x04, 0, 0, 0, 16, 0, 0, 1, 0xF8, 0, 0}};
    EXPECT_EQ(probe, std::vector<std::vector<BYTE>>(sent.begin() + static_cast<std::ptrdiff_t>(detail), sent.end()));
    EXPECT_NE(std::string::npos, out.find("  Probe: data block LBA 41416 (track 3); audio block LBA 16 (track 1)\n")) << out;
  }

  // Read at 14, 28 and 42 s, as a fourth would end at 71 s; on ASPI, which
  // waits 30 s for a command, at 14 and 28 s only.
  for (bool aspi : {false, true}) {
    StandInPlatform os(Profile({cd}));
    if (aspi) UseWindows98(os);
    DeviceList devices;
    devices.Enumerate();
    g_probeSeconds = 0;
    const DriveAnswers slow = CollectAnswers(devices, 0, true, true, SlowClock);
    const std::vector<std::vector<BYTE>> sent = SentCdbs(os, aspi);
    EXPECT_EQ(aspi ? 2 : 3, std::count_if(sent.begin(), sent.end(), [](const std::vector<BYTE>& c) {
                return c[0] == kReadCdOperation || c[0] == kRead10Operation;
              }));
    EXPECT_EQ(CommandOutcome::kNotSent, (aspi ? slow.probeRawSector : slow.probeC2).outcome.failure);
    const DriveReport report = InterpretDrive(slow, true, true);
    EXPECT_EQ("not tried: READ CD was not carried: the probe's 60 s were spent",
              report.probe.checks[kProbeAudioRepeat].found.Text());
    EXPECT_EQ(kDeclaresYes, report.probe.checks[kProbeAudioRepeat].page);
    EXPECT_EQ(kDeclaresYes, report.probe.checks[kProbeRawPw].page);
    EXPECT_EQ(kDeclaresNo, report.probe.checks[kProbeC2].page);
    EXPECT_EQ(kDeclaresNo, report.probe.checks[kProbeC2].features);  // no CD Read feature
  }

  // A liar that never answers READ CD: timed out once, asked nothing more.
  driveemu::EmulatedUnit mute = cd;
  mute.replies[kReadCdOperation] = TransportFailure();
  StandInPlatform stuck(Profile({mute}));
  stuck.transportError = ERROR_SEM_TIMEOUT;
  std::string out, err;
  RunCommand({"--json", "--probe"}, &out, &err);
  const std::vector<std::vector<BYTE>> asked = SentCdbs(stuck, false);
  EXPECT_EQ(kReadCdOperation, asked.back()[0]);
  EXPECT_EQ(1, std::count_if(asked.begin(), asked.end(), [](const std::vector<BYTE>& c) { return c[0] == 0xBE; }));
  EXPECT_NE(std::string::npos, out.find("\"found\": \"not tried: READ CD was not carried: timed out\""));
  EXPECT_NE(std::string::npos,
            out.find("\"found\": \"not tried: READ CD was not carried: the drive timed out on READ CD\""));

  // Nor is a drive that timed out before the probe, on its region setting.
  driveemu::EmulatedUnit regional = cd;
  regional.features = {driveemu::FeatureDescriptor(0x0000, 0x03, {0x00, 0x10, 0x00, 0, 0x00, 0x08, 0x01, 0})};
  regional.replies[kReportKeyOperation] = TransportFailure();
  StandInPlatform late(Profile({regional}));
  late.transportError = ERROR_SEM_TIMEOUT;
  RunCommand({"--json", "--probe"}, &out, &err);
  EXPECT_EQ(kReportKeyOperation, SentCdbs(late, false).back()[0]);
  EXPECT_NE(std::string::npos,
            out.find("\"found\": \"not tried: READ CD was not carried: the drive timed out on REPORT KEY\""));
}

// Where the probe reads nothing it says why, in one line; a saved report
// of a run without it replayed with --probe says it holds none.
TEST(ReportTest, TheProbeSaysWhyItReadNothing) {
  driveemu::EmulatedUnit noToc = ClosedCdRw(4);
  noToc.formatReplies[driveemu::FormatKey(0x43, 0x00)] = CheckCondition(0x05, 0x24, 0x00);
  StandInPlatform os(Profile({AppendableDvdPlusRDl(0), BlankCdR(1), DvdDrive(2, {}), Drive(0, 3, "OLD", "READER"), noToc}));
  std::string out, err;
  RunCommand({"--probe"}, &out, &err);
  for (const char* why : {"the disc is a DVD+R DL, and READ CD reads CDs", "the disc is blank", "no disc in the drive",
                          "the drive told no current profile", "no TOC came to choose the blocks from"})
    EXPECT_NE(std::string::npos, out.find(std::string("  Probe: not tried: ") + why + "\n")) << why << "\n" << out;
  for (const std::vector<BYTE>& cdb : SentCdbs(os, false)) EXPECT_TRUE(cdb[0] != kReadCdOperation && cdb[0] != kRead10Operation);

  const std::string capture = "quillanor-no-probe.json";
  StandInPlatform cd(Profile({MixedModeCd(0)}));
  RunCommand({"--json", "--detail"}, &out, &err);
  Save(capture, out);
  RunCommand({"--replay", capture.c_str(), "--probe", "--json"}, &out, &err);
  EXPECT_NE(std::string::npos, out.find("\"found\": \"not tried: the saved report holds no probe of this drive\""));
  std::remove(capture.c_str());
}

// The generated discs (tools/probe_discs.py, with CRC tables of its own):
// two good ones, one whose drive declares no C2 and refuses it, and liars,
// each with one fault the probe must name; on both transports, and again
// from the saved report.
TEST(ReportTest, TheProbeFindsWhatEachEmulatedDiscHoldsAndEachLie) {
  std::string error;
  const driveemu::DriveProfile discs = ProfileFile(QUILLANOR_PROBE_DISCS, &error);
  ASSERT_EQ("", error);
  const std::string works = "works (verified)";
  const std::string c2Refused = "refused (Illegal Request, Invalid field in CDB)";
  const std::string noReadCd = "refused (Illegal Request, Invalid command operation code)";
  const std::string noAudio = "not tried: no audio track on the disc";
  // By target: what each check found, in the order of kProbeChecks.
  const std::vector<std::vector<std::string>> expected = {
      {works, works, works, works, works, works, works},
      {works, works, works, works, works, works, noAudio},
      {works, works, c2Refused, c2Refused, works, works, noAudio},
      {works, "answers but wrong: EDC B1C06438h, computed B1C06439h", works, works, works, works, works},
      {works, "answers but wrong: header address 00:02:17, off by +1 from 00:02:16", works, works, works, works, works},
      {works, works, works, works, "answers but wrong: Q CRC 931Bh, computed 931Ah",
       "answers but wrong: Q CRC 931Bh, computed 931Ah", works},
      {works, works, works, works, "answers but wrong: Q address 00:02:17, off by +1 from 00:02:16",
       "answers but wrong: Q address 00:02:17, off by +1 from 00:02:16", works},
      {works, works, c2Refused, c2Refused, works, works, works},
      {works, works, "answers but wrong: C2 pointers flag 16 of 2352 bytes of a block that read without error",
       "answers but wrong: C2 pointers flag 16 of 2352 bytes of a block that read without error; the block error "
       "byte is FFh on a block that read without error",
       works, works, works},
      {noReadCd, noReadCd, noReadCd, noReadCd, noReadCd, noReadCd, noReadCd},
      {works, works, works, works, works, works,
       "answers but wrong: the two reads differ in 1 of 2352 bytes, the first at byte 0"},
  };
  const std::string capture = "quillanor-probe-test.json";
  for (bool aspi : {false, true}) {
    SCOPED_TRACE(aspi ? "ASPI" : "drive port");
    StandInPlatform os(discs);
    if (aspi) UseWindows98(os);
    std::string out, err, text, replayed;
    RunCommand({"--json", "--probe"}, &out, &err);
    std::vector<DriveReport> drives;
    Capture saved;
    ASSERT_TRUE(ReadCapture(out, &saved, &error)) << error;
    ASSERT_EQ(expected.size(), saved.drives.size());
    for (std::size_t d = 0; d < saved.drives.size(); ++d) {
      const DriveReport drive = InterpretDrive(saved.drives[d], true, true);
      ASSERT_EQ(static_cast<std::size_t>(kProbeCheckCount), drive.probe.checks.size());
      for (int c = 0; c < kProbeCheckCount; ++c)
        EXPECT_EQ(expected[d][static_cast<std::size_t>(c)], drive.probe.checks[static_cast<std::size_t>(c)].found.Text())
            << drive.Name() << ": " << kProbeChecks[c].key;
      // What the drives declare: C2 and CD Read but on the drive without C2.
      const ProbeCheck& c2 = drive.probe.checks[kProbeC2];
      EXPECT_EQ(d == 2 ? kDeclaresNo : kDeclaresYes, c2.page);
      EXPECT_EQ(d == 2 ? kDeclaresNo : kDeclaresYes, c2.features);
      EXPECT_EQ(kDeclaresNothing, drive.probe.checks[kProbeFormattedQ].page);
    }
    // Each verdict in JSON is its finding's.
    const auto count = [&out](const std::string& what) {
      std::size_t n = 0;
      for (std::size_t at = out.find(what); at != std::string::npos; at = out.find(what, at + 1)) ++n;
      return n;
    };
    EXPECT_EQ(count("\"found\": \"answers but wrong"), count("\"verdict\": \"wrong\""));
    EXPECT_EQ(count("\"found\": \"refused"), count("\"verdict\": \"refused\""));
    EXPECT_EQ(count("\"found\": \"not tried"), count("\"verdict\": \"not_tried\""));
    EXPECT_EQ(count("\"found\": \"works (verified)\""), count("\"verdict\": \"works\""));
    Save(capture, out);
    RunCommand({"--probe"}, &text, &err);
    RunCommand({"--replay", capture.c_str(), "--probe"}, &replayed, &err);
    EXPECT_EQ(text, replayed);
    EXPECT_NE(std::string::npos, text.find("    Capability                Page  Features  Probe found\n"
                                           "    READ CD, user data        -     yes       works (verified)\n"
                                           "    Raw sector (2352)         -     yes       works (verified)\n"
                                           "    C2 pointers (294)         yes   yes       works (verified)\n"))
        << text;
  }
  std::remove(capture.c_str());
}

TEST(ReportTest, ContentProtectionIsSummedUpFromTheFeatures) {
  const std::vector<std::vector<BYTE>> all = {
      driveemu::FeatureDescriptor(0x0106, 0x01, {0, 0, 0, 0x01}), driveemu::FeatureDescriptor(0x010B, 0x00, {0, 0, 0, 0x01}),
      driveemu::FeatureDescriptor(0x010D, 0x01, {0x06, 0x01, 0x01, 0x02}),  // WBE and BEC, version 2
      driveemu::FeatureDescriptor(0x0113, 0x00, {})};
  StandInPlatform os(Profile({DvdDrive(0, {0x4C, 0xFD, 0x01}, all),
                              DvdDrive(1, {0x4C, 0xFD, 0x01}, {driveemu::FeatureDescriptor(0x010D, 0x00, {0x02, 0x01})}),
                              DvdDrive(2, {0x4C, 0xFD, 0x01}),
                              DvdDrive(3, {0x4C, 0xFD, 0x01}, {driveemu::FeatureDescriptor(0x010D, 0x00, {0x00, 0, 0, 0x01})})}));
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
  auto has = [&](const std::string& label, const std::string& value) { return HasField(out, label, value); };
  EXPECT_TRUE(has("Content protection", "CSS 1 (current), CPRM 1, AACS 2 (current), SecurDisc")) << out;
  EXPECT_TRUE(has("Content protection", "AACS 1"));
  EXPECT_TRUE(has("Bus encryption", "the drive cannot encrypt the bus"));
  EXPECT_TRUE(has("Bus encryption", "the drive can encrypt the bus (BEC), also for writing (WBE)"));
  EXPECT_TRUE(has("Bus encryption required", kBusEncryptionRequired));
  EXPECT_TRUE(has("Bus encryption means", kBusEncryptionMeaning));
  EXPECT_TRUE(has("Content protection", "AACS"));  // a descriptor cut short: no version
  EXPECT_TRUE(has("Bus encryption", "the drive can encrypt the bus (BEC)"));  // BEC alone, cut short before the version
  EXPECT_TRUE(has("Note", "content protection: AACS: the feature did not come with its version"));
  EXPECT_EQ(std::string::npos, out.find("SecurDisc: the feature"));  // a scheme without versions
  EXPECT_TRUE(has("Content protection", "none"));
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--json", "--drive", "0"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("{\"code\": 269, \"name\": \"AACS\", \"version\": 2, \"current\": true}")) << out;
  EXPECT_NE(std::string::npos, out.find("\"bus_encryption\": true,\n        \"write_bus_encryption\": true"));
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--json", "--drive", "2"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"bus_encryption\": null")) << out;
}

// What the system tells of the connection: each member in the detail's
// text and JSON, read back by --replay as it was written; the list's line
// in short; a bridge said to be one; a serial blanked by --redact.
TEST(ReportTest, TheConnectionIsToldInTheDetailAndTheListAndReplaysAsItCame) {
  driveemu::EmulatedUnit untold = Drive(0, 1, "OTHER", "DRIVE", kReadsCdsPlaysAudio);
  untold.deviceQueryFails = untold.adapterQueryFails = true;
  StandInPlatform os(Profile({ModernWriter(), untold}));
  std::string saved, out, err;
  RunCommand({"--json", "--detail"}, &saved, &err);
  Capture capture;
  ASSERT_TRUE(ReadCapture(saved, &capture, &err)) << err;
  ASSERT_EQ(2u, capture.drives.size());
  capture.drives[0].connection = capture.drives[1].connection = DriveConnection();
  DriveConnection& usb = capture.drives[0].connection;
  usb.source = "sysfs", usb.bus = kBusUsb, usb.driver = "uas";
  usb.usbVendorId = "46f4", usb.usbProductId = "0001", usb.usbManufacturer = "QEMU", usb.usbProduct = "QEMU USB HARDDRIVE";
  usb.usbSpeed = "5000", usb.serial = "SN\t42", usb.maxTransfer = 65536, usb.alignmentMask = 3;
  DriveConnection& windows = capture.drives[1].connection;
  windows.source = "storage property query", windows.bus = "ATAPI", windows.adapterBus = kBus1394;
  windows.vendor = "OTHER", windows.product = "DRIVE", windows.revision = "1.0";
  windows.aspiManager = "ASPI for WIN32", windows.aspiAdapter = "BRIDGE";
  std::vector<DriveReport> drives;
  for (const DriveAnswers& answers : capture.drives) drives.push_back(InterpretDrive(answers, true));
  std::string text;
  WriteTextReport(text, drives);
  auto has = [&](const std::string& label, const std::string& value) { return HasField(text, label, value); };
  EXPECT_TRUE(has("Connection", "USB (uas), from sysfs")) << text;
  EXPECT_TRUE(has("USB device", "46f4:0001 QEMU QEMU USB HARDDRIVE, 5000 Mbit/s"));
  EXPECT_TRUE(has("Serial number", "SN\t42"));
  EXPECT_TRUE(has("Largest transfer", "65536 bytes"));
  EXPECT_TRUE(has("Alignment mask", "3h (buffers on 4-byte boundaries)"));
  EXPECT_TRUE(has("Bridge", "the drive is reached through a USB bridge, whose firmware may alter or refuse commands: "
                            "what the drive reports through it may differ from what it reports on its own bus"));
  EXPECT_TRUE(has("Connection", "ATAPI, adapter: IEEE 1394, from storage property query"));
  EXPECT_TRUE(has("Named by the system", "OTHER DRIVE 1.0"));
  EXPECT_TRUE(has("ASPI host adapter", "BRIDGE, managed by ASPI for WIN32"));
  EXPECT_TRUE(has("Bridge", "the drive is reached through a IEEE 1394 bridge, whose firmware may alter or refuse "
                            "commands: what the drive reports through it may differ from what it reports on its own "
                            "bus"));

  JsonReportOptions options;
  options.detail = true;
  options.version = "1.0.0";
  std::string json;
  WriteJsonReport(json, drives, options);
#ifndef _WIN32
  EXPECT_TRUE(MatchesReportSchema(json)) << json;
#endif
  EXPECT_NE(std::string::npos, json.find("\"usb\": {\"vendor_id\": \"46f4\", \"product_id\": \"0001\", \"manufacturer\": "
                                         "\"QEMU\", \"product\": \"QEMU USB HARDDRIVE\", \"speed_mbps\": \"5000\"}"))
      << json;
  Capture again;
  ASSERT_TRUE(ReadCapture(json, &again, &err)) << err;
  for (std::size_t d = 0; d < 2; ++d) {
    const DriveConnection& a = capture.drives[d].connection;
    const DriveConnection& b = again.drives[d].connection;
    for (const ConnectionText& field : kConnectionTexts) EXPECT_EQ(a.*field.text, b.*field.text) << field.key;
    for (const ConnectionText& field : kUsbTexts) EXPECT_EQ(a.*field.text, b.*field.text) << field.key;
    for (const ConnectionNumber& field : kConnectionNumbers) EXPECT_EQ(a.*field.number, b.*field.number) << field.key;
  }
  // A connection without a source, or with a number of the wrong kind, is no connection of ours.
  EXPECT_FALSE(ReadCapture(Changed(json, "\"source\": \"sysfs\"", "\"source\": null"), &again, &err));
  EXPECT_EQ("drive 0, connection: has no source", err);
  EXPECT_FALSE(ReadCapture(Changed(json, "\"max_transfer\": 65536", "\"max_transfer\": \"64k\""), &again, &err));
  EXPECT_FALSE(ReadCapture(Changed(json, "\"alignment_mask\": 3", "\"alignment_mask\": -1"), &again, &err));
  EXPECT_TRUE(ReadCapture(Changed(json, "\"alignment_mask\": 3", "\"alignment_mask\": 0"), &again, &err)) << err;

  const std::string path = "quillanor-replay-connection.json";
  Save(path, json);
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--replay", path.c_str(), "--list"}, &out, &err)) << err;
  EXPECT_EQ("index\tpath\tvendor\tproduct\trevision\tconnection\tserial\n" + std::string("0\t") +
                capture.drives[0].path + "\tMODERN\tDVDRW WRITER\t1.00\tUSB (uas)\tSN 42\n1\t" + capture.drives[1].path +
                "\tOTHER\tDRIVE\t1.00\tATAPI\t\n",
            out);
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--replay", path.c_str(), "--list", "--redact", "--json"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\"connection\": \"USB (uas)\", \"serial\": \"*****\"}")) << out;
  EXPECT_NE(std::string::npos, out.find("\"connection\": \"ATAPI\", \"serial\": null}")) << out;
  EXPECT_EQ(kReportCannotRun, RunCommand({"--list", "--detail"}, &out, &err));
  std::remove(path.c_str());

  // In short: the bus, else the adapter's; the driver beside it, or alone.
  DriveConnection shortly;
  shortly.driver = "uas";
  EXPECT_EQ("uas", shortly.Short());
  shortly.adapterBus = kBusUsb;
  EXPECT_EQ("USB (uas)", shortly.Short());
  shortly.bus = "SCSI";
  EXPECT_EQ("SCSI (uas)", shortly.Short());

  // Told nothing: said so, null in JSON, an empty field in the list.
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail", "--drive", "1"}, &out, &err));
  EXPECT_TRUE(HasField(out, "Connection", "not told by the system")) << out;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--list"}, &out, &err));
  EXPECT_EQ(3u, Lines(out).size());
}

// Through the system itself: the storage query's bus and strings on the
// pass-through road, a USB bus told as a bridge; ASPI's host adapter.
TEST(ReportTest, EachRoadTellsTheConnectionItsSystemGives) {
  driveemu::EmulatedUnit usb = Drive(0, 0, "USB", "WRITER", kReadsCdsPlaysAudio);
  usb.storageBus = 7, usb.adapterBus = 7, usb.alignmentMask = 3;
  usb.storageStringsSet = true, usb.storageVendor = "USB", usb.storageProduct = "WRITER", usb.storageSerial = "S-1";
  StandInPlatform os(Profile({usb}));
  std::string out, err;
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
  EXPECT_TRUE(HasField(out, "Connection", "USB, from storage property query")) << out;
  EXPECT_TRUE(HasField(out, "Alignment mask", "3h (buffers on 4-byte boundaries)"));
  EXPECT_TRUE(HasField(out, "Serial number", "S-1"));
  EXPECT_NE(std::string::npos, out.find("  Bridge  ")) << out;
  os.passThroughRequests.clear();
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--list", "--redact"}, &out, &err));
  EXPECT_NE(std::string::npos, out.find("\tUSB\t***\n")) << out;
  EXPECT_EQ(1u, os.passThroughRequests.size());  // discovery's INQUIRY: the list asks nothing more
  UseWindows98(os);
  EXPECT_EQ(kReportAllAnswered, RunCommand({"--detail"}, &out, &err));
  EXPECT_TRUE(HasField(out, "Connection", "bus not told, from ASPI host adapter inquiry")) << out;
  EXPECT_TRUE(HasField(out, "ASPI host adapter", "EMULATED HA, managed by EMULATED ASPI"));
  EXPECT_EQ(std::string::npos, out.find("  Bridge  "));
}
