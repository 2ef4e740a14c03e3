// A small JSON writer: it keeps the commas and the indentation, so the
// report's code says only what the document holds. A block container puts
// each member on a line of its own, two blanks deeper per level; an inline
// one ({"a": 1, "b": 2}) keeps them on one line, and so does all inside it.
// Debug builds stop at a call that would make no JSON: a key outside an
// object, a value in an object without its key, a close of what is not open.
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
  // Text of the system (its code page), written as UTF-8.
  void String(const std::string& text);
  // Wide enough for every unsigned 32-bit field where a long is 32 bits.
  void Number(long long value);
  void Bool(bool value);
  void Null();

  // Whether every call so far made sound JSON (what debug builds insist on).
  bool Sound() const { return m_sound; }

 private:
  struct Level {
    char bracket;
    bool inlined;
    int count;
  };
  void Open(char bracket, bool inlined);
  void Close(char bracket);
  // The separator and indentation before a member or an element.
  void Separate();
  // Checks that a value may stand here: after its key in an object.
  void Value();
  void Expect(bool sound);

  std::string& m_out;
  std::vector<Level> m_levels;
  bool m_afterKey;
  bool m_sound = true;
};

// A JSON string literal of UTF-8 text: control characters, '"' and '\'
// escaped, every other character as it stands, and each byte that begins
// no well-formed character replaced by U+FFFD, so that any bytes still make
// valid JSON and the loss shows.
std::string JsonString(const std::string& text);
