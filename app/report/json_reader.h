// A small JSON reader for the report's own documents (--replay): objects,
// arrays, strings, whole numbers, true, false, null, in UTF-8; each \u
// escape, a surrogate pair as one character, becomes UTF-8. It refuses
// what no report holds: a key twice in one object, a number with a leading
// zero, text that is not UTF-8, nesting deeper than a report's.
//
// A document costs 8 bytes a value beside its text: each value is kept as
// where it starts in the text and where the values after it begin, and
// decoded when asked for. The text must outlive the document.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class JsonDocument;

// One value of a document; a default one stands for none (a missing member),
// which reads as null, false, 0, "" and empty.
class JsonValue {
 public:
  enum Type { kNull, kBool, kNumber, kString, kArray, kObject };
  JsonValue() : m_document(nullptr), m_node(0) {}
  explicit operator bool() const { return m_document != nullptr; }

  Type type() const;
  bool flag() const;
  long long number() const;
  std::string text() const;
  // The elements of an array; the members' values of an object.
  std::vector<JsonValue> Items() const;
  // The members of an object with their names.
  std::vector<std::pair<std::string, JsonValue> > Members() const;
  // The member of that name, or none when there is none (or this is no object).
  JsonValue Find(const char* key) const;

 private:
  friend class JsonDocument;
  JsonValue(const JsonDocument* document, std::uint32_t node) : m_document(document), m_node(node) {}
  const char* At() const;

  const JsonDocument* m_document;
  std::uint32_t m_node;
};

class JsonDocument {
 public:
  // False, with what was wrong and where, when the text is not one JSON value.
  bool Parse(const std::string& text, std::string* error);
  // The document refers to its text, which a temporary would not outlive.
  bool Parse(std::string&& text, std::string* error) = delete;
  JsonValue Root() const { return m_nodes.empty() ? JsonValue() : JsonValue(this, 0); }

 private:
  friend class JsonValue;
  friend class JsonParser;
  struct Node {
    std::uint32_t at;    // the value's first byte in the text
    std::uint32_t next;  // the node after the value and all inside it
  };
  const std::string* m_text = nullptr;
  std::vector<Node> m_nodes;
};
