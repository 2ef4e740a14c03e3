// A second, independent reader of every document the native tests and the
// report's fuzz target produce: nlohmann-json must read it as our reader
// does, value for value. Native test builds only; the product never sees it.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "app/report/json_reader.h"

namespace testing_helpers {

// Where the two readings first differ ("" when they agree), by path.
inline std::string Disagreement(const nlohmann::json& theirs, const JsonValue& ours, const std::string& path) {
  switch (ours.type()) {
    case JsonValue::kNull:
      return theirs.is_null() ? "" : path + ": null to us";
    case JsonValue::kBool:
      return theirs.is_boolean() && theirs.get<bool>() == ours.flag() ? "" : path + ": a different truth value";
    case JsonValue::kNumber:
      return theirs.is_number_integer() && theirs.get<long long>() == ours.number() ? "" : path + ": a different number";
    case JsonValue::kString:
      return theirs.is_string() && theirs.get<std::string>() == ours.text() ? "" : path + ": a different string";
    case JsonValue::kArray: {
      const std::vector<JsonValue> items = ours.Items();
      if (!theirs.is_array() || theirs.size() != items.size()) return path + ": a different list";
      for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string differs = Disagreement(theirs[i], items[i], path + "[" + std::to_string(i) + "]");
        if (!differs.empty()) return differs;
      }
      return "";
    }
    default: {
      const std::vector<std::pair<std::string, JsonValue> > members = ours.Members();
      if (!theirs.is_object() || theirs.size() != members.size()) return path + ": a different object";
      for (const auto& member : members) {
        const auto found = theirs.find(member.first);
        if (found == theirs.end()) return path + "." + member.first + ": missing to them";
        const std::string differs = Disagreement(*found, member.second, path + "." + member.first);
        if (!differs.empty()) return differs;
      }
      return "";
    }
  }
}

// Whether both readers take the document and read the same values in it;
// what differs in *why.
inline bool ReadersAgree(const std::string& document, std::string* why) {
  JsonDocument ours;
  std::string error;
  const bool oursRead = ours.Parse(document, &error);
  const nlohmann::json theirs = nlohmann::json::parse(document, nullptr, false);
  if (!oursRead || theirs.is_discarded()) {
    *why = oursRead ? "only our reader takes it" : theirs.is_discarded() ? "neither reader takes it: " + error
                                                                         : "only theirs takes it: " + error;
    return false;
  }
  *why = Disagreement(theirs, ours.Root(), "$");
  return why->empty();
}

}  // namespace testing_helpers
