// The whole report over drives that answer anything: the input describes up
// to four emulated drives (a current profile; for INQUIRY, MODE SENSE, GET
// CONFIGURATION, GET PERFORMANCE and the commands about the disc, READ DISC
// INFORMATION, READ TOC/PMA/ATIP, READ CAPACITY and READ DISC STRUCTURE, and
// the probe's READ(10) and READ CD, an answer of any length, a CHECK
// CONDITION with any sense bytes, another status, or a command not
// carried), the transport, and the options. Through the scripted stand-in
// the report runs as text and as JSON, with and without --probe (and so
// --detail): every document must parse, to nlohmann-json as to our reader
// with the same values, and hold the fields docs/report.schema.json
// requires, the text must hold one block per drive within 80 columns a
// line, and a saved --json --probe report must replay byte for byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/report/json_reader.h"
#include "app/report/replay.h"
#include "app/report/report.h"
#include "platform/pass_through.h"
#include "tests/support/helpers.h"

namespace {

JsonValue Schema() {
  static std::string text;
  static JsonDocument schema;
  if (text.empty()) {
    std::ifstream in(QUILLANOR_SOURCE_DIR "/docs/report.schema.json");
    std::stringstream read;
    read << in.rdbuf();
    text = read.str();
    std::string error;
    if (!schema.Parse(text, &error)) std::abort();
  }
  return schema.Root();
}

// The schema node a "$ref" names, or the node itself.
JsonValue Resolve(const JsonValue& node) {
  const JsonValue ref = node.Find("$ref");
  if (!ref) return node;
  const std::string prefix = "#/definitions/";
  const JsonValue definition = Schema().Find("definitions").Find(ref.text().substr(prefix.size()).c_str());
  if (!definition) std::abort();
  return definition;
}

// Every member the schema requires is there, in every object of the document.
void CheckRequired(const JsonValue& value, const JsonValue& node) {
  const JsonValue schema = Resolve(node);
  if (const JsonValue choices = schema.Find("oneOf")) {
    for (const JsonValue& choice : choices.Items()) {
      const JsonValue alternative = Resolve(choice);
      const JsonValue type = alternative.Find("type");
      const bool object = alternative.Find("properties") || (type && type.text() == "object");
      if (object == (value.type() == JsonValue::kObject)) CheckRequired(value, alternative);
    }
    return;
  }
  if (value.type() == JsonValue::kObject) {
    if (const JsonValue required = schema.Find("required"))
      for (const JsonValue& key : required.Items())
        if (!value.Find(key.text().c_str())) std::abort();
    if (const JsonValue properties = schema.Find("properties"))
      for (const auto& member : value.Members())
        if (const JsonValue property = properties.Find(member.first.c_str())) CheckRequired(member.second, property);
  } else if (value.type() == JsonValue::kArray) {
    if (const JsonValue items = schema.Find("items"))
      for (const JsonValue& item : value.Items()) CheckRequired(item, items);
  }
}

driveemu::CommandReply Reply(FuzzedDataProvider& input, size_t longest) {
  driveemu::CommandReply reply;
  switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      reply.kind = driveemu::CommandReply::kData;
      reply.data = input.ConsumeBytes<BYTE>(input.ConsumeIntegralInRange<size_t>(0, longest));
      break;
    case 1:
      reply.kind = driveemu::CommandReply::kCheckCondition;
      reply.sense = input.ConsumeBytes<BYTE>(input.ConsumeIntegralInRange<size_t>(0, 40));
      break;
    case 2:
      reply.kind = driveemu::CommandReply::kStatus;
      reply.status = input.ConsumeIntegral<BYTE>();
      break;
    default:
      reply.kind = driveemu::CommandReply::kTransportFailure;
  }
  return reply;
}

