// A small JSON reader for the report's own documents (--replay): objects,
// arrays, strings, whole numbers, true, false, null. Escapes \u0000 to
// \u00ff become the byte of that value, as the writer makes them.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct JsonValue {
  enum Type { kNull, kBool, kNumber, kString, kArray, kObject };
  Type type = kNull;
  bool flag = false;
  long long number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue> > members;

  // The member of that name, or null when there is none (or this is no object).
  const JsonValue* Find(const char* key) const;
};

// False, with what was wrong and where, when the text is not one JSON value.
bool ParseJson(const std::string& text, JsonValue* value, std::string* error);
