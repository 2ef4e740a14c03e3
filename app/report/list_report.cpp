// --list: one line per drive, for inventory scripts. The fields stand once,
// in kListFields, for the header, the lines and the JSON alike.
#include "app/report/json_writer.h"
#include "app/report/report.h"

namespace {

struct ListField {
  const char* name;
  std::string (*value)(const DriveReport& drive);
};

const ListField kListFields[] = {
    {"index", [](const DriveReport& d) { return std::to_string(d.answers.index); }},
    {"path", [](const DriveReport& d) { return d.answers.path; }},
    {"vendor", [](const DriveReport& d) { return d.vendor; }},
    {"product", [](const DriveReport& d) { return d.product; }},
    {"revision", [](const DriveReport& d) { return d.inquiry.revisionCame ? d.inquiry.revision : std::string(); }},
    {"connection", [](const DriveReport& d) { return d.answers.connection.Short(); }},
    {"serial", [](const DriveReport& d) { return d.answers.connection.serial; }},
};

// A value on a line of its own among tabs: no tab or line end inside it.
std::string Cell(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

void WriteDriveList(std::string& out, const std::vector<DriveReport>& drives, bool json) {
  if (json) {
    JsonWriter writer(out);
    writer.BeginArray();
    for (const DriveReport& drive : drives) {
      writer.BeginObject(true);
      writer.Key("index").Number(drive.answers.index);
      for (const ListField& field : kListFields) {
        if (std::string(field.name) == "index") continue;
        const std::string value = field.value(drive);
        writer.Key(field.name);
        if (value.empty())
          writer.Null();
        else
          writer.String(value);
      }
      writer.EndObject();
    }
    writer.EndArray();
    return;
  }
  std::string header;
  for (const ListField& field : kListFields) header += (header.empty() ? "" : "\t") + std::string(field.name);
  out += header + "\n";
  for (const DriveReport& drive : drives) {
    std::string line;
    bool first = true;
    for (const ListField& field : kListFields) {
      line += (first ? "" : "\t") + Cell(field.value(drive));
      first = false;
    }
    out += line + "\n";
  }
}