void Run(const std::vector<const char*>& options, std::string* out) {
  std::vector<const char*> argv = {"quillanor-report"};
  argv.insert(argv.end(), options.begin(), options.end());
  std::string err;
  const int status = RunReport(static_cast<int>(argv.size()), argv.data(), out, &err);
  if (status < 0 || status > 2) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool aspi = input.ConsumeBool();
  driveemu::DriveProfile profile;
  const int drives = input.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < drives; ++i) {
    driveemu::EmulatedUnit unit;
    unit.target = i;
    // Without a reply of its own, GET CONFIGURATION tells a current
    // profile: of no disc, of each medium the report asks about, or any.
    const WORD profiles[] = {0x0000, 0x0008, 0x0009, 0x000A, 0x0011, 0x001B, 0x002B, 0x0041};
    const size_t pick = input.ConsumeIntegralInRange<size_t>(0, sizeof profiles / sizeof profiles[0]);
    unit.currentProfile = pick < sizeof profiles / sizeof profiles[0] ? profiles[pick] : input.ConsumeIntegral<WORD>();
    // The probe's reads may answer as long as READ CD's longest block.
    for (BYTE opcode : {BYTE(0x12), BYTE(0x5A), BYTE(0x46), BYTE(0xAC), BYTE(0x51), BYTE(0x43), BYTE(0x25), BYTE(0xAD),
                        BYTE(0xA4), BYTE(0x28), BYTE(0xBE)})
      if (input.ConsumeBool()) unit.replies[opcode] = Reply(input, opcode == 0xBE || opcode == 0x28 ? 2700 : 300);
    if (unit.replies.count(0x12) == 0) unit.inquiry = driveemu::InquiryAnswer("FUZZ", "DRIVE", "1.0");
    profile.units.push_back(unit);
  }
  StandInPlatform os(profile);
  if (aspi) testing_helpers::UseWindows98(os);
  os.transportError = input.ConsumeIntegral<DWORD>();

  // The report itself, as a saved capture and as text; the forms without
  // --detail from the capture, as --replay makes them (which the tests hold
  // equal to the report's own).
  std::string detail, detailText;
  Run({"--probe"}, &detailText);
  Run({"--json", "--probe"}, &detail);
  // The list: a header and one line per drive, a JSON array of as many.
  std::string list, listJson;
  Run({"--list"}, &list);
  Run({"--list", "--json"}, &listJson);
  if (static_cast<int>(std::count(list.begin(), list.end(), '\n')) != drives + 1) std::abort();
  {
    JsonDocument parsedList;
    std::string listError;
    if (!parsedList.Parse(listJson, &listError) || parsedList.Root().Items().size() != static_cast<size_t>(drives))
      std::abort();
  }
  Capture capture;
  std::string error;
  if (!ReadCapture(detail, &capture, &error)) {
    if (std::getenv("QUILLANOR_FUZZ_SHOW")) std::fprintf(stderr, "%s\n%s\n", error.c_str(), detail.c_str());
    std::abort();
  }
  std::vector<DriveReport> plain, replayed;
  for (const DriveAnswers& answers : capture.drives) {
    plain.push_back(InterpretDrive(answers, false));
    replayed.push_back(InterpretDrive(answers, true, true));
  }
  std::string text, json, again, againText;
  WriteTextReport(text, plain);
  WriteJsonReport(json, plain, JsonReportOptions());
  JsonReportOptions options;
  options.detail = options.probe = true;
  WriteJsonReport(again, replayed, options);
  WriteTextReport(againText, replayed);

  for (const std::string* document : {&json, &detail, &again}) {
    JsonDocument parsed;
    if (!parsed.Parse(*document, &error)) std::abort();
    const JsonValue value = parsed.Root();
    CheckRequired(value, Schema());
    if (value.Find("drives").Items().size() != static_cast<size_t>(drives)) std::abort();
    // An independent reader reads every value as ours does.
    if (!testing_helpers::ReadersAgree(*document, &error)) {
      if (std::getenv("QUILLANOR_FUZZ_SHOW")) std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
  }
  // One block per drive, each headed by its index; no line past 80 columns.
  for (const std::string* form : {&text, &detailText}) {
    for (size_t at = 0, end; at < form->size(); at = end + 1) {
      end = form->find('\n', at);
      if (end == std::string::npos) end = form->size();
      if (end - at > 80) std::abort();
    }
    size_t blocks = 0;
    for (size_t at = 0; (at = form->find("Drive ", at)) != std::string::npos; ++at)
      if (at == 0 || (*form)[at - 1] == '\n') ++blocks;
    if (blocks != static_cast<size_t>(drives) && !(drives == 0 && *form == "No CD/DVD Devices Found\n")) std::abort();
  }
  // The capture replays as the reports it was taken with.
  if (again.substr(again.find("\"redacted\"")) != detail.substr(detail.find("\"redacted\""))) std::abort();
  if (againText != detailText) {
    if (std::getenv("QUILLANOR_FUZZ_SHOW")) std::fprintf(stderr, "ORIGINAL\n%s\nREPLAY\n%s\n", detailText.c_str(), againText.c_str());
    std::abort();
  }

  // What is left is a storage descriptor as a driver might return it, in a
  // buffer of exactly its size; its strings must come from inside it.
  const std::vector<std::uint8_t> rest = input.ConsumeRemainingBytes<std::uint8_t>();
  DriveConnection device, adapter;
  DecodeDeviceDescriptor(rest.data(), rest.size(), &device);
  DecodeAdapterDescriptor(rest.data(), rest.size(), &adapter);
  for (const std::string* text : {&device.vendor, &device.product, &device.revision, &device.serial})
    if (!text->empty() && text->size() >= rest.size()) std::abort();
  return 0;
}
