// A small JSON writer: it keeps the commas and the indentation, so the
// report's code says only what the document holds. A block container puts
// each member on a line of its own, two blanks deeper per level; an inline
// one ({"a": 1, "b": 2}) keeps them on one line, and so does all inside it.
#pragma once

#include <string>
#include <vector>

class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : m_out(out), m_afterKey(false) {}

  void BeginObject(bool inlined = false) { Open('{', inlined); }
  void EndObject() { Close('}'); }
  void BeginArray(bool inlined = false) { Open('[', inlined); }
  void EndArray() { Close(']'); }
  // Names the member whose value comes next.
  JsonWriter& Key(const char* name);
  void String(const std::string& text);
  void Number(long value);
  void Bool(bool value);
  void Null();

 private:
  struct Level {
    bool inlined;
    int count;
  };
  void Open(char bracket, bool inlined);
  void Close(char bracket);
  // The separator and indentation before a member or an element.
  void Separate();

  std::string& m_out;
  std::vector<Level> m_levels;
  bool m_afterKey;
};

// A JSON string literal of 8-bit text: every byte outside printable ASCII is
// escaped, so drive names of any bytes still make valid JSON.
std::string JsonString(const std::string& text);
